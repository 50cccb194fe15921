#include "finish/FairnessWords.h"

#include <charconv>
#include <cmath>
#include <iterator>

#include "finish/Counted.h"

namespace {

// A number with a fixed count of decimals, with a point whatever the locale.
std::string Fixed(double value, int decimals) {
    char text[64];
    const auto result =
        std::to_chars(std::begin(text), std::end(text), value, std::chars_format::fixed, decimals);
    return {text, result.ptr};
}

// A factor rounded up, so that the claim is never larger than the test shows: two decimals below
// 10 ("1.33"), whole above.
std::string FactorText(double factor) {
    return factor < 10 ? Fixed(std::ceil(factor * 100) / 100, 2) : Fixed(std::ceil(factor), 0);
}

std::string Percent(double share) {
    return Fixed(100 * share, 1) + "%";
}

bool BeatShare(const Fairness& fairness) {
    return fairness.test == Fairness::Test::BeatShare;
}

// "an item drawn 3.20 times as often as each other item", relative to the draw's own law when its
// last item is drawn less often.
std::string Favoured(const std::string& factor, const Fairness& fairness) {
    return "one item were drawn " + factor + " times as often as " +
           (fairness.fractional ? "the draw's own law gives it against the other items"
                                : "each other item");
}

// What "a run of this size" counts: the test's own measure of it.
std::string ThisSize(const Fairness& fairness) {
    return BeatShare(fairness) ? "a run with as many beats and rests as this one"
                               : "a run with as many changes of item as this one";
}

std::string Detectable(const Fairness& fairness) {
    return "If " + Favoured(FactorText(*fairness.detectable), fairness) + ", " +
           ThisSize(fairness) + " would show it 4 times in 5; a smaller difference can go unseen.";
}

std::string Stretches(const Fairness& fairness) {
    return Counted(fairness.changes + 1, "stretch", "stretches") + " between changes of item";
}

std::string ShareSeen(const Fairness& fairness) {
    return "Item 1 was current for " + Percent(fairness.share) + " of the beats, where a fair " +
           "draw gives it " + Percent(fairness.fairShare);
}

std::string Turns(const Fairness& fairness) {
    return Counted(fairness.turns, "whole turn", "whole turns") +
           " from one stretch of item 1 to the next";
}

// The tables count the items of the rounded count; the draw of 2.5 gives item 3 as well.
std::string ItemsJudged(const Fairness& fairness) {
    if (fairness.tableItems >= fairness.items || fairness.tableItems < 1) {
        return {};
    }
    return " The tables count " + ItemsUpTo(fairness.tableItems) + ", the outcome count rounded, while the draw also " +
           "gives item " + std::to_string(fairness.items) +
           ", less often than the others: the reading judges all " +
           std::to_string(fairness.items) + " items.";
}

std::string Basis(const Fairness& fairness) {
    using enum Fairness::Verdict;
    if (fairness.obstacle == Fairness::Obstacle::TooFewPicks) {
        if (BeatShare(fairness) && fairness.turns < FewestTurns) {
            return "The run has " + Turns(fairness) + ", and the test needs at least " +
                   std::to_string(FewestTurns) + " to weigh the pointer's rests.";
        }
        return "The run is too short: even if " +
               Favoured(std::to_string(static_cast<int>(LargestFactor)), fairness) + ", " +
               ThisSize(fairness) + " would not show it 4 times in 5.";
    }
    if (BeatShare(fairness)) {
        return ShareSeen(fairness) +
               (fairness.verdict == Uneven
                    ? ": further off than chance explains."
                    : ", and chance alone often strays this far. " + Detectable(fairness));
    }
    return fairness.verdict == Uneven
               ? "Over the " + Stretches(fairness) +
                     ", some items began more of them than a fair draw gives, by more than "
                     "chance explains."
               : "Over the " + Stretches(fairness) +
                     ", each item began about as many as a fair draw gives it. " +
                     Detectable(fairness);
}

std::string Method(const Fairness& fairness) {
    const std::string law = fairness.fractional ? " the draw's own law and" : "";
    const std::string counts = "The test counts which item begins each of the " +
                               Stretches(fairness) + ", against" + law +
                               " the chain of changes, which the pointer's rests cannot sway: "
                               "Pearson's chi-square";
    const std::string p = fairness.p ? " (" + PValueText(*fairness.p) + ")." : ".";
    switch (fairness.test) {
        case Fairness::Test::Changes:
            return counts + ", scaled for the chain" + p;
        case Fairness::Test::ExactChanges:
            return counts + ", its chance worked out exactly" + p;
        case Fairness::Test::SimulatedChanges:
            return counts + ", read against simulated runs of the chain" + p;
        case Fairness::Test::BeatShare: {
            std::string text = "The test compares item 1's share of the beats with its chance" +
                               std::string(fairness.fractional ? " in the draw's own law" : "") +
                               ", over the " + Turns(fairness);
            if (fairness.turns >= FewestTurns) {
                text += "; given the rests, the beats weigh as much as about " +
                        Counted(static_cast<int>(std::lround(fairness.weighsAs)),
                                "independent draw", "independent draws") +
                        ". Student's t = " + Fixed(fairness.statistic, 2) + " on " +
                        std::to_string(fairness.turns - 1) + " degrees of freedom" + p;
            } else {
                text += ".";
            }
            return text +
                   " It holds because how long the pointer rests does not depend on the item, "
                   "which Kelpov never shows while picking.";
        }
        case Fairness::Test::None:
            break;
    }
    return {};
}

// Rests and a favoured item both make repeats: the log cannot tell them apart.
std::string Repeats(const Fairness& fairness) {
    if (!fairness.rested) {
        return {};
    }
    return " The picks hold more or longer repeats than independent draws would: " +
           Counted(fairness.repeats, "pick repeats the one before it",
                   "picks repeat the one before them") +
           " (about " + std::to_string(std::lround(fairness.expectedRepeats)) +
           " for independent draws of these counts), and the longest stretch is item " +
           std::to_string(fairness.longestItem) + " for " +
           Counted(fairness.longestStretch, "beat", "beats") +
           "; the pointer rested, or some items are drawn more often.";
}

}  // namespace

std::string PValueText(double p) {
    if (p < 0.0001) {
        return "p < 0.0001";
    }
    // Three significant figures of p, then of the rounded value, which may have gained a digit
    // (0.09996 gives 0.100).
    const auto decimalsOf = [](double value) {
        return 2 - static_cast<int>(std::floor(std::log10(value)));
    };
    const std::string first = Fixed(p, decimalsOf(p));
    double rounded = 0;
    std::from_chars(first.data(), first.data() + first.size(), rounded);
    if (p < SignificanceLevel && rounded >= SignificanceLevel) {
        return "p = 0.00999";
    }
    return "p = " + Fixed(rounded, decimalsOf(rounded));
}

ReadingWords FairnessWords(const Fairness& fairness) {
    using enum Fairness::Obstacle;
    switch (fairness.obstacle) {
        case NoLaw:
            return {"Not judged", "The outcome count gives fewer than two items to compare.", {}};
        case NoPicks:
            return {"Not judged", "No recorded pick is an item the draw gives.", {}};
        case NoChanges:
            return {
                "Not judged", "The picks never change item, so they say nothing of the draws.", {}};
        case OutOfMemory:
            return {"Not judged", "There was not enough memory to work out the reading.", {}};
        case Cancelled:
            return {"Not judged", "The reading was stopped before it ended.", {}};
        case TooFewPicks:
            return {"Too few picks to tell", Basis(fairness) + ItemsJudged(fairness),
                    Method(fairness) + Repeats(fairness)};
        case None:
            break;
    }
    return {fairness.verdict == Fairness::Verdict::Uneven
                ? "Some items come up more often than chance explains"
                : "No sign that some items come up more often",
            Basis(fairness) + ItemsJudged(fairness), Method(fairness) + Repeats(fairness)};
}

std::string FairnessText(const Fairness& fairness) {
    const ReadingWords words = FairnessWords(fairness);
    std::string text = words.verdict + ". " + words.basis;
    if (!words.details.empty()) {
        text += " " + words.details;
    }
    return text;
}
