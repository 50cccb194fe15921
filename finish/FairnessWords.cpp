#include "finish/FairnessWords.h"

#include <cctype>
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

std::string How(const Fairness& fairness) {
    const std::string law = fairness.fractional ? " against the draw's own law" : "";
    const std::string stretches =
        "which item holds each of the " + Counted(fairness.changes + 1, "stretch", "stretches") +
        " between changes of item" + law + ", which the pointer's rests cannot sway";
    switch (fairness.test) {
        case Fairness::Test::Changes:
            return "The test counts " + stretches;
        case Fairness::Test::SimulatedChanges:
            return "The test counts " + stretches + ", and reads the counts against " +
                   std::to_string(SimulatedRuns) + " simulated runs";
        case Fairness::Test::Binomial:
            return "The test is an exact binomial test" + law + " on the " +
                   Counted(fairness.judged, "pick", "picks") +
                   ", whose repeats show no rests of the pointer";
        case Fairness::Test::None:
            break;
    }
    return {};
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

std::string FairnessText(const Fairness& fairness) {
    using enum Fairness::Obstacle;
    std::string text;
    switch (fairness.obstacle) {
        case NoLaw:
            return "Not judged: the outcome count gives fewer than two items to compare";
        case NoPicks:
            return "Not judged: no recorded pick is an item the draw gives";
        case NoChanges:
            return "Not judged: the picks never change item, so they say nothing of the draws";
        case TwoItemsRested:
            text =
                "Not judged: with two items the stretches of one item can only alternate, so "
                "only their lengths could show a favoured item, and the pointer's rests "
                "lengthen them";
            break;
        case OutOfMemory:
            return "Not judged: there was not enough memory to compute the reading";
        case None:
            text = (fairness.verdict == Fairness::Verdict::Uneven
                        ? "Some items come up more often than chance explains ("
                        : "No clear sign that some items come up more often (") +
                   PValueText(*fairness.p) + "). " + How(fairness) + ". ";
            text += fairness.detectable
                        ? "A run of this size would find an item drawn " +
                              FactorText(*fairness.detectable) +
                              " times as often as each other one 4 times in 5"
                        : "A run of this size is too short to find even an item drawn " +
                              std::to_string(static_cast<int>(LargestFactor)) +
                              " times as often as each other one 4 times in 5";
            break;
    }
    if (fairness.rested) {
        text += ". The pointer rested: " + Counted(fairness.repeats, "beat", "beats") +
                " repeated the pick before them (about " +
                std::to_string(std::lround(fairness.expectedRepeats)) +
                " for independent draws of these counts), and the longest stretch is item " +
                std::to_string(fairness.longestItem) + " for " +
                Counted(fairness.longestStretch, "beat", "beats");
    }
    return text;
}

ReadingWords FairnessWords(const Fairness& fairness) {
    // Until the words are rewritten verdict-first, the one text is cut at its sentences.
    const std::string text = FairnessText(fairness);
    ReadingWords words;
    const auto colon = text.find(": ");
    const auto open = text.find(" (");
    if (fairness.verdict == Fairness::Verdict::NotJudged && colon != std::string::npos) {
        words.verdict = text.substr(0, colon);
        words.basis = text.substr(colon + 2);
        words.basis[0] = static_cast<char>(std::toupper(words.basis[0]));
        return words;
    }
    words.verdict = text.substr(0, open);
    const auto close = text.find("). ", open);
    const auto how = text.find(". ", close + 3);
    words.basis = text.substr(close + 3, how + 1 - (close + 3));
    words.details = text.substr(open + 2, close - open - 2) + ". " + text.substr(how + 2);
    return words;
}
