#include "common/FolderLock.h"

#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>

int FolderLock::LockOrRefuse(int file, const char* logName) {
    if (::flock(file, LOCK_EX | LOCK_NB) == 0) {
        return 0;
    }
    const int error = errno;
    if (error == EWOULDBLOCK) {
        FailOnFile(logName, "open", InUse);
    }
    return error;
}

FolderLock FolderLock::Take(const char* logName) {
    Descriptor held(::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!held) {
        FailOnFile(".", "open the folder", SystemReason(errno));
    }
    const int error = LockOrRefuse(held.Get(), logName);
    // NFS emulates flock with a write lock, which needs a file open for writing, and a folder
    // cannot be opened so (EBADF). There the lock on the log is the only one.
    if (error != 0 && error != EBADF) {
        FailOnFile(".", "lock against a second Kelpov", SystemReason(error));
    }
    return FolderLock(std::move(held));
}
