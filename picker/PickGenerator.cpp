#include "picker/PickGenerator.h"

#include <bit>
#include <random>

namespace {

constexpr std::uint64_t GoldenGamma = 0x9E3779B97F4A7C15;

// The SplitMix64 finaliser: a bijection on 64 bits whose every output bit depends on every input
// bit.
std::uint64_t Mix64(std::uint64_t z) {
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EB;
    return z ^ (z >> 31);
}

}  // namespace

PickGenerator::PickGenerator() {
    std::random_device device;
    state_ = (std::uint64_t{device()} << 32) ^ device();
}

void PickGenerator::Reseed(float seed) {
    state_ = Mix64(state_ ^ Mix64(std::bit_cast<std::uint32_t>(seed) + GoldenGamma));
}

float PickGenerator::Next() {
    state_ += GoldenGamma;
    return static_cast<float>(Mix64(state_) >> 40) * 0x1p-24F;
}
