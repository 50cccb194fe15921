#pragma once

#include <cstddef>

#include "common/Integer.h"

// The form in which a number is written as an item of a text line: a sign column (blank or "-"),
// the digits, and one trailing blank, so 7 is " 7 " and -12 is "-12 ". Lines end in CR LF.
inline constexpr std::size_t PrintFormMaxSize = 7;  // "-32768 "
inline constexpr char LineEnd[] = "\r\n";

// Writes the print form of value at out and returns the end of what it wrote.
char* WritePrintForm(char* out, Int16 value);
