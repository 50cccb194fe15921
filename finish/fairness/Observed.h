#pragma once

#include <span>
#include <vector>

#include "common/Integer.h"

struct Fairness;

// What the picks of a run show before any test, over the picks within 1..items in beat order (the
// judged picks): a pick outside them, such as the 0s before the first movement, is left out, and
// the picks on either side of it meet.
struct Observed {
    std::vector<int> judged;     // the judged picks, in beat order
    std::vector<int> stretches;  // per item, the stretches of judged picks it holds
    std::vector<int> beats;      // per item, its judged picks
};

// Reads the picks, and fills in fairness what they show: judged, repeats, changes and the longest
// stretch.
Observed Observe(std::span<const Int16> picks, int items, Fairness& fairness);

// Whether the judged picks repeat more than independent draws with the counts seen would, beyond
// chance: many short rests show as more repeats, a few long ones as a stretch too long for chance.
// Fills in expectedRepeats and rested. It says what the log shows, and decides no test.
void JudgeRepeats(const Observed& seen, Fairness& fairness);
