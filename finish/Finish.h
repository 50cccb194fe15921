#pragma once

#include <string_view>

#include "common/TableFile.h"
#include "picker/Picker.h"

// The end of a run: closes "data.txt", counts and ranks the picks, and writes "results.txt" (item
// order) and "sorted_results.txt" (most frequent first), each a header line and one line per item
// with the item and its count in print form. Every stage reads the outcome count from the text.
// Each table replaces the earlier one whole, "results.txt" before "sorted_results.txt" is begun.
void Finish(Picker& picker, std::string_view outcomes);

// The finish after the close of the log: counts and ranks the stored picks and writes both tables.
void CountAndWrite(Picker& picker, std::string_view outcomes);

// The names the picker knows its folder's tables by, whose leftovers it sweeps when it takes it.
inline constexpr const char* ResultsName = Picker::TableNames[0].data();
inline constexpr const char* SortedResultsName = Picker::TableNames[1].data();
inline constexpr const char* ResultsHeader = "Item      Quantity";

// Writes "results.txt": item k with Counts[k] for k = 1..n.
void WriteResults(const Picker& picker, std::string_view outcomes);

// Begins "sorted_results.txt", which stays as it was while the ranking runs.
TableFile OpenSortedResults();

// Writes SortedItems[k] with SortedCounts[k] for k = 1..n into the begun table and puts it in
// place.
void WriteSortedResults(const Picker& picker, std::string_view outcomes, TableFile& file);
