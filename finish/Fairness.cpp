#include "finish/Fairness.h"

#include <boost/math/distributions/chi_squared.hpp>
#include <charconv>
#include <cmath>

#include "common/Conversions.h"
#include "common/Failure.h"

namespace {

// The chi-square test is taken as reliable from this many picks expected per item.
constexpr int LeastExpected = 5;

// However the distribution is asked, it answers with a number and never throws.
namespace policies = boost::math::policies;
using Quiet = policies::policy<policies::domain_error<policies::ignore_error>,
                               policies::overflow_error<policies::ignore_error>,
                               policies::evaluation_error<policies::ignore_error>>;

// A number with a fixed count of decimals, with a point whatever the locale.
std::string Fixed(double value, int decimals) {
    char text[64];
    const auto result =
        std::to_chars(std::begin(text), std::end(text), value, std::chars_format::fixed, decimals);
    return {text, result.ptr};
}

}  // namespace

std::vector<double> DrawLaw(std::string_view outcomes) {
    double n = 0;
    try {
        n = TextToReal(outcomes);
    } catch (const Failure&) {
        return {};
    }
    if (!(n >= 1) || n > 32767) {
        return {};
    }
    const double whole = std::floor(n);
    std::vector<double> law(static_cast<std::size_t>(whole), 1 / n);
    if (n > whole) {
        law.push_back((n - whole) / n);
    }
    return law;
}

Fairness JudgeFairness(std::span<const Int16> picks, std::string_view outcomes) {
    Fairness fairness;
    int n = 0;
    try {
        n = TextToInt16(outcomes);
    } catch (const Failure&) {
        return fairness;
    }
    for (std::size_t k = 1; k < picks.size(); ++k) {
        fairness.repeats += picks[k] == picks[k - 1];
    }
    if (n < 2) {
        return fairness;
    }
    std::vector<int> counts(static_cast<std::size_t>(n));
    int total = 0;
    for (const Int16 pick : picks) {
        if (pick >= 1 && pick <= n) {
            ++counts[static_cast<std::size_t>(pick - 1)];
            ++total;
        }
    }
    const double expected = static_cast<double>(total) / n;
    if (expected < LeastExpected) {
        return fairness;
    }
    for (const int count : counts) {
        fairness.statistic += (count - expected) * (count - expected) / expected;
    }
    fairness.degreesOfFreedom = n - 1;
    const boost::math::chi_squared_distribution<double, Quiet> distribution(n - 1);
    fairness.p = boost::math::cdf(boost::math::complement(distribution, fairness.statistic));
    fairness.test = "chi-square";
    fairness.verdict =
        *fairness.p < SignificanceLevel ? Fairness::Verdict::Uneven : Fairness::Verdict::Consistent;
    return fairness;
}

std::string FairnessText(const Fairness& fairness) {
    if (fairness.verdict == Fairness::Verdict::NotJudged) {
        return "Not judged.";
    }
    std::string text =
        "Chi-square " + Fixed(fairness.statistic, 2) + ", p = " + Fixed(*fairness.p, 4) + ": ";
    return text + (fairness.verdict == Fairness::Verdict::Consistent
                       ? "no clear sign that some items come up more often."
                       : "the counts differ more than chance explains.");
}
