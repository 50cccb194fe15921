#pragma once

#include <cstdint>

// SplitMix64: a Weyl sequence of the golden gamma, each value passed through a finaliser whose
// every output bit depends on every input bit. The source of the draws, and the seed of the
// fairness reading's simulations.

inline constexpr std::uint64_t GoldenGamma = 0x9E3779B97F4A7C15;

// The finaliser: a bijection on 64 bits.
constexpr std::uint64_t Mix64(std::uint64_t z) {
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EB;
    return z ^ (z >> 31);
}

// The next value of the sequence whose state is `state`.
constexpr std::uint64_t SplitMix64(std::uint64_t& state) {
    state += GoldenGamma;
    return Mix64(state);
}
