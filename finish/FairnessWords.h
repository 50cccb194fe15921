#pragma once

#include <string>

#include "finish/Fairness.h"

// The fairness reading in words, kept apart from its arithmetic so that the English can be read
// and reviewed on its own. Every sentence begins with a letter and ends with a letter or a full
// stop, so that it reads the same in either layout direction.

// The reading as a person reads it: the verdict first, in a few words; then what it rests on; then
// the method and the numbers, which a reader may skip.
struct ReadingWords {
    std::string verdict;  // "No clear sign that some items come up more often", "Not judged"...
    std::string basis;    // one or two plain sentences
    std::string details;  // the method and the numbers
};
ReadingWords FairnessWords(const Fairness& fairness);

// The whole reading as one text: what kelpov --finish prints and a copy of the results holds.
std::string FairnessText(const Fairness& fairness);

// "p = " and the p-value with three significant figures, rounded so that it never crosses the
// significance level ("p = 0.00999", not "p = 0.0100", for 0.009996); "p < 0.0001" below that.
std::string PValueText(double p);
