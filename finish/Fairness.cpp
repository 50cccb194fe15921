#include "finish/Fairness.h"

#include "common/Conversions.h"
#include "common/Failure.h"
#include "finish/fairness/BeatShare.h"
#include "finish/fairness/Changes.h"
#include "finish/fairness/Observed.h"
#include "picker/DrawLaw.h"

namespace {

// The largest chance of a third item for which the beat-share test is taken.
constexpr double MostForBeatShare = 0.1;

// The test follows from the law alone. With two items the stretches only alternate, so the reading
// takes the beat-share test; so it does for counts between 2 and 3 whose third item holds less
// than a tenth of the draws (N below 2.22), whose stretches tell little of items 1 and 2. Three
// items or more take the changes test, which holds however the pointer moves: simulated, the
// beat-share test over all items gains nothing on it where the pointer rests, loses much in bursts,
// and calls fair runs uneven too often there.
bool TakesBeatShare(const DrawLaw& law) {
    return law.Items() == 2 || (law.Items() == 3 && law.chances[2] < MostForBeatShare);
}

int TableItems(std::string_view outcomes) {
    try {
        return std::max<int>(TextToInt16(outcomes), 0);
    } catch (const Failure&) {
        return 0;
    }
}

Fairness Judge(std::span<const Int16> picks, std::string_view outcomes,
               const std::stop_token& stop) {
    Fairness fairness;
    fairness.tableItems = TableItems(outcomes);
    const DrawLaw law = LawOfDraw(outcomes);
    if (law.Items() < 2) {
        fairness.obstacle = Fairness::Obstacle::NoLaw;
        return fairness;
    }
    fairness.items = law.Items();
    fairness.fractional = law.fractional;
    const Observed seen = Observe(picks, law.Items(), fairness);
    JudgeRepeats(seen, fairness);
    if (fairness.judged == 0) {
        fairness.obstacle = Fairness::Obstacle::NoPicks;
        return fairness;
    }
    if (fairness.changes == 0) {
        fairness.obstacle = Fairness::Obstacle::NoChanges;
        return fairness;
    }
    const TestOutcome outcome =
        TakesBeatShare(law) ? BeatShareTest(law, seen, fairness) : ChangesTest(law, seen, stop);
    fairness.test = outcome.test;
    fairness.statistic = outcome.statistic;
    fairness.p = outcome.p;
    // A run that could not have found even a large difference proves nothing by passing.
    if (!outcome.p || (*outcome.p >= SignificanceLevel && !outcome.detectable)) {
        fairness.obstacle = Fairness::Obstacle::TooFewPicks;
        return fairness;
    }
    fairness.detectable = outcome.detectable;
    fairness.verdict =
        *fairness.p < SignificanceLevel ? Fairness::Verdict::Uneven : Fairness::Verdict::Consistent;
    return fairness;
}

}  // namespace

Fairness JudgeFairness(std::span<const Int16> picks, std::string_view outcomes,
                       std::stop_token stop) noexcept {
    Fairness fairness;
    try {
        return Judge(picks, outcomes, stop);
    } catch (const Stopped&) {
        fairness.obstacle = Fairness::Obstacle::Cancelled;
    } catch (...) {
        // Only memory can run out here: a text that is not a count gives no law.
        fairness.obstacle = Fairness::Obstacle::OutOfMemory;
    }
    return fairness;
}
