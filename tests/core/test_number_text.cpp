// Number texts: ValNumber's reading rules, the general and fixed formats and
// the integer conversions. The same binary runs under a French locale, so
// every expected text here also proves the formats ignore the locale.

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "base/Errors.h"
#include "tests/Support.h"
#include "core/NumberText.h"

namespace {

using testsupport::ErrorNumber;
using testsupport::RowName;

using core::ValNumber;

struct ValCase { const char* name; const char* text; double value; };
class ValNumberReads : public ::testing::TestWithParam<ValCase> {};

TEST_P(ValNumberReads, Value) { EXPECT_EQ(ValNumber(GetParam().text), GetParam().value); }

INSTANTIATE_TEST_SUITE_P(Rules, ValNumberReads, ::testing::Values(
    ValCase{"Plain", "585104.094", 585104.094},
    ValCase{"BlanksInside", " 150 000 ", 150000},
    ValCase{"BlanksAroundPoint", "1 . 5", 1.5},
    ValCase{"TabsAndLineFeeds", "\t-1\n2", -12},
    ValCase{"LeadingPlus", "+7.25", 7.25},
    ValCase{"LeadingPoint", "-.5", -0.5},
    ValCase{"TrailingPoint", "5.", 5},
    ValCase{"ExponentE", "1.5e3", 1500},
    ValCase{"ExponentDLower", "2d-2", 0.02},
    ValCase{"ExponentDUpperWithPlus", "3D+2", 300},
    ValCase{"ExponentWithoutDigits", "1e", 1},
    ValCase{"ExponentSignWithoutDigits", "1E-x", 1},
    ValCase{"Underflow", "1E-400", 0},
    ValCase{"LongMantissaRoundsCorrectly", "0.1000000000000000055511151231257827", 0.1},
    ValCase{"StopsAtDegreeMark", "50°30'", 50},
    ValCase{"StopsAtComma", "15,5", 15},
    ValCase{"StopsAtSecondPoint", "1.2.3", 1.2},
    ValCase{"StopsAtSecondSign", "-+5", 0},
    ValCase{"Empty", "", 0},
    ValCase{"SignOnly", "-", 0},
    ValCase{"PointOnly", ".", 0},
    ValCase{"NotANumber", "abc", 0},
    ValCase{"NoInfinityWord", "-inf", 0},
    ValCase{"TrailingBlanks", "12  ", 12},
    ValCase{"BlankThenStop", "12 x3", 12},
    ValCase{"BlankInsideExponent", "1.5e 3", 1500},
    ValCase{"ExponentContinuesAfterBlank", "1e5 5", 1e55},
    ValCase{"HexDigitsAreNotDecimal", "1F", 1},
    ValCase{"Hex", "&H1F", 31},
    ValCase{"HexLowerWithBlanks", " & h f f ", 255},
    ValCase{"Hex16BitsIsSigned", "&HFFFF", -1},
    ValCase{"Hex17Bits", "&H10000", 65536},
    ValCase{"Hex32BitsIsSigned", "&HFFFFFFFF", -1},
    ValCase{"Octal", "&O17", 15},
    ValCase{"OctalStopsAtEight", "&o78", 7},
    ValCase{"AmpersandAlone", "&X1", 0}),
    RowName());

TEST(ValNumber, OverflowRaisesInsteadOfInfinity) {
    const std::string longMantissa = "1" + std::string(400, '0') + "e-10";
    for (const std::string text : {"1E400", "-1e309", "&H100000000", longMantissa.c_str()})
        EXPECT_EQ(ErrorNumber([&] { ValNumber(text); }), base::err::Overflow) << text;
}

TEST(ValNumber, LongDigitStringReadsExactly) {
    // Longer than any internal buffer: the value must not depend on the length.
    const std::string text = std::string(200, '0') + "12.5" + std::string(200, '0');
    EXPECT_EQ(ValNumber(text), 12.5);
}

struct TextCase { const char* name; double value; const char* text; };
class FormatGeneralWrites : public ::testing::TestWithParam<TextCase> {};

TEST_P(FormatGeneralWrites, Text) {
    EXPECT_EQ(core::FormatGeneral(GetParam().value), GetParam().text);
    // What it writes reads back as the value to 15 digits.
    const double back = ValNumber(GetParam().text);
    EXPECT_NEAR(back, GetParam().value, std::fabs(GetParam().value) * 1e-14);
}

INSTANTIATE_TEST_SUITE_P(Values, FormatGeneralWrites, ::testing::Values(
    TextCase{"Zero", 0.0, "0"},
    TextCase{"NegativeZero", -0.0, "0"},
    TextCase{"Tenth", 0.1, "0.1"},
    TextCase{"SumNoise", 0.30000000000000004, "0.3"},
    TextCase{"Metres", 585104.094, "585104.094"},
    TextCase{"Negative", -12.5, "-12.5"},
    TextCase{"Pi", 3.14159265358979, "3.14159265358979"},
    TextCase{"RoundsTo15Digits", 2.0 / 3.0, "0.666666666666667"},
    TextCase{"LargestPlain", 999999999999999.0, "999999999999999"},
    TextCase{"CarryIntoExponent", 999999999999999.9, "1E+15"},
    TextCase{"Big", 1e16, "1E+16"},
    TextCase{"BigDigits", 123456789012345678.0, "1.23456789012346E+17"},
    TextCase{"SmallestPlain", 0.0001, "0.0001"},
    TextCase{"Small", 1e-5, "1E-05"},
    TextCase{"SmallDigits", -2.5e-7, "-2.5E-07"},
    TextCase{"ThreeDigitExponent", 1.5e300, "1.5E+300"}),
    RowName());

// Against the standard library's own 15-digit general form, over every
// magnitude the coordinates take and the near-halves where a shortcut could
// round the wrong way; and the value that text reads back as.
TEST(FormatGeneral, AgreesWithPrintfAndReadsBack) {
    std::mt19937_64 random(15);
    std::uniform_real_distribution<double> mantissa(1, 10);
    for (int exponent = -9; exponent <= 17; ++exponent) {
        for (int k = 0; k < 4000; ++k) {
            double v = mantissa(random) * std::pow(10.0, exponent);
            // Every other value sits next to a 15-digit half.
            if (k % 2) v = (std::floor(v * std::pow(10.0, 14 - exponent)) + 0.5) / std::pow(10.0, 14 - exponent);
            if (k % 3 == 0) v = -v;
            char expected[64];
            char* end = std::to_chars(expected, expected + sizeof expected, v, std::chars_format::general, 15).ptr;
            for (char* c = expected; c != end; ++c)
                if (*c == 'e') *c = 'E';
            const std::string text = core::FormatGeneral(v);
            ASSERT_EQ(text, std::string(expected, end)) << v;
            double back = 0;
            std::from_chars(text.data(), text.data() + text.size(), back);
            ASSERT_EQ(core::GeneralValue(v), back) << v;
        }
    }
}

struct FixedCase { const char* name; double value; int decimals; const char* text; };
class FormatFixedWrites : public ::testing::TestWithParam<FixedCase> {};

TEST_P(FormatFixedWrites, Text) {
    EXPECT_EQ(core::FormatFixed(GetParam().value, GetParam().decimals), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Patterns, FormatFixedWrites, ::testing::Values(
    FixedCase{"Metres", 585104.0944, 3, "585104.094"},
    FixedCase{"PadsDecimals", 50.5, 6, "50.500000"},
    FixedCase{"IntegerDigitBeforePoint", 0.25, 3, "0.250"},
    FixedCase{"Zero", 0.0, 3, "0.000"},
    FixedCase{"HalfAwayFromZero", 2.5, 0, "3"},
    FixedCase{"NegativeHalfAwayFromZero", -2.5, 0, "-3"},
    FixedCase{"HalfAsShown", 0.285, 2, "0.29"},
    FixedCase{"CarryAcrossPoint", 99.9996, 3, "100.000"},
    FixedCase{"RoundsUpFromBelowFirstDigit", 0.6, 0, "1"},
    FixedCase{"RoundsToZeroWithoutSign", -0.0001, 3, "0.000"},
    FixedCase{"NegativeZero", -0.0, 0, "0"},
    FixedCase{"TinyUp", 5e-7, 6, "0.000001"},
    FixedCase{"Big", 1e20, 1, "100000000000000000000.0"}),
    RowName());

TEST(FormatFixed, RefusesDecimalsOutOfRange) {
    EXPECT_EQ(ErrorNumber([] { core::FormatFixed(1, -1); }), base::err::InvalidCall);
    EXPECT_EQ(ErrorNumber([] { core::FormatFixed(1, core::MaxFixedDecimals + 1); }),
              base::err::InvalidCall);
}

struct IntCase { const char* name; double value; std::int16_t result; };
class ToInt16Rounds : public ::testing::TestWithParam<IntCase> {};

TEST_P(ToInt16Rounds, HalvesToEven) {
    EXPECT_EQ(core::ToInt16(GetParam().value), GetParam().result);
    EXPECT_EQ(core::RoundHalfEven(GetParam().value), GetParam().result);
}

INSTANTIATE_TEST_SUITE_P(Values, ToInt16Rounds, ::testing::Values(
    IntCase{"HalfDownToEven", 2.5, 2}, IntCase{"HalfUpToEven", 3.5, 4},
    IntCase{"NegativeHalf", -2.5, -2}, IntCase{"BelowHalf", 31.49, 31},
    IntCase{"AboveHalf", -0.51, -1}, IntCase{"Max", 32767.4, 32767},
    IntCase{"MinHalfToEven", -32768.5, -32768}),
    RowName());

TEST(ToInt16, OutOfRangeOverflows) {
    for (double v : {32767.5, 32768.0, -32769.0, 1e300, std::numeric_limits<double>::quiet_NaN()})
        EXPECT_EQ(ErrorNumber([=] { core::ToInt16(v); }), base::err::Overflow) << v;
}

}  // namespace
