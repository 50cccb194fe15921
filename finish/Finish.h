#pragma once

#include <string_view>

#include "common/OutputFile.h"
#include "picker/Picker.h"

// The end of a run: closes "data.txt", counts and ranks the picks, and writes "results.txt" (item
// order) and "sorted_results.txt" (most frequent first), each a header line and one line per item
// with the item and its count in print form. Every stage reads the outcome count from the text.
void Finish(Picker& picker, std::string_view outcomes);

inline constexpr const char* ResultsName = "results.txt";
inline constexpr const char* SortedResultsName = "sorted_results.txt";
inline constexpr const char* ResultsHeader = "Item      Quantity";

// Creates "results.txt" and writes item k with Counts[k] for k = 1..n.
void WriteResults(const Picker& picker, std::string_view outcomes);

// Creates "sorted_results.txt", which stays empty and open while the ranking runs.
OutputFile OpenSortedResults();

// Writes SortedItems[k] with SortedCounts[k] for k = 1..n to the open file and closes it.
void WriteSortedResults(const Picker& picker, std::string_view outcomes, OutputFile& file);
