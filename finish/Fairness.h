#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/Integer.h"

// Whether the picks of a run look like draws of a fair generator: the reading the results view
// and kelpov --finish give of the same run. Plain data in (the recorded picks and the outcome-count
// text), plain data out.
//
// A beat records whatever item is current, so while the pointer rests every beat records the same
// item again: the picks are not independent draws, and a test on their counts would read every
// pause as a favoured item. What rests cannot sway is the order of the items between the changes:
// each time the item changes, the new one is a draw of the generator's law conditioned on
// differing from the item before, however long the pointer rested. So the reading tests how often
// each item begins a stretch, against the law of those changes, and is valid whenever the pointer
// moves or rests. With two items the changes only alternate; the reading then tests the picks
// themselves when their repeats show no rests, and judges nothing when they do.
struct Fairness {
    enum class Verdict {
        NotJudged,   // nothing to compare, or nothing a test could go on (see obstacle)
        Consistent,  // no clear sign that some items come up more often
        Uneven,      // some items come up more often than chance explains
    };
    // Why nothing was judged.
    enum class Obstacle {
        None,
        NoLaw,           // the outcome count gives fewer than two items to draw
        NoPicks,         // no recorded pick is an item the draw gives
        NoChanges,       // the picks never change item
        TwoItemsRested,  // two items and a pointer that rested: stretches hide the draws
        OutOfMemory,     // the reading could not be computed
    };
    // The test that gave p.
    enum class Test {
        None,
        Changes,           // chi-square on the items of the changes, scaled for their dependence
        SimulatedChanges,  // the same statistic against simulated runs, where counts are sparse
        Binomial,          // exact binomial test on the picks (two items, no rests)
    };

    Verdict verdict = Verdict::NotJudged;
    Obstacle obstacle = Obstacle::None;
    Test test = Test::None;
    std::optional<double> p;  // the p-value; none when not judged
    double statistic = 0;     // Pearson's statistic of what was tested (changes, or picks)

    int items = 0;               // the items the draw gives: 1..items (3 for 2.5 outcomes)
    bool fractional = false;     // the last item is drawn less often than the others
    int judged = 0;              // the picks within 1..items, in beat order; only these are read
    int repeats = 0;             // recorded picks equal to the pick recorded just before them
    double expectedRepeats = 0;  // the repeats independent draws with these counts would give
    bool rested = false;         // more repeats than independent draws give, beyond chance
    int changes = 0;             // judged picks that differ from the judged pick before them
    int longestStretch = 0;      // the most beats in a row on one item of 1..items
    int longestItem = 0;         // that item (the first such stretch)
    // The factor k such that a run of this size would find one item drawn k times as often as
    // each other one (relative to the draw's law) 4 times in 5; none when judged nothing or
    // when no factor up to 1000 would be found so often.
    std::optional<double> detectable;
};

// The level below which counts are read as differing more than chance explains.
inline constexpr double SignificanceLevel = 0.01;
// The runs simulated where counts are too sparse for the chi-square law.
inline constexpr int SimulatedRuns = 999;
// The largest factor the detectable difference is sought up to.
inline constexpr double LargestFactor = 1000;

// The law of one draw for an outcome count N read as a real: the chance of each value 1..K, at
// index k - 1. For a whole N of 1 or more, 1/N each; for 5.6, 1/5.6 for items 1..5 and 0.6/5.6 for
// item 6. Empty when the text is not a number or N is below 1.
std::vector<double> DrawLaw(std::string_view outcomes);

// Judges the picks Picks[1..PickCount] of a run with this outcome-count text. Pure, deterministic
// (its simulations are seeded from the picks) and safe to call from any thread; never throws. With
// many items and sparse counts it simulates and may take a moment: call it off the event loop.
Fairness JudgeFairness(std::span<const Int16> picks, std::string_view outcomes) noexcept;
