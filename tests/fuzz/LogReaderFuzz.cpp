// libFuzzer target: the data log reader of "kelpov --finish" against LogReference, on whatever
// bytes someone may have left as "data.txt". The reader must take exactly the logs a run can
// write, with their picks, and refuse every other file with the failure the reference names. A
// disagreement aborts, as a crash or a sanitizer report does.
//
// Each input is read as a whole log, from "data.txt" as --finish reads it. An input that begins
// with '#' is also read as the end of a long log: FillerLines lines of "-32768 ", then the rest of
// the input. So short inputs reach the limits of 20000 lines and of the longest log's size. The
// seeds in corpus/ were written by Record; those that begin with '#' end a log of 20000 lines and
// of 20001.

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

[[noreturn]] void Disagree(std::string_view log, const std::string& what) {
    std::fprintf(stderr, "The reader disagrees with the reference on a log of %zu bytes: %s\n",
                 log.size(), what.c_str());
    std::abort();
}

// What the reader makes of a log in "data.txt", in the reference's terms.
LogVerdict Read(std::string_view log) {
    static const auto picker = std::make_unique<Picker>();
    const int fd = ::open(Picker::DataLogName, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0 || ::write(fd, log.data(), log.size()) != static_cast<ssize_t>(log.size()) ||
        ::close(fd) != 0) {
        std::perror("cannot write the log for the reader");
        std::abort();
    }
    LogVerdict verdict;
    try {
        picker->TakeFolder();  // once: the log is rewritten in place, and stays the locked file
        verdict.cutOffLine = LoadPicks(*picker, picker->ReadLog());
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
            Disagree(log, "a failure of no kind the reference names: " + what);
        }
        return verdict;
    }
}

void Check(std::string_view log, const LogVerdict& expected) {
    const LogVerdict read = Read(log);
    if (read.kind != expected.kind || read.badLine != expected.badLine) {
        // Kinds: 0 taken, 1 a line that is not a pick, 2 too long.
        Disagree(log, "the reader gives kind " + std::to_string(static_cast<int>(read.kind)) +
                          ", line " + std::to_string(read.badLine) + "; the reference kind " +
                          std::to_string(static_cast<int>(expected.kind)) + ", line " +
                          std::to_string(expected.badLine));
    }
    if (read.picks != expected.picks || read.cutOffLine != expected.cutOffLine) {
        Disagree(log, "the picks or the cut-off line differ");
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
    Check(input, JudgeLog(input));
    if (input.starts_with('#')) {
        const std::string_view rest = input.substr(1);
        LogVerdict expectedAfter = JudgeLog(rest, FillerLines);
        if (expectedAfter.kind == LogVerdict::Kind::Taken) {
            expectedAfter.picks.insert(expectedAfter.picks.begin(), FillerLines, FillerPick);
        }
        static const auto filler = [] {
            std::string lines;
            for (int k = 0; k < FillerLines; ++k) {
                lines += FillerLine;
            }
            return lines;
        }();
        Check(filler + std::string(rest), expectedAfter);
    }
    return 0;
}
