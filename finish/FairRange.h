#pragma once

#include <span>
#include <vector>

#include "common/Integer.h"
#include "finish/Summary.h"

// Where the counts of a fair run fall, for the chart to set a run's counts against: for each item,
// the lowest and highest count between which a fair generator keeps every item of a run like this
// one, FairRangeLevel of the time. It is set for the whole run, not for each item alone: a range
// that each item leaves once in 100 runs is left by some item in nearly every run of many items.
//
// While the pointer rests, every beat records the same item again, so one draw can count as many
// picks and the counts spread wider than those of independent draws. The range is therefore worked
// out from the run's own stretches of one item (each stretch's item a fair draw, its length what
// the pointer made it), and is never narrower than that of independent draws.
struct FairRange {
    // Item k's at index k - 1. Both empty without picks or with fewer than two items.
    std::vector<int> lowest;
    std::vector<int> highest;
};

inline constexpr double FairRangeLevel = 0.99;

// The range for the recorded picks of a run and their summary (picks outside its items are left
// out, as the summary leaves them out). Pure; takes a few milliseconds at most.
FairRange FairRangeOf(std::span<const Int16> picks, const Summary& summary);
