#include "finish/Summary.h"

#include <algorithm>
#include <numeric>

#include "common/Conversions.h"
#include "finish/Counted.h"
#include "picker/DrawLaw.h"
#include "picker/Picker.h"

namespace {

std::string Times(int count) {
    return count == 0 ? "never" : count == 1 ? "once" : std::to_string(count) + " times";
}

// "3", "3 and 7", "3, 7 and 9"; past five items the rest are only counted.
std::string ListOf(const std::vector<int>& items) {
    constexpr std::size_t shown = 5;
    std::vector<std::string> words;
    for (std::size_t k = 0; k < std::min(items.size(), shown); ++k) {
        words.push_back(std::to_string(items[k]));
    }
    if (items.size() > shown) {
        words.push_back(std::to_string(items.size() - shown) + " more");
    }
    std::string text = words.front();
    for (std::size_t k = 1; k < words.size(); ++k) {
        text += (k + 1 == words.size() ? " and " : ", ") + words[k];
    }
    return text;
}

// "item 4, 18 times", "items 3 and 5, 9 times each", "items 2 and 6, never".
std::string Frequency(const std::vector<int>& items, int count) {
    if (items.size() == 1) {
        return "item " + ListOf(items) + ", " + Times(count);
    }
    return "items " + ListOf(items) + ", " + Times(count) + (count == 0 ? "" : " each");
}

}  // namespace

Summary Summarize(const Picker& picker, std::string_view outcomes) {
    Summary summary;
    const Int16 n = TextToInt16(outcomes);
    for (int item = 1; item <= n; ++item) {
        summary.counts.push_back(picker.Counts[item]);
    }
    summary.picks = std::accumulate(summary.counts.begin(), summary.counts.end(), 0);
    summary.recorded = picker.PickCount;
    // A positive count draws from item 1 up, so its 0s are the beats before any movement drew.
    if (TextToReal(outcomes) > 0) {
        while (summary.unmoved < summary.recorded && picker.Picks[summary.unmoved + 1] == 0) {
            ++summary.unmoved;
        }
    }
    if (summary.picks > 0) {
        summary.highest = std::ranges::max(summary.counts);
        summary.lowest = std::ranges::min(summary.counts);
        for (int item = 1; item <= n; ++item) {
            const int count = summary.counts[static_cast<std::size_t>(item - 1)];
            if (count == summary.highest) {
                summary.mostFrequent.push_back(item);
            }
            if (count == summary.lowest) {
                summary.leastFrequent.push_back(item);
            }
        }
    }
    // The draws' own law, over the items counted: for 5.6 outcomes item 6 comes up less often.
    std::vector<double> weights = LawOfDraw(outcomes).chances;
    if (weights.size() < summary.counts.size()) {
        weights.assign(summary.counts.size(), 1.0);
    }
    weights.resize(summary.counts.size());
    // Against the first item's chance, so that equally likely items weigh exactly 1 each and an
    // even share comes out exact: 1/20 twenty times does not add up to 1 in floating point.
    const double first = weights.empty() ? 1 : weights.front();
    for (double& weight : weights) {
        weight /= first;
    }
    const double total = std::accumulate(weights.begin(), weights.end(), 0.0);
    for (const double weight : weights) {
        summary.expected.push_back(summary.picks * weight / total);
    }
    return summary;
}

std::string SummaryText(const Summary& summary) {
    const auto n = static_cast<int>(summary.counts.size());
    std::string text = Counted(summary.picks, "pick", "picks");
    if (n == 0) {
        text += ": the outcome count gives no items to count.";
    } else {
        text += " of " + ItemsUpTo(n) + ".";
    }
    const std::size_t tied = summary.mostFrequent.size();
    if (n < 2 || tied == 0) {
        // One item, or no picks: nothing to compare.
    } else if (tied == static_cast<std::size_t>(n)) {
        text += " Every item came up " + Times(summary.highest) + ".";
    } else if (summary.highest == 1) {
        text +=
            " No item came up more than once: " + Counted(static_cast<int>(tied), "item", "items") +
            " once, " + Counted(n - static_cast<int>(tied), "item", "items") + " never.";
    } else {
        text += " Most frequent: " + Frequency(summary.mostFrequent, summary.highest) +
                ". Least frequent: " + Frequency(summary.leastFrequent, summary.lowest) + ".";
    }
    if (summary.unmoved > 0) {
        text += " " + Counted(summary.unmoved, "beat", "beats") +
                " before the first movement recorded 0 and " +
                (summary.unmoved == 1 ? "is" : "are") + " not counted.";
    }
    if (const int outside = summary.recorded - summary.picks - summary.unmoved; outside > 0) {
        text += " Not counted: " + Counted(outside, "recorded pick", "recorded picks") +
                (n == 0 ? "." : " outside " + ItemsUpTo(n) + ".");
    }
    if (summary.cutOffLine) {
        text += " Line " + std::to_string(*summary.cutOffLine) +
                " of data.txt was cut off before its end and is not counted.";
    }
    return text;
}
