#pragma once

#include "common/Descriptor.h"

// One run per data log, whatever path leads to it: the log file itself is locked (flock), so a
// second Kelpov whose log is the same file, through a symbolic or hard link from another folder, is
// refused before it touches it. The lock is held from Take until it goes away, which for a run is
// the end of the program. Only a regular file is locked: a FIFO or a device (two runs may well both
// write to /dev/null) is neither opened nor locked here.
class LogLock {
public:
    LogLock() = default;  // holds nothing

    // Opens name of folder for appending, without emptying it, and locks it when it is a regular
    // file. A missing one is created, and its folder synced so that its entry outlives a power
    // cut. A file failure when another Kelpov holds the file ("in use by another Kelpov working in
    // this folder"), or when it cannot be opened or locked, with the reason.
    static LogLock Take(int folder, const char* name);

    // The locked file's descriptor, or -1 when name is not a regular file.
    int Get() const { return held_.Get(); }

private:
    explicit LogLock(Descriptor held) : held_(std::move(held)) {}

    Descriptor held_;
};
