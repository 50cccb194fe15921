#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

class Picker;

// What the counts of a finished run say. Plain data, so that the window and the command line
// print the same words.
struct Summary {
    std::vector<int> counts;         // item k's count at index k - 1, for items 1..n
    std::vector<double> expected;    // item k's count if the draws followed their law exactly,
                                     // one for each of counts
    int picks = 0;                   // the sum of the counts: the picks "results.txt" counts
    int recorded = 0;                // every recorded pick, those outside items 1..n too
    int highest = 0;                 // the largest count
    std::vector<int> mostFrequent;   // the items with that count, in item order; none without picks
    int lowest = 0;                  // the smallest count
    std::vector<int> leastFrequent;  // the items with that count, in item order; none without picks
    std::optional<int> cutOffLine;   // a last line of "data.txt" cut off before its end, left out
};

// Reads the counts Counts[1..n] that the tally left, n being the outcome-count text as a 16-bit
// integer (no items when it is 0 or less).
Summary Summarize(const Picker& picker, std::string_view outcomes);

// Sentences that begin "<picks> picks" ("1 pick" for one) and name the most and least frequent
// items with their counts (or say that no item came up more than once, or that every item came up
// equally often), any recorded picks that were not counted, and a cut-off line left out.
std::string SummaryText(const Summary& summary);
