#pragma once

#include <cstdint>

// The random source of the draws. Its 64-bit state starts from the operating system's random
// source, so no two runs repeat each other. A re-seed mixes the seed into the state instead of
// replacing it: the clock that supplies the seeds changes only every few milliseconds, and draws
// within one tick must still be uniform and independent.
class PickGenerator {
public:
    PickGenerator();

    void Reseed(float seed);

    // The next value, uniform over the multiples of 2^-24 in [0, 1).
    float Next();

private:
    std::uint64_t state_;
};
