#include "finish/FairRange.h"

#include <boost/math/distributions/binomial.hpp>

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>

namespace {

// Lower quantiles rounded down and upper ones up, so that a range covers at least what is asked.
using Outwards = boost::math::policies::policy<
    boost::math::policies::discrete_quantile<boost::math::policies::integer_round_outwards>>;
using Binomial = boost::math::binomial_distribution<double, Outwards>;

struct Bounds {
    double lowest = 0, highest = 0;
};

// How many stretches of one item, among the picks of items 1..n, have each length.
std::map<int, int> StretchLengths(std::span<const Int16> picks, int n) {
    std::map<int, int> lengths;
    int previous = 0;
    int length = 0;
    for (const Int16 pick : picks) {
        if (pick < 1 || pick > n) {
            continue;
        }
        if (pick != previous && length > 0) {
            ++lengths[length];
            length = 0;
        }
        previous = pick;
        ++length;
    }
    if (length > 0) {
        ++lengths[length];
    }
    return lengths;
}

// The count of an item that each stretch holds with chance p: the sum over the lengths l of l times
// a binomial count of the m stretches of that length. Its law is the convolution of those terms,
// each cut where less than a negligible share of `tail` lies beyond; the bounds leave at most
// `tail` below and above.
Bounds StretchedBounds(const std::map<int, int>& lengths, double p, double tail) {
    const double negligible = tail * 1e-4 / static_cast<double>(lengths.size());
    std::vector<double> law = {1.0};
    int offset = 0;
    for (const auto& [length, stretches] : lengths) {
        const Binomial term(stretches, p);
        const int from = static_cast<int>(quantile(term, negligible));
        const int to = static_cast<int>(quantile(complement(term, negligible)));
        std::vector<double> sum(law.size() + static_cast<std::size_t>((to - from) * length));
        for (int k = from; k <= to; ++k) {
            const double chance = pdf(term, k);
            const auto shift = static_cast<std::size_t>((k - from) * length);
            for (std::size_t i = 0; i < law.size(); ++i) {
                sum[i + shift] += chance * law[i];
            }
        }
        law.swap(sum);
        offset += from * length;
    }
    const auto values = static_cast<double>(law.size());
    Bounds bounds{static_cast<double>(offset), offset + values - 1};
    double below = 0;
    for (std::size_t i = 0; i < law.size() && below + law[i] <= tail; ++i) {
        below += law[i];
        bounds.lowest = offset + static_cast<double>(i) + 1;
    }
    double above = 0;
    for (std::size_t i = law.size(); i-- > 0 && above + law[i] <= tail;) {
        above += law[i];
        bounds.highest = offset + static_cast<double>(i) - 1;
    }
    return bounds;
}

}  // namespace

FairRange FairRangeOf(std::span<const Int16> picks, const Summary& summary) {
    FairRange range;
    const auto n = static_cast<int>(summary.counts.size());
    if (n < 2 || summary.picks == 0) {
        return range;
    }
    const double all = summary.picks;
    // The chance that a draw repeats the one before.
    double repeat = 0;
    for (const double expected : summary.expected) {
        repeat += (expected / all) * (expected / all);
    }
    // The sum over stretches treats each stretch's item as a draw of its own, while it differs from
    // the item before: that spreads the counts by (1 + r) / (1 - r) too much in variance, r the
    // chance of a repeat (on average exactly so for independent draws), so the distances from the
    // mean are narrowed by its root.
    const double narrowing = std::sqrt((1 - repeat) / (1 + repeat));
    // Each item may leave its range with chance `tail` on either side, so that all stay within it
    // at the level asked.
    const double tail = -std::expm1(std::log(FairRangeLevel) / n) / 2;
    const std::map<int, int> lengths = StretchLengths(picks, n);
    std::map<double, std::pair<int, int>> known;  // by expected count: fractional laws have two
    for (const double expected : summary.expected) {
        auto [place, added] = known.try_emplace(expected);
        if (added) {
            const double p = expected / all;
            const Binomial independent(all, p);
            const Bounds stretched = StretchedBounds(lengths, p, tail);
            const double lowest = std::min(quantile(independent, tail),
                                           expected - narrowing * (expected - stretched.lowest));
            const double highest = std::max(quantile(complement(independent, tail)),
                                            expected + narrowing * (stretched.highest - expected));
            place->second = {std::max(0, static_cast<int>(std::floor(lowest))),
                             std::min(summary.picks, static_cast<int>(std::ceil(highest)))};
        }
        range.lowest.push_back(place->second.first);
        range.highest.push_back(place->second.second);
    }
    return range;
}
