#pragma once

#include <string>

// A count with its noun in the right number: "1 pick", "3 picks".
inline std::string Counted(int number, const char* one, const char* many) {
    return std::to_string(number) + " " + (number == 1 ? one : many);
}

// The items a count of n covers: "item 1", "items 1 to 6".
inline std::string ItemsUpTo(int n) {
    return n == 1 ? "item 1" : "items 1 to " + std::to_string(n);
}
