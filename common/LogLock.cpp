#include "common/LogLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "common/FolderLock.h"

LogLock LogLock::Take(int folder, const char* name) {
    struct stat status {};
    const bool missing = ::fstatat(folder, name, &status, 0) != 0 && errno == ENOENT;
    if (!missing && !S_ISREG(status.st_mode)) {
        return {};  // a FIFO, a device, or a name the log's own open will report on
    }
    // O_APPEND: each line lands at the end, wherever another program has cut the file to, so no
    // write can leave a hole of NUL bytes in it. O_RDWR: the log is read back through the lock.
    Descriptor held(OpenWithoutWaiting(name, O_RDWR | O_APPEND, folder));
    if (!held) {
        FailOnFile(name, "create", SystemReason(errno));
    }
    if (const int error = FolderLock::LockOrRefuse(held.Get(), name); error != 0) {
        FailOnFile(name, "lock against a second Kelpov", SystemReason(error));
    }
    if (missing && ::fsync(folder) != 0) {
        FailOnFile(name, "sync the folder of", SystemReason(errno));
    }
    return LogLock(std::move(held));
}

std::string LogLock::Read(int folder, const char* name, std::size_t most) const {
    struct stat file {};
    struct stat named {};
    if (!held_) {
        FailOnFile(name, "read", "it is not a regular file");
    }
    if (::fstat(held_.Get(), &file) != 0) {
        FailOnFile(name, "read", SystemReason(errno));
    }
    if (::fstatat(folder, name, &named, 0) != 0) {
        FailOnFile(name, "read", errno == ENOENT ? Moved : SystemReason(errno));
    }
    if (named.st_dev != file.st_dev || named.st_ino != file.st_ino) {
        FailOnFile(name, "read", Moved);
    }
    std::string text(most, '\0');
    std::size_t size = 0;
    while (size < text.size()) {
        const ssize_t got =
            ::pread(held_.Get(), text.data() + size, text.size() - size, static_cast<off_t>(size));
        if (got == 0) {
            break;
        }
        if (got < 0) {
            if (errno != EINTR) {
                FailOnFile(name, "read", SystemReason(errno));
            }
            continue;
        }
        size += static_cast<std::size_t>(got);
    }
    text.resize(size);
    return text;
}
