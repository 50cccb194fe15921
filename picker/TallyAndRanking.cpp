// The tally and the ranking give exactly the counts, order and failures of a nested scan over the
// picks and of full exchange passes, in linear time: with 20000 items and picks the quadratic
// forms take most of a second, and the window is frozen while they run.

#include <algorithm>
#include <span>
#include <utility>
#include <vector>

#include "common/Conversions.h"
#include "common/Failure.h"
#include "picker/Picker.h"

namespace {

// The outcome count minus one, rounded.
Int16 OneBelow(std::string_view outcomes) {
    const double n = TextToReal(outcomes);
    return RealToInt16(CheckedFloatingPoint([&] { return n - 1; }));
}

}  // namespace

void TallyPicks(Picker& picker, std::string_view outcomes) {
    const Int16 n = TextToInt16(outcomes);
    // Item i's count goes to the i-th slot after the count position; items without a slot fail.
    const int start = picker.CountPosition;
    const int stored = std::clamp<int>(n, 0, ItemArray::LastIndex - start);
    const std::span<Int16> counts = picker.Counts.Slots(start + 1, start + stored);
    std::ranges::fill(counts, Int16{0});
    // A count cannot pass the size of the store, 20000, so it needs no overflow check.
    for (const Int16 pick : picker.Picks.Slots(1, picker.PickCount)) {
        if (pick >= 1 && pick <= stored) {
            ++counts[static_cast<std::size_t>(pick - 1)];
        }
    }
    picker.CountPosition = static_cast<Int16>(start + stored);
    if (stored < n) {
        // The next count has no slot: the range failure of the count position.
        picker.CountPosition = Add(picker.CountPosition, 1);
        picker.Counts.Checked(picker.CountPosition);
    }
}

void PrepareRanking(Picker& picker, std::string_view outcomes) {
    const Int16 n = TextToInt16(outcomes);
    for (int k = 1; k <= n; ++k) {
        picker.SortedCounts[k] = picker.Counts[k];
        picker.SortedItems[k] = static_cast<Int16>(k);
    }
}

void RankPasses(Picker& picker, std::string_view outcomes) {
    // Exchange passes over positions 1..n, swapping neighbours only when the first count is
    // strictly smaller, leave them in descending order of count with ties in place: a stable sort.
    // A counting sort gives it in linear time, since the counts lie close together (a tally's
    // between 0 and the 20000 picks).
    const Int16 n = TextToInt16(outcomes);
    if (n <= 1) {
        return;
    }
    const std::span<Int16> counts = picker.SortedCounts.Slots(1, n);
    const std::span<Int16> items = picker.SortedItems.Slots(1, n);
    const auto bounds = std::ranges::minmax(counts);
    const Int16 lowest = bounds.min, highest = bounds.max;
    // A count's first place is the number of positions that hold a higher count. Counts are
    // indexed from the highest, so that a higher count comes first.
    const auto index = [highest](Int16 count) { return static_cast<std::size_t>(highest - count); };
    std::vector<int> place(static_cast<std::size_t>(highest - lowest) + 1);
    for (const Int16 count : counts) {
        ++place[index(count)];
    }
    int before = 0;
    for (int& first : place) {
        before += std::exchange(first, before);
    }
    std::vector<Int16> rankedCounts(counts.size()), rankedItems(counts.size());
    for (std::size_t k = 0; k < counts.size(); ++k) {
        const auto at = static_cast<std::size_t>(place[index(counts[k])]++);
        rankedCounts[at] = counts[k];
        rankedItems[at] = items[k];
    }
    std::ranges::copy(rankedCounts, counts.begin());
    std::ranges::copy(rankedItems, items.begin());
}

bool IsWorkableOutcomeCount(std::string_view outcomes) {
    // With these the draw cannot fail either: a draw lies between 1 and the count plus one.
    try {
        return TextToInt16(outcomes) <= ItemArray::LastIndex &&
               OneBelow(outcomes) < ItemArray::LastIndex;
    } catch (const Failure&) {
        return false;
    }
}

std::string OutcomeCountRefusal(std::string_view outcomes) {
    return "\"" + std::string(outcomes) +
           "\" is not a number of items Kelpov can count. Enter a number from -32767 to 20000: the "
           "items are 1 to that number rounded, and 0 or less gives none.";
}
