#pragma once

#include "common/Descriptor.h"

// One Kelpov per folder: the current folder held from Take until the lock goes away, which for a
// run is the end of the program. A second Kelpov in the same folder, whether reached through a
// symbolic link or a bind mount, is refused before it touches any file. The lock is an flock on
// the folder's own descriptor, so it adds no file to the folder. Where the file system cannot lock
// a folder (NFS), the folder is held unlocked, and the lock on its log (LogLock) alone keeps a
// second Kelpov out.
class FolderLock {
public:
    // What a Kelpov refused because another holds its folder or its log is told.
    static constexpr const char* InUse = "it is in use by another Kelpov working in this folder";

    FolderLock() = default;  // holds nothing

    // Locks file, the folder or its log, against a second Kelpov. Another Kelpov's lock is a file
    // failure on logName ("in use by another Kelpov working in this folder"); any other error
    // that kept the file from being locked is returned, and 0 when it is locked.
    static int LockOrRefuse(int file, const char* logName);

    // Takes the current folder, whose data log is logName. A file failure when another Kelpov
    // holds it ("in use by another Kelpov working in this folder"), or when the folder cannot be
    // locked, with the reason.
    static FolderLock Take(const char* logName);

    bool IsHeld() const { return static_cast<bool>(held_); }

    // The folder's descriptor, which names the run's files wherever the current folder goes.
    int Get() const { return held_.Get(); }

private:
    explicit FolderLock(Descriptor held) : held_(std::move(held)) {}

    Descriptor held_;
};
