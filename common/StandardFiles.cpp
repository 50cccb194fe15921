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

ClosedStandardFiles FillClosedStandardFiles() {
    ClosedStandardFiles closed;
    bool* const flags[] = {&closed.input, &closed.output, &closed.error};
    for (int fd = 0; fd < 3; ++fd) {
        *flags[fd] = IsClosed(fd);
        if (*flags[fd]) {
            Fill();
        }
    }
    return closed;
}
