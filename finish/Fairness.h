#pragma once

#include <optional>
#include <span>
#include <stop_token>
#include <string_view>

#include "common/Integer.h"

// Whether the picks of a run look like draws of a fair generator: the reading the results view
// and kelpov --finish give of the same run. Plain data in (the recorded picks and the outcome-count
// text), plain data out. The words are in finish/FairnessWords.h, the arithmetic in
// finish/fairness/.
//
// A beat records whatever item is current, so while the pointer rests every beat records the same
// item again: the picks are not independent draws. Two things rests cannot sway:
//   - which item begins each stretch between changes of item: each change is a draw of the law
//     conditioned on differing from the item before, however long the pointer rested. With three
//     or more items the reading tests how often each item begins a stretch (the changes test);
//   - each item's share of the beats, as long as how long the pointer rests does not depend on the
//     item shown, which holds because Kelpov never shows the current item while picking. With two
//     items, whose stretches only alternate, and with counts from 2 to 2.22, whose third item is
//     drawn too seldom to tell much, the reading tests item 1's share of the beats, its spread
//     taken from the turns from one stretch of item 1 to the next (the beat-share test).
// A test that finds nothing proves nothing when the run could not have found even a large
// difference: such a run is too short to tell.
struct Fairness {
    enum class Verdict {
        NotJudged,   // nothing to compare, too few picks to tell, or see obstacle
        Consistent,  // no sign that some items come up more often
        Uneven,      // some items come up more often than chance explains
    };
    // Why nothing was judged.
    enum class Obstacle {
        None,
        NoLaw,        // the outcome count gives fewer than two items to draw
        NoPicks,      // no recorded pick is an item the draw gives
        NoChanges,    // the picks never change item
        TooFewPicks,  // the test did not reject, and could not have found even a large difference
        OutOfMemory,  // the reading could not be computed
        Cancelled,    // stopped before it ended: nobody waits for it any more
    };
    // The test that gave p, or that was tried when there were too few picks to tell.
    enum class Test {
        None,
        Changes,           // chi-square on the items that begin the stretches, scaled for the chain
        ExactChanges,      // the same statistic, its law worked out exactly (three items)
        SimulatedChanges,  // the same statistic against simulated runs of the chain
        BeatShare,         // item 1's share of the beats, against its spread over turns
    };

    Verdict verdict = Verdict::NotJudged;
    Obstacle obstacle = Obstacle::None;
    Test test = Test::None;
    std::optional<double> p;  // the p-value; none when not judged, but for too few picks to
                              // tell, where it is the test's, though it tells nothing
    double statistic = 0;     // Pearson's statistic of the changes, or the beat-share test's t

    int items = 0;            // the items the draw gives: 1..items (3 for 2.5 outcomes)
    int tableItems = 0;       // the items the tables count: the outcome count rounded (2 for 2.5)
    bool fractional = false;  // the last item is drawn less often than the others
    int judged = 0;           // the picks within 1..items, in beat order; only these are read
    int repeats = 0;          // judged picks equal to the judged pick just before them
    double expectedRepeats = 0;  // the repeats independent draws with these counts would give
    bool rested = false;         // more or longer repeats than independent draws give
    int changes = 0;             // judged picks that differ from the judged pick before them
    int longestStretch = 0;      // the most beats in a row on one item of 1..items
    int longestItem = 0;         // that item (the first such stretch)

    // The beat-share test: item 1's share of the beats in its whole turns, and its share under a
    // fair draw; the turns; and how many independent draws the beats weigh as, given their rests.
    double share = 0, fairShare = 0;
    int turns = 0;
    double weighsAs = 0;

    // The factor k such that a run of this size would find one item drawn k times as often as
    // each other one (relative to the draw's law) 4 times in 5; none when judged nothing or
    // when no factor up to LargestFactor would be found so often.
    std::optional<double> detectable;
};

// The level below which counts are read as differing more than chance explains.
inline constexpr double SignificanceLevel = 0.01;
// The largest factor the detectable difference is sought up to.
inline constexpr double LargestFactor = 1000;
// The fewest whole turns from one stretch of item 1 to the next that the beat-share test reads.
inline constexpr int FewestTurns = 5;

// Judges the picks Picks[1..PickCount] of a run with this outcome-count text. Pure, deterministic
// (its simulations are seeded from the picks) and safe to call from any thread; never throws. It
// takes at most a few tenths of a second of one core, so call it off the event loop; when stop is
// requested it returns soon after, not judged (Cancelled).
Fairness JudgeFairness(std::span<const Int16> picks, std::string_view outcomes,
                       std::stop_token stop = {}) noexcept;
