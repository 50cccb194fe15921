#pragma once

#include <optional>
#include <string_view>
#include <vector>

// What a data log may hold, stated apart from the reader, as the bytes a run can write: up to
// 20000 lines, each a 16-bit pick in print form (a blank or "-", the digits without leading zeros,
// one blank) and CR LF; after a system crash, the last of them cut off before its end.
struct LogVerdict {
    enum class Kind { Taken, NotAPick, TooLong };
    Kind kind = Kind::Taken;
    std::vector<int> picks;         // when taken: the whole lines' picks, in order
    std::optional<int> cutOffLine;  // when taken: the number of a cut-off last line
    int badLine = 0;                // NotAPick: the first line a run cannot have written
};

// A log of more than 20000 lines (a cut-off last line counts) is too long, unless one of its
// first 20000 lines is not a line a run writes: then the first such line is named. The log may be
// the rest of one whose first linesBefore lines are lines a run writes; its lines then count and
// are numbered after those, and its picks are its own.
LogVerdict JudgeLog(std::string_view log, int linesBefore = 0);
