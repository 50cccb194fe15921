#include <stdlib.h>

#include <cfenv>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <locale>
#include <stdexcept>

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

// The user's locale as LC_ALL names it, compiled from the system's sources (package locales) into
// a folder of the test's own that LOCPATH points at, as an ordinary user can on a machine that has
// not generated it. A name with no sources stays a locale the system lacks. Whether it has it now.
bool UseLocale(const std::string& name) {
    static const ScratchDir folder;
    const std::string path = std::filesystem::current_path().string();
    const auto dot = name.find('.');
    if (dot != std::string::npos && !std::filesystem::exists(path + "/" + name)) {
        const std::string make = "localedef -c -i " + name.substr(0, dot) + " -f " +
                                 name.substr(dot + 1) + " " + path + "/" + name + " 2>/dev/null";
        [[maybe_unused]] const int status = std::system(make.c_str());  // judged by what it made
    }
    ::setenv("LOCPATH", path.c_str(), 1);
    ::setenv("LC_ALL", name.c_str(), 1);
    try {
        return std::locale(name).name() == name;
    } catch (const std::runtime_error&) {
        return false;
    }
}

}  // namespace

// In the user's locale a point is always the decimal point, a comma is one too where the locale
// writes decimals with a comma, and nothing reads as a thousands separator. The global C++ locale,
// which a library may change at any time, changes nothing.
TEST(Conversions, TextReadsAsTheUsersLocaleWritesDecimals) {
    struct Row {
        std::string locale;
        bool comma;
    };
    for (const auto& [locale, comma] : {Row{"de_DE.UTF-8", true}, Row{"en_US.UTF-8", false},
                                        Row{"C", false}, Row{"xx_XX.UTF-8", false}}) {
        ASSERT_EQ(UseLocale(locale), locale != "xx_XX.UTF-8") << locale << " (package locales)";
        ASSERT_EQ(LocaleWritesDecimalComma(), comma) << locale;
        ReadDecimalComma(comma);
        std::locale::global(std::locale(std::locale::classic(), new DecimalComma));
        const std::optional<double> commaReads = comma ? std::optional(5.6) : std::nullopt;
        const std::optional<FailureKind> commaFails = comma ? std::nullopt : std::optional(Type);
        // clang-format off
        ExpectReadings<double>({
            {" -3.25 ", -3.25, {}}, {"+3", 3, {}}, {"\t.5", 0.5, {}}, {"2.5E-2", 0.025, {}},
            {"1.000", 1, {}}, {"5,6", commaReads, commaFails},
            {"-1,5e1", comma ? std::optional(-15.0) : std::nullopt, commaFails},
            {"1,000", comma ? std::optional(1.0) : std::nullopt, commaFails},
            {"1e-400", 0, {}}, {"1e-99999999999999999999", 0, {}},  // too small for a double
            {"", {}, Type}, {"+-3", {}, Type}, {"inf", {}, Type}, {"nan", {}, Type},
            {"7 7", {}, Type}, {"1.2.3", {}, Type}, {"1,2.3", {}, Type}, {"1,2,3", {}, Type},
            {",", {}, Type}, {"-1e400", {}, Overflow}, {"1e99999999999999999999", {}, Overflow},
        }, TextToReal);
        // clang-format on
        EXPECT_EQ(Catch([] { TextToInt32("1,5e400"); }).kind, comma ? Overflow : Type) << locale;
        std::locale::global(std::locale::classic());
    }
    ReadDecimalComma(false);
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
