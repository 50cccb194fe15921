#include "common/DataLog.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

DataLog::~DataLog() {
    StopSyncs();
}

void DataLog::Open(const char* name) {
    StopSyncs();
    name_ = name;
    file_ = Descriptor(OpenWithoutWaiting(name, 0));
    struct stat status {};
    if (!file_ || ::fstat(file_.Get(), &status) != 0) {
        Fail("create", SystemReason(errno));
    }
    regular_ = S_ISREG(status.st_mode);
    // Emptied only now, not by the open: a folder on NFS may have its lock on this very file.
    if (regular_ && ::ftruncate(file_.Get(), 0) != 0) {
        Fail("empty", SystemReason(errno));
    }
    written_ = synced_ = {};
    syncError_ = 0;
    lastSyncEnd_ = Clock::now();
    if (regular_) {
        worker_ = std::jthread([this](std::stop_token stop) { SyncInBackground(stop); });
    }
}

void DataLog::Append(std::string_view line) {
    if (!file_) {
        Fail("write", SystemReason(EBADF));
    }
    int syncError = 0;
    {
        const std::lock_guard lock(mutex_);
        syncError = syncError_;
    }
    if (syncError != 0) {
        StopSyncs();
        FailAndCutBack("sync", syncError, synced_);
    }
    // Only this thread changes what is written; the worker reads it under the lock.
    if (const int error = WriteAll(file_.Get(), line)) {
        FailAndCutBack("write", error, written_);
    }
    const std::lock_guard lock(mutex_);
    written_.bytes += static_cast<std::int64_t>(line.size());
    ++written_.lines;
    if (waitingForLines_) {
        waitingForLines_ = false;
        linesCame_.notify_one();
    }
}

void DataLog::Close() {
    if (!file_) {
        return;
    }
    StopSyncs();
    if (syncError_ != 0) {
        FailAndCutBack("sync", syncError_, synced_);
    }
    if (regular_) {
        if (const int error = Sync()) {
            FailAndCutBack("sync", error, synced_);
        }
    }
    if (::close(file_.Release()) != 0) {
        Fail("close", SystemReason(errno));
    }
}

void DataLog::SyncInBackground(std::stop_token stop) {
    std::unique_lock lock(mutex_);
    while (true) {
        waitingForLines_ = true;
        const bool linesCame =
            linesCame_.wait(lock, stop, [this] { return written_.lines != synced_.lines; });
        waitingForLines_ = false;
        if (!linesCame) {
            return;
        }
        // A second after the last sync ended, however long that sync took.
        linesCame_.wait_until(lock, stop, lastSyncEnd_ + SyncInterval, [] { return false; });
        if (stop.stop_requested()) {
            return;
        }
        const Extent syncing = written_;
        lock.unlock();
        const int error = Sync();
        lock.lock();
        lastSyncEnd_ = Clock::now();
        if (error != 0) {
            syncError_ = error;
            return;
        }
        synced_ = syncing;
    }
}

int DataLog::Sync() const {
    struct stat status {};
    if (::fdatasync(file_.Get()) != 0 || ::fstat(file_.Get(), &status) != 0) {
        return errno;
    }
    return status.st_nlink == 0 ? Deleted : 0;
}

void DataLog::StopSyncs() {
    worker_.request_stop();
    if (worker_.joinable()) {
        worker_.join();
    }
}

void DataLog::FailAndCutBack(std::string_view action, int error, Extent keep) {
    std::string reason =
        error == Deleted ? "it has been deleted while the run was writing it" : SystemReason(error);
    // A reader must never count a line that was not recorded, or one not known to be on the disk.
    if (regular_ && error != Deleted) {
        if (::ftruncate(file_.Get(), keep.bytes) != 0) {
            reason +=
                "; cutting it back to its last recorded line failed too: " + SystemReason(errno);
        } else if (action == "sync") {
            reason +=
                "; it keeps the " + std::to_string(keep.lines) + " lines known to be on the disk";
        }
    }
    // A log that failed takes no more lines.
    StopSyncs();
    file_ = Descriptor();
    Fail(action, reason);
}

void DataLog::Fail(std::string_view action, const std::string& reason) const {
    FailOnFile(name_, action, reason);
}
