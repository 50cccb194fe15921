#include <algorithm>
#include <array>

#include "finish/fairness/ChainDraw.h"
#include "finish/fairness/Changes.h"
#include "finish/fairness/Detectable.h"

namespace {

// The exact law of the counts of stretches that each of three items begins, over this many
// stretches of the chain with these chances: the chance of (n1, n2, stretches - n1 - n2) at index
// n1 * (stretches + 1) + n2.
std::vector<double> ExactStretchCounts(const std::vector<double>& chances, int stretches,
                                       const std::stop_token& stop) {
    const auto side = static_cast<std::size_t>(stretches) + 1;
    // The chance of each count so far with item c current, at [c]; one count of each item more is
    // one place on in n1, one place in n2, and none in n3.
    std::array<std::vector<double>, 3> now, next;
    for (std::size_t c = 0; c < 3; ++c) {
        now[c].assign(side * side, 0.0);
        next[c].assign(side * side, 0.0);
    }
    const std::array<std::size_t, 3> step = {side, 1, 0};
    for (std::size_t c = 0; c < 3; ++c) {
        now[c][step[c]] = chances[c];
    }
    for (std::size_t k = 1; k < static_cast<std::size_t>(stretches); ++k) {
        StopIfAsked(stop);
        for (std::size_t c = 0; c < 3; ++c) {
            const double others = 1 - chances[c];  // the chance of any item but c
            for (std::size_t n1 = 0; n1 <= k; ++n1) {
                for (std::size_t n2 = 0; n1 + n2 <= k; ++n2) {
                    const std::size_t at = n1 * side + n2;
                    const double chance = now[c][at];
                    if (chance == 0) {
                        continue;
                    }
                    now[c][at] = 0;
                    for (std::size_t j = 0; j < 3; ++j) {
                        if (j != c) {
                            next[j][at + step[j]] += chance * chances[j] / others;
                        }
                    }
                }
            }
        }
        std::swap(now, next);
    }
    std::vector<double> counts(side * side, 0.0);
    for (std::size_t at = 0; at < counts.size(); ++at) {
        counts[at] = now[0][at] + now[1][at] + now[2][at];
    }
    return counts;
}

}  // namespace

TestOutcome ExactChangesTest(const DrawLaw& law, const Observed& seen, int stretches,
                             const std::stop_token& stop) {
    const std::vector<double> pi = StretchLaw(law.chances);
    const auto side = static_cast<std::size_t>(stretches) + 1;
    // Pearson's statistic of every count, by the same arithmetic as the run's own, so that they
    // tie exactly.
    std::vector<double> statistic(side * side, -1);
    for (int n1 = 0; n1 <= stretches; ++n1) {
        for (int n2 = 0; n1 + n2 <= stretches; ++n2) {
            statistic[static_cast<std::size_t>(n1) * side + static_cast<std::size_t>(n2)] =
                Pearson({n1, n2, stretches - n1 - n2}, pi, stretches);
        }
    }
    const std::vector<double> fair = ExactStretchCounts(law.chances, stretches, stop);
    TestOutcome outcome;
    outcome.test = Fairness::Test::ExactChanges;
    outcome.statistic = Pearson(seen.stretches, pi, stretches);
    const double tolerance = 1e-9 * std::max(1.0, outcome.statistic);
    double p = 0;
    for (std::size_t at = 0; at < fair.size(); ++at) {
        p += statistic[at] >= outcome.statistic - tolerance ? fair[at] : 0;
    }
    outcome.p = std::clamp(p, 0.0, 1.0);
    // The counts the test rejects: those whose own p is below the level, from the largest
    // statistic down.
    std::vector<std::size_t> order;
    for (std::size_t at = 0; at < fair.size(); ++at) {
        if (statistic[at] >= 0) {
            order.push_back(at);
        }
    }
    std::ranges::sort(order,
                      [&](std::size_t a, std::size_t b) { return statistic[a] > statistic[b]; });
    double critical = 1e300, tail = 0;
    for (std::size_t k = 0; k < order.size();) {
        // Counts that tie share one p.
        std::size_t end = k;
        double tied = 0;
        while (end < order.size() &&
               statistic[order[end]] >= statistic[order[k]] - 1e-9 * statistic[order[k]]) {
            tied += fair[order[end++]];
        }
        if (tail + tied >= SignificanceLevel) {
            break;
        }
        tail += tied;
        critical = statistic[order[end - 1]];
        k = end;
    }
    outcome.detectable = SmallestFound([&](double factor) {
        const std::vector<double> shifted =
            ExactStretchCounts(ChainDraw(law, factor).Chances(), stretches, stop);
        double found = 0;
        for (std::size_t at = 0; at < shifted.size(); ++at) {
            found += statistic[at] >= critical ? shifted[at] : 0;
        }
        return found;
    });
    return outcome;
}
