#include "common/SetAside.h"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <cerrno>

#include "common/Descriptor.h"

namespace {

// Moves from to the free name to: 0, EEXIST when to is taken, or the error. Where the file system
// cannot rename without replacing, a hard link to the new name, which never replaces either, and
// the old name's removal do the same.
int MoveToFreeName(int folder, const char* from, const char* to) {
    if (::renameat2(folder, from, folder, to, RENAME_NOREPLACE) == 0) {
        return 0;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return errno;
    }
    if (::linkat(folder, from, folder, to, 0) != 0) {
        return errno;
    }
    return ::unlinkat(folder, from, 0) == 0 ? 0 : errno;
}

}  // namespace

std::string SetAside(int folder, const char* name) {
    for (unsigned number = 1;; ++number) {
        const std::string aside = std::string(name) + "." + std::to_string(number);
        const int error = MoveToFreeName(folder, name, aside.c_str());
        if (error == EEXIST) {
            continue;
        }
        if (error != 0) {
            FailOnFile(name, "set aside", SystemReason(error));
        }
        if (::fsync(folder) != 0) {
            FailOnFile(aside, "sync the folder of", SystemReason(errno));
        }
        return aside;
    }
}
