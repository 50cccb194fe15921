#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "finish/Finish.h"
#include "picker/Picker.h"
#include "tests/engine/TestSupport.h"

namespace fs = std::filesystem;

namespace {

void SetPicks(Picker& picker, const std::vector<int>& picks) {
    for (std::size_t k = 0; k < picks.size(); ++k) {
        picker.Picks[static_cast<int>(k + 1)] = static_cast<Int16>(picks[k]);
    }
    picker.PickCount = static_cast<Int16>(picks.size());
}

// A run as the window drives it: the log opened and every pick recorded on a beat.
std::unique_ptr<Picker> RecordedRun(const std::vector<int>& picks) {
    auto picker = NewPicker();
    picker->OpenLog();
    for (const int pick : picks) {
        picker->CurrentPick = static_cast<Int16>(pick);
        picker->Record();
    }
    return picker;
}

std::vector<int> Slots(const ItemArray& array, int last) {
    std::vector<int> slots;
    for (int k = 1; k <= last; ++k) {
        slots.push_back(array[k]);
    }
    return slots;
}

// What a finish left under a name; a link or a directory that stood in the way is not read.
std::optional<std::string> Left(const fs::path& name) {
    if (fs::is_symlink(name) || fs::is_directory(name)) {
        return "(not a regular file)";
    }
    return ReadFile(name);
}

enum class Stage { Tally, Prepare, Passes };

std::ostream& operator<<(std::ostream& out, Stage stage) {
    return out << (stage == Stage::Tally     ? "tally"
                   : stage == Stage::Prepare ? "prepare"
                                             : "passes");
}

// Counts 1..4 of 1, 2, 0, 3: item 4, the most frequent, is last in item order.
const std::vector<int> FourItemPicks = {1, 2, 2, 4, 4, 4};
const std::string FourItemResults = Header + " 1  1 \r\n 2  2 \r\n 3  0 \r\n 4  3 \r\n";

}  // namespace

TEST(TallyAndRanking, CountsAndRanksTheStoredPicks) {
    // Slots 1..6 start with marks, so that every slot a stage leaves alone shows.
    constexpr int S = 50;
    struct Case {
        const char* outcomes;
        std::vector<int> picks;
        std::vector<int> counts, sortedItems, sortedCounts;  // slots 1..6
        int countPosition;
        std::optional<std::pair<Stage, FailureKind>> failure;
    };
    const std::vector<int> marks = {71, 72, 73, 74, 75, 76};
    const std::vector<int> unset = {S, S, S, S, S, S};
    // clang-format off
    const std::vector<Case> cases = {
        // outcomes, picks,
        //     Counts, SortedItems, SortedCounts (slots 1..6), count position, failure
        // The worked example of the ranking; the picks 0, 5 and 9 lie outside the items.
        {"4", {2, 3, 1, 2, 0, 3, 4, 2, 1, 5, 3, 2, 9, 3, 1, 2, 3},
            {3, 5, 5, 1, S, S}, {2, 3, 1, 4, 75, 76}, {5, 5, 3, 1, S, S}, 4, {}},
        {"3", {3, 3, 3, 3, 3, 3, 3},
            {0, 0, 7, S, S, S}, {3, 1, 2, 74, 75, 76}, {7, 0, 0, S, S, S}, 3, {}},
        {"5", {1, 2, 3, 4, 5, 5, 4, 3, 2, 1},
            {2, 2, 2, 2, 2, S}, {1, 2, 3, 4, 5, 76}, {2, 2, 2, 2, 2, S}, 5, {}},
        // Equal counts keep their item order however far the passes carry them.
        {"6", {6, 6, 4, 4, 2, 5, 1, 3, 3},
            {1, 1, 2, 2, 1, 2}, {3, 4, 6, 1, 2, 5}, {2, 2, 2, 1, 1, 1}, 6, {}},
        {"4", {}, {0, 0, 0, 0, S, S}, {1, 2, 3, 4, 75, 76}, {0, 0, 0, 0, S, S}, 4, {}},
        {"0", {1, 1}, unset, marks, unset, 0, {}},
        {"-7", {1, 1}, unset, marks, unset, 0, {}},
        {"-32767", {1, 1}, unset, marks, unset, 0, {}},
        // One item: no exchange pass, so the larger mark behind it stays behind.
        {"1", {1, 1, 2}, {2, S, S, S, S, S}, {1, 72, 73, 74, 75, 76}, {2, S, S, S, S, S}, 1, {}},
        // 3.5 covers items 1..4, but the passes only positions 1..3 (2.5 rounds to 2).
        {"3.5", FourItemPicks,
            {1, 2, 0, 3, S, S}, {2, 1, 3, 4, 75, 76}, {2, 1, 0, 3, S, S}, 4, {}},
        // 2.5 covers items 1..2, but the passes reach position 3 (1.5 rounds to 2).
        {"2.5", {1, 2, 2, 3, 3, 3},
            {1, 2, S, S, S, S}, {73, 2, 1, 74, 75, 76}, {S, 2, 1, S, S, S}, 2, {}},
        {"abc", {1}, unset, marks, unset, 0, std::pair(Stage::Tally, FailureKind::Type)},
        {"32767.5", {1}, unset, marks, unset, 0, std::pair(Stage::Tally, FailureKind::Overflow)},
        // Items 1..20000 are counted, then the count position steps outside the arrays.
        {"20001", {1, 2, 2}, {1, 2, 0, 0, 0, 0}, marks, unset, 20001,
            std::pair(Stage::Tally, FailureKind::Range)},
        // -32768 - 1 does not fit the bound.
        {"-32768", {1}, unset, marks, unset, 0, std::pair(Stage::Passes, FailureKind::Overflow)},
        // The bound is 20000: the first pass exchanges up to position 20000, then steps outside.
        {"20000.5", {3, 3, 1}, {1, 0, 2, 0, 0, 0}, {1, 3, 2, 4, 5, 6}, {1, 2, 0, 0, 0, 0}, 20000,
            std::pair(Stage::Passes, FailureKind::Range)},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("outcomes \"") + c.outcomes + "\"");
        auto picker = NewPicker();
        for (int k = 1; k <= 6; ++k) {
            picker->Counts[k] = picker->SortedCounts[k] = S;
            picker->SortedItems[k] = static_cast<Int16>(marks[static_cast<std::size_t>(k - 1)]);
        }
        SetPicks(*picker, c.picks);
        const std::vector<std::pair<Stage, void (*)(Picker&, std::string_view)>> stages = {
            {Stage::Tally, TallyPicks},
            {Stage::Prepare, PrepareRanking},
            {Stage::Passes, RankPasses}};
        std::optional<std::pair<Stage, FailureKind>> failure;
        for (const auto& [stage, run] : stages) {
            if (const auto kind = FailureOf([&] { run(*picker, c.outcomes); })) {
                failure = std::pair(stage, *kind);
                break;
            }
        }
        EXPECT_EQ(failure, c.failure);
        EXPECT_EQ(Slots(picker->Counts, 6), c.counts);
        EXPECT_EQ(Slots(picker->SortedItems, 6), c.sortedItems);
        EXPECT_EQ(Slots(picker->SortedCounts, 6), c.sortedCounts);
        EXPECT_EQ(picker->CountPosition, c.countPosition);
        EXPECT_EQ(picker->PickCount, static_cast<int>(c.picks.size()));
    }
}

TEST(Finish, WritesBothResultFilesOverThoseOfAnEarlierRun) {
    struct Case {
        const char* outcomes;
        std::vector<int> picks;
        std::string results, sorted;
    };
    // clang-format off
    const std::vector<Case> cases = {
        // The worked example of the ranking.
        {"4", {2, 3, 1, 2, 0, 3, 4, 2, 1, 5, 3, 2, 9, 3, 1, 2, 3},
            Header + " 1  3 \r\n 2  5 \r\n 3  5 \r\n 4  1 \r\n",
            Header + " 2  5 \r\n 3  5 \r\n 1  3 \r\n 4  1 \r\n"},
        {"0", {1, 2}, Header, Header},
        {"-7", {}, Header, Header},
        {"1", {0, 0}, Header + " 1  0 \r\n", Header + " 1  0 \r\n"},
        {"3.5", FourItemPicks, FourItemResults,
            Header + " 2  2 \r\n 1  1 \r\n 3  0 \r\n 4  3 \r\n"},
        {"2.5", {1, 2, 2, 3, 3, 3},
            Header + " 1  1 \r\n 2  2 \r\n", Header + " 2  2 \r\n 1  1 \r\n"},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("outcomes \"") + c.outcomes + "\"");
        ScratchDir dir;
        const std::string earlier = Header + std::string(40, '9') + "\r\n";
        WriteFile(ResultsName, earlier);
        WriteFile(SortedResultsName, earlier);
        auto picker = RecordedRun(c.picks);
        Finish(*picker, c.outcomes);
        EXPECT_TRUE(SameBytes(ReadFile(ResultsName), c.results));
        EXPECT_TRUE(SameBytes(ReadFile(SortedResultsName), c.sorted));
    }
}

TEST(Finish, AWholeRunByCallsAlone) {
    ScratchDir dir;
    auto picker = NewPicker();
    picker->OpenLog();
    for (int beat = 0; beat < 600; ++beat) {
        picker->Draw("6");
        picker->Record();
    }
    Finish(*picker, "6");

    // The counts follow from the log alone.
    std::map<std::string, int> lines;
    const std::string log = ReadFile("data.txt").value_or("");
    for (std::size_t start = 0, end; (end = log.find("\r\n", start)) != std::string::npos;
         start = end + 2) {
        ++lines[log.substr(start, end - start)];
    }
    std::vector<std::pair<int, int>> counted;
    int total = 0;
    for (int item = 1; item <= 6; ++item) {
        const int count = lines[Printed(item)];
        counted.emplace_back(item, count);
        total += count;
    }
    EXPECT_EQ(total, 600) << log;
    EXPECT_EQ(picker->PickCount, 600);
    EXPECT_TRUE(SameBytes(ReadFile(ResultsName), ResultBytes(counted)));
    std::ranges::stable_sort(counted, std::ranges::greater{}, &std::pair<int, int>::second);
    EXPECT_TRUE(SameBytes(ReadFile(SortedResultsName), ResultBytes(counted)));
}

TEST(Finish, EachFailureLeavesTheFilesOfItsStage) {
    const int fourCounts[] = {0, 1, 2, 0, 3};
    std::vector<std::pair<int, int>> lines;
    for (int item = 1; item <= 20000; ++item) {
        lines.emplace_back(item, item <= 4 ? fourCounts[item] : 0);
    }
    const std::string allItems = ResultBytes(lines);
    const std::string notAFile = "(not a regular file)";
    const auto fullDevice = [](const char* name) {
        return [name] { fs::create_symlink("/dev/full", name); };
    };
    const auto directory = [](const char* name) { return [name] { fs::create_directory(name); }; };
    struct Case {
        const char* name;
        const char* outcomes;
        std::function<void()> prepare;
        FailureKind failure;
        std::optional<std::string> results, sorted;
    };
    constexpr auto File = FailureKind::File;
    // clang-format off
    const std::vector<Case> cases = {
        {"not a number", "abc", [] {}, FailureKind::Type, {}, {}},
        {"above the arrays", "20001", [] {}, FailureKind::Range, {}, {}},
        {"a bound below 16 bits", "-32768", [] {}, FailureKind::Overflow, Header, ""},
        {"a bound at the store limit", "20000.5", [] {}, FailureKind::Range, allItems, ""},
        {"results on a full device", "4", fullDevice(ResultsName), File, notAFile, {}},
        {"results blocked by a directory", "4", directory(ResultsName), File, notAFile, {}},
        {"sorted results on a full device", "4", fullDevice(SortedResultsName), File,
            FourItemResults, notAFile},
        {"sorted results blocked by a directory", "4", directory(SortedResultsName), File,
            FourItemResults, notAFile},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir dir;
        c.prepare();
        auto picker = RecordedRun(FourItemPicks);
        const Caught caught = Catch([&] { Finish(*picker, c.outcomes); });
        EXPECT_EQ(caught.kind, c.failure);
        EXPECT_TRUE(SameBytes(Left(ResultsName), c.results));
        EXPECT_TRUE(SameBytes(Left(SortedResultsName), c.sorted));
        if (c.failure == FailureKind::File) {
            // The message names the file that stood in the way.
            const char* file = c.results == notAFile ? ResultsName : SortedResultsName;
            EXPECT_NE(caught.message.find(file), std::string::npos) << caught.message;
        }
    }
}

TEST(Finish, AWorkableOutcomeCountGetsThroughAWholeRun) {
    struct Case {
        const char* outcomes;
        bool workable;
    };
    const std::vector<Case> cases = {
        {"2", true},         {" 6 ", true},      {"0", true},        {"-7", true},
        {"3.5", true},       {"2.5", true},      {"20000", true},    {"20000.4", true},
        {"19999.5", true},   {"-32767.5", true}, {"20000.5", false}, {"20001", false},
        {"-32767.6", false}, {"-32768", false},  {"32767.5", false}, {"abc", false},
        {"", false},         {"1e400", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("outcomes \"") + c.outcomes + "\"");
        EXPECT_EQ(IsWorkableOutcomeCount(c.outcomes), c.workable);
        // A whole run with the text fails somewhere exactly when the text is not workable.
        ScratchDir dir;
        auto picker = NewPicker();
        const auto failure = FailureOf([&] {
            picker->OpenLog();
            for (int beat = 0; beat < 200; ++beat) {
                picker->Draw(c.outcomes);
                picker->Record();
            }
            Finish(*picker, c.outcomes);
        });
        EXPECT_EQ(failure.has_value(), !c.workable)
            << (failure ? FailureKindName(*failure) : "no failure");
    }
}

