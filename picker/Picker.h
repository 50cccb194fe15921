#pragma once

#include <array>
#include <string>
#include <string_view>

#include "common/DataLog.h"
#include "common/FolderLock.h"
#include "common/Integer.h"
#include "common/ItemArray.h"
#include "common/LogLock.h"
#include "picker/PickGenerator.h"

// The state of one run: the current draw, the store of recorded picks, the arrays the finish
// fills, and the data log "data.txt" that receives every recorded pick as it happens. The window
// owns exactly one and drives it from its event handlers; which operation may run when is decided
// by the window's visible controls.
class Picker {
public:
    static constexpr int PickStoreLimit = ItemArray::LastIndex;
    static constexpr const char* DataLogName = "data.txt";
    // The tables a finish writes beside the log (finish/Finish.h names them from here).
    static constexpr std::array<std::string_view, 2> TableNames = {"results.txt",
                                                                   "sorted_results.txt"};

    // Takes the current folder and its "data.txt" for this run, unless it holds them already, and
    // keeps them for as long as the Picker lives. When another Kelpov works in the folder, or
    // holds the file that "data.txt" leads to, this is a file failure and every file is left as it
    // was. Creates a missing "data.txt" empty, and touches nothing else: what "data.txt" holds can
    // still be read, and a start that only asks leaves the folder as it found it.
    void TakeFolder();
    bool HoldsFolder() const { return folder_.IsHeld(); }

    // Once the person has chosen to go on (a new run, or the finish of the one in "data.txt"):
    // takes the folder unless it is taken, and removes what a finish cut off left beside the
    // tables (RemoveLeftovers).
    void SweepLeftovers();

    // What "data.txt" holds now, read through the lock that taking the folder put on it: no more
    // than a full store's log and one byte, so a larger file still shows as one too large. A file
    // failure when it is not a regular file, or no longer the file the folder's taking locked
    // (LogLock::Moved).
    std::string ReadLog() const;

    // Sweeps the leftovers, then empties "data.txt" and keeps it open, and resets the counters. A
    // "data.txt" that is not a log a run could have written (IsDataLog) is not emptied: it is set
    // aside under a new name (SetAside), and a new, empty "data.txt" is made and locked in its
    // place.
    void OpenLog();

    // The name under which the last OpenLog set aside "data.txt"; empty when it set none aside.
    const std::string& LogSetAside() const { return logSetAside_; }

    // One beat: writes CurrentPick as a line of "data.txt", then stores it as the next pick. When
    // the store is full this is a range failure before anything is written, and a line that cannot
    // be written whole is cut off, so the log holds exactly the stored picks, as whole lines. A
    // sync of the log that failed since the last beat is reported here.
    void Record();

    // Syncs "data.txt" to the disk and closes it; every line written stays in it. The folder
    // stays taken.
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
    FolderLock folder_;
    LogLock log_;
    std::string logSetAside_;
    DataLog dataLog_;  // last of the three: it writes through the other two
    PickGenerator generator_;
};

// The finish-time work on a Picker. Each reads the outcome count from the same text itself.

// Counts[i] = how often item i was recorded, for i = 1..n (n the text rounded to a whole number).
// Picks outside 1..n are not counted. An n above 20000 is a range failure.
void TallyPicks(Picker& picker, std::string_view outcomes);

// SortedCounts[k] = Counts[k] and SortedItems[k] = k, for k = 1..n.
void PrepareRanking(Picker& picker, std::string_view outcomes);

// Orders positions 1..n of SortedCounts and SortedItems, the items the tally counted, by descending
// count, equal counts staying in item order.
void RankPasses(Picker& picker, std::string_view outcomes);

// Whether the window takes this outcome-count text: a number that rounds to at most 20000, and
// whose value minus one also rounds to less than 20000 and fits in 16 bits, so that "20000.5" and
// "-32768" are refused. Every stage of a run reads such a text without failure.
bool IsWorkableOutcomeCount(std::string_view outcomes);

// Why an outcome-count text is refused, with the text as typed: the window and the command line
// say it alike ("\"abc\" is not a number of items Kelpov can count. ...").
std::string OutcomeCountRefusal(std::string_view outcomes);
