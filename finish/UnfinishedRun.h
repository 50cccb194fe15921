#pragma once

#include <optional>
#include <string>

// What a start finds in "data.txt" of the current folder before it empties it: the picks of a
// run that never reached its finish (closed, killed or cut off), which kelpov --finish could still
// turn into results.
struct UnfinishedRun {
    int picks = 0;        // the picks the log holds
    std::string refusal;  // why the log cannot be read as a run's picks; empty when it can
};

// A run is unfinished when "data.txt" is a regular file that holds a line and whose tables,
// "results.txt" and "sorted_results.txt", are missing or older than it. Anything else is none: no
// log, an empty one, a finished run's, or a FIFO or a device, which are never read.
std::optional<UnfinishedRun> FindUnfinishedRun();
