#pragma once

#include <bit>
#include <cstdint>

#include "picker/SplitMix64.h"

// xoshiro256** seeded through SplitMix64, for the reading's simulations: the same numbers on every
// platform, so that the window and the command line read a run alike, and fast enough for tens of
// millions of draws in a tenth of a second.
class Random {
public:
    explicit Random(std::uint64_t seed) {
        for (std::uint64_t& word : state_) {
            word = SplitMix64(seed);
        }
    }

    // 53 random bits, as a real in [0, 1).
    double Uniform() {
        const std::uint64_t result = std::rotl(state_[1] * 5, 7) * 9;
        const std::uint64_t shifted = state_[1] << 17;
        state_[2] ^= state_[0];
        state_[3] ^= state_[1];
        state_[1] ^= state_[2];
        state_[0] ^= state_[3];
        state_[2] ^= shifted;
        state_[3] = std::rotl(state_[3], 45);
        return static_cast<double>(result >> 11) * 0x1.0p-53;
    }

private:
    std::uint64_t state_[4];
};
