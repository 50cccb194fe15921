#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "picker/Picker.h"
#include "tests/engine/TestSupport.h"

namespace fs = std::filesystem;

namespace {

class PickerTest : public InScratchDir {};

}  // namespace

TEST(Picker, StartsAllZero) {
    const auto picker = NewPicker();
    EXPECT_EQ(picker->CurrentPick, 0);
    EXPECT_EQ(picker->PickCount, 0);
    EXPECT_EQ(picker->CountPosition, 0);
    for (ItemArray* array :
         {&picker->Picks, &picker->Counts, &picker->SortedCounts, &picker->SortedItems}) {
        EXPECT_TRUE(std::ranges::all_of(array->Slots(0, ItemArray::LastIndex),
                                        [](Int16 slot) { return slot == 0; }));
    }
}

TEST_F(PickerTest, OpenLogCreatesAnEmptyLogAndRecordWritesEachBeat) {
    WriteFile("data.txt", " 3 \r\n 4 \r\n");
    auto picker = NewPicker();
    // OpenLog starts the store and the tally afresh.
    picker->PickCount = 9;
    picker->CountPosition = 4;
    picker->OpenLog();
    EXPECT_TRUE(SameBytes(ReadFile("data.txt"), ""));
    EXPECT_EQ(picker->PickCount, 0);
    EXPECT_EQ(picker->CountPosition, 0);

    // The first beat comes before any draw and records 0.
    const std::vector<Int16> beats = {0, 5, 5, -4, 32767, -32768, 12};
    std::string expected;
    for (std::size_t k = 0; k < beats.size(); ++k) {
        picker->CurrentPick = beats[k];
        picker->Record();
        expected += Printed(beats[k]) + "\r\n";
        SCOPED_TRACE(k + 1);
        // Written through at once: the log holds the line before the log is closed.
        EXPECT_TRUE(SameBytes(ReadFile("data.txt"), expected));
        EXPECT_EQ(picker->PickCount, static_cast<int>(k + 1));
        EXPECT_EQ(picker->Picks[picker->PickCount], beats[k]);
    }
    EXPECT_EQ(picker->Picks[0], 0);
    picker->CloseLog();
    EXPECT_TRUE(SameBytes(ReadFile("data.txt"),
                          " 0 \r\n 5 \r\n 5 \r\n-4 \r\n 32767 \r\n-32768 \r\n 12 \r\n"));
    // A beat after the log is closed cannot be written and must not pass unnoticed.
    EXPECT_EQ(FailureOf([&] { picker->Record(); }), FailureKind::File);
    EXPECT_EQ(picker->PickCount, static_cast<int>(beats.size()));
}

TEST_F(PickerTest, TheStoreLimitFailsBeforeTheLineIsWritten) {
    auto picker = NewPicker();
    picker->OpenLog();
    std::string expected;
    for (int k = 1; k <= Picker::PickStoreLimit; ++k) {
        picker->CurrentPick = static_cast<Int16>(k % 23 - 3);
        picker->Record();
        expected += Printed(picker->CurrentPick) + "\r\n";
    }
    EXPECT_EQ(picker->PickCount, 20000);
    EXPECT_EQ(picker->Picks[20000], 20000 % 23 - 3);
    picker->CurrentPick = 7;
    EXPECT_EQ(FailureOf([&] { picker->Record(); }), FailureKind::Range);
    // The log and the store still agree: 20000 lines, 20000 picks.
    EXPECT_EQ(picker->PickCount, 20000);
    EXPECT_TRUE(SameBytes(ReadFile("data.txt"), expected));
    picker->CloseLog();
    EXPECT_TRUE(SameBytes(ReadFile("data.txt"), expected));
}

TEST_F(PickerTest, ALogThatCannotBeCreatedOrWrittenIsAFileFailure) {
    {
        // Root ignores permission bits, so a directory stands in for a log that cannot be created.
        fs::create_directory("data.txt");
        const Caught caught = Catch([] { NewPicker()->OpenLog(); });
        EXPECT_EQ(caught.kind, FailureKind::File);
        EXPECT_NE(caught.message.find("data.txt"), std::string::npos) << caught.message;
    }
    ScratchDir dir;
    fs::create_symlink("/dev/full", "data.txt");
    auto picker = NewPicker();
    picker->OpenLog();
    picker->CurrentPick = 3;
    const Caught caught = Catch([&] { picker->Record(); });
    EXPECT_EQ(caught.kind, FailureKind::File);
    EXPECT_NE(caught.message.find("data.txt"), std::string::npos) << caught.message;
    EXPECT_NE(caught.message.find("No space left on device"), std::string::npos) << caught.message;
    EXPECT_EQ(picker->PickCount, 0);
    EXPECT_EQ(picker->Picks[1], 0);
}

TEST_F(PickerTest, AKilledRunKeepsEveryRecordedLine) {
    constexpr int Beats = 137;
    const auto beat = [](int k) { return static_cast<Int16>(k % 13 - 6); };
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        ::close(ready[0]);
        try {
            auto picker = NewPicker();
            picker->OpenLog();
            for (int k = 1; k <= Beats; ++k) {
                picker->CurrentPick = beat(k);
                picker->Record();
            }
            if (::write(ready[1], "r", 1) != 1) {
                ::_exit(2);
            }
            for (;;) {
                ::pause();
            }
        } catch (...) {
            ::_exit(1);
        }
    }
    ::close(ready[1]);
    char byte = 0;
    const bool recorded = ::read(ready[0], &byte, 1) == 1;
    ::close(ready[0]);
    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(recorded) << "the child failed before recording every beat";
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    std::string expected;
    for (int k = 1; k <= Beats; ++k) {
        expected += Printed(beat(k)) + "\r\n";
    }
    EXPECT_TRUE(SameBytes(ReadFile("data.txt"), expected));
}

TEST(Draw, FailuresLeaveTheCurrentPickUnchanged) {
    struct Case {
        const char* outcomes;
        FailureKind failure;
    };
    // Beyond the 16-bit range only some draws fail (those with a large enough r), so each text
    // is drawn until it fails.
    const std::vector<Case> cases = {
        {"", FailureKind::Type},          {"abc", FailureKind::Type},
        {"1e400", FailureKind::Overflow}, {"40000", FailureKind::Overflow},
        {"-1e6", FailureKind::Overflow},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("outcomes \"") + c.outcomes + "\"");
        auto picker = NewPicker();
        picker->CurrentPick = 9;
        std::optional<FailureKind> failure;
        for (int tries = 0; tries < 1000 && !failure; ++tries) {
            const Int16 before = picker->CurrentPick;
            failure = FailureOf([&] { picker->Draw(c.outcomes); });
            if (failure) {
                EXPECT_EQ(picker->CurrentPick, before);
            }
        }
        EXPECT_EQ(failure, c.failure);
    }
}

TEST(Draw, ValuesStayWithinTheirRangeAndAllOfThemOccur) {
    struct Case {
        const char* outcomes;
        int lowest;
        int highest;
        std::set<int> mustOccur;
    };
    const std::vector<Case> cases = {
        {"1", 1, 1, {1}},
        {"0", 1, 1, {1}},  // ((0 - 1) + 1) * r + 1 is exactly 1
        // 1 itself needs r to be exactly 0, so it is allowed but not awaited.
        {"-5", -4, 1, {-4, -3, -2, -1, 0}},
        {"2.5", 1, 3, {1, 2, 3}},
        {"6", 1, 6, {1, 2, 3, 4, 5, 6}},
        {" 20000 ", 1, 20000, {}},
    };
    auto picker = NewPicker();
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("outcomes \"") + c.outcomes + "\"");
        std::set<int> seen;
        for (int k = 0; k < 3000; ++k) {
            picker->Draw(c.outcomes);
            seen.insert(picker->CurrentPick);
        }
        EXPECT_GE(*seen.begin(), c.lowest);
        EXPECT_LE(*seen.rbegin(), c.highest);
        for (const int value : c.mustOccur) {
            EXPECT_TRUE(seen.contains(value)) << value;
        }
    }
}

// Draws made in a tight loop share one tick of the clock, so they test that a re-seed with the
// same clock value does not repeat or bias the draws.
TEST(Draw, DrawsInATightLoopAreUniformAndIndependent) {
    constexpr int Draws = 60000;
    struct Case {
        const char* outcomes;
        int n;
        // The upper 1e-6 quantile of the chi-square distribution with n - 1 degrees of freedom:
        // the root of the regularized upper incomplete gamma Q((n - 1) / 2, x / 2) = 1e-6,
        // computed with mpmath.
        double critical;
    };
    const std::vector<Case> cases = {{"2", 2, 23.928}, {"6", 6, 35.888}, {"100", 100, 180.792}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("outcomes ") + c.outcomes);
        auto picker = NewPicker();
        std::vector<int> observed(static_cast<std::size_t>(c.n) + 1);
        int repeats = 0;
        int previous = 0;
        for (int k = 0; k < Draws; ++k) {
            picker->Draw(c.outcomes);
            const int pick = picker->CurrentPick;
            ASSERT_TRUE(pick >= 1 && pick <= c.n) << pick;
            ++observed[static_cast<std::size_t>(pick)];
            repeats += pick == previous;
            previous = pick;
        }
        const double expected = static_cast<double>(Draws) / c.n;
        double chiSquare = 0;
        for (int item = 1; item <= c.n; ++item) {
            const double d = observed[static_cast<std::size_t>(item)] - expected;
            chiSquare += d * d / expected;
        }
        EXPECT_LT(chiSquare, c.critical);
        // Whether draw k repeats draw k - 1 is a Bernoulli(1/n) variable, and these are pairwise
        // independent, so their sum has the binomial variance. 5.5 standard deviations make a
        // false alarm about 4e-8 likely.
        const double pairs = Draws - 1, p = 1.0 / c.n;
        const double sd = std::sqrt(pairs * p * (1 - p));
        EXPECT_LT(std::abs(repeats - pairs * p), 5.5 * sd) << repeats << " repeats";
    }
}

TEST(Draw, TwoRunsDoNotRepeatEachOther) {
    auto first = NewPicker();
    auto second = NewPicker();
    std::vector<int> firstDraws, secondDraws;
    // Interleaved, so both see the same clock values.
    for (int k = 0; k < 64; ++k) {
        first->Draw("100");
        second->Draw("100");
        firstDraws.push_back(first->CurrentPick);
        secondDraws.push_back(second->CurrentPick);
    }
    EXPECT_NE(firstDraws, secondDraws);
}
