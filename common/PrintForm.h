#pragma once

#include <array>
#include <concepts>
#include <cstddef>
#include <string_view>

#include "common/Integer.h"

// The form in which a number is written as an item of a text line: a sign column (blank or "-"),
// the digits, and one trailing blank, so 7 is " 7 " and -12 is "-12 ". Lines end in CR LF.
inline constexpr std::size_t PrintFormMaxSize = 7;  // "-32768 "
inline constexpr char LineEnd[] = "\r\n";

// Writes the print form of value at out and returns the end of what it wrote.
char* WritePrintForm(char* out, Int16 value);

// One text line of one or two numbers, each in print form, then CR LF: a line of the data log or
// of a table, built without allocating.
class NumberLine {
public:
    template <std::same_as<Int16>... Items>
    requires(sizeof...(Items) >= 1 && sizeof...(Items) <= 2) explicit NumberLine(Items... items) {
        char* end = bytes_.data();
        ((end = WritePrintForm(end, items)), ...);
        *end++ = '\r';
        *end++ = '\n';
        size_ = static_cast<std::size_t>(end - bytes_.data());
    }

    std::string_view View() const { return {bytes_.data(), size_}; }

private:
    std::array<char, 2 * PrintFormMaxSize + 2> bytes_;
    std::size_t size_;
};
