#include "finish/Fairness.h"

#include <algorithm>
#include <bit>
#include <boost/math/distributions/binomial.hpp>
#include <boost/math/distributions/chi_squared.hpp>
#include <boost/math/distributions/non_central_chi_squared.hpp>
#include <boost/math/distributions/normal.hpp>
#include <boost/math/quadrature/gauss_kronrod.hpp>
#include <cmath>
#include <cstdint>
#include <functional>

#include "common/Conversions.h"
#include "common/Failure.h"

namespace {

// Repeats beyond what independent draws give at this level are read as rests.
constexpr double RestLevel = 0.05;
// The chi-square law of the changes is used from this many stretches expected per item; below
// it, the changes are simulated.
constexpr double LeastExpected = 5;
// The simulated runs per factor tried when the detectable difference is simulated.
constexpr int PowerRuns = 100;
// "Found 4 times in 5".
constexpr double FoundShare = 0.8;

// However a distribution is asked, it answers with a number and never throws.
namespace policies = boost::math::policies;
using Quiet = policies::policy<policies::domain_error<policies::ignore_error>,
                               policies::overflow_error<policies::ignore_error>,
                               policies::evaluation_error<policies::ignore_error>>;
using ChiSquared = boost::math::chi_squared_distribution<double, Quiet>;
using Normal = boost::math::normal_distribution<double, Quiet>;

// The draw of one movement: x = N*r + 1 floored, r uniform in [0, 1).
struct Law {
    double n = 0;           // the outcome count as a real
    std::vector<double> q;  // the chance of items 1..K
    bool fractional = false;
    int Items() const { return static_cast<int>(q.size()); }
};

// xoshiro256** seeded through splitmix64 from the picks, so that the window and the command line
// read a run alike: the same numbers on every platform, and fast enough for a million draws in a
// few milliseconds.
class Random {
public:
    explicit Random(std::uint64_t seed) {
        for (std::uint64_t& word : state_) {
            seed += 0x9E3779B97F4A7C15ULL;
            std::uint64_t z = seed;
            z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
            z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
            word = z ^ (z >> 31);
        }
    }
    // 53 random bits, as a real in [0, 1).
    double Uniform() {
        const std::uint64_t result = std::rotl(state_[1] * 5, 7) * 9;
        const std::uint64_t shifted = state_[1] << 17;
        state_[2] ^= state_[0];
        state_[3] ^= state_[1];
        state_[1] ^= state_[2];
        state_[0] ^= state_[3];
        state_[2] ^= shifted;
        state_[3] = std::rotl(state_[3], 45);
        return static_cast<double>(result >> 11) * 0x1.0p-53;
    }

private:
    std::uint64_t state_[4];
};

// The draw as the generator makes it, x = N*r + 1 floored, with item 1 drawn factor times as often
// as its law gives, relative to the others: it takes [0, factor q1) of a longer range, and the
// others the rest as before.
class Drawing {
public:
    Drawing(const Law& law, double factor)
        : n_(law.n),
          items_(law.Items()),
          width_(1 + (factor - 1) * law.q[0]),
          favoured_(factor == 1 ? -1 : factor * law.q[0]),
          shift_((factor - 1) * law.q[0]),
          lowest_(factor == 1 ? 1 : 2) {}

    int operator()(Random& random) const {
        const double u = random.Uniform() * width_;
        if (u < favoured_) {
            return 1;
        }
        return std::clamp(static_cast<int>((u - shift_) * n_) + 1, lowest_, items_);
    }

private:
    double n_;
    int items_;
    double width_, favoured_, shift_;
    int lowest_;
};

// The law of the item that begins each stretch: the chain of changes settles on pi_i
// proportional to q_i (1 - q_i). Item 1 weighted by factor as in Drawing.
std::vector<double> ChangeLaw(const Law& law, double factor) {
    std::vector<double> p = law.q;
    p[0] *= factor;
    double total = 0;
    for (const double chance : p) {
        total += chance;
    }
    std::vector<double> pi;
    double sum = 0;
    for (const double chance : p) {
        pi.push_back(chance / total * (1 - chance / total));
        sum += pi.back();
    }
    for (double& share : pi) {
        share /= sum;
    }
    return pi;
}

// Pearson's statistic of counts that add up to total against the shares pi.
double Pearson(const std::vector<int>& counts, const std::vector<double>& pi, int total) {
    double statistic = 0;
    for (std::size_t k = 0; k < counts.size(); ++k) {
        const double expected = total * pi[k];
        statistic += (counts[k] - expected) * (counts[k] - expected) / expected;
    }
    return statistic;
}

// Pearson's statistic of simulated stretches: the chain of changes for as many stretches as the
// run had, started from one draw. Counts is scratch, all zero before and after.
double SimulatedStatistic(const Drawing& draw, const std::vector<double>& inverseExpected,
                          int stretches, Random& random, std::vector<int>& counts) {
    double sum = 0;
    int current = 0;
    for (int k = 0; k < stretches; ++k) {
        int item = 0;
        do {
            item = draw(random);
        } while (item == current);
        const auto index = static_cast<std::size_t>(item - 1);
        sum += (2 * counts[index] + 1) * inverseExpected[index];
        ++counts[index];
        current = item;
    }
    std::ranges::fill(counts, 0);
    return sum - stretches;
}

// The limit law of Pearson's statistic on the changes: w1 times a chi-square with d1 degrees of
// freedom plus w2 times one with d2 (0 or 1). The chain's eigenvalues l give the weights
// (1 + l) / (1 - l): for N equal items l = -1/(N-1), so (N-2)/N on N-1 degrees of freedom; a
// fractional last item adds l = -f/(N-1), f the fraction.
struct Spread {
    double w1 = 0;
    int d1 = 0;
    double w2 = 0;
    int d2 = 0;

    double Mean() const { return w1 * d1 + w2 * d2; }
    double Square() const { return w1 * w1 * d1 + w2 * w2 * d2; }
};

Spread ChangesSpread(const Law& law) {
    const double n = law.n;
    if (!law.fractional) {
        return {(n - 2) / n, law.Items() - 1, 0, 0};
    }
    const double whole = std::floor(n);
    return {(n - 2) / n, static_cast<int>(whole) - 1, (whole - 1) / (whole - 1 + 2 * (n - whole)),
            1};
}

// The chance that the limit law exceeds x.
double Tail(const Spread& spread, double x) {
    const ChiSquared first(spread.d1);
    if (spread.d2 == 0) {
        return boost::math::cdf(boost::math::complement(first, x / spread.w1));
    }
    if (x <= 0) {
        return 1;
    }
    // w1 A + w2 Z^2 exceeds x when Z^2 does alone, or else when A exceeds what remains.
    const Normal normal;
    const double top = std::sqrt(x / spread.w2);
    const auto inside = [&](double z) {
        const double rest = (x - spread.w2 * z * z) / spread.w1;
        return 2 * boost::math::pdf(normal, z) *
               boost::math::cdf(boost::math::complement(first, std::max(rest, 0.0)));
    };
    return 2 * boost::math::cdf(boost::math::complement(normal, top)) +
           boost::math::quadrature::gauss_kronrod<double, 31>::integrate(inside, 0.0, top, 10,
                                                                         1e-12);
}

// The smallest factor in 1..LargestFactor at which found(factor) reaches FoundShare, to within
// 4%; none when not even the largest is found so often.
std::optional<double> SmallestFound(const std::function<double(double)>& found) {
    if (found(LargestFactor) < FoundShare) {
        return std::nullopt;
    }
    double low = 0, high = std::log(LargestFactor);
    while (high - low > 0.04) {
        const double middle = (low + high) / 2;
        (found(std::exp(middle)) < FoundShare ? low : high) = middle;
    }
    return std::exp(high);
}

// What the picks show without any test.
struct Picks {
    std::vector<int> judged;     // the picks within 1..K, in beat order
    std::vector<int> stretches;  // per item, the stretches of judged picks it holds
    std::vector<int> counts;     // per item, its judged picks
};

Picks Read(std::span<const Int16> picks, const Law& law, Fairness& fairness) {
    Picks read;
    read.stretches.assign(law.q.size(), 0);
    read.counts.assign(law.q.size(), 0);
    int stretch = 0;
    for (std::size_t k = 0; k < picks.size(); ++k) {
        const bool again = k > 0 && picks[k] == picks[k - 1];
        fairness.repeats += again;
        const int pick = picks[k];
        if (pick < 1 || pick > law.Items()) {
            continue;
        }
        stretch = again ? stretch + 1 : 1;
        if (stretch > fairness.longestStretch) {
            fairness.longestStretch = stretch;
            fairness.longestItem = pick;
        }
        const auto index = static_cast<std::size_t>(pick - 1);
        if (read.judged.empty() || read.judged.back() != pick) {
            ++read.stretches[index];
        }
        ++read.counts[index];
        read.judged.push_back(pick);
    }
    fairness.judged = static_cast<int>(read.judged.size());
    fairness.changes = -1;
    for (const int count : read.stretches) {
        fairness.changes += count;
    }
    fairness.changes = std::max(fairness.changes, 0);
    return read;
}

// Whether the pointer rested, beyond what chance gives independent draws with the frequencies
// seen (a favoured item repeats more often too, so the law alone would take it for rests). Many
// short rests show as more repeats, a few long ones as a stretch too long for chance: each is
// tested at half the level.
void JudgeRests(const Picks& read, Fairness& fairness) {
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
    for (const int count : read.counts) {
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
    const int judgedRepeats = fairness.judged - 1 - fairness.changes;
    const double z =
        variance > 0 ? (judgedRepeats - 0.5 - fairness.expectedRepeats) / std::sqrt(variance) : 0;
    const bool manyRepeats = boost::math::cdf(boost::math::complement(Normal(), z)) < RestLevel / 2;
    // Such stretches come nearly as a Poisson count.
    const bool longStretch = -std::expm1(-longer) < RestLevel / 2;
    fairness.rested = manyRepeats || longStretch;
}

std::uint64_t Seed(const std::vector<int>& judged, const Law& law) {
    std::uint64_t hash = 14695981039346656037ULL;
    const auto mix = [&hash](std::uint64_t value) { hash = (hash ^ value) * 1099511628211ULL; };
    mix(static_cast<std::uint64_t>(law.Items()));
    mix(static_cast<std::uint64_t>(std::llround(law.n * 1024)));
    for (const int pick : judged) {
        mix(static_cast<std::uint64_t>(pick));
    }
    return hash;
}

// Two items: an exact binomial test on the picks, two-sided by the chance of each count.
void JudgeTwoItems(const Law& law, const Picks& read, Fairness& fairness) {
    const int total = fairness.judged;
    const double first = law.q[0];
    // The chance of each count of item 1, from the likeliest count outwards by the ratio of
    // neighbouring counts: far cheaper than the distribution's own, which matters when simulating.
    const int mode = std::min(total, static_cast<int>((total + 1) * first));
    const double odds = first / (1 - first);
    std::vector<double> chance(static_cast<std::size_t>(total) + 1);
    chance[static_cast<std::size_t>(mode)] = 1;
    for (int x = mode; x < total; ++x) {
        chance[static_cast<std::size_t>(x + 1)] =
            chance[static_cast<std::size_t>(x)] * (total - x) / (x + 1) * odds;
    }
    for (int x = mode; x > 0; --x) {
        chance[static_cast<std::size_t>(x - 1)] =
            chance[static_cast<std::size_t>(x)] * x / (total - x + 1) / odds;
    }
    double sum = 0;
    for (const double share : chance) {
        sum += share;
    }
    for (double& share : chance) {
        share /= sum;
    }
    // p(x): the chance of a count no likelier than x.
    std::vector<double> sorted = chance;
    std::ranges::sort(sorted);
    std::vector<double> below(sorted.size() + 1, 0.0);
    for (std::size_t k = 0; k < sorted.size(); ++k) {
        below[k + 1] = below[k] + sorted[k];
    }
    const auto pOf = [&](int x) {
        const double bound = chance[static_cast<std::size_t>(x)] * (1 + 1e-7);
        const auto end = std::ranges::upper_bound(sorted, bound) - sorted.begin();
        return std::min(below[static_cast<std::size_t>(end)], 1.0);
    };
    const int observed = read.counts[0];
    fairness.p = pOf(observed);
    fairness.statistic = Pearson(read.counts, law.q, total);
    fairness.test = Fairness::Test::Binomial;
    // The counts the test rejects lie in two tails around the likeliest count.
    int low = -1, high = total + 1;
    for (int x = mode; x >= 0; --x) {
        if (pOf(x) < SignificanceLevel) {
            low = x;
            break;
        }
    }
    for (int x = mode; x <= total; ++x) {
        if (pOf(x) < SignificanceLevel) {
            high = x;
            break;
        }
    }
    fairness.detectable = SmallestFound([&](double factor) {
        const double shifted = factor * first / (factor * first + 1 - first);
        const boost::math::binomial_distribution<double, Quiet> alternative(total, shifted);
        double found = 0;
        if (low >= 0) {
            found += boost::math::cdf(alternative, low);
        }
        if (high <= total) {
            found +=
                high == 0 ? 1.0 : boost::math::cdf(boost::math::complement(alternative, high - 1));
        }
        return found;
    });
}

// Three or more items: how often each item begins a stretch, against the chain of changes.
void JudgeChanges(const Law& law, const Picks& read, Fairness& fairness) {
    const int stretches = fairness.changes + 1;
    const std::vector<double> pi = ChangeLaw(law, 1);
    const double fewest = stretches * *std::ranges::min_element(pi);
    if (fewest >= LeastExpected) {
        fairness.statistic = Pearson(read.stretches, pi, stretches);
        const Spread spread = ChangesSpread(law);
        fairness.test = Fairness::Test::Changes;
        fairness.p = std::clamp(Tail(spread, fairness.statistic), 0.0, 1.0);
        // Under a shift the statistic is near a scaled noncentral chi-square (Satterthwaite's
        // scale and degrees of freedom for a mixed spread).
        const double scale = spread.Square() / spread.Mean();
        const double freedom = spread.Mean() * spread.Mean() / spread.Square();
        const double critical =
            boost::math::quantile(boost::math::complement(ChiSquared(freedom), SignificanceLevel));
        fairness.detectable = SmallestFound([&](double factor) {
            const std::vector<double> shifted = ChangeLaw(law, factor);
            double noncentrality = 0;
            for (std::size_t k = 0; k < pi.size(); ++k) {
                noncentrality += (shifted[k] - pi[k]) * (shifted[k] - pi[k]) / pi[k];
            }
            const boost::math::non_central_chi_squared_distribution<double, Quiet> alternative(
                freedom, stretches * noncentrality / scale);
            return boost::math::cdf(boost::math::complement(alternative, critical));
        });
        return;
    }
    // Sparse counts: the same statistic against runs of the chain, simulated from a seed the
    // picks give. Both are summed the same way, so that the same counts in the same order tie
    // exactly; in another order they tie within the tolerance.
    std::vector<double> inverseExpected;
    for (const double share : pi) {
        inverseExpected.push_back(1 / (stretches * share));
    }
    std::vector<int> counts(pi.size(), 0);
    double observed = 0;
    for (std::size_t k = 0; k < read.judged.size(); ++k) {
        if (k == 0 || read.judged[k] != read.judged[k - 1]) {
            const auto index = static_cast<std::size_t>(read.judged[k] - 1);
            observed += (2 * counts[index] + 1) * inverseExpected[index];
            ++counts[index];
        }
    }
    observed -= stretches;
    std::ranges::fill(counts, 0);
    const std::uint64_t seed = Seed(read.judged, law);
    Random random(seed);
    std::vector<double> simulated;
    const double tolerance = 1e-9 * std::max(1.0, observed);
    const Drawing fair(law, 1);
    int atLeast = 0;
    for (int run = 0; run < SimulatedRuns; ++run) {
        simulated.push_back(SimulatedStatistic(fair, inverseExpected, stretches, random, counts));
        atLeast += simulated.back() >= observed - tolerance;
    }
    fairness.statistic = observed;
    fairness.test = Fairness::Test::SimulatedChanges;
    fairness.p = (1.0 + atLeast) / (SimulatedRuns + 1.0);
    // A run is read as uneven when fewer than `allowed` simulated statistics reach its own.
    const auto allowed =
        static_cast<std::size_t>(std::ceil(SignificanceLevel * (SimulatedRuns + 1) - 1));
    std::ranges::sort(simulated, std::ranges::greater{});
    const double critical = simulated[allowed - 1] + tolerance;
    fairness.detectable = SmallestFound([&](double factor) {
        Random shifted(seed ^ 0x9E3779B97F4A7C15ULL);
        const Drawing draw(law, factor);
        int found = 0;
        for (int run = 0; run < PowerRuns; ++run) {
            found +=
                SimulatedStatistic(draw, inverseExpected, stretches, shifted, counts) > critical;
        }
        return static_cast<double>(found) / PowerRuns;
    });
}

// The law of the draw for an outcome-count text; no chances when it is not a number or below 1.
Law LawOf(std::string_view outcomes) {
    Law law;
    try {
        law.n = TextToReal(outcomes);
    } catch (const Failure&) {
        return {};
    }
    if (!(law.n >= 1) || law.n > 32767) {
        return {};
    }
    const double whole = std::floor(law.n);
    law.q.assign(static_cast<std::size_t>(whole), 1 / law.n);
    law.fractional = law.n > whole;
    if (law.fractional) {
        law.q.push_back((law.n - whole) / law.n);
    }
    return law;
}

Fairness Judge(std::span<const Int16> picks, std::string_view outcomes) {
    Fairness fairness;
    const Law law = LawOf(outcomes);
    if (law.q.size() < 2) {
        fairness.obstacle = Fairness::Obstacle::NoLaw;
        Read(picks, law, fairness);
        return fairness;
    }
    fairness.items = law.Items();
    fairness.fractional = law.fractional;
    const Picks read = Read(picks, law, fairness);
    JudgeRests(read, fairness);
    if (fairness.judged == 0) {
        fairness.obstacle = Fairness::Obstacle::NoPicks;
    } else if (fairness.changes == 0) {
        fairness.obstacle = Fairness::Obstacle::NoChanges;
    } else if (law.Items() == 2 && fairness.rested) {
        fairness.obstacle = Fairness::Obstacle::TwoItemsRested;
    } else if (law.Items() == 2) {
        JudgeTwoItems(law, read, fairness);
    } else {
        JudgeChanges(law, read, fairness);
    }
    if (fairness.p) {
        fairness.verdict = *fairness.p < SignificanceLevel ? Fairness::Verdict::Uneven
                                                           : Fairness::Verdict::Consistent;
    }
    return fairness;
}

}  // namespace

std::vector<double> DrawLaw(std::string_view outcomes) {
    return LawOf(outcomes).q;
}

Fairness JudgeFairness(std::span<const Int16> picks, std::string_view outcomes) noexcept {
    try {
        return Judge(picks, outcomes);
    } catch (...) {
        // Only memory can run out here: LawOf turns a text that is not a count into no law.
        Fairness fairness;
        fairness.obstacle = Fairness::Obstacle::OutOfMemory;
        return fairness;
    }
}
