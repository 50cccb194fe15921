#pragma once

#include <string>

#include "finish/Fairness.h"

// The fairness reading in words, kept apart from its arithmetic so that the English can be read
// and reviewed on its own. None claims more than the test shows: a run that passes does not prove
// a fair generator, and one too short to find even a large difference is too short to tell. Every
// sentence begins with a letter and ends with a full stop, so that it reads the same in either
// layout direction.

// The reading as a person reads it: the verdict first, in a few words; then what it rests on; then
// the method and the numbers, which a reader may skip.
struct ReadingWords {
    std::string verdict;  // "Some items come up more often than chance explains", "Not judged"...
    std::string basis;    // one or two plain sentences of what the verdict rests on
    std::string details;  // the method and the numbers; may be empty
};
ReadingWords FairnessWords(const Fairness& fairness);

// The whole reading as one text, verdict first: what kelpov --finish prints and a copy of the
// results holds.
std::string FairnessText(const Fairness& fairness);

// "p = " and the p-value with three significant figures, rounded so that it never crosses the
// significance level ("p = 0.00999", not "p = 0.0100", for 0.009996); "p < 0.0001" below that.
std::string PValueText(double p);
