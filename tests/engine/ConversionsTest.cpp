#include <cfenv>
#include <cstdint>
#include <locale>

#include "common/Conversions.h"
#include "tests/engine/TestSupport.h"

namespace {

constexpr auto Type = FailureKind::Type;
constexpr auto Overflow = FailureKind::Overflow;

// A text, and the value it reads as or the failure it gives.
template <class Value>
struct Reading {
    std::string text;
    std::optional<Value> value;
    std::optional<FailureKind> failure;
};

// Each text either reads as its value or gives its failure.
template <class Value, class Convert>
void ExpectReadings(const std::vector<Reading<Value>>& cases, Convert convert) {
    for (const auto& c : cases) {
        const auto [value, caught] = CatchValue([&] { return convert(c.text); });
        EXPECT_EQ(caught.kind, c.failure) << '"' << c.text << '"';
        EXPECT_EQ(value, c.value) << '"' << c.text << '"';
    }
}

struct DecimalComma : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
};

}  // namespace

// With a decimal comma in the global locale, as in German or French, a text still reads the same.
TEST(Conversions, TextReadsTheSameInEveryLocale) {
    std::locale::global(std::locale(std::locale::classic(), new DecimalComma));
    // clang-format off
    ExpectReadings<double>({
        {" -3.25 ", -3.25, {}}, {"+3", 3, {}}, {"\t.5", 0.5, {}}, {"2.5E-2", 0.025, {}},
        {"1e-400", 0, {}}, {"1e-99999999999999999999", 0, {}},  // too small for a double
        {"", {}, Type}, {"+-3", {}, Type}, {"inf", {}, Type}, {"nan", {}, Type},
        {"3,5", {}, Type}, {"7 7", {}, Type}, {"1.2.3", {}, Type},
        {"-1e400", {}, Overflow}, {"1e99999999999999999999", {}, Overflow},
    }, TextToReal);
    // clang-format on
    std::locale::global(std::locale::classic());
    // Only the characters in view are read, not what follows them in memory.
    EXPECT_EQ(TextToReal(std::string_view("7.25999").substr(0, 4)), 7.25);
}

TEST(Conversions, IntegersRoundHalvesToEvenAndCheckTheRange) {
    // clang-format off
    ExpectReadings<Int16>({
        {"2.5", 2, {}}, {"3.5", 4, {}}, {"-2.5", -2, {}}, {"32767.4", 32767, {}},
        {"32767.5", {}, Overflow}, {"-32768.5", -32768, {}}, {"-32768.6", {}, Overflow},
        {"abc", {}, Type},
    }, TextToInt16);
    ExpectReadings<std::int32_t>({
        {"2147483647.4", 2147483647, {}}, {"2147483647.5", {}, Overflow},
        {"-2147483648.5", -2147483648, {}}, {"-7.5", -8, {}},
    }, TextToInt32);
    ExpectReadings<Int16>({{"2.5", 2, {}}, {"-0.5", 0, {}}, {"1.999", 2, {}},
        {"32767.9", {}, Overflow}, {"-32768.5", -32768, {}}},
        [](const std::string& text) { return RealToInt16(std::stod(text)); });
    // The whole part is the floor.
    ExpectReadings<Int16>({{"2.5", 2, {}}, {"-0.5", -1, {}}, {"1.999", 1, {}},
        {"32767.9", 32767, {}}, {"-32768.5", {}, Overflow}},
        [](const std::string& text) { return WholePartToInt16(std::stod(text)); });
    // clang-format on
    EXPECT_EQ(Add(32766, 1), 32767);
    EXPECT_EQ(Catch([] { Add(32767, 1); }).kind, Overflow);
}

// Every floating-point failure is found, and only the computation's own: under some window
// systems a flag is still raised from earlier work when a computation starts.
TEST(Conversions, FloatingPointStatusIsTestedAfterTheComputation) {
    static volatile double zero = 0, one = 1, big = 1e308;  // volatile: no folding at compile time
    for (double (*compute)() :
         {+[] { return one / zero; }, +[] { return big * big; }, +[] { return zero / zero; }}) {
        EXPECT_EQ(Catch([&] { CheckedFloatingPoint(compute); }).kind, FailureKind::FloatingPoint);
    }
    std::feraiseexcept(FE_OVERFLOW | FE_DIVBYZERO | FE_INVALID);
    EXPECT_EQ(CheckedFloatingPoint([] { return one + one; }), 2);
}
