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
    // write can leave a hole of NUL bytes in it.
    Descriptor held(OpenWithoutWaiting(name, O_APPEND, folder));
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
