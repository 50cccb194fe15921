#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/Integer.h"

class Picker;

// What a start finds in "data.txt" of the current folder before it empties it: the picks of a
// run that never reached its finish (closed, killed or cut off), which kelpov --finish could still
// turn into results.
struct UnfinishedRun {
    int picks = 0;               // the picks the log holds
    std::vector<Int16> items;    // those of items 1 and up, in ascending order
    std::int64_t writtenAt = 0;  // the log's last change, in seconds since 1970 (UTC)
    std::string refusal;         // why the log cannot be read as a run's picks; empty when it can
};

// A run is unfinished when "data.txt" is a regular file that holds a line and either of whose
// tables, "results.txt" and "sorted_results.txt", is missing or older than it. Anything else is
// none: no log, an empty one, a finished run's, or a FIFO or a device, which are never read. The
// log is read through the lock of picker, which has taken the folder.
std::optional<UnfinishedRun> FindUnfinishedRun(const Picker& picker);

// How many of the run's picks of items 1 and up a finish with this outcome-count text would leave
// uncounted: those above the count as the tally rounds it. Picks of 0 and less are never counted,
// whatever the count. The text must be a workable count (IsWorkableOutcomeCount).
int PicksLeftOut(const UnfinishedRun& run, std::string_view outcomes);
