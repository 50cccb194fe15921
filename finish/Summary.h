#pragma once

#include <string>
#include <string_view>
#include <vector>

class Picker;

// A chi-square goodness-of-fit test of the counts against every item being equally likely.
struct Fairness {
    enum class Reading {
        NoTest,       // fewer than two items: nothing to compare
        TooFewPicks,  // fewer than 5 picks expected per item: the test would not be reliable
        Consistent,   // p at or above the significance level
        Uneven,       // p below it
    };
    Reading reading = Reading::NoTest;
    double expected = 0;       // picks per item if every item is equally likely
    double statistic = 0;      // the sum over the items of (count - expected)^2 / expected
    int degreesOfFreedom = 0;  // the items less one
    double pValue = 1;         // the chance of a statistic at least as large from a fair draw
};

// The level below which counts are read as differing more than chance explains: a fair run is
// misread once in a hundred runs, and an uneven one still stands out clearly at a few hundred
// picks.
inline constexpr double SignificanceLevel = 0.01;

// What the counts of a finished run say. Plain data, so that the window and the command line
// print the same words.
struct Summary {
    std::vector<int> counts;        // item k's count at index k - 1, for items 1..n
    int picks = 0;                  // the sum of the counts: the picks "results.txt" counts
    int recorded = 0;               // every recorded pick, those outside items 1..n too
    int highest = 0;                // the largest count
    std::vector<int> mostFrequent;  // the items with that count, in item order; none without picks
    Fairness fairness;
};

// Reads the counts Counts[1..n] that the tally left, n being the outcome-count text as a 16-bit
// integer (no items when it is 0 or less).
Summary Summarize(const Picker& picker, std::string_view outcomes);

// One or two sentences that begin "<picks> picks" ("1 pick" for one) and name the most frequent
// item or items with their count, and any recorded picks that were not counted.
std::string SummaryText(const Summary& summary);

// The chi-square statistic, degrees of freedom and p-value with their plain reading, or why the
// counts cannot be judged.
std::string FairnessText(const Summary& summary);
