#include "common/Integer.h"

#include <string>

#include "common/Failure.h"

void FailOverflow(long long value) {
    throw Failure(FailureKind::Overflow, std::to_string(value) + " does not fit in -32768..32767");
}
