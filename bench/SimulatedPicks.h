#pragma once

// Runs as a person makes them, for the fairness figures (bench/FairnessFigures.cpp) and their
// lighter check (tests/engine/FairnessTest.cpp): at each beat the pointer either starts a rest,
// and the item current before it is recorded for a geometric number of beats, or it has moved,
// and the beat records a fresh draw. The pointer cannot see the items, so its rests are
// independent of them. Seeded and free of the standard library's distributions, so a seed gives
// the same picks everywhere.

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "common/Integer.h"

struct Pointer {
    double restShare = 0;  // the chance that a beat starts a rest
    double restMean = 1;   // the mean length of a rest, in beats
};

class SimulatedPicks {
public:
    // chances: the chance of items 1..K, adding up to 1.
    SimulatedPicks(std::vector<double> chances, std::uint64_t seed) : random_(seed) {
        double sum = 0;
        for (const double chance : chances) {
            cumulative_.push_back(sum += chance);
        }
    }

    std::vector<Int16> Run(int beats, Pointer pointer) {
        std::vector<Int16> picks;
        int rest = 0;
        Int16 current = Draw();
        while (static_cast<int>(picks.size()) < beats) {
            if (rest == 0 && !picks.empty() && Uniform() < pointer.restShare) {
                // Geometric with this mean, at least one beat.
                rest = 1;
                while (Uniform() >= 1 / pointer.restMean) {
                    ++rest;
                }
            }
            if (rest > 0) {
                --rest;
            } else if (!picks.empty()) {
                current = Draw();
            }
            picks.push_back(current);
        }
        return picks;
    }

private:
    double Uniform() { return static_cast<double>(random_() >> 11) * 0x1.0p-53; }

    Int16 Draw() {
        const double u = Uniform() * cumulative_.back();
        const auto item = std::ranges::upper_bound(cumulative_, u) - cumulative_.begin() + 1;
        return static_cast<Int16>(std::min<std::ptrdiff_t>(item, std::ssize(cumulative_)));
    }

    std::mt19937_64 random_;
    std::vector<double> cumulative_;
};

// Chances with item 1 at `first` and the rest shared equally by items 2..n.
inline std::vector<double> OneFavoured(int n, double first) {
    std::vector<double> chances(static_cast<std::size_t>(n), (1 - first) / (n - 1));
    chances[0] = first;
    return chances;
}

// Chances with item 1 drawn k times as often as each other one of items 1..n.
inline std::vector<double> DrawnKTimesAsOften(int n, double k) {
    return OneFavoured(n, k / (k + n - 1));
}

// Half the draws on items 1..few, the other half on all n items alike.
inline std::vector<double> SomeFavoured(int n, int few) {
    std::vector<double> chances(static_cast<std::size_t>(n), 0.5 / n);
    for (int k = 0; k < few; ++k) {
        chances[static_cast<std::size_t>(k)] += 0.5 / few;
    }
    return chances;
}
