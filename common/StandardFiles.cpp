#include "common/StandardFiles.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace {

bool IsClosed(int fd) {
    return ::fcntl(fd, F_GETFD) == -1 && errno == EBADF;
}

// Opens /dev/null on the lowest free number, which is the closed one, as they are filled from 0
// up. Not close-on-exec: a program Kelpov starts gets it as well.
void Fill() {
    if (::open("/dev/null", O_RDWR) < 0) {
        ::open("/", O_RDONLY | O_DIRECTORY);
    }
}

}  // namespace

bool FillClosedStandardFiles() {
    bool outputClosed = false;
    for (int fd = 0; fd < 3; ++fd) {
        if (IsClosed(fd)) {
            outputClosed = outputClosed || fd == STDOUT_FILENO;
            Fill();
        }
    }
    return outputClosed;
}
