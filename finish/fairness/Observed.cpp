#include "finish/fairness/Observed.h"

#include <algorithm>
#include <cmath>

#include "finish/Fairness.h"
#include "finish/fairness/Distributions.h"

namespace {

// Repeats beyond what independent draws give at this level are read as more than chance.
constexpr double RepeatLevel = 0.05;

}  // namespace

Observed Observe(std::span<const Int16> picks, int items, Fairness& fairness) {
    Observed seen;
    seen.stretches.assign(static_cast<std::size_t>(items), 0);
    seen.beats.assign(static_cast<std::size_t>(items), 0);
    int stretch = 0;
    for (const Int16 pick : picks) {
        if (pick < 1 || pick > items) {
            continue;
        }
        const bool again = !seen.judged.empty() && seen.judged.back() == pick;
        stretch = again ? stretch + 1 : 1;
        if (stretch > fairness.longestStretch) {
            fairness.longestStretch = stretch;
            fairness.longestItem = pick;
        }
        const auto index = static_cast<std::size_t>(pick - 1);
        seen.stretches[index] += !again;
        ++seen.beats[index];
        fairness.repeats += again;
        seen.judged.push_back(pick);
    }
    fairness.judged = static_cast<int>(seen.judged.size());
    fairness.changes = std::max(fairness.judged - 1 - fairness.repeats, 0);
    return seen;
}

void JudgeRepeats(const Observed& seen, Fairness& fairness) {
    const double total = fairness.judged;
    const double pairs = std::max(total - 1, 0.0);
    if (pairs < 1) {
        return;
    }
    // Given the counts, neighbouring picks are equal sum n_i (n_i - 1) / n times on average; with
    // shares s = sum (n_i/n)^2 the variance is near pairs s (1 - s) + 2 (pairs - 1) (sum
    // (n_i/n)^3 - s^2).
    double s = 0, cubes = 0, same = 0, longer = 0;
    const int longest = fairness.longestStretch;
    for (const int count : seen.beats) {
        const double share = count / total;
        s += share * share;
        cubes += share * share * share;
        same += count * (count - 1.0);
        // Stretches of this item of the longest length or more: one may open the run, or begin
        // after any other item.
        longer += std::pow(share, longest) * (1 + std::max(total - longest, 0.0) * (1 - share));
    }
    fairness.expectedRepeats = same / total;
    const double variance = pairs * s * (1 - s) + 2 * (pairs - 1) * std::max(cubes - s * s, 0.0);
    const double z = variance > 0
                         ? (fairness.repeats - 0.5 - fairness.expectedRepeats) / std::sqrt(variance)
                         : 0;
    const bool manyRepeats =
        boost::math::cdf(boost::math::complement(quiet::Normal(), z)) < RepeatLevel / 2;
    // Such stretches come nearly as a Poisson count.
    const bool longStretch = -std::expm1(-longer) < RepeatLevel / 2;
    fairness.rested = manyRepeats || longStretch;
}
