#pragma once

#include <array>
#include <concepts>
#include <cstddef>
#include <cstring>
#include <string_view>

#include "common/Integer.h"

// The form in which a number is written as an item of a text line: a sign column (blank or "-"),
// the digits, and one trailing blank, so 7 is " 7 " and -12 is "-12 ". Lines end in CR LF.
inline constexpr std::size_t PrintFormMaxSize = 7;  // "-32768 "
inline constexpr char LineEnd[] = "\r\n";

// The two digits of each number from 0 to 99, one after the other: "00", "01", ... "99".
inline constexpr std::array<char, 200> DigitPairs = [] {
    std::array<char, 200> pairs{};
    for (std::size_t k = 0; k < 100; ++k) {
        pairs[2 * k] = static_cast<char>('0' + k / 10);
        pairs[2 * k + 1] = static_cast<char>('0' + k % 10);
    }
    return pairs;
}();

// Writes the print form of value at out and returns the end of what it wrote. A finish writes
// 80000 of them, so each length of number takes its own few steps, the digits two at a time.
inline char* WritePrintForm(char* out, Int16 value) {
    const auto pair = [](char* at, unsigned twoDigits) {
        std::memcpy(at, &DigitPairs[2 * twoDigits], 2);
    };
    *out++ = value < 0 ? '-' : ' ';
    // Widened first: the magnitude of -32768 does not fit in 16 bits.
    const auto magnitude = static_cast<unsigned>(value < 0 ? -value : value);
    const unsigned hundreds = magnitude / 100, last = magnitude % 100;
    if (magnitude < 10) {
        *out++ = static_cast<char>('0' + magnitude);
    } else if (magnitude < 100) {
        pair(out, magnitude);
        out += 2;
    } else if (magnitude < 1000) {
        out[0] = static_cast<char>('0' + hundreds);
        pair(out + 1, last);
        out += 3;
    } else if (magnitude < 10000) {
        pair(out, hundreds);
        pair(out + 2, last);
        out += 4;
    } else {
        out[0] = static_cast<char>('0' + hundreds / 100);
        pair(out + 1, hundreds % 100);
        pair(out + 3, last);
        out += 5;
    }
    *out++ = ' ';
    return out;
}

// A text line of one or two numbers, each in print form, then CR LF: a line of the data log or of
// a table.
template <class... Items>
concept NumberLineItems = (std::same_as<Items, Int16> && ...) && sizeof...(Items) >= 1 &&
                          sizeof...(Items) <= 2;

// Writes the line of items at out and returns its end.
template <class... Items>
requires NumberLineItems<Items...>
char* WriteNumberLine(char* out, Items... items) {
    ((out = WritePrintForm(out, items)), ...);
    *out++ = '\r';
    *out++ = '\n';
    return out;
}

// The longest line: two numbers of the longest print form, then CR LF.
inline constexpr std::size_t NumberLineMaxSize = 2 * PrintFormMaxSize + 2;

// The line of items, built without allocating.
class NumberLine {
public:
    template <class... Items>
    requires NumberLineItems<Items...>
    explicit NumberLine(Items... items) {
        size_ = static_cast<std::size_t>(WriteNumberLine(bytes_.data(), items...) - bytes_.data());
    }

    std::string_view View() const { return {bytes_.data(), size_}; }

private:
    std::array<char, NumberLineMaxSize> bytes_;
    std::size_t size_;
};
