#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "common/Integer.h"

// Picks written as stretches: "1 2*3 1" is item 1 for one beat, item 2 for three, item 1 again.
inline std::vector<Int16> Stretches(const std::string& text) {
    std::vector<Int16> picks;
    std::istringstream in(text);
    for (std::string word; in >> word;) {
        const auto star = word.find('*');
        const int beats = star == std::string::npos ? 1 : std::stoi(word.substr(star + 1));
        picks.insert(picks.end(), static_cast<std::size_t>(beats),
                     static_cast<Int16>(std::stoi(word.substr(0, star))));
    }
    return picks;
}
