#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "common/Descriptor.h"

// The data log: an append-only text file of the run's folder, emptied when it is opened. Each line
// reaches the system at once, in one write at the file's end that never waits. A worker thread
// syncs the file to the disk a second after its last sync ended, whenever lines have come since,
// so a slow disk never holds up the caller. Every failure is a file failure that names the file:
//   - a line that cannot be written whole is cut off again, so the file holds whole lines only;
//   - a sync that fails cuts the file back at once to the lines known to be on the disk, and is
//     reported at the next Append or at Close;
//   - at every sync and at the close the log must still be the run's own file: its name must lead
//     to the file the run opened, no other program may have shortened it, and the last bytes
//     written must still be where they were written. A log moved, replaced, deleted, shortened or
//     changed is reported in the same way; a changed one is left as it is.
// A cut-back never lengthens the file, and keeps only whole lines also where another program cut
// it. Devices and FIFOs are written as they are; they have nothing to sync or cut back.
class DataLog {
public:
    static constexpr std::chrono::seconds SyncInterval{1};

    DataLog() = default;
    ~DataLog();  // closes unchecked, as the system would at the end of the program
    DataLog(const DataLog&) = delete;
    DataLog& operator=(const DataLog&) = delete;

    // Opens name, a file of folder, creating it or emptying a regular file, and starts the syncs.
    // held is the caller's descriptor of name, locked against other runs, or -1. A held file is
    // written through that same open file, which shares its lock, and is refused untouched when
    // name no longer leads to it. folder stays open while the log is.
    void Open(int folder, const char* name, int held);

    void Append(std::string_view line);

    // Waits for the sync under way, syncs the rest and closes the file. Closing a log that is not
    // open does nothing.
    void Close();

private:
    using Clock = std::chrono::steady_clock;
    struct Extent {
        static constexpr std::size_t TailSize = 15;  // the most a string holds in its own room
        std::int64_t bytes = 0;
        int lines = 0;
        std::string tail;  // the last bytes of the last line, which end at bytes
    };
    // What a look at the file finds besides the system's errors, which are positive errno values.
    enum Found { Deleted = -1, Replaced = -2, Shortened = -3, Changed = -4 };
    struct Cut {
        int error = 0;           // of the cut-back itself
        bool shortened = false;  // by another program, before the cut-back
    };

    void SyncInBackground(std::stop_token stop);
    int Sync(const Extent& syncing) const;  // 0, an errno or a Found
    // Whether fd is still the log, with the extent's bytes at least and its tail in place.
    int Look(int fd, const Extent& extent) const;
    // The words for what a sync found, once the file is cut back as that calls for.
    std::string Reason(int found, const Extent& syncing);
    Cut CutBack(const Extent& keep);
    void StopSyncs();
    [[noreturn]] void Abandon(std::string_view action, const std::string& reason);
    [[noreturn]] void Fail(std::string_view action, const std::string& reason) const;

    std::string name_;
    int folder_ = -1;
    Descriptor file_;
    bool regular_ = false;

    // Shared with the worker. Lines are written and the file is cut back under the lock.
    std::mutex mutex_;
    std::condition_variable_any linesCame_;
    Extent written_;  // handed to the system
    Extent synced_;   // known to be on the disk
    bool waitingForLines_ = false;
    std::string syncFailure_;  // why a background sync failed, the file already cut back
    Clock::time_point lastSyncEnd_;
    std::jthread worker_;  // last: it stops before anything it uses goes away
};
