#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "bench/SimulatedPicks.h"
#include "finish/FairnessWords.h"
#include "tests/engine/Stretches.h"

// The p-values of the changes are the chi-square survival function in closed form, scaled by
// (N-2)/N for N equal items, worked out with Python's math module: exp(-y/2) for 2 degrees of
// freedom, erfc(sqrt(y/2)) + sqrt(2y/pi) exp(-y/2) for 3, with y = x N/(N-2). Two items with no
// rests take the exact binomial test: 2 (1 + 10 + 45) / 1024 for 8 of 10.
TEST(Fairness, ReadsTheRunsItIsGiven) {
    using enum Fairness::Verdict;
    using enum Fairness::Test;
    struct Case {
        const char* name;
        const char* outcomes;
        std::string stretches;
        Fairness::Verdict verdict;
        Fairness::Test test;
        double statistic, p;
        int repeats, changes;
        std::string text;  // "{k}" stands for the detectable factor, which the simulations check
    };
    const std::string stretchesOf = ". The test counts which item holds each of the ";
    const std::string betweenChanges =
        " between changes of item, which the pointer's rests cannot sway. A run of this size "
        "would find an item drawn {k} times as often as each other one 4 times in 5";
    // clang-format off
    const std::vector<Case> cases = {
        // Counts 14, 8, 8 of 30 stretches: x = (16 + 4 + 4) / 10, y = 3x. A rest of 41 beats on
        // item 1 makes it the most recorded item, and changes nothing.
        {"three items, one long rest", "3",
            "1 2 1 3 1*41 2 1 3 1 2*3 1 3 1 2 1 3 1 2 1 3 1 2 1 3 1 2 1 3 2 3",
            Consistent, Changes, 2.4, 0.02732372244729256, 42, 29,
            "No clear sign that some items come up more often (p = 0.0273)" + stretchesOf +
            "30 stretches between changes of item, which the pointer's rests cannot sway. A run of "
            "this size is too short to find even an item drawn 1000 times as often as each other "
            "one 4 times in 5. The pointer rested: 42 beats repeated the pick "
            "before them (about 42 for independent draws of these counts), and the longest "
            "stretch is item 1 for 41 beats"},
        // Counts 12, 5, 4, 3 of 24 stretches: x = (36 + 1 + 4 + 9) / 6, y = 2x.
        {"four items, item 1 favoured", "4", "1 2 1 3 1 4 1 2 1 3 1 4 1 2 1 3 1 4 1 2 1 2 1 3",
            Uneven, Changes, 25.0 / 3, 0.0008275246236931512, 0, 23,
            "Some items come up more often than chance explains (p = 0.000828)" + stretchesOf +
            "24 stretches" + betweenChanges},
        {"two items, no rests", "2", "1*2 2 1*3 2 1*3", Consistent, Binomial, 3.6, 0.109375, 5, 4,
            "No clear sign that some items come up more often (p = 0.109). The test is an exact "
            "binomial test on the 10 picks, whose repeats show no rests of the pointer. A run of "
            "this size would find an item drawn {k} times as often as each other one 4 times in 5"},
        {"two items, rests", "2", "1*20 2*20 1*20 2*20", NotJudged, None, 0, -1, 76, 3,
            "Not judged: with two items the stretches of one item can only alternate, so only "
            "their lengths could show a favoured item, and the pointer's rests lengthen them. The "
            "pointer rested: 76 beats repeated the pick before them (about 39 for independent "
            "draws of these counts), and the longest stretch is item 1 for 20 beats"},
        {"not a number", "abc", "1 2", NotJudged, None, 0, -1, 0, 0,
            "Not judged: the outcome count gives fewer than two items to compare"},
        {"one item", "1", "1 2 1", NotJudged, None, 0, -1, 0, 0,
            "Not judged: the outcome count gives fewer than two items to compare"},
        {"no draw yet", "6", "0*5 7", NotJudged, None, 0, -1, 4, 0,
            "Not judged: no recorded pick is an item the draw gives"},
        {"never moved", "6", "0*2 4*7", NotJudged, None, 0, -1, 7, 0,
            "Not judged: the picks never change item, so they say nothing of the draws"},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Fairness fairness = JudgeFairness(Stretches(c.stretches), c.outcomes);
        EXPECT_EQ(fairness.verdict, c.verdict);
        EXPECT_EQ(fairness.test, c.test);
        EXPECT_NEAR(fairness.statistic, c.statistic, 1e-12);
        EXPECT_NEAR(fairness.p.value_or(-1), c.p, 1e-12 * std::abs(c.p));
        EXPECT_EQ(fairness.repeats, c.repeats);
        EXPECT_EQ(fairness.changes, c.changes);
        std::string text = c.text;
        if (const auto k = c.text.find("{k}"); k != std::string::npos) {
            ASSERT_TRUE(fairness.detectable.has_value());
            const std::string said = FairnessText(fairness);
            const std::string factor = said.substr(k, said.find(' ', k) - k);
            EXPECT_NEAR(std::stod(factor), *fairness.detectable, 0.05 * *fairness.detectable);
            text = c.text.substr(0, k) + factor + c.text.substr(k + 3);
        }
        EXPECT_EQ(FairnessText(fairness), text);
    }
}

TEST(Fairness, PrintsPSoThatItNeverCrossesTheLevel) {
    const std::vector<std::pair<double, std::string>> cases = {
        {0.00995, "p = 0.00995"}, {0.009996, "p = 0.00999"},    {0.01, "p = 0.0100"},
        {0.01004, "p = 0.0100"},  {0.09996, "p = 0.100"},       {0.41249, "p = 0.412"},
        {1, "p = 1.00"},          {0.00012345, "p = 0.000123"}, {0.0000999, "p < 0.0001"},
    };
    for (const auto& [p, text] : cases) {
        EXPECT_EQ(PValueText(p), text) << p;
    }
}

// The reading over seeded simulated runs, each row a lighter version of a row of
// bench/FairnessFigures.cpp, which prints the full figures. Each test is one group of rows, so
// that each keeps within its time when built with the sanitizers.
struct SimulatedRow {
    const char* name;
    const char* outcomes;
    std::vector<double> chances;  // empty: the draw's own law
    int beats;
    Pointer pointer;
    int runs;
    double below;        // runs with p below this are counted; 0 counts those not judged
    double least, most;  // the share of runs counted
};
constexpr double Uneven = SignificanceLevel, NotJudged = 0;
const Pointer Still{0, 1};
const std::vector<double> Fair;

void ExpectShares(const std::vector<SimulatedRow>& rows) {
    std::uint64_t seed = 0;
    for (const SimulatedRow& row : rows) {
        SCOPED_TRACE(row.name);
        SimulatedPicks simulated(row.chances.empty() ? DrawLaw(row.outcomes) : row.chances, ++seed);
        int counted = 0;
        for (int run = 0; run < row.runs; ++run) {
            const Fairness reading =
                JudgeFairness(simulated.Run(row.beats, row.pointer), row.outcomes);
            counted += row.below > 0 ? reading.p.value_or(1) < row.below
                                     : reading.verdict == Fairness::Verdict::NotJudged;
        }
        EXPECT_GE(counted, row.least * row.runs);
        EXPECT_LE(counted, row.most * row.runs);
    }
}

// However the pointer rests, and for a fractional count too.
TEST(Fairness, FairGeneratorIsSeldomReadAsUneven) {
    // clang-format off
    ExpectShares({
        {"N=6, independent", "6", Fair, 2000, Still, 100, Uneven, 0, 0.03},
        {"N=6, rests of 5", "6", Fair, 2000, {0.5, 5}, 100, Uneven, 0, 0.03},
        {"N=20, rests of 10", "20", Fair, 2000, {0.5, 10}, 100, Uneven, 0, 0.03},
        {"N=100, rests of 20", "100", Fair, 20000, {0.5, 20}, 30, Uneven, 0, 0.034},
        {"N=5.6, rests of 5", "5.6", Fair, 2000, {0.5, 5}, 100, Uneven, 0, 0.03},
        {"N=2.5, independent", "2.5", Fair, 2000, Still, 100, Uneven, 0, 0.03},
        {"N=2, independent", "2", Fair, 2000, Still, 100, Uneven, 0, 0.03},
        {"N=2, rare long rests", "2", Fair, 2000, {0.001, 50}, 100, Uneven, 0, 0.03},
    });
    // clang-format on
}

TEST(Fairness, FavouredItemIsFoundAndTwoItemsWithRestsAreNotJudged) {
    const std::vector<double> favoured = OneFavoured(6, 0.25);
    // clang-format off
    ExpectShares({
        {"favoured, N=6, independent", "6", favoured, 2000, Still, 40, Uneven, 0.95, 1},
        {"favoured, N=6, rests of 5", "6", favoured, 2000, {0.5, 5}, 100, Uneven, 0.35, 1},
        {"fair, N=2, rests of 5", "2", Fair, 200, {0.5, 5}, 100, NotJudged, 0.95, 1},
        // A simulated p is spread as chance spreads it: not only seldom small, but not large.
        {"fair, N=5.6, short, p spread", "5.6", Fair, 100, {0.5, 5}, 80, 0.25, 0.13, 0.37},
    });
    // clang-format on
}

// As for 20000 items and 2000 picks, a tenth of a pick expected per item.
TEST(Fairness, SparseCountsAreJudged) {
    // clang-format off
    ExpectShares({
        {"fair, 500 items", "500", Fair, 50, Still, 40, Uneven, 0, 0.05},
        {"half on 10 of 500 items", "500", SomeFavoured(500, 10), 50, Still, 10, Uneven, 0.95, 1},
    });
    // clang-format on
}

// The difference a run could show is what simulated runs of its size show about 4 times in 5, and
// a reading that simulates gives the same p every time.
TEST(Fairness, DetectableDifferenceIsFoundFourTimesInFive) {
    struct Case {
        const char* outcomes;
        int beats;
        Pointer pointer;
        int runs;
    };
    const std::vector<Case> cases = {
        {"6", 2000, Still, 100}, {"6", 2000, {0.5, 5}, 100}, {"500", 50, Still, 40}};
    std::uint64_t seed = 100;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.outcomes);
        const int n = std::stoi(c.outcomes);
        const std::vector<Int16> fairRun =
            SimulatedPicks(DrawLaw(c.outcomes), ++seed).Run(c.beats, c.pointer);
        const Fairness reading = JudgeFairness(fairRun, c.outcomes);
        EXPECT_EQ(JudgeFairness(fairRun, c.outcomes).p, reading.p);
        ASSERT_TRUE(reading.detectable.has_value());
        const double k = *reading.detectable;
        SimulatedPicks favoured(DrawnKTimesAsOften(n, k), ++seed);
        int found = 0;
        for (int run = 0; run < c.runs; ++run) {
            found += JudgeFairness(favoured.Run(c.beats, c.pointer), c.outcomes).verdict ==
                     Fairness::Verdict::Uneven;
        }
        EXPECT_GE(found, 0.6 * c.runs) << "k = " << k;
        EXPECT_LE(found, 0.95 * c.runs) << "k = " << k;
    }
}
