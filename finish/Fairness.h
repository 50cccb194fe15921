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
struct Fairness {
    enum class Verdict {
        NotJudged,   // nothing to compare, or too little to go on
        Consistent,  // no clear sign that some items come up more often
        Uneven,      // the counts differ more than chance explains
    };
    Verdict verdict = Verdict::NotJudged;
    std::string test;         // the test used, in words; empty when not judged
    std::optional<double> p;  // the p-value; none when not judged
    double statistic = 0;     // the test's statistic
    int degreesOfFreedom = 0;
    int repeats = 0;  // recorded picks equal to the pick recorded just before them
};

// The level below which counts are read as differing more than chance explains.
inline constexpr double SignificanceLevel = 0.01;

// The law of one draw for an outcome count N read as a real: the chance of each value 1..K, at
// index k - 1. For a whole N of 1 or more, 1/N each; for 5.6, 1/5.6 for items 1..5 and 0.6/5.6 for
// item 6. Empty when the text is not a number or N is below 1.
std::vector<double> DrawLaw(std::string_view outcomes);

// Judges the picks Picks[1..PickCount] of a run with this outcome-count text. Never throws. It may
// take a moment with many items: call it off the event loop.
Fairness JudgeFairness(std::span<const Int16> picks, std::string_view outcomes);

// The reading in words: the test, its p-value and what it shows, or why nothing was judged.
std::string FairnessText(const Fairness& fairness);
