#include "finish/Finish.h"

#include <algorithm>
#include <span>
#include <utility>

#include "common/Conversions.h"
#include "common/PrintForm.h"

namespace {

// The header, then line(k) = {item, count} for k = 1..n, then the table put in place. The lines
// are written straight into the table's room, sized once for n of the longest.
template <class Line>
void WriteTable(TableFile& file, std::string_view outcomes, Line line) {
    const std::string_view header = ResultsHeader, end = LineEnd;
    const Int16 n = TextToInt16(outcomes);
    const auto lines = static_cast<std::size_t>(std::max<int>(n, 0));
    const std::span<char> room = file.Room(header.size() + end.size() + lines * NumberLineMaxSize);
    char* out = std::ranges::copy(end, std::ranges::copy(header, room.data()).out).out;
    for (int k = 1; k <= n; ++k) {
        const auto [item, count] = line(k);
        out = WriteNumberLine(out, item, count);
    }
    file.Commit(static_cast<std::size_t>(out - room.data()));
}

}  // namespace

void Finish(Picker& picker, std::string_view outcomes) {
    picker.CloseLog();
    CountAndWrite(picker, outcomes);
}

void CountAndWrite(Picker& picker, std::string_view outcomes) {
    TallyPicks(picker, outcomes);
    WriteResults(picker, outcomes);
    PrepareRanking(picker, outcomes);
    TableFile sortedResults = OpenSortedResults();
    RankPasses(picker, outcomes);
    WriteSortedResults(picker, outcomes, sortedResults);
}

void WriteResults(const Picker& picker, std::string_view outcomes) {
    TableFile file(ResultsName);
    WriteTable(file, outcomes, [&](int k) {
        return std::pair{static_cast<Int16>(k), picker.Counts[k]};
    });
}

TableFile OpenSortedResults() {
    return TableFile(SortedResultsName);
}

void WriteSortedResults(const Picker& picker, std::string_view outcomes, TableFile& file) {
    WriteTable(file, outcomes, [&](int k) {
        return std::pair{picker.SortedItems[k], picker.SortedCounts[k]};
    });
}
