#include "common/ItemArray.h"

#include <string>

#include "common/Failure.h"

void ItemArray::FailIndex(int index) const {
    throw Failure(FailureKind::Range, "index " + std::to_string(index) + " of " + name_ +
                                          " is outside 0.." + std::to_string(LastIndex));
}

std::span<Int16> ItemArray::Slots(int first, int last) {
    if (last < first) {
        return {};
    }
    const std::size_t begin = Checked(first);
    return std::span(slots_).subspan(begin, Checked(last) + 1 - begin);
}
