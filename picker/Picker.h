#pragma once

#include <string_view>

#include "common/Integer.h"
#include "common/ItemArray.h"
#include "common/OutputFile.h"
#include "picker/PickGenerator.h"

// The state of one run: the current draw, the store of recorded picks, the arrays the finish
// fills, and the data log "data.txt" that receives every recorded pick as it happens. The window
// owns exactly one and drives it from its event handlers; which operation may run when is decided
// by the window's visible controls.
class Picker {
public:
    static constexpr int PickStoreLimit = ItemArray::LastIndex;
    static constexpr const char* DataLogName = "data.txt";

    // Creates "data.txt" empty in the current directory and keeps it open, locked against another
    // Kelpov working in the same folder; resets the counters. When another holds it, this is a
    // file failure and the file is left as it was.
    void OpenLog();

    // One beat: writes CurrentPick as a line of "data.txt", then stores it as the next pick. When
    // the store is full this is a range failure before anything is written, and a line that cannot
    // be written whole is cut off, so the log always holds exactly the stored picks.
    void Record();

    // Syncs "data.txt" to the disk and closes it; every line written stays in it.
    void CloseLog();

    // Re-seeds the generator from the clock and sets CurrentPick to a draw from 1 to the outcome
    // count N read from the text: the whole part of N * r + 1 for a uniform r in [0, 1).
    void Draw(std::string_view outcomes);

    Int16 CurrentPick = 0;
    ItemArray Picks{"Picks"};  // the k-th recorded pick at index k
    Int16 PickCount = 0;       // also the index of the last recorded pick
    ItemArray Counts{"Counts"};
    Int16 CountPosition = 0;  // where the tally stored its last count
    ItemArray SortedCounts{"SortedCounts"};
    ItemArray SortedItems{"SortedItems"};

private:
    OutputFile dataLog_;
    PickGenerator generator_;
};

// The finish-time work on a Picker. Each reads the outcome count from the same text itself.

// Counts[i] = how often item i was recorded, for i = 1..n (n the text rounded to a whole number).
// Picks outside 1..n are not counted. An n above 20000 is a range failure.
void TallyPicks(Picker& picker, std::string_view outcomes);

// SortedCounts[k] = Counts[k] and SortedItems[k] = k, for k = 1..n.
void PrepareRanking(Picker& picker, std::string_view outcomes);

// Orders positions 1..m+1 of SortedCounts and SortedItems by descending count, equal counts
// staying in item order, where the bound m is the text minus one, rounded. A bound of 0 or less
// changes nothing; one of 20000 or more is a range failure.
void RankPasses(Picker& picker, std::string_view outcomes);

// Whether every stage of a run reads this outcome-count text without failure: the draw, the
// tally, the ranking and the result files. It must be a number that rounds to at most 20000 and
// whose bound (the number minus one, rounded) fits in 16 bits.
bool IsWorkableOutcomeCount(std::string_view outcomes);
