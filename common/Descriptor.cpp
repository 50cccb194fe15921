#include "common/Descriptor.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

#include "common/Failure.h"

Descriptor& Descriptor::operator=(Descriptor&& other) noexcept {
    const Descriptor dropped(std::exchange(fd_, other.Release()));
    return *this;
}

Descriptor::~Descriptor() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

int OpenWithoutWaiting(const char* name, int flags, int folder) {
    // O_CLOEXEC: a program started from a link must not inherit a file of the run.
    const int access = (flags & O_ACCMODE) == O_RDWR ? O_RDWR : O_WRONLY;
    return ::openat(folder, name, access | O_CREAT | O_CLOEXEC | O_NONBLOCK | (flags & ~O_ACCMODE),
                    0666);
}

int OpenWithoutWaiting(const char* name, int flags) {
    return OpenWithoutWaiting(name, flags, AT_FDCWD);
}

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

std::string SystemReason(int error) {
    if (error == EAGAIN) {
        return "it is a pipe whose reader is not keeping up";
    }
    return std::generic_category().message(error);
}

void FailOnFile(std::string_view name, std::string_view action, const std::string& reason) {
    std::error_code ignored;
    const auto path = std::filesystem::absolute(name, ignored).lexically_normal();
    throw Failure(FailureKind::File, "cannot " + std::string(action) + " \"" +
                                         (path.empty() ? std::string(name) : path.string()) +
                                         "\": " + reason);
}
