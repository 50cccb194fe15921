#include <algorithm>

#include "finish/Finish.h"
#include "finish/FinishFromLog.h"
#include "finish/Summary.h"
#include "tests/engine/TestSupport.h"

TEST(TallyAndRanking, CountsAndRanksTheStoredPicks) {
    enum Stage { Tally, Prepare, Passes };
    // Slots 1..6 start with marks, so that every slot a stage leaves alone shows.
    constexpr int S = 50;
    const std::vector<int> marks = {71, 72, 73, 74, 75, 76}, unset = {S, S, S, S, S, S};
    struct Case {
        const char* outcomes;
        std::vector<int> picks;
        std::vector<int> counts, sortedItems, sortedCounts;  // slots 1..6
        int countPosition;
        std::optional<std::pair<Stage, FailureKind>> failure;
    };
    // clang-format off
    const std::vector<Case> cases = {
        // The picks 0, 5 and 9 lie outside the items and are not counted.
        {"4", {2, 3, 1, 2, 0, 3, 4, 2, 1, 5, 3, 2, 9, 3, 1, 2, 3},
            {3, 5, 5, 1, S, S}, {2, 3, 1, 4, 75, 76}, {5, 5, 3, 1, S, S}, 4, {}},
        // Equal counts keep their item order however far the passes carry them.
        {"6", {6, 6, 4, 4, 2, 5, 1, 3, 3},
            {1, 1, 2, 2, 1, 2}, {3, 4, 6, 1, 2, 5}, {2, 2, 2, 1, 1, 1}, 6, {}},
        {"-7", {1, 1}, unset, marks, unset, 0, {}},
        {"2", {2, 2, 1}, {1, 2, S, S, S, S}, {2, 1, 73, 74, 75, 76}, {2, 1, S, S, S, S}, 2, {}},
        // One item: no exchange pass, so the larger mark behind it stays behind.
        {"1", {1, 1, 2}, {2, S, S, S, S, S}, {1, 72, 73, 74, 75, 76}, {2, S, S, S, S, S}, 1, {}},
        // The ranking orders exactly the items the tally counted: 3.5 and 2.5 round to even.
        {"3.5", {1, 2, 2, 4, 4, 4},
            {1, 2, 0, 3, S, S}, {4, 2, 1, 3, 75, 76}, {3, 2, 1, 0, S, S}, 4, {}},
        {"2.5", {1, 2, 2, 3, 3, 3},
            {1, 2, S, S, S, S}, {2, 1, 73, 74, 75, 76}, {2, 1, S, S, S, S}, 2, {}},
        {"abc", {1}, unset, marks, unset, 0, std::pair(Tally, FailureKind::Type)},
        // Items 1..20000 are counted, then the count position steps outside the arrays.
        {"20001", {1, 2, 2}, {1, 2, 0, 0, 0, 0}, marks, unset, 20001,
            std::pair(Tally, FailureKind::Range)},
        {"-32768", {1}, unset, marks, unset, 0, {}},
        // All 20000 items are counted and ranked.
        {"20000.5", {3, 3, 1}, {1, 0, 2, 0, 0, 0}, {3, 1, 2, 4, 5, 6}, {2, 1, 0, 0, 0, 0}, 20000,
            {}},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.outcomes);
        auto picker = NewPicker();
        for (int k = 1; k <= 6; ++k) {
            picker->Counts[k] = picker->SortedCounts[k] = S;
            picker->SortedItems[k] = static_cast<Int16>(marks[static_cast<std::size_t>(k - 1)]);
        }
        for (const int pick : c.picks) {
            picker->Picks[++picker->PickCount] = static_cast<Int16>(pick);
        }
        std::optional<std::pair<Stage, FailureKind>> failure;
        const std::pair<Stage, void (*)(Picker&, std::string_view)> stages[] = {
            {Tally, TallyPicks}, {Prepare, PrepareRanking}, {Passes, RankPasses}};
        // Not a structured binding: clang 14 cannot capture one in the lambda.
        for (const auto& stage : stages) {
            if (const auto kind = Catch([&] { stage.second(*picker, c.outcomes); }).kind) {
                failure = std::pair(stage.first, *kind);
                break;
            }
        }
        EXPECT_EQ(failure, c.failure);
        const auto slots = [](const ItemArray& array) {
            return std::vector<int>{array[1], array[2], array[3], array[4], array[5], array[6]};
        };
        EXPECT_EQ(slots(picker->Counts), c.counts);
        EXPECT_EQ(slots(picker->SortedItems), c.sortedItems);
        EXPECT_EQ(slots(picker->SortedCounts), c.sortedCounts);
        EXPECT_EQ(picker->CountPosition, c.countPosition);
        // Index 0 is never written, not even for a recorded 0.
        EXPECT_EQ(picker->Counts[0] | picker->SortedCounts[0] | picker->SortedItems[0], 0);
    }
}

TEST(Finish, WritesBothResultFilesOverThoseOfAnEarlierRun) {
    // Forty items with counts 0..4: enough items with equal counts that an unstable sort would
    // reorder them.
    std::vector<int> manyTies;
    std::vector<std::pair<int, int>> tied;
    for (int item = 1; item <= 40; ++item) {
        tied.emplace_back(item, item * 7 % 5);
        manyTies.insert(manyTies.end(), static_cast<std::size_t>(item * 7 % 5), item);
    }
    const std::string tiedResults = ResultBytes(tied);
    std::ranges::stable_sort(tied, std::ranges::greater{}, &std::pair<int, int>::second);
    struct Case {
        const char* outcomes;
        std::vector<int> picks;
        std::string results, sorted;
    };
    // clang-format off
    const std::vector<Case> cases = {
        {"0", {1, 2}, Header, Header},
        {"3.5", {1, 2, 2, 4, 4, 4}, Header + " 1  1 \r\n 2  2 \r\n 3  0 \r\n 4  3 \r\n",
            Header + " 4  3 \r\n 2  2 \r\n 1  1 \r\n 3  0 \r\n"},
        {"40", manyTies, tiedResults, ResultBytes(tied)},
        {"2", {-32768, 0, 32767, 2, 2}, ResultBytes({{1, 0}, {2, 2}}), ResultBytes({{2, 2}, {1, 0}})},
    };
    // clang-format on
    for (const auto& c : cases) {
        ScratchDir dir;
        std::ofstream(ResultsName) << Header << std::string(400, '9');
        std::ofstream(SortedResultsName) << Header << std::string(400, '9');
        Finish(*RecordedRun(c.picks), c.outcomes);
        EXPECT_EQ(Bytes(ResultsName), c.results) << c.outcomes;
        EXPECT_EQ(Bytes(SortedResultsName), c.sorted) << c.outcomes;
        // The same tables again from the log alone, as after a run that never reached its finish.
        std::filesystem::remove(ResultsName);
        std::filesystem::remove(SortedResultsName);
        EXPECT_EQ(FinishFromLog(*NewPicker(), c.outcomes), std::nullopt);
        EXPECT_EQ(Bytes(ResultsName), c.results) << c.outcomes;
        EXPECT_EQ(Bytes(SortedResultsName), c.sorted) << c.outcomes;
    }
}

// A log is read back only as Record writes it: a torn last line is left out, any other line that
// is not a pick refuses the whole log, as does any line past the 20000th, and a refusal touches no
// table.
TEST(FinishFromLog, ReadsBackOnlyWhatRecordWrites) {
    struct Case {
        std::string log;
        std::optional<int> tornLine;
        std::vector<int> picks;
        std::optional<FailureKind> kind;
        const char* reason;
    };
    const auto lines = [](std::string_view line, int count) {
        std::string log;
        for (int k = 0; k < count; ++k) {
            log += line;
        }
        return log;
    };
    const std::vector<int> fullOfMinimums(Picker::PickStoreLimit, -32768);
    const std::vector<int> allButOne(Picker::PickStoreLimit - 1, 1);
    constexpr auto Range = FailureKind::Range;
    const char* tooMany = "holds more than 20000 picks";
    constexpr auto File = FailureKind::File;
    const char* notAPick = "is not a recorded pick";
    // clang-format off
    const std::vector<Case> cases = {
        {"", {}, {}, {}, ""},
        {" 1 \r\n-32768 \r\n 32767 \r\n 0 \r\n", {}, {1, -32768, 32767, 0}, {}, ""},
        {" 1 \r\n 2", 2, {1}, {}, ""},
        {" 1 \r\n-2 \r", 2, {1}, {}, ""},
        {"-", 1, {}, {}, ""}, {" 1 \r\n-32768 ", 2, {1}, {}, ""},
        {" 1 \r\n+", {}, {}, File, "line 2 is not"}, {" 1 \r\n-0", {}, {}, File, "line 2 is not"},
        {" 1 \r\n 02 \r\n", {}, {}, File, "line 2 is not a recorded pick"},
        {" 1 \n 2 \r\n", {}, {}, File, "line 1 is not a recorded pick"},
        {" 1\r\n", {}, {}, File, notAPick}, {"+1 \r\n", {}, {}, File, notAPick},
        {"-0 \r\n", {}, {}, File, notAPick}, {" 32768 \r\n", {}, {}, File, notAPick},
        {" 1 \r\n\r\n", {}, {}, File, "line 2 is not"},
        {" 1 \r\n\x80\t", {}, {}, File, "line 2 is not a recorded pick (a number in print form "
            "followed by CR LF): \"\\x80\\x09\""},
        {"--2147483648\r\n", {}, {}, File, "line 1 is not a recorded pick"},
        // A run writes at most 20000 lines: the longest log is 20000 of "-32768 ".
        {lines("-32768 \r\n", 20000), {}, fullOfMinimums, {}, ""},
        {lines(" 1 \r\n", 19999) + "-3276", 20000, allButOne, {}, ""},
        {lines(" 1 \r\n", 20001), {}, {}, Range, tooMany},
        {lines(" 1 \r\n", 20000) + " 1", {}, {}, Range, tooMany},
        {lines(" 12345 \r\n", 20001), {}, {}, Range, tooMany},
        {lines("-32768 \r\n", 25000), {}, {}, Range, tooMany},
        {"(in use)", {}, {}, File, "in use by another Kelpov"},
        {"(none)", {}, {}, File, "No such file or directory"},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.log.substr(0, 40) + " (" + std::to_string(c.log.size()) + " bytes)");
        ScratchDir dir;
        std::ofstream(ResultsName) << Header;
        std::unique_ptr<Picker> other;
        if (c.log == "(in use)") {
            other = RecordedRun({1});
        } else if (c.log != "(none)") {
            std::ofstream("data.txt", std::ios::binary) << c.log;
        }
        auto picker = NewPicker();
        const auto [tornLine, caught] = CatchValue([&] { return FinishFromLog(*picker, "1"); });
        EXPECT_EQ(caught.kind, c.kind);
        EXPECT_NE(caught.message.find(c.reason), std::string::npos) << caught.message;
        if (!c.kind) {
            EXPECT_EQ(tornLine, std::optional<std::optional<int>>(c.tornLine));
            const auto ones = std::ranges::count(c.picks, 1);
            EXPECT_EQ(std::vector<int>(&picker->Picks[1], &picker->Picks[1] + picker->PickCount),
                      c.picks);
            EXPECT_EQ(Bytes(ResultsName), ResultBytes({{1, static_cast<int>(ones)}}));
        } else {
            EXPECT_EQ(Bytes(ResultsName), Header);
            EXPECT_EQ(Bytes(SortedResultsName), "(none)");
        }
    }
}

TEST(Summary, NamesTheMostAndLeastFrequentItems) {
    struct Case {
        const char* outcomes;
        std::vector<int> counts;  // of items 1, 2, ...; an item past n stands for picks outside
        std::string summary;
        std::vector<double> expected;  // of items 1 to 7 at most
        int zeros = 0;                 // 0s recorded before the picks, as before the first movement
    };
    // 100 picks on 100 of 20000 items.
    std::vector<int> sparse(20000);
    for (std::size_t k = 0; k < sparse.size(); k += 200) {
        sparse[k + 66] = 1;
    }
    // clang-format off
    const std::vector<Case> cases = {
        {"2", {30, 10}, "40 picks of items 1 to 2. Most frequent: item 1, 30 times. Least "
            "frequent: item 2, 10 times.", {20, 20}},
        {"4", {7, 3, 7, 3}, "20 picks of items 1 to 4. Most frequent: items 1 and 3, 7 times "
            "each. Least frequent: items 2 and 4, 3 times each.", {5, 5, 5, 5}},
        {"8", {3, 0, 0, 0, 0, 0, 0, 1}, "4 picks of items 1 to 8. Most frequent: item 1, 3 times. "
            "Least frequent: items 2, 3, 4, 5, 6 and 1 more, never.", std::vector<double>(7, 0.5)},
        {"7", {1, 1, 1, 0, 1, 1, 1}, "6 picks of items 1 to 7. No item came up more than once: 6 "
            "items once, 1 item never.", std::vector<double>(7, 6.0 / 7)},
        {"20000", sparse, "100 picks of items 1 to 20000. No item came up more than once: 100 "
            "items once, 19900 items never.", std::vector<double>(7, 0.005)},
        {"3", {2, 2, 2}, "6 picks of items 1 to 3. Every item came up 2 times.", {2, 2, 2}},
        // An even share is exact, not off by the rounding of 1/20 added up twenty times.
        {"20", std::vector<int>(20, 5), "100 picks of items 1 to 20. Every item came up 5 times.",
            std::vector<double>(7, 5.0)},
        {"6", {}, "0 picks of items 1 to 6.", std::vector<double>(6, 0.0)},
        // "2.5" counts items 1 and 2, though its draws also give 3.
        {"2.5", {0, 1, 1}, "1 pick of items 1 to 2. No item came up more than once: 1 item once, "
            "1 item never. 1 beat before the first movement recorded 0 and is not counted. Not "
            "counted: 1 recorded pick outside items 1 to 2.", {0.5, 0.5}, 1},
        {"6", {2, 1}, "3 picks of items 1 to 6. Most frequent: item 1, 2 times. Least frequent: "
            "items 3, 4, 5 and 6, never. 61 beats before the first movement recorded 0 and are not "
            "counted.", std::vector<double>(6, 0.5), 61},
        // 5.6 outcomes draw item 6 0.6 times as often as each of the others.
        {"5.6", {6, 5, 5, 5, 5, 2}, "28 picks of items 1 to 6. Most frequent: item 1, 6 times. "
            "Least frequent: item 6, 2 times.", {5, 5, 5, 5, 5, 3}},
        {"1", {12, 3}, "12 picks of item 1. Not counted: 3 recorded picks outside item 1.", {12}},
        // A negative count draws 0 itself: its 0s are picks like any other.
        {"-3", {1, 1}, "0 picks: the outcome count gives no items to count. Not counted: 4 "
            "recorded picks.", {}, 2},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.summary);
        auto picker = NewPicker();
        picker->PickCount = static_cast<Int16>(c.zeros);
        for (std::size_t k = 0; k < c.counts.size(); ++k) {
            for (int pick = 0; pick < c.counts[k]; ++pick) {
                picker->Picks[++picker->PickCount] = static_cast<Int16>(k + 1);
            }
        }
        TallyPicks(*picker, c.outcomes);
        const Summary summary = Summarize(*picker, c.outcomes);
        EXPECT_EQ(SummaryText(summary), c.summary);
        ASSERT_EQ(std::min<std::size_t>(summary.expected.size(), 7), c.expected.size());
        for (std::size_t k = 0; k < c.expected.size(); ++k) {
            // Exact where every item is equally likely.
            const bool whole = std::string_view(c.outcomes).find('.') == std::string_view::npos;
            EXPECT_NEAR(summary.expected[k], c.expected[k], whole ? 0 : 1e-9) << "item " << k + 1;
        }
    }
}
