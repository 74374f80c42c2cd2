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

#include "base/CheckedNumber.h"
#include "base/Errors.h"
#include "tests/Support.h"
#include "core/NumberText.h"

namespace {

using core::ValNumber;
using testsupport::ErrorNumber;

TEST(ValNumber, ReadsWhatItCanStopsAtTheRestAndOverflows) {
    const struct {
        const char* text;
        double value;
    } rows[] = {{"585104.094", 585104.094},
                {" 150 000 ", 150000},
                {"1 . 5", 1.5},
                {"\t-1\n2", -12},
                {"+7.25", 7.25},
                {"-.5", -0.5},
                {"5.", 5},
                {"1.5e3", 1500},
                {"2d-2", 0.02},
                {"3D+2", 300},
                {"1e", 1},
                {"1E-x", 1},
                {"1E-400", 0},
                {"0.1000000000000000055511151231257827", 0.1},
                {"50°30'", 50},
                {"15,5", 15},
                {"1.2.3", 1.2},
                {"-+5", 0},
                {"", 0},
                {"-", 0},
                {".", 0},
                {"abc", 0},
                {"-inf", 0},
                {"12  ", 12},
                {"12 x3", 12},
                {"1.5e 3", 1500},
                {"1e5 5", 1e55},
                {"1F", 1},
                {"&H1F", 31},
                {" & h f f ", 255},
                {"&HFFFF", -1},
                {"&H10000", 65536},
                {"&HFFFFFFFF", -1},
                {"&O17", 15},
                {"&o78", 7},
                {"&X1", 0}};
    for (const auto& r : rows) EXPECT_EQ(ValNumber(r.text), r.value) << r.text;
    // Longer than any internal buffer: the value must not depend on the length.
    EXPECT_EQ(ValNumber(std::string(200, '0') + "12.5" + std::string(200, '0')), 12.5);
    // Overflow raises instead of giving infinity.
    const std::string longMantissa = "1" + std::string(400, '0') + "e-10";
    for (const std::string text : {"1E400", "-1e309", "&H100000000", longMantissa.c_str()})
        EXPECT_EQ(ErrorNumber([&] { ValNumber(text); }), base::err::Overflow) << text;
}

// The cases the comparison below does not reach.
TEST(FormatGeneral, WritesFifteenDigitsThatReadBack) {
    const struct {
        double value;
        const char* text;
    } rows[] = {{0.0, "0"},
                {-0.0, "0"},
                {0.30000000000000004, "0.3"},
                {999999999999999.0, "999999999999999"},
                {999999999999999.9, "1E+15"},
                {1e-5, "1E-05"},
                {1.5e300, "1.5E+300"}};
    for (const auto& r : rows) {
        EXPECT_EQ(core::FormatGeneral(r.value), r.text);
        EXPECT_NEAR(ValNumber(r.text), r.value, std::fabs(r.value) * 1e-14);
    }
}

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

TEST(FormatFixed, RoundsHalfAwayFromZero) {
    const struct {
        double value;
        int decimals;
        const char* text;
    } rows[] = {{585104.0944, 3, "585104.094"},
                {50.5, 6, "50.500000"},
                {0.25, 3, "0.250"},
                {0.0, 3, "0.000"},
                {2.5, 0, "3"},
                {-2.5, 0, "-3"},
                {0.285, 2, "0.29"},
                {99.9996, 3, "100.000"},
                {0.6, 0, "1"},
                {-0.0001, 3, "0.000"},
                {-0.0, 0, "0"},
                {5e-7, 6, "0.000001"},
                {1e20, 1, "100000000000000000000.0"}};
    for (const auto& r : rows) EXPECT_EQ(core::FormatFixed(r.value, r.decimals), r.text) << r.value;
    EXPECT_EQ(ErrorNumber([] { core::FormatFixed(1, -1); }), base::err::InvalidCall);
    EXPECT_EQ(ErrorNumber([] { core::FormatFixed(1, core::MaxFixedDecimals + 1); }), base::err::InvalidCall);
}

TEST(RoundedInt, RoundsHalfToEvenOrOverflows) {
    const struct {
        double value;
        std::int16_t result;
    } rows[] = {{2.5, 2}, {3.5, 4}, {-2.5, -2}, {31.49, 31}, {-0.51, -1}, {32767.4, 32767}, {-32768.5, -32768}};
    for (const auto& r : rows) {
        EXPECT_EQ(base::RoundedInt<std::int16_t>(r.value), r.result) << r.value;
        EXPECT_EQ(base::RoundHalfEven(r.value), r.result) << r.value;
    }
    for (double v : {32767.5, 32768.0, -32769.0, 1e300, std::numeric_limits<double>::quiet_NaN()})
        EXPECT_EQ(ErrorNumber([=] { base::RoundedInt<std::int16_t>(v); }), base::err::Overflow) << v;
}

}  // namespace
