#include "finish/Summary.h"

#include <algorithm>
#include <boost/math/distributions/chi_squared.hpp>
#include <charconv>
#include <numeric>

#include "common/Conversions.h"
#include "picker/Picker.h"

namespace {

// The chi-square test is taken as reliable from this many picks expected per item.
constexpr int LeastExpected = 5;

// However the distribution is asked, it answers with a number and never throws: the window calls
// this from an event handler, where no exception may escape.
namespace policies = boost::math::policies;
using Quiet = policies::policy<policies::domain_error<policies::ignore_error>,
                               policies::overflow_error<policies::ignore_error>,
                               policies::evaluation_error<policies::ignore_error>>;

Fairness Test(const std::vector<int>& counts, int picks) {
    Fairness fairness;
    const auto items = static_cast<int>(counts.size());
    if (items < 2) {
        return fairness;
    }
    fairness.expected = static_cast<double>(picks) / items;
    fairness.degreesOfFreedom = items - 1;
    if (fairness.expected < LeastExpected) {
        fairness.reading = Fairness::Reading::TooFewPicks;
        return fairness;
    }
    for (const int count : counts) {
        const double deviation = count - fairness.expected;
        fairness.statistic += deviation * deviation / fairness.expected;
    }
    const boost::math::chi_squared_distribution<double, Quiet> distribution(
        fairness.degreesOfFreedom);
    fairness.pValue = boost::math::cdf(boost::math::complement(distribution, fairness.statistic));
    fairness.reading = fairness.pValue < SignificanceLevel ? Fairness::Reading::Uneven
                                                           : Fairness::Reading::Consistent;
    return fairness;
}

// A number with a fixed count of decimals, with a point whatever the locale.
std::string Fixed(double value, int decimals) {
    char text[64];
    const auto result =
        std::to_chars(std::begin(text), std::end(text), value, std::chars_format::fixed, decimals);
    return {text, result.ptr};
}

std::string Counted(int number, const char* one, const char* many) {
    return std::to_string(number) + " " + (number == 1 ? one : many);
}

std::string Times(int count) {
    return count == 1 ? "once" : std::to_string(count) + " times";
}

std::string Items(int n) {
    return n == 1 ? "item 1" : "items 1 to " + std::to_string(n);
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

}  // namespace

Summary Summarize(const Picker& picker, std::string_view outcomes) {
    Summary summary;
    const Int16 n = TextToInt16(outcomes);
    for (int item = 1; item <= n; ++item) {
        summary.counts.push_back(picker.Counts[item]);
    }
    summary.picks = std::accumulate(summary.counts.begin(), summary.counts.end(), 0);
    summary.recorded = picker.PickCount;
    if (summary.picks > 0) {
        summary.highest = std::ranges::max(summary.counts);
        for (int item = 1; item <= n; ++item) {
            if (summary.counts[static_cast<std::size_t>(item - 1)] == summary.highest) {
                summary.mostFrequent.push_back(item);
            }
        }
    }
    summary.fairness = Test(summary.counts, summary.picks);
    return summary;
}

std::string SummaryText(const Summary& summary) {
    const auto n = static_cast<int>(summary.counts.size());
    std::string text = Counted(summary.picks, "pick", "picks");
    if (n == 0) {
        text += ": the outcome count gives no items to count.";
    } else {
        text += " of " + Items(n) + ".";
    }
    const std::size_t tied = summary.mostFrequent.size();
    if (n >= 2 && tied == static_cast<std::size_t>(n)) {
        text += " Every item came up " + Times(summary.highest) + ".";
    } else if (n >= 2 && tied == 1) {
        text += " Most frequent: item " + ListOf(summary.mostFrequent) + ", " +
                Times(summary.highest) + ".";
    } else if (n >= 2 && tied > 1) {
        text += " Most frequent: items " + ListOf(summary.mostFrequent) + ", " +
                Times(summary.highest) + " each.";
    }
    if (summary.recorded > summary.picks) {
        text += " Not counted: " +
                Counted(summary.recorded - summary.picks, "recorded pick", "recorded picks") +
                (n == 0 ? "." : " outside " + Items(n) + ".");
    }
    return text;
}

std::string FairnessText(const Summary& summary) {
    const Fairness& fairness = summary.fairness;
    const auto n = static_cast<int>(summary.counts.size());
    const std::string level = Fixed(SignificanceLevel * 100, 0) + "% level";
    switch (fairness.reading) {
        case Fairness::Reading::NoTest:
            return n == 1 ? "With one item there is nothing to compare its count with."
                          : "With no items there is nothing to test.";
        case Fairness::Reading::TooFewPicks:
            return "Too few picks to judge whether every item is equally likely: the chi-square "
                   "test needs at least " +
                   std::to_string(LeastExpected) + " picks per item, " +
                   std::to_string(LeastExpected * n) + " for " + std::to_string(n) + " items.";
        case Fairness::Reading::Consistent:
        case Fairness::Reading::Uneven:
            break;
    }
    std::string text =
        "Chi-square " + Fixed(fairness.statistic, 2) + " with " +
        Counted(fairness.degreesOfFreedom, "degree", "degrees") + " of freedom, p " +
        (fairness.pValue < 0.001 ? "< 0.001"
                                 : "= " + Fixed(fairness.pValue, fairness.pValue < 0.1 ? 4 : 3)) +
        ": ";
    if (fairness.reading == Fairness::Reading::Consistent) {
        return text + "consistent with every item being equally likely (at the " + level + ").";
    }
    return text + "the counts differ more than chance explains (at the " + level +
           "). A pointer that rests between beats repeats its item at every beat, so a pause "
           "makes its item stand out.";
}
