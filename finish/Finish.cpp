#include "finish/Finish.h"

#include <utility>

#include "common/Conversions.h"

namespace {

// The header, then line(k) = {item, count} for k = 1..n, then the checked close.
template <class Line>
void WriteTable(OutputFile& file, std::string_view outcomes, Line line) {
    file.WriteLine(ResultsHeader);
    const Int16 n = TextToInt16(outcomes);
    for (int k = 1; k <= n; ++k) {
        const auto [item, count] = line(k);
        file.WriteLine(item, count);
    }
    file.Close();
}

}  // namespace

void Finish(Picker& picker, std::string_view outcomes) {
    picker.CloseLog();
    TallyPicks(picker, outcomes);
    WriteResults(picker, outcomes);
    PrepareRanking(picker, outcomes);
    OutputFile sortedResults = OpenSortedResults();
    RankPasses(picker, outcomes);
    WriteSortedResults(picker, outcomes, sortedResults);
}

void WriteResults(const Picker& picker, std::string_view outcomes) {
    OutputFile file(ResultsName, OutputFile::Kind::Table);
    WriteTable(file, outcomes, [&](int k) {
        return std::pair{static_cast<Int16>(k), picker.Counts[k]};
    });
}

OutputFile OpenSortedResults() {
    return OutputFile(SortedResultsName, OutputFile::Kind::Table);
}

void WriteSortedResults(const Picker& picker, std::string_view outcomes, OutputFile& file) {
    WriteTable(file, outcomes, [&](int k) {
        return std::pair{picker.SortedItems[k], picker.SortedCounts[k]};
    });
}
