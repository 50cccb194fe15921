#pragma once

#include <cstdint>
#include <limits>

// Every count, item number and index of a run is a 16-bit signed integer. Arithmetic on them goes
// through the checked helpers below, so a result outside -32768..32767 is an overflow failure and
// never wraps around. The engine builds with -Wconversion, which flags any unchecked narrowing.
using Int16 = std::int16_t;

[[noreturn]] void FailOverflow(long long value);

// value as a 16-bit integer; an overflow failure when it does not fit.
inline Int16 CheckedInt16(long long value) {
    if (value < std::numeric_limits<Int16>::min() || value > std::numeric_limits<Int16>::max())
        [[unlikely]] {
        FailOverflow(value);
    }
    return static_cast<Int16>(value);
}

// a + b; an overflow failure when the sum does not fit.
inline Int16 Add(Int16 a, Int16 b) {
    return CheckedInt16(static_cast<long long>(a) + b);
}
