#include "picker/PickGenerator.h"

#include <bit>
#include <random>

#include "picker/SplitMix64.h"

PickGenerator::PickGenerator() {
    std::random_device device;
    state_ = (std::uint64_t{device()} << 32) ^ device();
}

void PickGenerator::Reseed(float seed) {
    state_ = Mix64(state_ ^ Mix64(std::bit_cast<std::uint32_t>(seed) + GoldenGamma));
}

float PickGenerator::Next() {
    return static_cast<float>(SplitMix64(state_) >> 40) * 0x1p-24F;
}
