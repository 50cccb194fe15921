#include "picker/DrawLaw.h"

#include <cmath>

#include "common/Conversions.h"
#include "common/Failure.h"

DrawLaw LawOfDraw(std::string_view outcomes) {
    DrawLaw law;
    try {
        law.n = TextToReal(outcomes);
    } catch (const Failure&) {
        return {};
    }
    if (!(law.n >= 1) || law.n > 32767) {
        return {};
    }
    const double whole = std::floor(law.n);
    law.chances.assign(static_cast<std::size_t>(whole), 1 / law.n);
    law.fractional = law.n > whole;
    if (law.fractional) {
        law.chances.push_back((law.n - whole) / law.n);
    }
    return law;
}
