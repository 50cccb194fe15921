#pragma once

#include <functional>
#include <optional>

// The share of runs that must find a difference for it to count as detectable: "4 times in 5".
inline constexpr double FoundShare = 0.8;

// The smallest factor in 1..LargestFactor at which found(factor), the share of runs of this size
// that would read item 1 drawn factor times as often as uneven, reaches FoundShare, to within 4%;
// none when not even the largest is found so often.
std::optional<double> SmallestFound(const std::function<double(double)>& found);

// The same where found may fall again at large factors, as when item 1 drawn so often leaves too
// few changes of item to test: the factors are tried upwards, 5% apart, to the first found so
// often, then narrowed to within 1%.
std::optional<double> SmallestFoundUnimodal(const std::function<double(double)>& found);
