// What each file situation does to a run: the failure, its step, and the exact bytes left.

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <mutex>
#include <thread>

#include "finish/Finish.h"
#include "tests/engine/TestSupport.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

// What the stand-ins below do: the syncs of one file fail after some succeed, or all are slow,
// and flock on a folder fails as on NFS (EBADF) or on anything (ENOLCK).
struct {
    std::mutex mutex;
    std::vector<std::string> synced;  // "data.txt", the table a new file is to replace, or "/"
    std::string failing;
    int okBeforeFailing = 0;
    std::chrono::milliseconds delay{};
    int flockFailure = 0;
    bool flockFailsOnFoldersOnly = false;
} disk;

void Reset() {
    const std::lock_guard lock(disk.mutex);
    disk.synced.clear();
    disk.failing.clear();
    disk.okBeforeFailing = 0;
    disk.delay = {};
    disk.flockFailure = 0;
}

// The name a sync is counted under: a new table's file by the table it replaces, a folder as "/".
std::string SyncedName(int fd) {
    std::error_code error;
    const fs::path path = fs::read_symlink("/proc/self/fd/" + std::to_string(fd), error);
    if (fs::is_directory(path, error)) {
        return "/";
    }
    const std::string name = path.filename().string();
    for (const char* table : {ResultsName, SortedResultsName}) {
        if (name.starts_with(std::string(table) + ".")) {
            return table;
        }
    }
    return name;
}

int Synced(int fd, long call) {
    std::unique_lock lock(disk.mutex);
    const std::string name = SyncedName(fd);
    disk.synced.push_back(name);
    if (name == disk.failing && disk.okBeforeFailing-- <= 0) {
        errno = EIO;
        return -1;
    }
    const auto delay = disk.delay;
    lock.unlock();
    std::this_thread::sleep_for(delay);
    return static_cast<int>(::syscall(call, fd));
}

std::vector<std::string> SyncedSoFar() {
    const std::lock_guard lock(disk.mutex);
    return disk.synced;
}

// Waits for the log's count-th sync to begin, which the worker starts a second after the last.
void AwaitLogSync(long count) {
    for (int wait = 0;
         wait < 1000 && std::ranges::count(SyncedSoFar(), std::string("data.txt")) < count;
         ++wait) {
        std::this_thread::sleep_for(10ms);
    }
}

const std::vector<int> FourPicks = {1, 2, 2, 4, 4, 4};
const std::string FourResults = Header + " 1  1 \r\n 2  2 \r\n 3  0 \r\n 4  3 \r\n";
const std::string FourSorted = Header + " 4  3 \r\n 2  2 \r\n 1  1 \r\n 3  0 \r\n";
const std::string Earlier = Header + " 1  9 \r\n";  // both tables of an earlier run

// A FIFO at name with a reader that never reads, in a pipe already full.
int StalledPipe(const char* name) {
    ::mkfifo(name, 0666);
    const int reader = ::open(name, O_RDONLY | O_NONBLOCK);
    const int writer = ::open(name, O_WRONLY | O_NONBLOCK);
    const int size = ::fcntl(reader, F_SETPIPE_SZ, 4096);
    const std::string filling(static_cast<std::size_t>(size), 'x');
    EXPECT_EQ(::write(writer, filling.data(), filling.size()), size);
    ::close(writer);
    return reader;
}

// Whether another Kelpov, in another process, is refused the folder and so leaves it alone.
bool SecondKelpovIsRefused() {
    if (::fork() == 0) {
        const Caught caught = Catch([] { NewPicker()->OpenLog(); });
        ::_exit(caught.message.ends_with("data.txt\": it is in use by another Kelpov working in "
                                         "this folder")
                    ? 0
                    : 1);
    }
    int status = -1;
    ::wait(&status);
    return status == 0;
}

}  // namespace

// Every sync of the engine comes here, in place of the C library's.
extern "C" int fdatasync(int fd) {
    return Synced(fd, SYS_fdatasync);
}
extern "C" int fsync(int fd) {
    return Synced(fd, SYS_fsync);
}
extern "C" int flock(int fd, int operation) {
    struct stat status {};
    if (disk.flockFailure != 0 &&
        (!disk.flockFailsOnFoldersOnly || (::fstat(fd, &status) == 0 && S_ISDIR(status.st_mode)))) {
        errno = disk.flockFailure;
        return -1;
    }
    return static_cast<int>(::syscall(SYS_flock, fd, operation));
}

TEST(Files, EachSituationFailsAtItsStepAndLeavesTheFiles) {
    enum Step { OpenLog, Record, Finish, Done };
    enum Situation {
        Plain,
        Directory,
        Fifo,
        StalledReader,
        LeavingReader,
        FullDevice,
        DevNull,
        FailingSync,
        FailingBackgroundSync,
        SlowSync,
        Deleted,
        SmallDisk,
        NfsFolder,
        NoLocks
    };
    struct Case {
        Situation situation;
        const char* name;  // of the file in that situation
        const char* outcomes;
        Step failsAt;
        std::optional<FailureKind> kind;
        const char* reason;
        std::string data, results, sorted;
    };
    const std::string log = LogBytes(FourPicks), none = "(none)", odd = "(not a file)";
    std::vector<std::pair<int, int>> allItems, allSorted = {{4, 3}, {2, 2}, {1, 1}};
    for (int item = 1; item <= 20000; ++item) {
        allItems.emplace_back(item, item == 1 ? 1 : item == 2 ? 2 : item == 4 ? 3 : 0);
        if (item == 3 || item > 4) {
            allSorted.emplace_back(item, 0);
        }
    }
    constexpr auto File = FailureKind::File;
    const char *data = "data.txt", *results = ResultsName, *sorted = SortedResultsName;
    const char *fifo = "No such device or address", *full = "No space left on device";
    const char *dir = "Is a directory", *io = "Input/output error";
    const char* stalled = "it is a pipe whose reader is not keeping up";
    // clang-format off
    const std::vector<Case> cases = {
        {Plain, "", "4", Done, {}, "", log, FourResults, FourSorted},
        {Plain, "", "abc", Finish, FailureKind::Type, "", log, Earlier, Earlier},
        // The ranking orders exactly the items the tally counted.
        {Plain, "", "20000.5", Done, {}, "", log, ResultBytes(allItems), ResultBytes(allSorted)},
        {Directory, data, "4", OpenLog, File, dir, odd, Earlier, Earlier},
        // A pipe never makes the run wait: no reader, a reader that stalls or one that leaves.
        {Fifo, data, "4", OpenLog, File, fifo, odd, Earlier, Earlier},
        {StalledReader, data, "4", Record, File, stalled, odd, Earlier, Earlier},
        {LeavingReader, data, "4", Record, File, "Broken pipe", odd, Earlier, Earlier},
        {FullDevice, data, "4", Record, File, full, odd, Earlier, Earlier},
        {DevNull, data, "4", Done, {}, "", odd, FourResults, FourSorted},
        {Fifo, results, "4", Finish, File, fifo, log, odd, Earlier},
        {StalledReader, results, "4", Finish, File, stalled, log, odd, Earlier},
        {FullDevice, results, "4", Finish, File, full, log, odd, Earlier},
        {Fifo, sorted, "4", Finish, File, fifo, log, FourResults, odd},
        {Directory, sorted, "4", Finish, File, dir, log, FourResults, odd},
        // A failed sync keeps only the lines known to be on the disk, and no torn table.
        {FailingSync, data, "4", Finish, File, io, "", Earlier, Earlier},
        {FailingBackgroundSync, data, "4", Record, File,
            "Input/output error; it keeps the 2 lines known to be on the disk",
            LogBytes({1, 2}), Earlier, Earlier},
        {FailingSync, results, "4", Finish, File, io, log, Earlier, Earlier},
        {FailingSync, sorted, "4", Finish, File, io, log, FourResults, Earlier},
        {SlowSync, "", "4", Done, {}, "", log, FourResults, FourSorted},
        {Deleted, data, "4", Finish, File, "it has been deleted", none, Earlier, Earlier},
        {SmallDisk, results, "2000", Finish, File, full, log, Earlier, Earlier},
        // Where a folder cannot be locked the log carries the lock; where nothing can, it says why.
        {NfsFolder, "", "4", Done, {}, "", log, FourResults, FourSorted},
        {NoLocks, "", "4", OpenLog, File, "No locks available", none, Earlier, Earlier},
    };
    // clang-format on
    std::signal(SIGPIPE, SIG_IGN);  // as the program does: a reader that left is a failed write
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.name << " in situation " << c.situation << ", "
                                        << c.outcomes << " outcomes");
        ScratchDir scratch;
        if (c.situation == SmallDisk) {
            fs::create_directory("disk");
            ASSERT_EQ(::mount("tmpfs", "disk", "tmpfs", 0, "size=16k"), 0) << std::strerror(errno);
            fs::current_path("disk");
        }
        for (const char* table : {results, sorted}) {
            std::ofstream(table) << Earlier;
            fs::permissions(table, fs::perms(0640));
        }
        Reset();
        int reader = -1;
        if (c.situation == Directory) {
            fs::remove(c.name);
            fs::create_directory(c.name);
        } else if (c.situation == Fifo) {
            fs::remove(c.name);
            ::mkfifo(c.name, 0666);
        } else if (c.situation == StalledReader) {
            fs::remove(c.name);
            reader = StalledPipe(c.name);
        } else if (c.situation == LeavingReader) {
            ::mkfifo(c.name, 0666);
            reader = ::open(c.name, O_RDONLY | O_NONBLOCK);
        } else if (c.situation == FullDevice || c.situation == DevNull) {
            fs::remove(c.name);
            fs::create_symlink(c.situation == DevNull ? "/dev/null" : "/dev/full", c.name);
        } else if (c.situation == FailingSync || c.situation == FailingBackgroundSync) {
            disk.failing = c.name;
            disk.okBeforeFailing = c.situation == FailingBackgroundSync;
        } else if (c.situation == SlowSync) {
            disk.delay = 300ms;
        } else if (c.situation == NfsFolder || c.situation == NoLocks) {
            disk.flockFailure = c.situation == NfsFolder ? EBADF : ENOLCK;
            disk.flockFailsOnFoldersOnly = c.situation == NfsFolder;
        }
        Step step = OpenLog;
        auto picker = NewPicker();
        std::chrono::steady_clock::duration slowestRecord{};
        const Caught caught = Catch([&] {
            picker->OpenLog();
            step = Record;
            if (c.situation == LeavingReader) {
                ::close(reader);
            } else if (c.situation == Deleted) {
                fs::remove(c.name);
            }
            for (const int pick : FourPicks) {
                // Beats during a slow background sync; a failed one shows at the next beat.
                if (c.situation == SlowSync && picker->PickCount == 3) {
                    AwaitLogSync(1);
                } else if (c.situation == FailingBackgroundSync && picker->PickCount == 2) {
                    AwaitLogSync(1);
                } else if (c.situation == FailingBackgroundSync && picker->PickCount == 4) {
                    AwaitLogSync(2);
                    std::this_thread::sleep_for(100ms);
                }
                picker->CurrentPick = static_cast<Int16>(pick);
                const auto start = std::chrono::steady_clock::now();
                picker->Record();
                slowestRecord = std::max(slowestRecord, std::chrono::steady_clock::now() - start);
            }
            step = Finish;
            ::Finish(*picker, c.outcomes);
            step = Done;
        });
        if (step == Done) {
            // The finish closed the log: a beat after it cannot pass unnoticed.
            EXPECT_EQ(Catch([&] { picker->Record(); }).kind, File);
        }
        EXPECT_EQ(step, c.failsAt);
        EXPECT_EQ(caught.kind, c.kind);
        // A file failure names the file by its whole path, and the system's reason.
        const std::string path = (fs::current_path() / c.name).string();
        EXPECT_NE(caught.message.find(c.kind == File ? path + "\": " + c.reason : ""),
                  std::string::npos)
            << caught.message;
        // No beat waits for a sync, however slow the disk.
        EXPECT_LT(slowestRecord, 100ms);
        // The folder stays taken while the run lives, also after its finish.
        if (c.situation != NoLocks) {
            EXPECT_TRUE(SecondKelpovIsRefused());
        }
        picker.reset();
        Reset();
        EXPECT_EQ(Bytes(data), c.data);
        EXPECT_TRUE(Bytes(results) == c.results) << Bytes(results).substr(0, 200);
        EXPECT_TRUE(Bytes(sorted) == c.sorted) << Bytes(sorted).substr(0, 200);
        // A new table keeps the permissions of the one it replaced.
        for (const char* table : {results, sorted}) {
            if (fs::is_regular_file(fs::symlink_status(table))) {
                EXPECT_EQ(fs::status(table).permissions(), fs::perms(0640)) << table;
            }
        }
        // Nothing is left beside the tables.
        for (const auto& entry : fs::directory_iterator(".")) {
            const auto name = entry.path().filename();
            EXPECT_TRUE(name == data || name == results || name == sorted) << name;
        }
        if (reader >= 0 && c.situation != LeavingReader) {
            ::close(reader);
        }
        if (c.situation == SmallDisk) {
            fs::current_path("..");
            EXPECT_EQ(::umount("disk"), 0);
        }
    }
}

// The log is synced in the background while the beats come, and again at its close; each table
// is synced before it replaces the earlier one, and the folder after. The folder is free again
// once the run has gone.
TEST(Files, EveryFileIsOnTheDiskBeforeItIsDone) {
    ScratchDir dir;
    Reset();
    auto picker = RecordedRun({1, 2});
    AwaitLogSync(1);
    Finish(*picker, "2");
    EXPECT_EQ(SyncedSoFar(), (std::vector<std::string>{"data.txt", "data.txt", ResultsName, "/",
                                                       SortedResultsName, "/"}));
    picker.reset();
    EXPECT_FALSE(Catch([] { NewPicker()->OpenLog(); }).kind);
}

// A disk that fills up mid-line: the torn line is cut off, so the log holds exactly the picks.
TEST(Files, AFullDiskLeavesOnlyWholeLines) {
    ScratchDir dir;
    fs::create_directory("disk");
    if (::mount("tmpfs", "disk", "tmpfs", 0, "size=16k") != 0) {
        GTEST_SKIP() << "cannot mount a small filesystem here: " << std::strerror(errno);
    }
    fs::current_path("disk");
    auto picker = NewPicker();
    picker->OpenLog();
    std::vector<int> picks;
    Caught caught;
    while (!caught.kind && picker->PickCount < Picker::PickStoreLimit) {
        // Lines of five and nine bytes, so that the disk does not end on a line's end.
        picker->CurrentPick = static_cast<Int16>(picks.size() % 2 ? 3 : -12345);
        caught = Catch([&] { picker->Record(); });
        picks.push_back(picker->CurrentPick);
    }
    picks.pop_back();
    EXPECT_EQ(caught.kind, FailureKind::File);
    EXPECT_NE(caught.message.find("No space left on device"), std::string::npos);
    EXPECT_EQ(picker->PickCount, static_cast<int>(picks.size()));
    EXPECT_TRUE(Bytes("data.txt") == LogBytes(picks)) << Bytes("data.txt").size() << " bytes";
    picker.reset();
    fs::current_path("..");
    EXPECT_EQ(::umount("disk"), 0);
}
