#include "common/OutputFile.h"

#include <cerrno>
#include <filesystem>
#include <system_error>
#include <utility>

#include "common/Failure.h"

OutputFile::OutputFile(std::string name, Buffering buffering) : name_(std::move(name)) {
    // Binary mode: the lines carry their own CR LF on every platform.
    file_.reset(std::fopen(name_.c_str(), "wb"));
    if (!file_) {
        Fail("create", errno);
    }
    if (buffering == Buffering::WriteThrough &&
        std::setvbuf(file_.get(), nullptr, _IONBF, 0) != 0) {
        Fail("set up", errno);
    }
}

void OutputFile::Write(std::string_view bytes) {
    if (!file_) {
        Fail("write", EBADF);
    }
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_.get()) != bytes.size()) {
        Fail("write", errno);
    }
}

void OutputFile::WriteLine(std::string_view text) {
    Write(text);
    Write(LineEnd);
}

void OutputFile::Close() {
    if (std::FILE* file = file_.release(); file != nullptr && std::fclose(file) != 0) {
        Fail("close", errno);
    }
}

void OutputFile::Fail(std::string_view action, int error) const {
    std::error_code ignored;
    const auto path = std::filesystem::absolute(name_, ignored);
    throw Failure(FailureKind::File, "cannot " + std::string(action) + " \"" +
                                         (path.empty() ? name_ : path.string()) +
                                         "\": " + std::generic_category().message(error));
}
