#include "finish/Finish.h"

#include <string>
#include <utility>

#include "common/Conversions.h"
#include "common/PrintForm.h"

namespace {

// The header, then line(k) = {item, count} for k = 1..n, then the table put in place.
template <class Line>
void WriteTable(TableFile& file, std::string_view outcomes, Line line) {
    file.Append(std::string(ResultsHeader) + LineEnd);
    const Int16 n = TextToInt16(outcomes);
    for (int k = 1; k <= n; ++k) {
        const auto [item, count] = line(k);
        file.Append(NumberLine(item, count).View());
    }
    file.Commit();
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
