#include "common/Conversions.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cfenv>
#include <charconv>
#include <cmath>
#include <limits>
#include <locale>
#include <stdexcept>
#include <system_error>

#include "common/Failure.h"

namespace {

std::atomic<bool> decimalComma{false};

std::string Quoted(std::string_view text) {
    return "\"" + std::string(text) + "\"";
}

std::string_view TrimBlanks(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// Whether a well-formed number that lies outside what a double holds is too large (rather than
// too small, which reads as zero): the power of ten of its leading digit, plus its exponent, is
// positive.
bool IsBeyondDoubleRange(std::string_view number) {
    const auto e = number.find_first_of("eE");
    long long exponent = 0;
    if (e != std::string_view::npos) {
        std::string_view digits = number.substr(e + 1);
        const bool negative = digits.starts_with('-');
        if (negative || digits.starts_with('+')) {
            digits.remove_prefix(1);
        }
        const auto [end, error] =
            std::from_chars(digits.data(), digits.data() + digits.size(), exponent);
        if (error == std::errc::result_out_of_range) {
            return !negative;
        }
        exponent = negative ? -exponent : exponent;
    }
    const std::string_view mantissa = number.substr(0, e);
    const auto point = std::min(mantissa.find('.'), mantissa.size());
    const auto lead = mantissa.find_first_of("123456789");
    const auto leadPower = lead < point ? static_cast<long long>(point - lead) - 1
                                        : -static_cast<long long>(lead - point);
    return leadPower + exponent > 0;
}

std::string RealToText(double value) {
    std::array<char, 32> text{};
    return {text.data(), std::to_chars(text.data(), text.data() + text.size(), value).ptr};
}

// A whole number as the target integer type; outside its range, an overflow failure.
template <class Integer>
Integer WholeToInteger(double whole) {
    using Limits = std::numeric_limits<Integer>;
    if (!(whole >= Limits::min() && whole <= Limits::max())) {
        throw Failure(FailureKind::Overflow, RealToText(whole) + " is outside " +
                                                 std::to_string(Limits::min()) + ".." +
                                                 std::to_string(Limits::max()));
    }
    return static_cast<Integer>(whole);
}

}  // namespace

bool LocaleWritesDecimalComma() {
    try {
        return std::use_facet<std::numpunct<char>>(std::locale("")).decimal_point() == ',';
    } catch (const std::runtime_error&) {
        return false;  // a locale the system does not have
    }
}

void ReadDecimalComma(bool comma) {
    decimalComma.store(comma, std::memory_order_relaxed);
}

double TextToReal(std::string_view text) {
    std::string_view number = TrimBlanks(text);
    // With a decimal comma, "5,6" reads as "5.6" does: a copy with the comma as a point.
    std::string withPoint;
    if (decimalComma.load(std::memory_order_relaxed) &&
        number.find(',') != std::string_view::npos) {
        withPoint = number;
        std::replace(withPoint.begin(), withPoint.end(), ',', '.');
        number = withPoint;
    }
    const auto notANumber = [&] {
        return Failure(FailureKind::Type, Quoted(text) + " is not a number");
    };
    // from_chars takes no "+" and also reads "inf" and "nan"; only digits, point, sign and
    // exponent make a number here.
    if (number.starts_with('+')) {
        number.remove_prefix(1);
        if (number.starts_with('-')) {
            throw notANumber();
        }
    }
    if (number.empty() || number.find_first_not_of("0123456789.eE+-") != std::string_view::npos) {
        throw notANumber();
    }
    double value = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value,
                                              std::chars_format::general);
    if (error == std::errc::invalid_argument || end != number.data() + number.size()) {
        throw notANumber();
    }
    if (error == std::errc::result_out_of_range) {
        if (IsBeyondDoubleRange(number)) {
            throw Failure(FailureKind::Overflow, Quoted(text) + " is beyond the range of a real");
        }
        return number.starts_with('-') ? -0.0 : 0.0;
    }
    return value;
}

Int16 TextToInt16(std::string_view text) {
    return RealToInt16(TextToReal(text));
}

// std::nearbyint rounds in the default mode, which sends halves to the even neighbour.
std::int32_t TextToInt32(std::string_view text) {
    return WholeToInteger<std::int32_t>(std::nearbyint(TextToReal(text)));
}

Int16 RealToInt16(double value) {
    return WholeToInteger<Int16>(std::nearbyint(value));
}

Int16 WholePartToInt16(double value) {
    return WholeToInteger<Int16>(std::floor(value));
}

std::string Int16ToText(Int16 value) {
    return std::to_string(value);
}

void ClearFloatingPointStatus() {
    std::feclearexcept(FE_ALL_EXCEPT);
}

void TestFloatingPointStatus() {
    const int raised = std::fetestexcept(FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW);
    if (raised != 0) {
        throw Failure(FailureKind::FloatingPoint,
                      (raised & FE_INVALID)     ? "invalid floating-point operation"
                      : (raised & FE_DIVBYZERO) ? "floating-point division by zero"
                                                : "floating-point overflow");
    }
}
