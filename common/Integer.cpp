#include "common/Integer.h"

#include <string>

#include "common/Failure.h"

Int16 CheckedInt16(long long value) {
    if (value < std::numeric_limits<Int16>::min() || value > std::numeric_limits<Int16>::max()) {
        throw Failure(FailureKind::Overflow,
                      std::to_string(value) + " does not fit in -32768..32767");
    }
    return static_cast<Int16>(value);
}
