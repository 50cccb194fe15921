#include "bench/LiteralRanking.h"

#include "common/Conversions.h"
#include "finish/Finish.h"

namespace {

// The last position a pass compares with the one after it: one below the number of items counted.
Int16 Bound(std::string_view outcomes) {
    return Add(TextToInt16(outcomes), -1);
}

}  // namespace

void LiteralTallyPicks(Picker& picker, std::string_view outcomes) {
    const Int16 n = TextToInt16(outcomes);
    for (Int16 i = 1; i <= n; i = Add(i, 1)) {
        Int16 count = 0;
        const Int16 pickCount = picker.PickCount;
        for (Int16 j = 1; j <= pickCount; j = Add(j, 1)) {
            if (picker.Picks[j] == i) {
                count = Add(count, 1);
            }
        }
        picker.CountPosition = Add(picker.CountPosition, 1);
        picker.Counts[picker.CountPosition] = count;
    }
}

void LiteralRankPasses(Picker& picker, std::string_view outcomes) {
    const Int16 m = Bound(outcomes);
    for (Int16 a = 1; a <= m; a = Add(a, 1)) {
        const Int16 passBound = Bound(outcomes);
        for (Int16 b = 1; b <= passBound; b = Add(b, 1)) {
            if (picker.SortedCounts[b] < picker.SortedCounts[Add(b, 1)]) {
                Int16 held = picker.SortedCounts[b];
                picker.SortedCounts[b] = picker.SortedCounts[Add(b, 1)];
                picker.SortedCounts[Add(b, 1)] = held;
                held = picker.SortedItems[b];
                picker.SortedItems[b] = picker.SortedItems[Add(b, 1)];
                picker.SortedItems[Add(b, 1)] = held;
            }
        }
    }
}

void LiteralFinish(Picker& picker, std::string_view outcomes) {
    picker.CloseLog();
    LiteralTallyPicks(picker, outcomes);
    WriteResults(picker, outcomes);
    PrepareRanking(picker, outcomes);
    TableFile sortedResults = OpenSortedResults();
    LiteralRankPasses(picker, outcomes);
    WriteSortedResults(picker, outcomes, sortedResults);
}
