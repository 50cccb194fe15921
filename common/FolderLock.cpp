#include "common/FolderLock.h"

#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>

namespace {

int LockAtOnce(int fd) {
    return ::flock(fd, LOCK_EX | LOCK_NB) == 0 ? 0 : errno;
}

}  // namespace

FolderLock FolderLock::Take(const char* logName) {
    Descriptor held(::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!held) {
        FailOnFile(".", "open the folder", SystemReason(errno));
    }
    const char* what = ".";
    int error = LockAtOnce(held.Get());
    if (error == EBADF) {
        // NFS emulates flock with a write lock, which needs a file open for writing, and a folder
        // cannot be opened so. There the data log itself carries the lock, opened without being
        // emptied, so that a Kelpov refused here leaves it as it is.
        what = logName;
        Descriptor log(OpenWithoutWaiting(logName, 0));
        error = log ? LockAtOnce(log.Get()) : errno;
        held = std::move(log);
    }
    if (error == EWOULDBLOCK) {
        FailOnFile(logName, "open", "it is in use by another Kelpov working in this folder");
    }
    if (error != 0) {
        FailOnFile(what, "lock against a second Kelpov", SystemReason(error));
    }
    return FolderLock(std::move(held));
}
