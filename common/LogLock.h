#pragma once

#include <cstddef>
#include <string>

#include "common/Descriptor.h"

// One run per data log, whatever path leads to it: the log file itself is locked (flock), so a
// second Kelpov whose log is the same file, through a symbolic or hard link from another folder, is
// refused before it touches it. The lock is held from Take until it goes away, which for a run is
// the end of the program. Only a regular file is locked: a FIFO or a device (two runs may well both
// write to /dev/null) is neither opened nor locked here.
class LogLock {
public:
    // What a log that is no longer the file its folder's taking locked is told.
    static constexpr const char* Moved =
        "it has been moved, replaced or deleted since the folder was taken";

    LogLock() = default;  // holds nothing

    // Opens name of folder for appending and reading, without emptying it, and locks it when it is
    // a regular file. A missing one is created, and its folder synced so that its entry outlives a
    // power cut. A file failure when another Kelpov holds the file ("in use by another Kelpov
    // working in this folder"), or when it cannot be opened or locked, with the reason.
    static LogLock Take(int folder, const char* name);

    // The locked file's descriptor, or -1 when name is not a regular file.
    int Get() const { return held_.Get(); }

    // The first most bytes of the locked file, read through the lock, once name of folder is found
    // to lead to it still. A file failure when it does not (Moved), when name was no regular file
    // to lock, or when the file cannot be read.
    std::string Read(int folder, const char* name, std::size_t most) const;

private:
    explicit LogLock(Descriptor held) : held_(std::move(held)) {}

    Descriptor held_;
};
