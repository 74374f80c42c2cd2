// Field values and find criteria: conversions, their error numbers, and the
// texts of numbers, which must not depend on the locale.

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "store/Criterion.h"
#include "store/EngineError.h"
#include "store/Value.h"
#include "tests/Support.h"

namespace {

using store::Value;
using testsupport::ErrorNumber;

TEST(ValueText, ShortestWithFifteenDigitsAtMost) {
    const struct {
        Value value;
        const char* text;
    } cases[] = {{0.1, "0.1"},
                 {1.0 / 3, "0.333333333333333"},
                 {0.1 + 0.2, "0.3"},
                 {-0.0, "0"},
                 {-150000.013, "-150000.013"},
                 {123456789012345.0, "123456789012345"},
                 {1e15, "1E+15"},
                 {1e20, "1E+20"},
                 {1.5e-7, "1.5E-07"},
                 {0.0001, "0.0001"},
                 {0.00001, "1E-05"},
                 {0.07622702237028534, "0.0762270223702853"},
                 {std::int64_t{-9000000000}, "-9000000000"},
                 {Value(), ""}};
    for (const auto& c : cases) EXPECT_EQ(c.value.Text(), c.text);
}

TEST(ValueDouble, ReadsWholeDecimalTextsOnly) {
    const struct {
        Value value;
        double number;
        int error;
    } cases[] = {{" 12.5\t", 12.5, 0},
                 {"-3", -3, 0},
                 {"+4", 4, 0},
                 {".5", 0.5, 0},
                 {"1e3", 1000, 0},
                 {"0.08181919084262149", 0.08181919084262149, 0},
                 {"1e-400", 0, 0},
                 {7, 7, 0},
                 {Value(), 0, base::err::InvalidNull},
                 {"1e999", 0, base::err::Overflow}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value.Text());
        if (c.error) EXPECT_EQ(ErrorNumber([&] { (void)c.value.Double(); }), c.error);
        else EXPECT_EQ(c.value.Double(), c.number);
    }
    for (const char* text : {"abc", "", "12,5", "1.2.3", "inf", "nan", "0x10", "12abc"})
        EXPECT_EQ(ErrorNumber([&] { (void)Value(text).Double(); }), base::err::TypeMismatch) << text;
}

TEST(ValueInt16, RoundsHalfToEven) {
    const struct {
        Value value;
        int expected;  // 0 with Overflow below
    } cases[] = {{2.5, 2}, {3.5, 4}, {-2.5, -2}, {2.51, 3}, {"12.5", 12}, {32767.4, 32767}, {-32768.5, -32768}};
    for (const auto& c : cases) EXPECT_EQ(c.value.Int16(), c.expected) << c.value.Text();
    for (const Value& v : {Value(32767.5), Value(40000), Value(std::nan(""))})
        EXPECT_EQ(ErrorNumber([&] { (void)v.Int16(); }), base::err::Overflow) << v.Text();
}

TEST(ValueFloat, NearestSinglePrecision) {
    EXPECT_EQ(Value(0.1).Float(), 0.1f);
    EXPECT_EQ(Value("-125.8").Float(), -125.8f);
    EXPECT_EQ(ErrorNumber([] { (void)Value(1e39).Float(); }), base::err::Overflow);
}

TEST(CriterionText, ParsesOneComparison) {
    const struct {
        const char* text;
        const char* column;
        Value value;
    } cases[] = {{"Nom = 'BE ED50'", "Nom", "BE ED50"},
                 {"Nom='x'", "Nom", "x"},
                 {"Nom = 'x '", "Nom", "x "},
                 {"[Nom] = 'it''s'", "Nom", "it's"},
                 {"Nom = \"a\"\"b\"", "Nom", "a\"b"},
                 {"Nom = 'x'' OR ''1''=''1'", "Nom", "x' OR '1'='1"},
                 {"Num\xC3\xA9ro = 3", "Num\xC3\xA9ro", 3.0},
                 {"dX = -87.5", "dX", -87.5}};
    for (const auto& c : cases) {
        const store::Criterion parsed = store::ParseCriterion(c.text);
        EXPECT_EQ(parsed.column, c.column) << c.text;
        EXPECT_EQ(parsed.value, c.value) << c.text;
    }
    for (const char* text : {"Nom", "= 'x'", "Nom = 'open", "Nom = abc", "Nom 'x'", "Nom = 'x' OR '1'='1'",
                             "Nom = 'x' --", "Nom = 1 OR 1=1", ""}) {
        EXPECT_EQ(ErrorNumber([&] { store::ParseCriterion(text); }), base::err::CriterionSyntax) << text;
    }
}

TEST(CriterionMatch, TextsIgnoreCaseNumbersCompareByValue) {
    EXPECT_TRUE(store::Matches(Value("BE ED50"), Value("be ed50")));
    EXPECT_FALSE(store::Matches(Value("BE ED50"), Value("BE ED50 ")));
    EXPECT_FALSE(store::Matches(Value(), Value("")));
    EXPECT_TRUE(store::Matches(Value(3), Value(3.0)));
    EXPECT_TRUE(store::Matches(Value("3.0"), Value(3.0)));
    EXPECT_FALSE(store::Matches(Value("trois"), Value(3.0)));
    EXPECT_FALSE(store::Matches(Value("1e999"), Value(3.0)));
}

}  // namespace
