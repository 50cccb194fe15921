#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "common/Descriptor.h"

// The data log: an append-only text file in the current directory, emptied when it is opened.
// Each line reaches the system at once, in one write that never waits. A worker thread syncs the
// file to the disk a second after its last sync ended, whenever lines have come since, so a slow
// disk never holds up the caller. Every failure is a file failure that names the file:
//   - a line that cannot be written whole is cut off again, so the file holds whole lines only;
//   - a sync that fails, in the background or at the close, cuts the file back to the lines known
//     to be on the disk, and is reported at the next Append or at Close;
//   - a log deleted while open is reported at its next sync or its close.
// Devices and FIFOs are written as they are; they have nothing to sync or cut back.
class DataLog {
public:
    static constexpr std::chrono::seconds SyncInterval{1};

    DataLog() = default;
    ~DataLog();  // closes unchecked, as the system would at the end of the program
    DataLog(const DataLog&) = delete;
    DataLog& operator=(const DataLog&) = delete;

    // Opens name, creating it or emptying a regular file, and starts the syncs. The caller holds
    // the folder's lock, so no other Kelpov is writing it.
    void Open(const char* name);

    void Append(std::string_view line);

    // Waits for the sync under way, syncs the rest and closes the file. Closing a log that is not
    // open does nothing.
    void Close();

private:
    using Clock = std::chrono::steady_clock;
    struct Extent {
        std::int64_t bytes = 0;
        int lines = 0;
    };

    void SyncInBackground(std::stop_token stop);
    int Sync() const;  // 0, an errno, or Deleted
    void StopSyncs();
    [[noreturn]] void FailAndCutBack(std::string_view action, int error, Extent keep);
    [[noreturn]] void Fail(std::string_view action, const std::string& reason) const;

    static constexpr int Deleted = -1;

    std::string name_;
    Descriptor file_;
    bool regular_ = false;

    // Shared with the worker.
    std::mutex mutex_;
    std::condition_variable_any linesCame_;
    Extent written_;  // handed to the system
    Extent synced_;   // known to be on the disk
    bool waitingForLines_ = false;
    int syncError_ = 0;
    Clock::time_point lastSyncEnd_;
    std::jthread worker_;  // last: it stops before anything it uses goes away
};
