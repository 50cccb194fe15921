// What each file situation does to a run: the failure, its step, and the exact bytes left.

// The stand-in for open below replaces the C library's, which the fortified headers would also
// define here, inline.
#undef _FORTIFY_SOURCE

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdarg>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

#include "finish/Finish.h"
#include "tests/engine/TestSupport.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

// What the stand-ins below do: the syncs of one file fail after some succeed, or all are slow;
// flock fails as on NFS (EBADF on folders) or on anything (ENOLCK); the disk has room for so many
// more bytes; the file system has no unnamed files, or cannot rename without replacing; /proc is
// not mounted.
struct {
    std::mutex mutex;
    std::vector<std::string> synced;  // "data.txt", "(unnamed table)", "(named table)" or "/"
    std::string failing;
    int okBeforeFailing = 0;
    std::chrono::milliseconds delay{};
    int flockFailure = 0;
    enum { Anything, Folders, Files } flockFailsOn = Anything;
    std::atomic<long long> room = -1;  // for regular files; -1: no end
    std::atomic<bool> noUnnamedFiles = false;
    std::atomic<bool> noRenameNoReplace = false;
    std::atomic<bool> noProc = false;
    std::atomic<bool> tableCloseFails = false;  // the next close of a new table
} disk;

void Reset() {
    const std::lock_guard lock(disk.mutex);
    disk.synced.clear();
    disk.failing.clear();
    disk.okBeforeFailing = 0;
    disk.delay = {};
    disk.flockFailure = 0;
    disk.flockFailsOn = disk.Anything;
    disk.room = -1;
    disk.noUnnamedFiles = false;
    disk.noRenameNoReplace = false;
    disk.noProc = false;
    disk.tableCloseFails = false;
}

// The name a sync is counted under: a table's new file by whether it has a name yet (an unnamed
// one shows as "#inode"), a folder as "/".
std::string SyncedName(int fd) {
    std::error_code error;
    const fs::path path = fs::read_symlink("/proc/self/fd/" + std::to_string(fd), error);
    if (fs::is_directory(path, error)) {
        return "/";
    }
    const std::string name = path.filename().string();
    if (name.starts_with("#")) {
        return "(unnamed table)";
    }
    for (const char* table : {ResultsName, SortedResultsName}) {
        if (name.starts_with(std::string(table) + ".")) {
            return "(named table)";
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

// Waits, for at most ten seconds, until done() holds, and fails saying what did not happen.
void AwaitThat(const std::function<bool()>& done, const std::string& what) {
    for (int wait = 0; wait < 1000 && !done(); ++wait) {
        std::this_thread::sleep_for(10ms);
    }
    if (!done()) {
        ADD_FAILURE() << what << " did not happen within ten seconds";
    }
}

// Waits for the log's count-th sync to begin, which the worker starts a second after the last.
void AwaitLogSync(long count) {
    AwaitThat([=] { return std::ranges::count(SyncedSoFar(), std::string("data.txt")) >= count; },
              "sync " + std::to_string(count) + " of data.txt");
}

// What a second Kelpov, started in folder as a process of its own (this one has threads, so a
// forked copy could not safely do what a run does), makes of it. mode is "run" for a run, "finish"
// for kelpov --finish.
enum Second { LetIn, Refused, FailedOtherwise };  // its exit status
int SecondKelpov(const char* mode, const char* folder) {
    std::string helper = (fs::read_symlink("/proc/self/exe").parent_path() / "kelpov_second_run");
    std::string how = mode, where = folder;
    char* const arguments[] = {helper.data(), how.data(), where.data(), nullptr};
    pid_t child = -1;
    int status = -1;
    EXPECT_EQ(posix_spawn(&child, helper.c_str(), nullptr, nullptr, arguments, environ), 0);
    EXPECT_EQ(::waitpid(child, &status, 0), child) << helper;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// What a second Kelpov makes of the folder "elsewhere", whose data.txt is a symbolic link to
// target; it leaves no other file there.
int SecondKelpovElsewhere(const char* target, const char* mode = "run") {
    fs::create_directory("elsewhere");
    fs::create_symlink(target, "elsewhere/data.txt");
    const int made = SecondKelpov(mode, "elsewhere");
    const fs::directory_iterator there("elsewhere");
    EXPECT_EQ(std::distance(there, fs::directory_iterator()), 1) << "beside elsewhere/data.txt";
    return made;
}

const std::vector<int> FourPicks = {1, 2, 2, 4, 4, 4};
const std::string Log = LogBytes(FourPicks);
const std::string FourResults = Header + " 1  1 \r\n 2  2 \r\n 3  0 \r\n 4  3 \r\n";
const std::string FourSorted = Header + " 4  3 \r\n 2  2 \r\n 1  1 \r\n 3  0 \r\n";
const std::string Earlier = Header + " 1  9 \r\n";  // both tables of an earlier run
const std::string None = "(none)", Odd = "(not a file)";
constexpr const char *Data = "data.txt", *Results = ResultsName, *Sorted = SortedResultsName;

Descriptor reader;  // of a FIFO that a row makes

// A FIFO at name with a reader that never reads, in a pipe already full.
void StalledPipe(const char* name) {
    fs::remove(name);
    ::mkfifo(name, 0666);
    reader = Descriptor(::open(name, O_RDONLY | O_NONBLOCK));
    const Descriptor writer(::open(name, O_WRONLY | O_NONBLOCK));
    const int size = ::fcntl(reader.Get(), F_SETPIPE_SZ, 4096);
    const std::string filling(static_cast<std::size_t>(size), 'x');
    EXPECT_EQ(::write(writer.Get(), filling.data(), filling.size()), size);
}

void Fifo(const char* name) {
    fs::remove(name);
    ::mkfifo(name, 0666);
}

void LinkTo(const char* target, const char* name) {
    fs::remove(name);
    fs::create_symlink(target, name);
}

void FailSyncs(const char* name, int okBefore) {
    const std::lock_guard lock(disk.mutex);
    disk.failing = name;
    disk.okBeforeFailing = okBefore;
}

void Write(const char* name, const std::string& bytes) {
    std::ofstream(name, std::ios::binary) << bytes;
}

// Waits for the worker to cut data.txt back to these picks, after its sync failed.
void AwaitCutBackTo(const std::vector<int>& picks) {
    AwaitThat([&] { return Bytes(Data) == LogBytes(picks); }, "the cut-back");
}

// An earlier run's log, what two cut-off finishes left, and files that only look like that.
void MakeLeftovers() {
    Write(Data, LogBytes({7}));
    for (const char* name :
         {"results.txt.kelpov-abc123", "sorted_results.txt.kelpov-0z9y8x",
          "results.txt.kelpov-abc12", "results.txt.kelpov-abc1234", "results.txt.kelpov-ABC123",
          "data.txt.kelpov-abc123", "results.txt-kelpov-abc123", "results.txt.backup"}) {
        Write(name, "x");
    }
    fs::create_directory("sorted_results.txt.kelpov-zzzzzz");
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
    const bool folder = ::fstat(fd, &status) == 0 && S_ISDIR(status.st_mode);
    if (disk.flockFailure != 0 &&
        (disk.flockFailsOn == disk.Anything || folder == (disk.flockFailsOn == disk.Folders))) {
        errno = disk.flockFailure;
        return -1;
    }
    return static_cast<int>(::syscall(SYS_flock, fd, operation));
}
// A write to a regular file beyond the disk's room is cut short, and the next one fails.
extern "C" ssize_t write(int fd, const void* bytes, size_t size) {
    struct stat status {};
    const long long room = disk.room;
    if (room >= 0 && ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode)) {
        if (room == 0) {
            errno = ENOSPC;
            return -1;
        }
        size = std::min(size, static_cast<size_t>(room));
        disk.room -= static_cast<long long>(size);
    }
    return ::syscall(SYS_write, fd, bytes, size);
}
extern "C" int open(const char* path, int flags, ...) {
    int mode = 0;
    if ((flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE) {
        va_list arguments;
        va_start(arguments, flags);
        mode = va_arg(arguments, int);
        va_end(arguments);
    }
    if ((flags & O_TMPFILE) == O_TMPFILE && disk.noUnnamedFiles) {
        errno = EOPNOTSUPP;
        return -1;
    }
    if (disk.noProc && std::string_view(path).starts_with("/proc/")) {
        errno = ENOENT;
        return -1;
    }
    return static_cast<int>(::syscall(SYS_openat, AT_FDCWD, path, flags, mode));
}
// Closes, and fails the close of a new table once when asked to, as NFS may report a write lost.
extern "C" int close(int fd) {
    const bool fails = disk.tableCloseFails && SyncedName(fd) == "(unnamed table)";
    const auto closed = static_cast<int>(::syscall(SYS_close, fd));
    if (fails && closed == 0) {
        disk.tableCloseFails = false;
        errno = EIO;
        return -1;
    }
    return closed;
}
extern "C" int renameat2(int from, const char* name, int to, const char* newName, unsigned flags) {
    if (disk.noRenameNoReplace && (flags & RENAME_NOREPLACE) != 0) {
        errno = EINVAL;
        return -1;
    }
    return static_cast<int>(::syscall(SYS_renameat2, from, name, to, newName, flags));
}
extern "C" int linkat(int fromFolder, const char* from, int toFolder, const char* to, int flags) {
    if (disk.noProc && std::string_view(from).starts_with("/proc/")) {
        errno = ENOENT;
        return -1;
    }
    return static_cast<int>(::syscall(SYS_linkat, fromFolder, from, toFolder, to, flags));
}

TEST(Files, EachSituationFailsAtItsStepAndLeavesTheFiles) {
    enum Step { TakeFolder, OpenLog, Record, Finish, Done };
    struct Situation {
        const char* name;
        void (*setUp)() = [] {};  // before the folder is taken, the tables of an earlier run there
        void (*beforeOpen)() = [] {};               // after the folder is taken
        std::map<int, void (*)()> beforeBeat = {};  // by the number of picks recorded before it
        void (*beforeFinish)() = [] {};
        const char* outcomes = "4";
        std::vector<int> picks = FourPicks;
        Step failsAt = Done;
        std::optional<FailureKind> kind = {};
        const char* file = Data;  // that the failure names
        const char* reason = "";
        std::string data = Log, results = FourResults, sorted = FourSorted;
        std::map<std::string, std::string> others = {};  // every other file left, with its bytes
        fs::perms tables = fs::perms(0640);              // the permissions of the tables left
    };
    std::vector<std::pair<int, int>> allItems, allSorted = {{4, 3}, {2, 2}, {1, 1}};
    for (int item = 1; item <= 20000; ++item) {
        allItems.emplace_back(item, item == 1 ? 1 : item == 2 ? 2 : item == 4 ? 3 : 0);
        if (item == 3 || item > 4) {
            allSorted.emplace_back(item, 0);
        }
    }
    constexpr auto File = FailureKind::File;
    const char *fifo = "No such device or address", *full = "No space left on device";
    const char *dir = "Is a directory", *io = "Input/output error";
    const char* stalled = "it is a pipe whose reader is not keeping up";
    const char* moved = "it has been moved or replaced while the run was writing it";
    const std::string& E = Earlier;
    // clang-format off
    const std::vector<Situation> situations = {
        {.name = "a plain run"},
        {.name = "an outcome count that is not a number", .outcomes = "abc", .failsAt = Finish,
            .kind = FailureKind::Type, .results = E, .sorted = E},
        {.name = "the ranking orders exactly the items the tally counted", .outcomes = "20000.5",
            .results = ResultBytes(allItems), .sorted = ResultBytes(allSorted)},
        {.name = "data.txt is a folder", .setUp = [] { fs::create_directory(Data); },
            .failsAt = OpenLog, .kind = File, .reason = dir, .data = Odd, .results = E,
            .sorted = E},
        // A pipe never makes the run wait: no reader, a reader that stalls or one that leaves.
        {.name = "data.txt is a FIFO with no reader", .setUp = [] { Fifo(Data); },
            .failsAt = OpenLog, .kind = File, .reason = fifo, .data = Odd, .results = E,
            .sorted = E},
        {.name = "data.txt is a FIFO whose reader stalls", .setUp = [] { StalledPipe(Data); },
            .failsAt = Record, .kind = File, .reason = stalled, .data = Odd, .results = E,
            .sorted = E},
        {.name = "data.txt is a FIFO whose reader leaves",
            .setUp = [] { Fifo(Data); reader = Descriptor(::open(Data, O_RDONLY | O_NONBLOCK)); },
            .beforeBeat = {{0, [] { reader = Descriptor(); }}}, .failsAt = Record, .kind = File,
            .reason = "Broken pipe", .data = Odd, .results = E, .sorted = E},
        {.name = "data.txt leads to /dev/full", .setUp = [] { LinkTo("/dev/full", Data); },
            .failsAt = Record, .kind = File, .reason = full, .data = Odd, .results = E,
            .sorted = E},
        // Only a regular file is locked: another run elsewhere may write to /dev/null as well.
        {.name = "data.txt leads to /dev/null", .setUp = [] { LinkTo("/dev/null", Data); },
            .beforeBeat = {{3, [] { EXPECT_EQ(SecondKelpovElsewhere("/dev/null"), LetIn); }}},
            .data = Odd, .others = {{"elsewhere", Odd}}},
        {.name = "results.txt is a FIFO with no reader", .setUp = [] { Fifo(Results); },
            .failsAt = Finish, .kind = File, .file = Results, .reason = fifo, .results = Odd,
            .sorted = E},
        {.name = "results.txt is a FIFO whose reader stalls", .setUp = [] { StalledPipe(Results); },
            .failsAt = Finish, .kind = File, .file = Results, .reason = stalled, .results = Odd,
            .sorted = E},
        {.name = "results.txt leads to /dev/full", .setUp = [] { LinkTo("/dev/full", Results); },
            .failsAt = Finish, .kind = File, .file = Results, .reason = full, .results = Odd,
            .sorted = E},
        {.name = "sorted_results.txt is a FIFO with no reader", .setUp = [] { Fifo(Sorted); },
            .failsAt = Finish, .kind = File, .file = Sorted, .reason = fifo, .sorted = Odd},
        {.name = "sorted_results.txt is a folder",
            .setUp = [] { fs::remove(Sorted); fs::create_directory(Sorted); }, .failsAt = Finish,
            .kind = File, .file = Sorted, .reason = dir, .sorted = Odd},
        // A failed sync keeps only the lines known to be on the disk, and no torn table.
        {.name = "the sync of data.txt at its close fails", .setUp = [] { FailSyncs(Data, 0); },
            .failsAt = Finish, .kind = File,
            .reason = "Input/output error; it keeps the 0 lines known to be on the disk",
            .data = "", .results = E, .sorted = E},
        {.name = "a background sync fails, and the next beat tells",
            .setUp = [] { FailSyncs(Data, 1); },
            .beforeBeat = {{2, [] { AwaitLogSync(1); }},
                           {4, [] { AwaitLogSync(2); AwaitCutBackTo({1, 2}); }}},
            .failsAt = Record, .kind = File,
            .reason = "Input/output error; it keeps the 2 lines known to be on the disk",
            .data = LogBytes({1, 2}), .results = E, .sorted = E},
        // Cut back at once, so that a run killed before the next beat leaves only synced lines.
        {.name = "a background sync fails, and no beat comes after it",
            .setUp = [] { FailSyncs(Data, 1); }, .beforeBeat = {{1, [] { AwaitLogSync(1); }}},
            .beforeFinish = [] { AwaitLogSync(2); AwaitCutBackTo({1}); }, .picks = {1, 2, 2},
            .failsAt = Finish, .kind = File,
            .reason = "Input/output error; it keeps the 1 line known to be on the disk",
            .data = LogBytes({1}), .results = E, .sorted = E},
        {.name = "the sync of results.txt fails", .setUp = [] { FailSyncs("(unnamed table)", 0); },
            .failsAt = Finish, .kind = File, .file = Results, .reason = io, .results = E,
            .sorted = E},
        {.name = "the close of results.txt fails", .setUp = [] { disk.tableCloseFails = true; },
            .failsAt = Finish, .kind = File, .file = Results, .reason = io, .results = E,
            .sorted = E},
        {.name = "the sync of sorted_results.txt fails",
            .setUp = [] { FailSyncs("(unnamed table)", 1); }, .failsAt = Finish, .kind = File,
            .file = Sorted, .reason = io, .sorted = E},
        // Where a new table cannot be unnamed it is named beside the table, and never left there.
        {.name = "a file system without unnamed files, where sorted_results.txt fails its sync",
            .setUp = [] { disk.noUnnamedFiles = true; FailSyncs("(named table)", 1); },
            .failsAt = Finish, .kind = File, .file = Sorted, .reason = io, .sorted = E},
        // Without /proc an unnamed new table cannot be linked: the table is written again into a
        // named one, with the earlier table's permissions, and that one is not left either.
        {.name = "no /proc, where sorted_results.txt fails its sync",
            .setUp = [] { disk.noProc = true; FailSyncs("(named table)", 1); }, .failsAt = Finish,
            .kind = File, .file = Sorted, .reason = io, .sorted = E},
        // The first tables in a folder have the permissions of any new file.
        {.name = "no earlier tables",
            .setUp = [] { fs::remove(Results); fs::remove(Sorted); ::umask(002); },
            .tables = fs::perms(0664)},
        {.name = "slow syncs", .setUp = [] { disk.delay = 300ms; },
            .beforeBeat = {{3, [] { AwaitLogSync(1); }}}},
        // The log stays the run's own file, also where the current folder goes elsewhere.
        {.name = "data.txt is deleted", .beforeBeat = {{0, [] { fs::remove(Data); }}},
            .failsAt = Finish, .kind = File, .reason = "it has been deleted", .data = None,
            .results = E, .sorted = E},
        {.name = "data.txt is renamed away",
            .beforeBeat = {{0, [] { fs::rename(Data, "data.old"); }}}, .failsAt = Finish,
            .kind = File, .reason = moved, .data = None, .results = E, .sorted = E,
            .others = {{"data.old", Log}}},
        {.name = "another file is renamed onto data.txt",
            .beforeBeat = {{0, [] { Write("new", " 7 \r\n"); fs::rename("new", Data); }}},
            .failsAt = Finish, .kind = File, .reason = moved, .data = " 7 \r\n", .results = E,
            .sorted = E},
        {.name = "another program empties data.txt",
            .beforeBeat = {{2, [] { fs::resize_file(Data, 0); }}}, .failsAt = Finish, .kind = File,
            .reason = "it has been shortened by another program while the run was writing it",
            .data = LogBytes({2, 4, 4, 4}), .results = E, .sorted = E},
        // Grown again past what it lost, it holds as much as the run wrote, but not its lines.
        {.name = "another program empties data.txt, then grows it",
            .beforeBeat = {{2, [] { fs::resize_file(Data, 0); fs::resize_file(Data, 40); }}},
            .failsAt = Finish, .kind = File,
            .reason = "it has been changed by another program while the run was writing it",
            .data = std::string(40, '\0') + LogBytes({2, 4, 4, 4}), .results = E, .sorted = E},
        // A cut-back neither lengthens the file nor keeps the line the other program tore, and
        // needs no /proc to find it.
        {.name = "without /proc, another program cuts data.txt mid-line, then the disk fills up",
            .setUp = [] { disk.noProc = true; },
            .beforeBeat = {{4, [] { fs::resize_file(Data, 7); disk.room = 2; }}},
            .failsAt = Record, .kind = File, .reason = full, .data = LogBytes({1}), .results = E,
            .sorted = E},
        {.name = "the current folder changes during the run",
            .beforeBeat = {{1, [] { fs::create_directory("away"); fs::current_path("away"); }},
                           {2, [] { AwaitLogSync(1); }},
                           {4, [] { AwaitLogSync(2); }}},  // the first is over
            .beforeFinish = [] { fs::current_path(".."); }, .others = {{"away", Odd}}},
        // What "data.txt" holds is left as it is until the log is opened.
        {.name = "data.txt is renamed away before the log is opened",
            .setUp = [] { Write(Data, LogBytes({7})); },
            .beforeOpen = [] { fs::rename(Data, "data.old"); }, .failsAt = OpenLog, .kind = File,
            .reason = "it has been moved, replaced or deleted since the folder was taken",
            .data = None, .results = E, .sorted = E, .others = {{"data.old", LogBytes({7})}}},
        // A data.txt no run could have written is kept under a name no file has, never emptied.
        {.name = "data.txt is someone's own file",
            .setUp = [] { Write(Data, "milk\r\n"); Write("data.txt.1", "x"); },
            .others = {{"data.txt.1", "x"}, {"data.txt.2", "milk\r\n"}}},
        {.name = "data.txt is someone's own file, on a file system that cannot rename so",
            .setUp = [] {
                Write(Data, LogBytes({7}) + "7");
                fs::create_symlink("nowhere", "data.txt.1");
                disk.noRenameNoReplace = true;
            },
            .others = {{"data.txt.1", Odd}, {"data.txt.2", LogBytes({7}) + "7"}}},
        {.name = "a second Kelpov whose data.txt leads to the live log",
            .beforeBeat = {{3, [] {
                EXPECT_EQ(SecondKelpovElsewhere("../data.txt", "finish"), Refused);
                EXPECT_EQ(SecondKelpov("run", "elsewhere"), Refused);
                EXPECT_EQ(Bytes(Data), LogBytes({1, 2, 2}));
            }}},
            .others = {{"elsewhere", Odd}}},
        // What a finish cut off left is removed when the log is opened, not before, and nothing
        // else is.
        {.name = "tables' new files left behind", .setUp = MakeLeftovers,
            .beforeOpen = [] {
                EXPECT_EQ(Bytes(Data), LogBytes({7}));
                EXPECT_EQ(Bytes("results.txt.kelpov-abc123") +
                              Bytes("sorted_results.txt.kelpov-0z9y8x"), "xx");
            },
            .others = {{"results.txt.kelpov-abc12", "x"}, {"results.txt.kelpov-abc1234", "x"},
                       {"results.txt.kelpov-ABC123", "x"}, {"data.txt.kelpov-abc123", "x"},
                       {"results.txt-kelpov-abc123", "x"}, {"results.txt.backup", "x"},
                       {"sorted_results.txt.kelpov-zzzzzz", Odd}}},
        // A full disk cuts a write short, and the torn line is cut off.
        {.name = "the disk fills up within a line of data.txt",
            .setUp = [] { disk.room = std::ssize(LogBytes({1, 2, 2, 4, 4})) + 2; },
            .failsAt = Record, .kind = File, .reason = full, .data = LogBytes({1, 2, 2, 4, 4}),
            .results = E, .sorted = E},
        {.name = "the disk fills up with results.txt", .setUp = [] { disk.room = 16000; },
            .outcomes = "2000", .failsAt = Finish, .kind = File, .file = Results, .reason = full,
            .results = E, .sorted = E},
        // Where a folder cannot be locked the log carries the lock; where nothing can, it says why.
        {.name = "a folder on NFS",
            .setUp = [] { disk.flockFailure = EBADF; disk.flockFailsOn = disk.Folders; }},
        {.name = "no locks", .setUp = [] { disk.flockFailure = ENOLCK; }, .failsAt = TakeFolder,
            .kind = File, .file = "", .reason = "No locks available", .data = None, .results = E,
            .sorted = E},
        {.name = "no locks on files",
            .setUp = [] {
                Write(Data, LogBytes({7}));
                disk.flockFailure = ENOLCK;
                disk.flockFailsOn = disk.Files;
            },
            .failsAt = TakeFolder, .kind = File, .reason = "No locks available",
            .data = LogBytes({7}), .results = E, .sorted = E},
    };
    // clang-format on
    std::signal(SIGPIPE, SIG_IGN);  // as the program does: a reader that left is a failed write
    const mode_t umask = ::umask(022);
    for (const auto& s : situations) {
        SCOPED_TRACE(s.name);
        ScratchDir scratch;
        ::umask(022);
        for (const char* table : {Results, Sorted}) {
            Write(table, Earlier);
            fs::permissions(table, fs::perms(0640));
        }
        Reset();
        s.setUp();
        Step step = TakeFolder;
        auto picker = NewPicker();
        std::chrono::steady_clock::duration slowestRecord{};
        const Caught caught = Catch([&] {
            picker->TakeFolder();
            step = OpenLog;
            s.beforeOpen();
            picker->OpenLog();
            step = Record;
            for (const int pick : s.picks) {
                if (s.beforeBeat.contains(picker->PickCount)) {
                    s.beforeBeat.at(picker->PickCount)();
                }
                picker->CurrentPick = static_cast<Int16>(pick);
                const auto start = std::chrono::steady_clock::now();
                picker->Record();
                slowestRecord = std::max(slowestRecord, std::chrono::steady_clock::now() - start);
            }
            step = Finish;
            s.beforeFinish();
            ::Finish(*picker, s.outcomes);
            step = Done;
        });
        if (step == Done) {
            // The finish closed the log: a beat after it cannot pass unnoticed.
            EXPECT_EQ(Catch([&] { picker->Record(); }).kind, File);
        }
        EXPECT_EQ(step, s.failsAt);
        EXPECT_EQ(caught.kind, s.kind);
        // A file failure names the file by its whole path, and the system's reason.
        const std::string path = (fs::current_path() / s.file).string();
        EXPECT_NE(caught.message.find(s.kind == File ? path + "\": " + s.reason : ""),
                  std::string::npos)
            << caught.message;
        // No beat waits for a sync, however slow the disk.
        EXPECT_LT(slowestRecord, 100ms);
        // The folder stays taken while the run lives, also after its finish.
        if (s.failsAt != TakeFolder) {
            EXPECT_EQ(SecondKelpov("run", "."), Refused);
        }
        picker.reset();
        Reset();
        reader = Descriptor();
        EXPECT_EQ(Bytes(Data), s.data);
        EXPECT_TRUE(Bytes(Results) == s.results) << Bytes(Results).substr(0, 200);
        EXPECT_TRUE(Bytes(Sorted) == s.sorted) << Bytes(Sorted).substr(0, 200);
        // A new table keeps the permissions of the one it replaced; a first one has those of any
        // new file.
        for (const char* table : {Results, Sorted}) {
            if (fs::is_regular_file(fs::symlink_status(table))) {
                EXPECT_EQ(fs::status(table).permissions(), s.tables) << table;
            }
        }
        // Nothing else is left beside the three files.
        std::map<std::string, std::string> others;
        for (const auto& entry : fs::directory_iterator(".")) {
            const auto name = entry.path().filename().string();
            if (name != Data && name != Results && name != Sorted) {
                others[name] = Bytes(name);
            }
        }
        EXPECT_EQ(others, s.others);
    }
    ::umask(umask);
}

// "data.txt" is created, and its folder synced; the log is synced in the background while the
// beats come, and again at its close; each table is synced while it has no name, then named and
// the folder synced. The folder is free again once the run has gone, and the log's folder is not
// synced again where "data.txt" was there already.
TEST(Files, EveryFileIsOnTheDiskBeforeItIsDone) {
    ScratchDir dir;
    Reset();
    auto picker = RecordedRun({1, 2});
    AwaitLogSync(1);
    Finish(*picker, "2");
    EXPECT_EQ(SyncedSoFar(),
              (std::vector<std::string>{"/", "data.txt", "data.txt", "(unnamed table)", "/",
                                        "(unnamed table)", "/"}));
    picker.reset();
    Reset();
    EXPECT_FALSE(Catch([] { NewPicker()->OpenLog(); }).kind);
    EXPECT_EQ(SyncedSoFar(), std::vector<std::string>{});
}
