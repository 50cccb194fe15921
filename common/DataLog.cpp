#include "common/DataLog.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "common/LogLock.h"

namespace {

// Moves end back to the end of the last whole line in the first end bytes of fd, read through fd
// itself, so that no other way to the file (such as /proc) is needed. Where they cannot all be
// read, end stays and the error is returned: the read's own, or EIO for a read that came up short.
int CutToWholeLines(int fd, std::int64_t& end) {
    std::string bytes(static_cast<std::size_t>(end), '\0');
    const ssize_t got = ::pread(fd, bytes.data(), bytes.size(), 0);
    if (got != end) {
        return got < 0 ? errno : EIO;
    }
    const std::size_t last = bytes.rfind('\n');
    end = last == std::string::npos ? 0 : static_cast<std::int64_t>(last) + 1;
    return 0;
}

std::string CutBackFailed(int error) {
    return "; cutting it back to its last recorded line failed too: " + SystemReason(error);
}

}  // namespace

DataLog::~DataLog() {
    StopSyncs();
}

void DataLog::Open(int folder, const char* name, int held) {
    StopSyncs();
    file_ = Descriptor();
    name_ = name;
    folder_ = folder;
    Descriptor file(held >= 0 ? ::fcntl(held, F_DUPFD_CLOEXEC, 0)
                              : OpenWithoutWaiting(name, O_APPEND, folder));
    struct stat status {};
    if (!file || ::fstat(file.Get(), &status) != 0) {
        Fail("create", SystemReason(errno));
    }
    // The locked file may have been moved away since, by someone keeping it: not ours to empty.
    if (const int found = held >= 0 ? Look(file.Get(), {}) : 0) {
        Fail("create", found > 0 ? SystemReason(found) : LogLock::Moved);
    }
    const bool regular = S_ISREG(status.st_mode);
    if (regular && ::ftruncate(file.Get(), 0) != 0) {
        Fail("empty", SystemReason(errno));
    }
    // Only now, with nothing left to fail, is this the log.
    file_ = std::move(file);
    regular_ = regular;
    written_ = synced_ = {};
    syncFailure_.clear();
    lastSyncEnd_ = Clock::now();
    if (regular_) {
        worker_ = std::jthread([this](std::stop_token stop) { SyncInBackground(stop); });
    }
}

void DataLog::Append(std::string_view line) {
    if (!file_) {
        Fail("write", SystemReason(EBADF));
    }
    std::unique_lock lock(mutex_);
    if (!syncFailure_.empty()) {
        lock.unlock();
        Abandon("sync", syncFailure_);
    }
    // Written under the lock, so that the worker's cut-back cannot come between a line and its
    // count.
    if (const int error = WriteAll(file_.Get(), line)) {
        const Cut cut = CutBack(written_);
        lock.unlock();
        Abandon("write", SystemReason(error) + (cut.error != 0 ? CutBackFailed(cut.error) : ""));
    }
    written_.bytes += static_cast<std::int64_t>(line.size());
    ++written_.lines;
    // Short enough never to leave the string's own room: a beat allocates nothing.
    written_.tail = line.substr(line.size() - std::min(line.size(), Extent::TailSize));
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
    if (!syncFailure_.empty()) {
        Abandon("sync", syncFailure_);
    }
    if (regular_) {
        if (const int found = Sync(written_)) {
            Abandon("sync", Reason(found, written_));
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
        const int found = Sync(syncing);
        lock.lock();
        lastSyncEnd_ = Clock::now();
        if (found != 0) {
            // Cut back now, not at the next beat: a run killed before it must leave no line that
            // is not on the disk.
            syncFailure_ = Reason(found, syncing);
            return;
        }
        synced_ = syncing;
    }
}

int DataLog::Sync(const Extent& syncing) const {
    return ::fdatasync(file_.Get()) != 0 ? errno : Look(file_.Get(), syncing);
}

int DataLog::Look(int fd, const Extent& extent) const {
    struct stat file {};
    if (::fstat(fd, &file) != 0) {
        return errno;
    }
    // Looked up in the run's folder, wherever the current folder has gone since.
    struct stat named {};
    if (::fstatat(folder_, name_.c_str(), &named, 0) != 0) {
        return errno != ENOENT ? errno : file.st_nlink == 0 ? Deleted : Replaced;
    }
    if (named.st_dev != file.st_dev || named.st_ino != file.st_ino) {
        return Replaced;
    }
    if (file.st_size < extent.bytes) {
        return Shortened;
    }
    // The last bytes written must still be where they were written: a file emptied and then
    // grown past them by another program is no longer the run's, whatever its length.
    std::string there(extent.tail.size(), '\0');
    const auto at = static_cast<off_t>(extent.bytes - std::ssize(extent.tail));
    const ssize_t got = ::pread(fd, there.data(), there.size(), at);
    if (got < 0) {
        return errno;
    }
    there.resize(static_cast<std::size_t>(got));
    return there != extent.tail ? Changed : 0;
}

std::string DataLog::Reason(int found, const Extent& syncing) {
    // A log deleted or moved away is no longer the run's to cut; it was synced whole.
    if (found == Deleted) {
        return "it has been deleted while the run was writing it";
    }
    if (found == Replaced) {
        return "it has been moved or replaced while the run was writing it";
    }
    // What it holds now is partly another program's: none of it is the run's to cut.
    if (found == Changed) {
        return "it has been changed by another program while the run was writing it";
    }
    if (found == Shortened) {
        // Its lines are on the disk; only one that the other program tore is cut off.
        const Cut cut = CutBack(syncing);
        return "it has been shortened by another program while the run was writing it" +
               (cut.error != 0 ? CutBackFailed(cut.error) : "");
    }
    // A reader must never count a line that is not known to be on the disk.
    const Cut cut = CutBack(synced_);
    std::string reason = SystemReason(found);
    if (cut.error != 0) {
        return reason + CutBackFailed(cut.error);
    }
    if (cut.shortened) {
        return reason +
               "; another program had shortened it, and it keeps the whole lines left "
               "of those on the disk";
    }
    return reason + "; it keeps the " + std::to_string(synced_.lines) +
           (synced_.lines == 1 ? " line" : " lines") + " known to be on the disk";
}

DataLog::Cut DataLog::CutBack(const Extent& keep) {
    if (!regular_) {
        return {};
    }
    const int fd = file_.Get();
    Cut cut;
    std::int64_t end = keep.bytes;
    // The lines written since keep are at the end (O_APPEND). A file shorter than all that was
    // written has been cut by another program: of what is left before them, whole lines stay.
    struct stat status {};
    if (::fstat(fd, &status) == 0) {
        std::int64_t before = status.st_size - (written_.bytes - keep.bytes);
        if (before < keep.bytes) {
            cut.shortened = true;
            end = std::max<std::int64_t>(before, 0);
            // Unread, no line is known to be torn: only the run's own lines after it go.
            cut.error = CutToWholeLines(fd, end);
        }
    }
    if (::ftruncate(fd, end) != 0 && cut.error == 0) {
        cut.error = errno;
    }
    return cut;
}

void DataLog::StopSyncs() {
    worker_.request_stop();
    if (worker_.joinable()) {
        worker_.join();
    }
}

void DataLog::Abandon(std::string_view action, const std::string& reason) {
    // A log that failed takes no more lines.
    StopSyncs();
    file_ = Descriptor();
    Fail(action, reason);
}

void DataLog::Fail(std::string_view action, const std::string& reason) const {
    FailOnFile(name_, action, reason);
}
