#include <gtest/gtest.h>

#include <array>
#include <cfenv>
#include <clocale>
#include <cstdint>
#include <limits>
#include <locale>
#include <optional>
#include <string>
#include <vector>

#include "common/Conversions.h"
#include "common/ItemArray.h"
#include "common/PrintForm.h"
#include "tests/engine/TestSupport.h"

namespace {

// A conversion case: the text and either the value it reads as or the failure it gives.
template <class Value>
struct Reading {
    std::string text;
    std::optional<Value> value;
    std::optional<FailureKind> failure;
};

template <class Value, class Convert>
void ExpectReadings(const std::vector<Reading<Value>>& cases, Convert convert) {
    for (const auto& c : cases) {
        SCOPED_TRACE("text \"" + c.text + "\"");
        std::optional<Value> value;
        EXPECT_EQ(FailureOf([&] { value = convert(c.text); }), c.failure);
        EXPECT_EQ(value, c.value);
    }
}

constexpr auto Type = FailureKind::Type;
constexpr auto Overflow = FailureKind::Overflow;

// A decimal comma, as in German or French, for the C++ side of the locale.
struct DecimalComma : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
    char do_thousands_sep() const override { return '.'; }
    std::string do_grouping() const override { return "\3"; }
};

}  // namespace

TEST(Conversions, TextToRealReadsDecimalFormsTheSameInEveryLocale) {
    // clang-format off
    const std::vector<Reading<double>> cases = {
        {"7", 7, {}}, {" -3.25 ", -3.25, {}}, {"+3", 3, {}}, {"\t 42\t ", 42, {}}, {".5", 0.5, {}},
        {"-0.125", -0.125, {}}, {"1e3", 1000, {}}, {"2.5E-2", 0.025, {}}, {"-1.5e+2", -150, {}},
        {"1e-400", 0, {}},  // too small for a double: reads as zero
        {"", {}, Type}, {"  ", {}, Type}, {"abc", {}, Type}, {"+-3", {}, Type}, {"inf", {}, Type},
        {"nan", {}, Type}, {"1e", {}, Type}, {"-", {}, Type}, {"0x10", {}, Type},
        {"3,5", {}, Type}, {"1.000,5", {}, Type}, {"7 7", {}, Type},
        {"1e400", {}, Overflow}, {"-1e400", {}, Overflow},
    };
    // clang-format on
    // A decimal-comma locale must not change how a text reads. Each such system locale that is
    // installed is tried; the C++ global locale always gets a decimal comma, which would change any
    // reading through iostreams.
    std::vector<const char*> locales = {"C"};
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8", "C.UTF-8"}) {
        if (std::setlocale(LC_ALL, name) != nullptr) {
            locales.push_back(name);
        }
    }
    for (const char* name : locales) {
        SCOPED_TRACE(std::string("locale ") + name);
        std::setlocale(LC_ALL, name);
        std::locale::global(std::locale(std::locale::classic(), new DecimalComma));
        ExpectReadings(cases, TextToReal);
        std::locale::global(std::locale::classic());
        std::setlocale(LC_ALL, "C");
    }
    // Only the characters in view are read, not what follows them in memory.
    EXPECT_EQ(TextToReal(std::string_view("7.25999").substr(0, 4)), 7.25);
}

TEST(Conversions, TextToIntegerRoundsHalvesToEvenAndChecksTheRange) {
    // clang-format off
    ExpectReadings<Int16>({
        {"2.5", 2, {}}, {"3.5", 4, {}}, {"-2.5", -2, {}}, {"-3.5", -4, {}}, {"0.5", 0, {}},
        {"2.4999", 2, {}}, {" 7 ", 7, {}}, {"32767.4", 32767, {}}, {"32767.5", {}, Overflow},
        {"-32768.5", -32768, {}}, {"-32768.6", {}, Overflow}, {"-32769", {}, Overflow},
        {"1e400", {}, Overflow}, {"", {}, Type}, {"abc", {}, Type},
    }, TextToInt16);
    ExpectReadings<std::int32_t>({
        {"2147483647", 2147483647, {}}, {"2147483647.5", {}, Overflow},
        {"-2147483648.5", std::numeric_limits<std::int32_t>::min(), {}},
        {"-2147483649", {}, Overflow}, {"2.5", 2, {}}, {"-7.5", -8, {}}, {"x", {}, Type},
    }, TextToInt32);
    // clang-format on
}

TEST(Conversions, RealToIntegerRoundsAndWholePartFloors) {
    struct Case {
        double real;
        std::optional<Int16> rounded;
        std::optional<Int16> whole;
    };
    // clang-format off
    const std::vector<Case> cases = {
        {2.5, 2, 2}, {3.5, 4, 3}, {-0.5, 0, -1}, {-1e-300, 0, -1}, {1.999, 2, 1},
        {32767.4, 32767, 32767}, {32767.9, {}, 32767}, {32768, {}, {}}, {-32768, -32768, -32768},
        {-32768.5, -32768, {}},  // the floor, -32769, does not fit
        {1e300, {}, {}},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "real " << c.real);
        std::optional<Int16> rounded, whole;
        const auto roundFailure = FailureOf([&] { rounded = RealToInt16(c.real); });
        const auto wholeFailure = FailureOf([&] { whole = WholePartToInt16(c.real); });
        EXPECT_EQ(rounded, c.rounded);
        EXPECT_EQ(whole, c.whole);
        EXPECT_EQ(roundFailure, c.rounded ? std::nullopt : std::optional(Overflow));
        EXPECT_EQ(wholeFailure, c.whole ? std::nullopt : std::optional(Overflow));
    }
}

TEST(Conversions, IntegerToTextAndPrintForm) {
    struct Case {
        Int16 value;
        std::string text;
        std::string printForm;
    };
    // clang-format off
    const std::vector<Case> cases = {
        {7, "7", " 7 "}, {0, "0", " 0 "}, {-12, "-12", "-12 "}, {32767, "32767", " 32767 "},
        {-32768, "-32768", "-32768 "},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(Int16ToText(c.value), c.text);
        std::array<char, PrintFormMaxSize> printed{};
        EXPECT_EQ(std::string(printed.data(), WritePrintForm(printed.data(), c.value)),
                  c.printForm);
    }
}

TEST(Conversions, SixteenBitArithmeticFailsInsteadOfWrapping) {
    for (const long long value : {32767LL, -32768LL, 0LL, 32768LL, -32769LL, 65536LL}) {
        SCOPED_TRACE(value);
        const bool fits = value >= -32768 && value <= 32767;
        std::optional<long long> checked;
        EXPECT_EQ(FailureOf([&] { checked = CheckedInt16(value); }),
                  fits ? std::nullopt : std::optional(Overflow));
        EXPECT_EQ(checked, fits ? std::optional(value) : std::nullopt);
    }
    EXPECT_EQ(FailureOf([] { Add(32767, 1); }), Overflow);
    EXPECT_EQ(FailureOf([] { Add(-32768, -1); }), Overflow);
    EXPECT_EQ(Add(-32768, 32767), -1);
    EXPECT_EQ(Add(20000, 12767), 32767);
}

TEST(Conversions, FloatingPointStatusIsTestedAfterTheComputation) {
    // volatile operands keep the compiler from folding the computations away.
    static volatile double zero = 0, one = 1, big = 1e308, tiny = 1e-300;
    struct Case {
        const char* name;
        double (*compute)();
        bool fails;
    };
    const std::vector<Case> cases = {
        {"overflow", [] { return big * big; }, true},
        {"division by zero", [] { return one / zero; }, true},
        {"invalid", [] { return zero / zero; }, true},
        {"normal", [] { return (big - one) + one; }, false},
        {"underflow and inexact are not failures", [] { return tiny * tiny / 3; }, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FailureOf([&] { CheckedFloatingPoint(c.compute); }),
                  c.fails ? std::optional(FailureKind::FloatingPoint) : std::nullopt);
    }
    // A flag left over from earlier work is cleared before the computation starts.
    std::feraiseexcept(FE_OVERFLOW | FE_DIVBYZERO | FE_INVALID);
    EXPECT_EQ(CheckedFloatingPoint([] { return one + one; }), 2);
}

TEST(ItemArray, EveryIndexIsChecked) {
    ItemArray array("Test");
    const ItemArray& readOnly = array;
    for (const int index : {0, 1, 20000, -1, 20001, -32768}) {
        SCOPED_TRACE(index);
        const auto expected =
            index >= 0 && index <= 20000 ? std::nullopt : std::optional(FailureKind::Range);
        EXPECT_EQ(FailureOf([&] { array[index] = 5; }), expected);
        EXPECT_EQ(FailureOf([&] { EXPECT_EQ(readOnly[index], 5); }), expected);
    }
}
