#pragma once

#include <optional>
#include <stop_token>

#include "finish/Fairness.h"

// What one test of the reading gives: its p (none when the run is too short for it), its
// statistic, and the difference a run of this size would find 4 times in 5.
struct TestOutcome {
    Fairness::Test test = Fairness::Test::None;
    std::optional<double> p;
    double statistic = 0;
    std::optional<double> detectable;
};

// Thrown from deep in a test when the reading is no longer wanted; JudgeFairness catches it.
struct Stopped {};

inline void StopIfAsked(const std::stop_token& stop) {
    if (stop.stop_requested()) {
        throw Stopped{};
    }
}
