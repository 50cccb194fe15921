#include "common/OutputFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <system_error>
#include <utility>

#include "common/Failure.h"

namespace {

std::string SystemReason(int error) {
    return std::generic_category().message(error);
}

// Writes all of bytes, however many calls it takes; 0, or the error that stopped it. A device
// that takes nothing is an input/output error rather than a reason to try for ever.
int WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(written));
        } else if (written == 0 || errno != EINTR) {
            return written == 0 ? EIO : errno;
        }
    }
    return 0;
}

}  // namespace

OutputFile::Descriptor& OutputFile::Descriptor::operator=(Descriptor&& other) noexcept {
    const Descriptor dropped(std::exchange(fd_, other.Release()));
    return *this;
}

OutputFile::Descriptor::~Descriptor() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

OutputFile::OutputFile(std::string name, Kind kind) : name_(std::move(name)), kind_(kind) {
    // O_NONBLOCK: a FIFO without a reader fails with ENXIO instead of hanging the program. The
    // log is emptied only once it is locked, so a second Kelpov cannot wipe a run in progress.
    // O_CLOEXEC: a program started from a link must not inherit the log and its lock.
    const int truncate = kind == Kind::Table ? O_TRUNC : 0;
    file_ = Descriptor(
        ::open(name_.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NONBLOCK | truncate, 0666));
    struct stat status {};
    if (file_.Get() < 0 || ::fstat(file_.Get(), &status) != 0) {
        FailWithError("create", errno);
    }
    regular_ = S_ISREG(status.st_mode);
    if (kind == Kind::Log && regular_) {
        if (::flock(file_.Get(), LOCK_EX | LOCK_NB) != 0) {
            if (errno == EWOULDBLOCK) {
                Fail("open", "it is in use by another Kelpov working in this folder");
            }
            FailWithError("lock", errno);
        }
        if (::ftruncate(file_.Get(), 0) != 0) {
            FailWithError("empty", errno);
        }
    }
    // Writes may wait as usual, for a FIFO's reader for instance.
    const int flags = ::fcntl(file_.Get(), F_GETFL);
    if (flags < 0 || ::fcntl(file_.Get(), F_SETFL, flags & ~O_NONBLOCK) != 0) {
        FailWithError("set up", errno);
    }
    lastSync_ = std::chrono::steady_clock::now();
}

void OutputFile::Write(std::string_view bytes) {
    if (file_.Get() < 0) {
        FailWithError("write", EBADF);
    }
    if (kind_ == Kind::Log) {
        WriteLog(bytes);
    } else {
        pending_.append(bytes);
    }
}

void OutputFile::WriteLine(std::string_view text) {
    Write(std::string(text) + LineEnd);
}

void OutputFile::WriteLog(std::string_view line) {
    std::string_view action = "write";
    int error = WriteAll(file_.Get(), line);
    // Right after a line, so that with beats a second or more apart every line is on the disk at
    // once, and with faster ones none waits much more than a second.
    const auto now = std::chrono::steady_clock::now();
    if (error == 0 && regular_ && now - lastSync_ >= LogSyncInterval) {
        lastSync_ = now;
        action = "sync";
        error = ::fdatasync(file_.Get()) == 0 ? 0 : errno;
    }
    if (error != 0) {
        std::string reason = SystemReason(error);
        // A reader must never count a line that was not recorded, whole or torn.
        if (regular_ &&
            (::ftruncate(file_.Get(), size_) != 0 || ::lseek(file_.Get(), size_, SEEK_SET) < 0)) {
            reason += "; cutting off the unrecorded line failed too: " + SystemReason(errno);
        }
        Fail(action, reason);
    }
    size_ += static_cast<std::int64_t>(line.size());
}

void OutputFile::Close() {
    if (file_.Get() < 0) {
        return;
    }
    if (const int error = WriteAll(file_.Get(), pending_)) {
        FailWithError("write", error);
    }
    pending_.clear();
    // Devices and FIFOs have nothing to sync.
    if (regular_ && ::fdatasync(file_.Get()) != 0) {
        FailWithError("sync", errno);
    }
    if (::close(file_.Release()) != 0) {
        FailWithError("close", errno);
    }
}

void OutputFile::Fail(std::string_view action, const std::string& reason) const {
    std::error_code ignored;
    const auto path = std::filesystem::absolute(name_, ignored);
    throw Failure(FailureKind::File, "cannot " + std::string(action) + " \"" +
                                         (path.empty() ? name_ : path.string()) + "\": " + reason);
}

void OutputFile::FailWithError(std::string_view action, int error) const {
    Fail(action, SystemReason(error));
}
