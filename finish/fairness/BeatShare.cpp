#include "finish/fairness/BeatShare.h"

#include <algorithm>
#include <boost/math/distributions/non_central_t.hpp>
#include <cmath>

#include "finish/fairness/ChainDraw.h"
#include "finish/fairness/Detectable.h"
#include "finish/fairness/Distributions.h"

namespace {

// One whole turn: its beats on item 1, then on the others up to the next stretch of item 1.
struct Turn {
    double first = 0, others = 0;
};

// The whole turns of the judged picks: from each start of a stretch of item 1 but the first
// pick's to the next such start.
std::vector<Turn> TurnsOf(const std::vector<int>& judged) {
    std::vector<Turn> turns;
    Turn turn;
    bool inTurn = false;
    for (std::size_t k = 1; k < judged.size(); ++k) {
        if (judged[k] == 1 && judged[k - 1] != 1) {
            if (inTurn) {
                turns.push_back(turn);
            }
            inTurn = true;
            turn = {};
        }
        (judged[k] == 1 ? turn.first : turn.others) += 1;
    }
    return turns;
}

// The mean and the spread (variance) of values.
template <class Value>
std::pair<double, double> MeanAndSpread(const std::vector<Turn>& turns, Value value) {
    double sum = 0, squares = 0;
    for (const Turn& turn : turns) {
        sum += value(turn);
        squares += value(turn) * value(turn);
    }
    const auto count = static_cast<double>(turns.size());
    return {sum / count, (squares - sum * sum / count) / (count - 1)};
}

// The smallest factor by which item 1 drawn more often would be found 4 times in 5 in a run as
// long. The turns are taken as the test takes them, as renewals: each draw stays current for a
// number of beats of mean m and variance v, whatever its item, and a turn is a stretch of item 1,
// a geometric number of draws up to the first that is not 1, then a stretch of the others, up to
// the next 1. This run's turns give m and v; item 1's shifted chance q' gives the turns of the
// other run: fewer of them, and longer, as item 1 is drawn more often.
std::optional<double> DetectableFactor(const DrawLaw& law, const std::vector<Turn>& turns,
                                       double beats) {
    const double q = law.chances.front();
    const auto [meanA, spreadA] = MeanAndSpread(turns, [](const Turn& turn) { return turn.first; });
    const auto [meanB, spreadB] =
        MeanAndSpread(turns, [](const Turn& turn) { return turn.others; });
    // A sum of a geometric number of draws' beats: E a = m / (1 - q), Var a = v / (1 - q) +
    // m^2 q / (1 - q)^2, and the same for the others' stretches b with q and 1 - q swapped.
    const double m = ((1 - q) * meanA + q * meanB) / 2;
    const double v = std::max(
        ((1 - q) * spreadA - m * m * q / (1 - q) + q * spreadB - m * m * (1 - q) / q) / 2, 0.0);
    return SmallestFoundUnimodal([&](double factor) {
        const double shifted = ChainDraw(law, factor).Chances().front();
        const double turnsThen = beats / m * shifted * (1 - shifted);
        if (turnsThen < FewestTurns) {
            return 0.0;
        }
        const double a = m / (1 - shifted), b = m / shifted;
        const double aSpread =
            v / (1 - shifted) + m * m * shifted / ((1 - shifted) * (1 - shifted));
        const double bSpread = v / shifted + m * m * (1 - shifted) / (shifted * shifted);
        const double turnMean = (1 - q) * a - q * b;
        const double turnSpread = (1 - q) * (1 - q) * aSpread + q * q * bSpread;
        const boost::math::non_central_t_distribution<double, quiet::Policy> alternative(
            turnsThen - 1, std::sqrt(turnsThen) * turnMean / std::sqrt(turnSpread));
        const double bar = boost::math::quantile(
            boost::math::complement(quiet::StudentsT(turnsThen - 1), SignificanceLevel / 2));
        return boost::math::cdf(boost::math::complement(alternative, bar)) +
               boost::math::cdf(alternative, -bar);
    });
}

}  // namespace

TestOutcome BeatShareTest(const DrawLaw& law, const Observed& seen, Fairness& fairness) {
    const double q = law.chances.front();
    const std::vector<Turn> turns = TurnsOf(seen.judged);
    double onFirst = 0, beats = 0;
    for (const Turn& turn : turns) {
        onFirst += turn.first;
        beats += turn.first + turn.others;
    }
    TestOutcome outcome;
    outcome.test = Fairness::Test::BeatShare;
    const auto count = static_cast<int>(turns.size());
    fairness.turns = count;
    fairness.fairShare = q;
    fairness.share = beats > 0 ? onFirst / beats : 0;
    if (count < FewestTurns) {
        return outcome;
    }
    // Each turn's beats on item 1 less q times its beats: mean 0 under a fair draw.
    const auto [mean, spread] = MeanAndSpread(
        turns, [q](const Turn& turn) { return turn.first - q * (turn.first + turn.others); });
    // The spread of their sum, but never below that of as many independent draws: rests only
    // ever widen it, since every draw stays current for one beat or more. So a run whose turns
    // all look alike, such as 1 2 1 2 ..., is not read as infinitely sure.
    const double spreadOfSum = std::max(spread * count, q * (1 - q) * beats);
    outcome.statistic = mean * count / std::sqrt(spreadOfSum);
    const quiet::StudentsT student(count - 1);
    outcome.p = 2 * boost::math::cdf(boost::math::complement(student, std::abs(outcome.statistic)));
    // The beats weigh as this many independent draws: the spread of item 1's share of them is
    // q1 (1 - q1) / weighsAs.
    fairness.weighsAs = q * (1 - q) * beats * beats / spreadOfSum;
    outcome.detectable = DetectableFactor(law, turns, beats);
    return outcome;
}
