#include "finish/fairness/Changes.h"

#include <algorithm>
#include <boost/math/distributions/non_central_chi_squared.hpp>
#include <boost/math/quadrature/gauss_kronrod.hpp>
#include <cmath>

#include "finish/fairness/ChainDraw.h"
#include "finish/fairness/Detectable.h"
#include "finish/fairness/Distributions.h"

namespace {

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

Spread ChangesSpread(const DrawLaw& law) {
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
    const quiet::ChiSquared first(spread.d1);
    if (spread.d2 == 0) {
        return boost::math::cdf(boost::math::complement(first, x / spread.w1));
    }
    if (x <= 0) {
        return 1;
    }
    // w1 A + w2 Z^2 exceeds x when Z^2 does alone, or else when A exceeds what remains.
    const quiet::Normal normal;
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

TestOutcome LimitChangesTest(const DrawLaw& law, const Observed& seen, int stretches) {
    const std::vector<double> pi = StretchLaw(law.chances);
    TestOutcome outcome;
    outcome.test = Fairness::Test::Changes;
    outcome.statistic = Pearson(seen.stretches, pi, stretches);
    const Spread spread = ChangesSpread(law);
    outcome.p = std::clamp(Tail(spread, outcome.statistic), 0.0, 1.0);
    // Under a shift the statistic is near a scaled noncentral chi-square (Satterthwaite's scale
    // and degrees of freedom for a mixed spread).
    const double scale = spread.Square() / spread.Mean();
    const double freedom = spread.Mean() * spread.Mean() / spread.Square();
    const double critical = boost::math::quantile(
        boost::math::complement(quiet::ChiSquared(freedom), SignificanceLevel));
    outcome.detectable = SmallestFound([&](double factor) {
        const std::vector<double> shifted = StretchLaw(ChainDraw(law, factor).Chances());
        double noncentrality = 0;
        for (std::size_t k = 0; k < pi.size(); ++k) {
            noncentrality += (shifted[k] - pi[k]) * (shifted[k] - pi[k]) / pi[k];
        }
        const boost::math::non_central_chi_squared_distribution<double, quiet::Policy> alternative(
            freedom, stretches * noncentrality / scale);
        return boost::math::cdf(boost::math::complement(alternative, critical));
    });
    return outcome;
}

}  // namespace

double Pearson(const std::vector<int>& counts, const std::vector<double>& pi, int total) {
    double statistic = 0;
    for (std::size_t k = 0; k < counts.size(); ++k) {
        const double expected = total * pi[k];
        statistic += (counts[k] - expected) * (counts[k] - expected) / expected;
    }
    return statistic;
}

TestOutcome ChangesTest(const DrawLaw& law, const Observed& seen, std::stop_token stop) {
    int stretches = 0;
    for (const int count : seen.stretches) {
        stretches += count;
    }
    if (law.Items() == 3 && stretches <= ExactStretches) {
        return ExactChangesTest(law, seen, stretches, stop);
    }
    const double fewest = stretches * std::ranges::min(StretchLaw(law.chances));
    if (fewest >= LeastExpected) {
        return LimitChangesTest(law, seen, stretches);
    }
    return SimulatedChangesTest(law, seen, stretches, stop);
}
