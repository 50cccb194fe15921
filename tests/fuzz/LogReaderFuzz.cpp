// libFuzzer target: the data log reader of "kelpov --finish" against LogReference, on whatever
// bytes someone may have left as "data.txt". The reader must take exactly the logs a run can
// write, with their picks, and refuse every other file with the failure the reference names. A
// disagreement aborts, as a crash or a sanitizer report does.
//
// Each input is read as a whole log, from the file as --finish reads it and from the text. An
// input that begins with '#' is also read, from the file, as the end of a long log: FillerLines
// lines of "-32768 ", then the rest of the input. So short inputs reach the limits of 20000 lines
// and of the longest log's size.

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "common/Failure.h"
#include "picker/LogReading.h"
#include "picker/Picker.h"
#include "tests/fuzz/LogReference.h"

namespace {

constexpr int FillerLines = 19996;
constexpr int FillerPick = -32768;
constexpr std::string_view FillerLine = "-32768 \r\n";

std::filesystem::path scratch;

void RemoveScratch() {
    std::error_code ignored;
    std::filesystem::remove_all(scratch, ignored);
}

[[noreturn]] void Disagree(std::string_view how, std::string_view log, const std::string& what) {
    std::fprintf(stderr, "The reader disagrees with the reference, %.*s a log of %zu bytes: %s\n",
                 static_cast<int>(how.size()), how.data(), log.size(), what.c_str());
    std::abort();
}

// What the reader makes of a log, read from "data.txt" or from the text, in the reference's terms.
LogVerdict Read(std::string_view log, bool fromTheFile) {
    static const auto picker = std::make_unique<Picker>();
    LogVerdict verdict;
    if (fromTheFile) {
        const int fd = ::open(Picker::DataLogName, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (fd < 0 || ::write(fd, log.data(), log.size()) != static_cast<ssize_t>(log.size()) ||
            ::close(fd) != 0) {
            std::perror("cannot write the log for the reader");
            std::abort();
        }
    }
    try {
        verdict.cutOffLine = LoadPicks(*picker, fromTheFile ? ReadDataLog() : std::string(log));
        verdict.picks.assign(&picker->Picks[1], &picker->Picks[1] + picker->PickCount);
        return verdict;
    } catch (const Failure& failure) {
        const std::string what = failure.what();
        const std::string::size_type line = what.find("\": line ");
        if (failure.kind() == FailureKind::Range &&
            what.find("holds more than 20000 picks") != std::string::npos) {
            verdict.kind = LogVerdict::Kind::TooLong;
        } else if (failure.kind() == FailureKind::File && line != std::string::npos &&
                   what.find(" is not a recorded pick", line) != std::string::npos) {
            verdict.kind = LogVerdict::Kind::NotAPick;
            verdict.badLine = std::atoi(what.c_str() + line + 8);
        } else {
            Disagree("with a failure of no kind it names, on", log, what);
        }
        return verdict;
    }
}

void Check(std::string_view log, bool fromTheFile, const LogVerdict& expected) {
    const LogVerdict read = Read(log, fromTheFile);
    const char* how = fromTheFile ? "reading from the file" : "reading from the text";
    if (read.kind != expected.kind || read.badLine != expected.badLine) {
        Disagree(how, log,
                 "it gives failure " + std::to_string(static_cast<int>(read.kind)) + " on line " +
                     std::to_string(read.badLine) + ", the reference " +
                     std::to_string(static_cast<int>(expected.kind)) + " on line " +
                     std::to_string(expected.badLine));
    }
    if (read.picks != expected.picks || read.cutOffLine != expected.cutOffLine) {
        Disagree(how, log, "the picks or the cut-off line differ");
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The reader reads "data.txt" in the current folder: a fresh one of the fuzzer's own.
    std::string path = (std::filesystem::temp_directory_path() / "kelpov-fuzz-XXXXXX").string();
    if (::mkdtemp(path.data()) == nullptr) {
        std::perror("cannot make a scratch folder");
        std::abort();
    }
    scratch = path;
    std::filesystem::current_path(scratch);
    std::atexit(RemoveScratch);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const LogVerdict expected = JudgeLog(input);
    Check(input, true, expected);
    Check(input, false, expected);
    if (input.starts_with('#')) {
        const std::string_view rest = input.substr(1);
        LogVerdict expectedAfter = JudgeLog(rest, FillerLines);
        if (expectedAfter.kind == LogVerdict::Kind::Taken) {
            expectedAfter.picks.insert(expectedAfter.picks.begin(), FillerLines, FillerPick);
        }
        std::string log;
        for (int k = 0; k < FillerLines; ++k) {
            log += FillerLine;
        }
        Check(log + std::string(rest), true, expectedAfter);
    }
    return 0;
}
