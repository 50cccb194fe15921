#pragma once

// Runs as a person makes them, for the fairness figures (bench/FairnessFigures.cpp) and their
// lighter check (tests/engine/FairnessTest.cpp). A movement of the pointer draws a fresh item, and
// each beat records the item current then; a beat before any movement records 0. How the pointer
// moves is one of the models below, none of which can see the items, as the person picking cannot.
// Seeded and free of the standard library's distributions, so a seed gives the same picks
// everywhere.

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "common/Integer.h"

struct Movement {
    enum class Kind {
        Independent,  // a draw before every beat
        Every,        // a draw every value-th beat
        Geometric,    // rests of geometric length between draws, value beats apart on average
        Bursts,       // a 5-15-beat sweep with a draw every beat, then a 10-60-beat pause
        LongRests,    // three rests, each 8% of the beats, at random places; else a draw a beat
        StartAndEnd,  // 20 beats of 0, 30% of the run still, a draw every 2nd beat, the last
                      // 20% still
    };
    Kind kind = Kind::Independent;
    int value = 1;

    std::string Name() const {
        switch (kind) {
            case Kind::Independent:
                return "independent";
            case Kind::Every:
                return "fixed " + std::to_string(value);
            case Kind::Geometric:
                return "geometric " + std::to_string(value);
            case Kind::Bursts:
                return "bursts";
            case Kind::LongRests:
                return "long rests";
            case Kind::StartAndEnd:
                return "start and end";
        }
        return {};
    }
};

inline const Movement Independent{Movement::Kind::Independent, 1};
inline Movement Every(int beats) {
    return {Movement::Kind::Every, beats};
}
inline Movement Geometric(int mean) {
    return {Movement::Kind::Geometric, mean};
}
inline const Movement Bursts{Movement::Kind::Bursts, 0};
inline const Movement LongRests{Movement::Kind::LongRests, 0};
inline const Movement StartAndEnd{Movement::Kind::StartAndEnd, 0};

class SimulatedPicks {
public:
    // chances: the chance of items 1..K, adding up to 1.
    SimulatedPicks(std::vector<double> chances, std::uint64_t seed) : random_(seed) {
        double sum = 0;
        for (const double chance : chances) {
            cumulative_.push_back(sum += chance);
        }
    }

    std::vector<Int16> Run(int beats, Movement movement) {
        const std::vector<bool> moved = Moves(beats, movement);
        std::vector<Int16> picks;
        Int16 current = 0;
        for (const bool move : moved) {
            if (move) {
                current = Draw();
            }
            picks.push_back(current);
        }
        return picks;
    }

private:
    double Uniform() { return static_cast<double>(random_() >> 11) * 0x1.0p-53; }
    // A whole number from low to high.
    int Between(int low, int high) {
        return low + std::min(static_cast<int>(Uniform() * (high - low + 1)), high - low);
    }

    // Whether the pointer moved before each beat.
    std::vector<bool> Moves(int beats, Movement movement) {
        using enum Movement::Kind;
        std::vector<bool> moved(static_cast<std::size_t>(beats), true);
        switch (movement.kind) {
            case Independent:
                break;
            case Every: {
                const int phase = Between(0, movement.value - 1);
                for (int beat = 1; beat < beats; ++beat) {
                    moved[static_cast<std::size_t>(beat)] = (beat + phase) % movement.value == 0;
                }
                break;
            }
            case Geometric:
                for (int beat = 1; beat < beats; ++beat) {
                    moved[static_cast<std::size_t>(beat)] = Uniform() * movement.value < 1;
                }
                break;
            case Bursts:
                for (int beat = Between(5, 15); beat < beats;) {
                    const int pause = Between(10, 60);
                    for (int k = beat; k < std::min(beat + pause, beats); ++k) {
                        moved[static_cast<std::size_t>(k)] = false;
                    }
                    beat += pause + Between(5, 15);
                }
                break;
            case LongRests:
                for (int rest = 0; rest < 3; ++rest) {
                    const int length = beats * 8 / 100;
                    const int start = Between(1, std::max(1, beats - length));
                    for (int k = start; k < std::min(start + length, beats); ++k) {
                        moved[static_cast<std::size_t>(k)] = false;
                    }
                }
                break;
            case StartAndEnd: {
                const int still = 20 + beats * 30 / 100, end = beats - beats * 20 / 100;
                for (int beat = 0; beat < beats; ++beat) {
                    moved[static_cast<std::size_t>(beat)] =
                        beat == 20 || (beat > still && beat < end && (beat - still) % 2 == 0);
                }
                break;
            }
        }
        return moved;
    }

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

// The chances of a law with item 1 drawn k times as often as the law gives it, relative to the
// others.
inline std::vector<double> DrawnKTimesAsOften(std::vector<double> chances, double k) {
    const double total = 1 + (k - 1) * chances[0];
    chances[0] *= k;
    for (double& chance : chances) {
        chance /= total;
    }
    return chances;
}

// Half the draws on items 1..few, the other half on all n items alike.
inline std::vector<double> SomeFavoured(int n, int few) {
    std::vector<double> chances(static_cast<std::size_t>(n), 0.5 / n);
    for (int k = 0; k < few; ++k) {
        chances[static_cast<std::size_t>(k)] += 0.5 / few;
    }
    return chances;
}
