#include <gtest/gtest.h>

#include <cmath>
#include <stop_token>
#include <string>
#include <vector>

#include "bench/SimulatedPicks.h"
#include "finish/FairnessWords.h"
#include "finish/fairness/ChainDraw.h"
#include "picker/DrawLaw.h"
#include "tests/engine/Stretches.h"

namespace {

// The stretches text repeated: "1*3 2" three times is "1*3 2 1*3 2 1*3 2".
std::string Times(const std::string& text, int times) {
    std::string repeated = text;
    for (int k = 1; k < times; ++k) {
        repeated += " " + text;
    }
    return repeated;
}

}  // namespace

// Every p here was worked out apart from the code, in Python with its math module only:
// - the changes test with three items, exactly: every chain of stretches walked (3 * 2^15 of them
//   for 16 stretches), or, for 30 and 18 stretches, a table of (current item, counts) grown a
//   stretch at a time, which agrees with the walk at 16; the p is the chance of a Pearson's
//   statistic at least the run's, with the stretches' law pi_i proportional to q_i (1 - q_i);
// - the changes test's limit: for N equal items the chi-square survival function, scaled by
//   (N-2)/N: erfc(sqrt(y/2)) + sqrt(2y/pi) exp(-y/2) for 3 degrees of freedom, y = x N/(N-2);
//   for 5.6, P(w1 A + w2 Z^2 > x) with A a chi-square of 4 degrees of freedom (exp(-a/2)
//   (1 + a/2)), w1 = 3.6/5.6, w2 = 4/5.2, integrated over Z by Simpson's rule;
// - the beat-share test: the turns from each start of a stretch of item 1 (but the first pick's)
//   to the next, t = sum(a - q len) / sqrt(max(C/(C-1) sum((y - mean)^2), q (1 - q) B)), and
//   the two-sided p of Student's t with C - 1 degrees of freedom in closed form (Abramowitz and
//   Stegun 26.7.3-4);
// - the simulated p's floor: 1 / (9999 + 1), as no simulated run reaches a statistic that far;
// - the repeats: 22 of 40 picks against 14.55 expected, z = (22 - 0.5 - 14.55) / sd, a one-sided
//   p of 0.0147, below half the level of 0.05, and the longest stretch's chance 0.47.
// "{k}" in a text stands for the detectable factor, which the simulations check.
TEST(Fairness, ReadsTheRunsItIsGiven) {
    using enum Fairness::Verdict;
    using O = Fairness::Obstacle;
    using enum Fairness::Test;
    struct Case {
        const char* name;
        const char* outcomes;
        std::string stretches;
        Fairness::Verdict verdict;
        Fairness::Obstacle obstacle;
        Fairness::Test test;
        double statistic, p;  // p -1: none
        int repeats, changes;
        std::string text;
    };
    const std::string noSign = "No sign that some items come up more often. ";
    const std::string uneven = "Some items come up more often than chance explains. ";
    const std::string tooFew = "Too few picks to tell. ";
    const std::string notJudged = "Not judged. ";
    const std::string counts = "The test counts which item begins each of the ";
    const std::string chain =
        " between changes of item, against the chain of changes, which "
        "the pointer's rests cannot sway: Pearson's chi-square";
    const std::string share = "The test compares item 1's share of the beats with its chance";
    const std::string holds =
        " It holds because how long the pointer rests does not depend on "
        "the item, which Kelpov never shows while picking.";
    const std::string tooShort =
        "The run is too short: even if one item were drawn 1000 times "
        "as often as each other item, a run with as many changes of "
        "item as this one would not show it 4 times in 5. ";
    const auto repeats = [](const std::string& counted, const std::string& longest) {
        return " The picks hold more or longer repeats than independent draws would: " + counted +
               " for independent draws of these counts), and the longest stretch is " + longest +
               "; the pointer rested, or some items are drawn more often.";
    };
    // clang-format off
    const std::vector<Case> cases = {
        // Counts 7, 7, 2 of 16 stretches: 3.125, where the chi-square limit gives 0.0092.
        {"three items, few stretches, exact", "3", "0*4 1*3 2 1 2*5 1 3 2 1*2 2 1 2 3*3 1 2 1 2",
            NotJudged, O::TooFewPicks, ExactChanges, 3.125, 0.024169921875, 9, 15,
            tooFew + tooShort + counts + "16 stretches" + chain +
            ", its chance worked out exactly (p = 0.0242)."},
        // Counts 14, 8, 8 of 30 stretches. A rest of 41 beats on item 1 makes it the most recorded
        // item, and changes nothing.
        {"three items, one long rest", "3",
            "1 2 1 3 1*41 2 1 3 1 2*3 1 3 1 2 1 3 1 2 1 3 1 2 1 3 1 2 1 3 2 3",
            Consistent, O::None, ExactChanges, 2.4, 0.04909095168113668, 42, 29,
            noSign + "Over the 30 stretches between changes of item, each item began about as "
            "many as a fair draw gives it. If one item were drawn {k} times as often as each "
            "other item, a run with as many changes of item as this one would show it 4 times in "
            "5; a smaller difference can go unseen. " + counts + "30 stretches" + chain +
            ", its chance worked out exactly (p = 0.0491)." +
            repeats("42 picks repeat the one before them (about 42", "item 1 for 41 beats")},
        // Counts 16, 6, 5, 5 of 32 stretches: x = (64 + 4 + 9 + 9) / 8, y = 2x.
        {"four items, item 1 favoured", "4",
            "1 2 1 3 1 4 1 2 1 3 1 4 1 2 1 3 1 4 1 2 1 2 1 3 1 4 1 2 1 3 1 4",
            Uneven, O::None, Changes, 10.75, 8.287854510495484e-05, 0, 31,
            uneven + "Over the 32 stretches between changes of item, some items began more of "
            "them than a fair draw gives, by more than chance explains. " + counts +
            "32 stretches" + chain + ", scaled for the chain (p < 0.0001)."},
        // Counts 13, 12, 12, 9, 9, 9 of 64 stretches against the law of 5.6.
        {"fractional count, limit law", "5.6",
            Times("1*2 2 3 4*3 5 6 1 2*2 3 4 5*2 6 1 2 3 1 4 5 2 6 3 1", 3),
            Consistent, O::None, Changes, 1.6358695652173918, 0.7835880113072506, 17, 63,
            noSign + "Over the 64 stretches between changes of item, each item began about as "
            "many as a fair draw gives it. If one item were drawn {k} times as often as the "
            "draw's own law gives it against the other items, a run with as many changes of item "
            "as this one would show it 4 times in 5; a smaller difference can go unseen. " +
            counts + "64 stretches between changes of item, against the draw's own law and the "
            "chain of changes, which the pointer's rests cannot sway: Pearson's chi-square, "
            "scaled for the chain (p = 0.784)."},
        {"two items, beat share", "2", "0*5 " + Times("1*2 2 1 2*3 1*3 2*2 1 2 1 2*2", 8),
            Consistent, O::None, BeatShare, -0.7016464154456235, 0.4872899217467199, 56, 79,
            noSign + "Item 1 was current for 46.9% of the beats, where a fair draw gives it "
            "50.0%, and chance alone often strays this far. If one item were drawn {k} times as "
            "often as each other item, a run with as many beats and rests as this one would show "
            "it 4 times in 5; a smaller difference can go unseen. " + share + ", over the 38 "
            "whole turns from one stretch of item 1 to the next; given the rests, the beats "
            "weigh as much as about 130 independent draws. Student's t = -0.70 on 37 degrees of "
            "freedom (p = 0.487)." + holds},
        // Every turn alike: the spread of independent draws, q (1 - q) B, is the floor.
        {"two items, item 1 favoured", "2", Times("1*3 2", 30), Uneven, O::None, BeatShare,
            5.2915026221291805, 1.3928003675056644e-05, 60, 59,
            uneven + "Item 1 was current for 75.0% of the beats, where a fair draw gives it "
            "50.0%: further off than chance explains. " + share + ", over the 28 whole turns "
            "from one stretch of item 1 to the next; given the rests, the beats weigh as much as "
            "about 112 independent draws. Student's t = 5.29 on 27 degrees of freedom "
            "(p < 0.0001)." + holds},
        {"2.0001 items, item 1 at 90%", "2.0001", Times("1*9 2", 20), Uneven, O::None, BeatShare,
            10.733797092268803, 5.430609517631524e-09, 160, 39,
            uneven + "Item 1 was current for 90.0% of the beats, where a fair draw gives it "
            "50.0%: further off than chance explains. The tables count items 1 to 2, the outcome "
            "count rounded, while the draw also gives item 3, less often than the others: the "
            "reading judges all 3 items. " + share + " in the draw's own law, over the 18 whole "
            "turns from one stretch of item 1 to the next; given the rests, the beats weigh as "
            "much as about 180 independent draws. Student's t = 10.73 on 17 degrees of freedom "
            "(p < 0.0001)." + holds},
        // Item 1 at two thirds: 22 turns could not find even item 1 drawn 1000 times as often.
        {"1.5 items, too short", "1.5", Times("1*2 2 1 2 1*3 2 1 2*2", 6), NotJudged,
            O::TooFewPicks, BeatShare, -1.3055824196677337, 0.2058176111684228, 24, 47,
            tooFew + "The run is too short: even if one item were drawn 1000 times as often as "
            "the draw's own law gives it against the other items, a run with as many beats and "
            "rests as this one would not show it 4 times in 5. " + share + " in the draw's own "
            "law, over the 22 whole turns from one stretch of item 1 to the next; given the "
            "rests, the beats weigh as much as about 66 independent draws. Student's t = -1.31 "
            "on 21 degrees of freedom (p = 0.206)." + holds},
        {"two items, too few turns", "2", "1*5 2*5 1*5 2*5 1*5 2*5 1*5 2*5", NotJudged,
            O::TooFewPicks, BeatShare, 0, -1, 32, 7,
            tooFew + "The run has 2 whole turns from one stretch of item 1 to the next, and the "
            "test needs at least 5 to weigh the pointer's rests. " + share + ", over the 2 whole "
            "turns from one stretch of item 1 to the next." + holds +
            repeats("32 picks repeat the one before them (about 19", "item 1 for 5 beats")},
        // Two items, one long rest: 22 repeats against 19, z = 0.79, are not too many, but a
        // stretch of 20 beats has a chance of 0.0126 in 32 independent draws of these counts.
        {"two items, one long rest", "2", "1 2 1 2 1 2 1 2 1*20 2*4", NotJudged, O::TooFewPicks,
            BeatShare, 0, -1, 22, 9,
            tooFew + "The run has 3 whole turns from one stretch of item 1 to the next, and the "
            "test needs at least 5 to weigh the pointer's rests. " + share + ", over the 3 whole "
            "turns from one stretch of item 1 to the next." + holds +
            repeats("22 picks repeat the one before them (about 19", "item 1 for 20 beats")},
        // Every two stretches are two items: 4 every time, so every simulated run reaches it.
        {"six items, one change", "6", "1*50 2", NotJudged, O::TooFewPicks, SimulatedChanges, 4, 1,
            49, 1, tooFew + tooShort + counts + "2 stretches" + chain +
            ", read against simulated runs of the chain (p = 1.00)."},
        // The 300 beats before the first movement are no repeats of the draws.
        {"leading zeros, repeats", "3",
            "0*300 2*2 3 2*2 3 1*2 2*5 3*2 2 1 2*3 3 2*3 3*4 2*3 1 3*3 1*2 3*3",
            NotJudged, O::TooFewPicks, ExactChanges, 1, 0.39309692382812417, 22, 17,
            tooFew + tooShort + counts + "18 stretches" + chain +
            ", its chance worked out exactly (p = 0.393)." +
            repeats("22 picks repeat the one before them (about 15", "item 2 for 5 beats")},
        {"sparse, uneven past every simulated run", "500", Times("1 2", 30), Uneven, O::None,
            SimulatedChanges, 14940, 0.0001, 0, 59,
            uneven + "Over the 60 stretches between changes of item, some items began more of "
            "them than a fair draw gives, by more than chance explains. " + counts +
            "60 stretches" + chain + ", read against simulated runs of the chain (p = 0.000100)."},
        {"not a number", "abc", "1 2", NotJudged, O::NoLaw, None, 0, -1, 0, 0,
            notJudged + "The outcome count gives fewer than two items to compare."},
        {"one item", "1", "1 2 1", NotJudged, O::NoLaw, None, 0, -1, 0, 0,
            notJudged + "The outcome count gives fewer than two items to compare."},
        {"no draw yet", "6", "0*5 7", NotJudged, O::NoPicks, None, 0, -1, 0, 0,
            notJudged + "No recorded pick is an item the draw gives."},
        {"never moved", "6", "0*2 4*7", NotJudged, O::NoChanges, None, 0, -1, 6, 0,
            notJudged + "The picks never change item, so they say nothing of the draws."},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Fairness fairness = JudgeFairness(Stretches(c.stretches), c.outcomes);
        EXPECT_EQ(fairness.verdict, c.verdict);
        EXPECT_EQ(fairness.obstacle, c.obstacle);
        EXPECT_EQ(fairness.test, c.test);
        EXPECT_NEAR(fairness.statistic, c.statistic, 1e-9 * std::max(1.0, std::abs(c.statistic)));
        EXPECT_NEAR(fairness.p.value_or(-1), c.p, 1e-7 * std::abs(c.p));
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
        // The one text is the three parts, verdict first.
        const ReadingWords words = FairnessWords(fairness);
        EXPECT_EQ(
            words.verdict + ". " + words.basis + (words.details.empty() ? "" : " ") + words.details,
            FairnessText(fairness));
    }
}

// A reading nobody waits for any more stops where it simulates, and says so.
TEST(Fairness, StopsWhenAsked) {
    std::stop_source stop;
    stop.request_stop();
    const Fairness fairness = JudgeFairness(Stretches(Times("1 2", 30)), "500", stop.get_token());
    EXPECT_EQ(fairness.obstacle, Fairness::Obstacle::Cancelled);
    EXPECT_EQ(fairness.verdict, Fairness::Verdict::NotJudged);
    EXPECT_FALSE(fairness.p.has_value());
}

// The item that begins the next stretch is drawn straight from the others, as the generator's
// draw conditioned on differing from the current item: never the current one, each other item j
// as often as q_j / (1 - q_current), with item 1's chance raised by the factor tried.
TEST(Fairness, NextStretchIsADrawOfTheOtherItems) {
    struct Case {
        const char* outcomes;
        double factor;
        int current;
    };
    const std::vector<Case> cases = {{"2.5", 1, 1}, {"2.5", 1, 3}, {"5.6", 1, 6},
                                     {"6", 3, 2},   {"6", 3, 1},   {"2", 1, 2}};
    constexpr int Draws = 30000;
    Random random(7);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.outcomes) + " current " + std::to_string(c.current));
        std::vector<double> law = LawOfDraw(c.outcomes).chances;
        law[0] *= c.factor;
        const ChainDraw draw(LawOfDraw(c.outcomes), c.factor);
        std::vector<int> seen(law.size() + 1);
        for (int k = 0; k < Draws; ++k) {
            ++seen[static_cast<std::size_t>(draw.Next(c.current, random))];
        }
        EXPECT_EQ(seen[static_cast<std::size_t>(c.current)], 0);
        const double others = 1 + (c.factor - 1) * LawOfDraw(c.outcomes).chances[0] -
                              law[static_cast<std::size_t>(c.current - 1)];
        double chiSquare = 0;
        for (std::size_t item = 1; item <= law.size(); ++item) {
            if (static_cast<int>(item) != c.current) {
                const double expected = Draws * law[item - 1] / others;
                chiSquare += (seen[item] - expected) * (seen[item] - expected) / expected;
            }
        }
        // Chi-square with up to 4 degrees of freedom, at 1e-6.
        EXPECT_LT(chiSquare, 33.4);
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
    Movement movement;
    int runs;
    double below;        // runs with p below this are counted; 0 counts those not judged
    double least, most;  // the share of runs counted
};
constexpr double Uneven = SignificanceLevel, NotJudged = 0;
const std::vector<double> Fair;

void ExpectShares(const std::vector<SimulatedRow>& rows) {
    std::uint64_t seed = 0;
    for (const SimulatedRow& row : rows) {
        SCOPED_TRACE(row.name);
        SimulatedPicks simulated(
            row.chances.empty() ? LawOfDraw(row.outcomes).chances : row.chances, ++seed);
        int counted = 0;
        for (int run = 0; run < row.runs; ++run) {
            const Fairness reading =
                JudgeFairness(simulated.Run(row.beats, row.movement), row.outcomes);
            counted += row.below > 0 ? reading.verdict != Fairness::Verdict::NotJudged &&
                                           reading.p.value_or(1) < row.below
                                     : reading.verdict == Fairness::Verdict::NotJudged;
        }
        EXPECT_GE(counted, row.least * row.runs);
        EXPECT_LE(counted, row.most * row.runs);
    }
}

// However the pointer moves, and for counts with a fraction too.
TEST(Fairness, FairGeneratorIsSeldomReadAsUneven) {
    // clang-format off
    ExpectShares({
        {"N=2, rests of 5", "2", Fair, 2000, Geometric(5), 100, Uneven, 0, 0.03},
        {"N=2, bursts", "2", Fair, 2000, Bursts, 100, Uneven, 0, 0.03},
        {"N=2.0001, rests of 5", "2.0001", Fair, 2000, Geometric(5), 100, Uneven, 0, 0.03},
        {"N=6, rests of 5", "6", Fair, 2000, Geometric(5), 100, Uneven, 0, 0.03},
        {"N=6, long rests", "6", Fair, 2000, LongRests, 100, Uneven, 0, 0.03},
        {"N=5.6, rests of 5", "5.6", Fair, 2000, Geometric(5), 100, Uneven, 0, 0.03},
        {"N=2.5, independent", "2.5", Fair, 2000, Independent, 100, Uneven, 0, 0.03},
    });
    // clang-format on
}

TEST(Fairness, FavouredItemIsFoundAndShortRunsAreTooFewToTell) {
    // clang-format off
    ExpectShares({
        {"N=2, odds 2, rests of 5", "2", {2.0 / 3, 1.0 / 3}, 2000, Geometric(5), 40, Uneven,
            0.85, 1},
        {"N=2.0001, item 1 at 90%", "2.0001", {0.9, 0.1}, 2000, Independent, 20, Uneven, 1, 1},
        {"N=6, item 1 at 25%", "6", OneFavoured(6, 0.25), 2000, Independent, 40, Uneven, 0.95, 1},
        {"fair, N=2, 200 beats, rests of 5", "2", Fair, 200, Geometric(5), 40, NotJudged, 0.95, 1},
        {"fair, N=2, 2000 beats, every 3rd", "2", Fair, 2000, Every(3), 40, NotJudged, 0, 0.05},
        // A simulated p is spread as chance spreads it: not only seldom small, but not large.
        {"fair, N=5.6, short, p spread", "5.6", Fair, 100, Geometric(2), 80, 0.25, 0.13, 0.37},
    });
    // clang-format on
}

// As for 20000 items and 2000 picks, a tenth of a pick expected per item.
TEST(Fairness, SparseCountsAreJudged) {
    // clang-format off
    ExpectShares({
        {"fair, 500 items", "500", Fair, 50, Independent, 40, Uneven, 0, 0.05},
        {"half on 10 of 500 items", "500", SomeFavoured(500, 10), 50, Independent, 10, Uneven,
            0.95, 1},
    });
    // clang-format on
}

// The difference a run could show is what simulated runs of its size show about 4 times in 5, and
// a reading that simulates gives the same p every time.
TEST(Fairness, DetectableDifferenceIsFoundFourTimesInFive) {
    struct Case {
        const char* outcomes;
        int beats;
        Movement movement;
        int runs;
    };
    const std::vector<Case> cases = {{"6", 2000, Independent, 100},
                                     {"6", 2000, Geometric(5), 100},
                                     {"2", 2000, Geometric(5), 100},
                                     {"500", 50, Independent, 40}};
    std::uint64_t seed = 100;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.outcomes);
        const std::vector<double> law = LawOfDraw(c.outcomes).chances;
        const std::vector<Int16> fairRun = SimulatedPicks(law, ++seed).Run(c.beats, c.movement);
        const Fairness reading = JudgeFairness(fairRun, c.outcomes);
        EXPECT_EQ(JudgeFairness(fairRun, c.outcomes).p, reading.p);
        ASSERT_TRUE(reading.detectable.has_value());
        const double k = *reading.detectable;
        SimulatedPicks favoured(DrawnKTimesAsOften(law, k), ++seed);
        int found = 0;
        for (int run = 0; run < c.runs; ++run) {
            found += JudgeFairness(favoured.Run(c.beats, c.movement), c.outcomes).verdict ==
                     Fairness::Verdict::Uneven;
        }
        EXPECT_GE(found, 0.6 * c.runs) << "k = " << k;
        EXPECT_LE(found, 0.95 * c.runs) << "k = " << k;
    }
}
