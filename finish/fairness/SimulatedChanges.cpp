#include <algorithm>
#include <cmath>
#include <cstdint>

#include "finish/fairness/ChainDraw.h"
#include "finish/fairness/Changes.h"
#include "finish/fairness/Detectable.h"

namespace {

// The stretches drawn, at most, for the p-value and for the difference a run would find; together
// they keep the reading within a few tenths of a second.
constexpr double StretchBudget = 4e6;
// The p-value's runs stop after this many reach the run's own statistic (Besag and Clifford's
// sequential p-value): enough for a p near the level to within a factor of 1.5.
constexpr int Reached = 50;
// The runs drawn at least, for the level's critical statistic (more as the budget allows, up to
// CriticalRuns), at most, and for each factor tried in the search for the difference.
constexpr int FewestRuns = 199, CriticalRuns = 999, MostRuns = 9999;
constexpr int FewestPowerRuns = 25, MostPowerRuns = 100;
// The factors the search for the difference tries at most.
constexpr int FactorsTried = 9;

std::uint64_t Seed(const std::vector<int>& judged, const DrawLaw& law) {
    std::uint64_t hash = 14695981039346656037ULL;
    const auto mix = [&hash](std::uint64_t value) { hash = (hash ^ value) * 1099511628211ULL; };
    mix(static_cast<std::uint64_t>(law.Items()));
    mix(static_cast<std::uint64_t>(std::llround(law.n * 1024)));
    for (const int pick : judged) {
        mix(static_cast<std::uint64_t>(pick));
    }
    return hash;
}

// Pearson's statistic of one simulated run of the chain, as many stretches long as the run, summed
// as the run's own is. Counts is scratch, all zero before and after.
double SimulatedStatistic(const ChainDraw& draw, const std::vector<double>& inverseExpected,
                          int stretches, Random& random, std::vector<int>& counts) {
    double sum = 0;
    int item = draw.Fresh(random);
    for (int k = 0; k < stretches; ++k) {
        if (k > 0) {
            item = draw.Next(item, random);
        }
        const auto index = static_cast<std::size_t>(item - 1);
        sum += (2 * counts[index] + 1) * inverseExpected[index];
        ++counts[index];
    }
    std::ranges::fill(counts, 0);
    return sum - stretches;
}

}  // namespace

TestOutcome SimulatedChangesTest(const DrawLaw& law, const Observed& seen, int stretches,
                                 const std::stop_token& stop) {
    const std::vector<double> pi = StretchLaw(law.chances);
    std::vector<double> inverseExpected;
    for (const double share : pi) {
        inverseExpected.push_back(1 / (stretches * share));
    }
    std::vector<int> counts(pi.size(), 0);
    double observed = 0;
    for (std::size_t k = 0; k < seen.judged.size(); ++k) {
        if (k == 0 || seen.judged[k] != seen.judged[k - 1]) {
            const auto index = static_cast<std::size_t>(seen.judged[k] - 1);
            observed += (2 * counts[index] + 1) * inverseExpected[index];
            ++counts[index];
        }
    }
    observed -= stretches;
    std::ranges::fill(counts, 0);
    const double tolerance = 1e-9 * std::max(1.0, observed);

    const std::uint64_t seed = Seed(seen.judged, law);
    Random random(seed);
    const ChainDraw fair(law, 1);
    const int mostRuns =
        std::clamp(static_cast<int>(StretchBudget / stretches), FewestRuns, MostRuns);
    const int criticalRuns =
        std::clamp(static_cast<int>(StretchBudget / 2 / stretches), FewestRuns, CriticalRuns);
    std::vector<double> simulated;
    int atLeast = 0, stoppedAt = 0;
    while (static_cast<int>(simulated.size()) < mostRuns &&
           (stoppedAt == 0 || static_cast<int>(simulated.size()) < criticalRuns)) {
        StopIfAsked(stop);
        simulated.push_back(SimulatedStatistic(fair, inverseExpected, stretches, random, counts));
        atLeast += simulated.back() >= observed - tolerance;
        if (atLeast == Reached && stoppedAt == 0) {
            stoppedAt = static_cast<int>(simulated.size());
        }
    }
    TestOutcome outcome;
    outcome.test = Fairness::Test::SimulatedChanges;
    outcome.statistic = observed;
    const auto runs = static_cast<double>(simulated.size());
    outcome.p =
        stoppedAt > 0 ? static_cast<double>(Reached) / stoppedAt : (1.0 + atLeast) / (runs + 1.0);
    // A run is read as uneven when fewer than `allowed` simulated statistics reach its own.
    const auto allowed =
        static_cast<std::size_t>(std::max(1.0, std::ceil(SignificanceLevel * (runs + 1) - 1)));
    std::ranges::sort(simulated, std::ranges::greater{});
    const double critical = simulated[allowed - 1] + tolerance;
    const int powerRuns = std::clamp(
        static_cast<int>(StretchBudget / (FactorsTried * static_cast<double>(stretches))),
        FewestPowerRuns, MostPowerRuns);
    outcome.detectable = SmallestFound([&](double factor) {
        Random shifted(seed ^ GoldenGamma);
        const ChainDraw draw(law, factor);
        int found = 0;
        for (int run = 0; run < powerRuns; ++run) {
            StopIfAsked(stop);
            found +=
                SimulatedStatistic(draw, inverseExpected, stretches, shifted, counts) > critical;
        }
        return static_cast<double>(found) / powerRuns;
    });
    return outcome;
}
