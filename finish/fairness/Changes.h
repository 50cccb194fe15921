#pragma once

#include <stop_token>
#include <vector>

#include "finish/fairness/Observed.h"
#include "finish/fairness/Outcome.h"
#include "picker/DrawLaw.h"

// The changes test, for three or more items: how often each item begins a stretch between changes
// of item, against the chain of changes. The first stretch's item is a draw of the law; each next
// one a draw conditioned on differing from the one before, however long the pointer rested.
// Pearson's statistic of the counts is read against:
//   - for three items and at most ExactStretches stretches, its law worked out exactly;
//   - where every item is expected to begin at least LeastExpected stretches, its limit law,
//     whose p is then within a factor of 1.5 of the exact one from 0.01 to 0.05 (worked out
//     for 3 to 6 items);
//   - elsewhere, runs of the chain simulated from a seed the picks give.
TestOutcome ChangesTest(const DrawLaw& law, const Observed& seen, std::stop_token stop);

inline constexpr int ExactStretches = 150;
inline constexpr double LeastExpected = 7;

// Pearson's statistic of counts that add up to total against the shares pi.
double Pearson(const std::vector<int>& counts, const std::vector<double>& pi, int total);

TestOutcome ExactChangesTest(const DrawLaw& law, const Observed& seen, int stretches,
                             const std::stop_token& stop);
TestOutcome SimulatedChangesTest(const DrawLaw& law, const Observed& seen, int stretches,
                                 const std::stop_token& stop);
