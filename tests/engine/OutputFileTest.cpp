#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "common/OutputFile.h"
#include "tests/engine/TestSupport.h"

namespace fs = std::filesystem;

namespace {

constexpr auto WriteThrough = OutputFile::Kind::Log;
constexpr auto Buffered = OutputFile::Kind::Table;

class OutputFileTest : public InScratchDir {};

}  // namespace

TEST_F(OutputFileTest, WritesExactBytesAndEmptiesAnEarlierFile) {
    for (const auto buffering : {WriteThrough, Buffered}) {
        SCOPED_TRACE(buffering == WriteThrough ? "write-through" : "buffered");
        WriteFile("out.txt", "an earlier file that is longer than what follows\r\n");
        OutputFile file("out.txt", buffering);
        EXPECT_TRUE(SameBytes(ReadFile("out.txt"), ""));
        file.Write("ab");
        file.WriteLine("cd");
        file.WriteLine(Int16{7}, Int16{-12});
        file.WriteLine(Int16{0});
        file.WriteLine(Int16{-32768}, Int16{32767});
        file.Close();
        EXPECT_TRUE(SameBytes(ReadFile("out.txt"), "abcd\r\n 7 -12 \r\n 0 \r\n-32768  32767 \r\n"));
        // Writing to a closed file is a failure, never a silent success; closing it again is
        // harmless.
        EXPECT_EQ(FailureOf([&] { file.WriteLine("late"); }), FailureKind::File);
        EXPECT_EQ(FailureOf([&] { file.Close(); }), std::nullopt);
    }
}

TEST_F(OutputFileTest, FailureNamesTheFileAndTheSystemsReason) {
    enum class Step { Open, Write, WriteOrClose };
    struct Case {
        const char* name;
        std::string path;
        std::function<void()> prepare;
        OutputFile::Kind buffering;
        Step failsAt;
        const char* reason;
    };
    const auto fullDevice = [] { fs::create_symlink("/dev/full", "out.txt"); };
    const std::vector<Case> cases = {
        // Permission bits do not stop root, so a directory stands in for a file that cannot be
        // created.
        {"a directory of that name", "out.txt", [] { fs::create_directory("out.txt"); },
         WriteThrough, Step::Open, "Is a directory"},
        {"a parent that is a file", "plain/out.txt", [] { WriteFile("plain", "x"); }, Buffered,
         Step::Open, "Not a directory"},
        {"a full device, written through", "out.txt", fullDevice, WriteThrough, Step::Write,
         "No space left on device"},
        // A buffered file may hold the bytes until it closes; the close must still report them.
        {"a full device, buffered", "out.txt", fullDevice, Buffered, Step::WriteOrClose,
         "No space left on device"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir dir;
        c.prepare();
        int opened = 0, written = 0;
        const Caught caught = Catch([&] {
            OutputFile file(c.path, c.buffering);
            ++opened;
            file.WriteLine("one line");
            ++written;
            file.Close();
        });
        EXPECT_EQ(caught.kind, FailureKind::File);
        EXPECT_NE(caught.message.find("out.txt"), std::string::npos) << caught.message;
        EXPECT_NE(caught.message.find(c.reason), std::string::npos) << caught.message;
        EXPECT_EQ(opened, c.failsAt == Step::Open ? 0 : 1);
        if (c.failsAt == Step::Write) {
            EXPECT_EQ(written, 0);
        }
    }
}
