#include "common/PrintForm.h"

#include <charconv>
#include <cstdlib>

char* WritePrintForm(char* out, Int16 value) {
    *out++ = value < 0 ? '-' : ' ';
    // Widened first: the magnitude of -32768 does not fit in 16 bits.
    out = std::to_chars(out, out + 5, std::abs(static_cast<int>(value))).ptr;
    *out++ = ' ';
    return out;
}
