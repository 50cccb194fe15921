#pragma once

#include "common/Descriptor.h"

// One Kelpov per folder: a lock on the current folder, held from Take until the lock goes away,
// which for a run is the end of the program. A second Kelpov in the same folder, whether reached
// through a symbolic link or a bind mount, is refused before it touches any file. The lock is an
// flock on the folder's own descriptor, so it adds no file to the folder.
class FolderLock {
public:
    FolderLock() = default;  // holds nothing

    // Locks the current folder, whose data log is logName. A file failure when another Kelpov
    // holds it ("in use by another Kelpov working in this folder"), or when the folder cannot be
    // locked, with the reason.
    static FolderLock Take(const char* logName);

    bool IsHeld() const { return static_cast<bool>(held_); }

private:
    explicit FolderLock(Descriptor held) : held_(std::move(held)) {}

    Descriptor held_;
};
