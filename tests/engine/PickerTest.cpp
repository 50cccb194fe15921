#include <cmath>

#include "picker/DrawLaw.h"
#include "tests/engine/TestSupport.h"

TEST(Picker, TheLogHoldsEveryBeatUpToTheStoreLimit) {
    ScratchDir dir;
    std::ofstream("data.txt") << " 3 \r\n 4 \r\n";
    auto picker = NewPicker();
    picker->PickCount = 9;
    picker->CountPosition = 4;
    picker->OpenLog();
    EXPECT_EQ(Bytes("data.txt"), "");
    EXPECT_EQ(picker->PickCount + picker->CountPosition, 0);
    // The first beat comes before any draw and records 0. Each line is in the file at once.
    std::vector<int> picks;
    for (const int pick : {0, 5, -4, 32767, -32768}) {
        picker->CurrentPick = static_cast<Int16>(pick);
        picker->Record();
        picks.push_back(pick);
        ASSERT_EQ(Bytes("data.txt"), LogBytes(picks));
        EXPECT_EQ(picker->Picks[picker->PickCount], pick);
    }
    while (picker->PickCount < Picker::PickStoreLimit) {
        picker->CurrentPick = static_cast<Int16>(picker->PickCount % 7);
        picker->Record();
        picks.push_back(picker->CurrentPick);
    }
    // The 20001st beat fails before its line is written: the log and the store still agree.
    EXPECT_EQ(Catch([&] { picker->Record(); }).kind, FailureKind::Range);
    EXPECT_EQ(picker->PickCount, Picker::PickStoreLimit);
    EXPECT_EQ(picker->Picks[Picker::PickStoreLimit], picks.back());
    EXPECT_TRUE(Bytes("data.txt") == LogBytes(picks));
}

// Draws in a tight loop share one tick of the clock, so they also show that re-seeding with the
// same clock value neither repeats nor biases the draws.
TEST(Draw, DrawsCoverTheirRangeUniformlyAndIndependently) {
    struct Case {
        const char* outcomes;
        int lowest, highest;  // every value between them must occur
        double critical;      // of chi-square at p = 1e-6 with n - 1 degrees of freedom; 0: none
    };
    // ((0 - 1) + 1) * r + 1 is exactly 1; -5 also gives 1 when r is exactly 0. The counts are
    // read against the law the summary and the fairness reading take the draws to follow.
    const std::vector<Case> cases = {
        {"0", 1, 1, 0},      {"-5", -4, 0, 0},    {"2.5", 1, 3, 27.631},   {"1.5", 1, 2, 23.928},
        {"2", 1, 2, 23.928}, {"6", 1, 6, 35.888}, {"100", 1, 100, 180.792}};
    constexpr int Draws = 60000;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.outcomes);
        // Two runs side by side see the same clock values and must still draw differently.
        auto picker = NewPicker(), twin = NewPicker();
        std::vector<int> seen(202);
        int repeats = 0, sameAsTwin = 0;
        for (int k = 0; k < Draws; ++k) {
            const int previous = picker->CurrentPick;
            picker->Draw(c.outcomes);
            twin->Draw(c.outcomes);
            const int pick = picker->CurrentPick;
            ASSERT_TRUE(pick >= c.lowest && pick <= std::max(c.highest, 1)) << pick;
            ++seen[static_cast<std::size_t>(pick + 100)];
            repeats += pick == previous;
            sameAsTwin += pick == twin->CurrentPick;
        }
        for (int value = c.lowest; value <= c.highest; ++value) {
            EXPECT_GT(seen[static_cast<std::size_t>(value + 100)], 0) << value;
        }
        if (c.critical == 0) {
            continue;
        }
        const std::vector<double> law = LawOfDraw(c.outcomes).chances;
        ASSERT_EQ(law.size(), static_cast<std::size_t>(c.highest));
        double chiSquare = 0, same = 0;
        for (int value = c.lowest; value <= c.highest; ++value) {
            const double chance = law[static_cast<std::size_t>(value - 1)];
            const double expected = Draws * chance;
            const int observed = seen[static_cast<std::size_t>(value + 100)];
            chiSquare += (observed - expected) * (observed - expected) / expected;
            same += chance * chance;
        }
        EXPECT_LT(chiSquare, c.critical);
        // Repeats of the draw before, and agreements with the twin, are each a sum of
        // Bernoulli(sum q^2) variables: 5.5 standard deviations make a false alarm unlikely.
        const double sd = std::sqrt(Draws * same * (1 - same));
        EXPECT_LT(std::abs(repeats - Draws * same), 5.5 * sd) << repeats << " repeats";
        EXPECT_LT(std::abs(sameAsTwin - Draws * same), 5.5 * sd) << sameAsTwin << " agreements";
    }
}
