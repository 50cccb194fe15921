// What each file situation does to a run: the failure, its step, and the exact bytes left.

#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstring>
#include <thread>

#include "finish/Finish.h"
#include "tests/engine/TestSupport.h"

namespace fs = std::filesystem;

namespace {

// The names of the files synced so far, and one whose sync fails as on a failing disk.
std::vector<std::string> synced;
std::string failingSync;

const std::vector<int> FourPicks = {1, 2, 2, 4, 4, 4};
const std::string FourResults = Header + " 1  1 \r\n 2  2 \r\n 3  0 \r\n 4  3 \r\n";
const std::string FourSorted = Header + " 4  3 \r\n 2  2 \r\n 1  1 \r\n 3  0 \r\n";

}  // namespace

// Every sync of the engine comes here, in place of the C library's.
extern "C" int fdatasync(int fd) {
    std::error_code error;
    const auto name = fs::read_symlink("/proc/self/fd/" + std::to_string(fd), error).filename();
    synced.push_back(name.string());
    if (name == failingSync) {
        errno = EIO;
        return -1;
    }
    return static_cast<int>(::syscall(SYS_fdatasync, fd));
}

TEST(Files, EachSituationFailsAtItsStepAndLeavesTheFiles) {
    enum Step { OpenLog, Record, Finish, Done };
    enum Situation { Plain, Directory, Fifo, FullDevice, FailingSync };
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
    std::vector<std::pair<int, int>> allItems;
    for (int item = 1; item <= 20000; ++item) {
        allItems.emplace_back(item, item == 1 ? 1 : item == 2 ? 2 : item == 4 ? 3 : 0);
    }
    constexpr auto File = FailureKind::File;
    const char *data = "data.txt", *results = ResultsName, *sorted = SortedResultsName;
    const char *fifo = "No such device or address", *full = "No space left on device";
    const char *dir = "Is a directory", *io = "Input/output error";
    // clang-format off
    const std::vector<Case> cases = {
        {Plain, "", "4", Done, {}, "", log, FourResults, FourSorted},
        {Plain, "", "abc", Finish, FailureKind::Type, "", log, none, none},
        {Plain, "", "20000.5", Finish, FailureKind::Range, "", log, ResultBytes(allItems), ""},
        {Directory, data, "4", OpenLog, File, dir, odd, none, none},
        // A FIFO without a reader must fail at once, never wait for one.
        {Fifo, data, "4", OpenLog, File, fifo, odd, none, none},
        {FullDevice, data, "4", Record, File, full, odd, none, none},
        {Fifo, results, "4", Finish, File, fifo, log, odd, none},
        {FullDevice, results, "4", Finish, File, full, log, odd, none},
        {Fifo, sorted, "4", Finish, File, fifo, log, FourResults, odd},
        {Directory, sorted, "4", Finish, File, dir, log, FourResults, odd},
        {FailingSync, data, "4", Finish, File, io, log, none, none},
        {FailingSync, results, "4", Finish, File, io, log, FourResults, none},
        {FailingSync, sorted, "4", Finish, File, io, log, FourResults, FourSorted},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.name << " in situation " << c.situation << ", "
                                        << c.outcomes << " outcomes");
        ScratchDir scratch;
        if (c.situation == Directory) {
            fs::create_directory(c.name);
        } else if (c.situation == Fifo) {
            ::mkfifo(c.name, 0666);
        } else if (c.situation == FullDevice) {
            fs::create_symlink("/dev/full", c.name);
        } else if (c.situation == FailingSync) {
            failingSync = c.name;
        }
        Step step = OpenLog;
        auto picker = NewPicker();
        const Caught caught = Catch([&] {
            picker->OpenLog();
            step = Record;
            for (const int pick : FourPicks) {
                picker->CurrentPick = static_cast<Int16>(pick);
                picker->Record();
            }
            step = Finish;
            ::Finish(*picker, c.outcomes);
            step = Done;
        });
        failingSync.clear();
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
        EXPECT_EQ(Bytes(data), c.data);
        EXPECT_TRUE(Bytes(results) == c.results) << Bytes(results).substr(0, 200);
        EXPECT_EQ(Bytes(sorted), c.sorted);
    }
}

// The first line a second or more after the log's last sync is synced at once; a sync that
// fails cuts the line off again. Each file is synced at its close.
TEST(Files, EveryFileIsSyncedBeforeItIsDone) {
    ScratchDir dir;
    auto picker = RecordedRun({1, 2});
    std::this_thread::sleep_for(OutputFile::LogSyncInterval);
    synced.clear();
    failingSync = "data.txt";
    EXPECT_EQ(Catch([&] { picker->Record(); }).kind, FailureKind::File);
    EXPECT_EQ(Bytes("data.txt"), LogBytes({1, 2}));
    failingSync.clear();
    picker->CurrentPick = 7;
    picker->Record();
    Finish(*picker, "2");
    EXPECT_EQ(Bytes("data.txt"), LogBytes({1, 2, 7}));
    EXPECT_EQ(synced,
              (std::vector<std::string>{"data.txt", "data.txt", ResultsName, SortedResultsName}));
}

// The data log belongs to one Kelpov from its opening to its close.
TEST(Files, ASecondKelpovInTheFolderLeavesTheLogAlone) {
    ScratchDir dir;
    auto picker = RecordedRun(FourPicks);
    if (::fork() == 0) {
        const Caught caught = Catch([] { NewPicker()->OpenLog(); });
        ::_exit(caught.message.ends_with("data.txt\": it is in use by another Kelpov working in "
                                         "this folder")
                    ? 0
                    : 1);
    }
    int status = -1;
    ::wait(&status);
    EXPECT_EQ(status, 0) << "the second Kelpov was not refused";
    EXPECT_EQ(Bytes("data.txt"), LogBytes(FourPicks));
    // Its close releases the log: a new run may take it, even in this process.
    Finish(*picker, "4");
    NewPicker()->OpenLog();
    EXPECT_EQ(Bytes("data.txt"), "");
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
