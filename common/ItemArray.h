#pragma once

#include <array>
#include <span>

#include "common/Integer.h"

// A fixed array of 16-bit integers with indices 0..20000, all zero at creation. Index 0 is never
// used; every access checks its index, and one outside 0..20000 is a range failure.
class ItemArray {
public:
    static constexpr int LastIndex = 20000;

    explicit ItemArray(const char* name) : name_(name) {}

    Int16& operator[](int index) { return slots_[Checked(index)]; }
    Int16 operator[](int index) const { return slots_[Checked(index)]; }

    // Slots first..last as one span, both ends checked; empty when last < first.
    std::span<Int16> Slots(int first, int last);
    std::span<const Int16> Slots(int first, int last) const {
        return const_cast<ItemArray*>(this)->Slots(first, last);
    }

    // The range failure for an index outside 0..LastIndex; returns the index otherwise.
    std::size_t Checked(int index) const {
        if (index < 0 || index > LastIndex) [[unlikely]] {
            FailIndex(index);
        }
        return static_cast<std::size_t>(index);
    }

private:
    [[noreturn]] void FailIndex(int index) const;

    const char* name_;
    std::array<Int16, LastIndex + 1> slots_{};
};
