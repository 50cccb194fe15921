#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/Integer.h"

// Conversions between the texts a user types and the numbers of a run. Every failure is a Failure
// of the right kind. They look up no locale: the one thing a locale changes, whether a comma also
// reads as the decimal point, is decided once at start (ReadDecimalComma).

// Whether the user's locale (LC_ALL, LC_NUMERIC or LANG) writes decimals with a comma, as de_DE and
// fr_FR do; false where that locale is not installed.
bool LocaleWritesDecimalComma();

// From then on a comma reads as the decimal point too ("5,6" is 5.6), or again does not. Set once
// at start, before any thread starts, so that every stage of a run reads a text alike.
void ReadDecimalComma(bool comma);

// A decimal number with optional sign, decimal places, exponent and blanks around it ("7",
// " -3.25 ", "+3", "1e3"). A point is the decimal point in every locale ("1.000" is 1); with
// ReadDecimalComma a comma is one too ("5,6"), and never a thousands separator. Anything else, the
// empty text included, is a type failure; a number beyond the double range is an overflow failure.
double TextToReal(std::string_view text);

// The text read as a real and rounded to the nearest whole number, halves to even ("2.5" gives 2,
// "3.5" gives 4); outside the target range it is an overflow failure.
Int16 TextToInt16(std::string_view text);
std::int32_t TextToInt32(std::string_view text);

// Rounded to the nearest whole number, halves to even, then range-checked.
Int16 RealToInt16(double value);

// The largest whole number not above value (so -0.5 gives -1), then range-checked.
Int16 WholePartToInt16(double value);

// Plain decimal digits with a leading "-" when negative.
std::string Int16ToText(Int16 value);

// Runs a floating-point computation with the status flags cleared and fails with a floating-point
// failure when any step raised an invalid operation, a division by zero or an overflow.
template <class Computation>
double CheckedFloatingPoint(Computation compute);

void ClearFloatingPointStatus();
void TestFloatingPointStatus();  // throws Failure(FloatingPoint)

template <class Computation>
double CheckedFloatingPoint(Computation compute) {
    ClearFloatingPointStatus();
    // volatile keeps the computation from being moved past the status test.
    const volatile double result = compute();
    TestFloatingPointStatus();
    return result;
}
