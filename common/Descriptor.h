#pragma once

#include <string>
#include <string_view>
#include <utility>

// An owned file descriptor, and what every file of a run shares: writing without waiting, and
// turning the system's error into a file failure that names the file.
class Descriptor {
public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    Descriptor(Descriptor&& other) noexcept : fd_(other.Release()) {}
    Descriptor& operator=(Descriptor&& other) noexcept;
    ~Descriptor();  // closes unchecked, as the system would at the end of the program

    int Get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    int Release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

// Opens name (of folder, or of the current folder) for writing (and reading, when flags hold
// O_RDWR), creating it when missing, with O_NONBLOCK kept on: a FIFO without a reader fails at once
// (ENXIO) and one whose reader stalls fails its write (EAGAIN) instead of hanging the program.
// Regular files are not affected by the flag. -1 and errno on failure.
int OpenWithoutWaiting(const char* name, int flags, int folder);
int OpenWithoutWaiting(const char* name, int flags);  // of the current folder

// Writes all of bytes, however many calls it takes; 0, or the error that stopped it. A device
// that takes nothing is an input/output error rather than a reason to try for ever.
int WriteAll(int fd, std::string_view bytes);

// What the system says of an error, in words a user reads; a pipe that would make the write wait
// is said to have a reader that is not keeping up.
std::string SystemReason(int error);

// The file failure 'cannot <action> "<absolute path of name>": <reason>'.
[[noreturn]] void FailOnFile(std::string_view name, std::string_view action,
                             const std::string& reason);
