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

using testsupport::ErrorNumber;
using store::Value;

struct TextCase {
    const char* name;
    double value;
    const char* text;
};

class NumberToText : public ::testing::TestWithParam<TextCase> {};

TEST_P(NumberToText, ShortestWithFifteenDigitsAtMost) {
    const TextCase& c = GetParam();
    EXPECT_EQ(store::DoubleText(c.value), c.text);
    EXPECT_EQ(Value(c.value).Text(), c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Table, NumberToText,
    ::testing::Values(TextCase{"tenth", 0.1, "0.1"}, TextCase{"third", 1.0 / 3, "0.333333333333333"},
                      TextCase{"sum_cut_to_15", 0.1 + 0.2, "0.3"}, TextCase{"negative_zero", -0.0, "0"},
                      TextCase{"integer", 6378137, "6378137"}, TextCase{"metres", 150000.013, "150000.013"},
                      TextCase{"negative", -125.8, "-125.8"},
                      TextCase{"fifteen_digits", 123456789012345.0, "123456789012345"},
                      TextCase{"large", 1e20, "1E+20"}, TextCase{"sixteen_digits", 1e15, "1E+15"},
                      TextCase{"small", 1.5e-7, "1.5E-07"}, TextCase{"ten_thousandth", 0.0001, "0.0001"},
                      TextCase{"hundred_thousandth", 0.00001, "1E-05"},
                      TextCase{"radians", 0.07622702237028534, "0.0762270223702853"}),
    testsupport::RowName());

TEST(ValueText, IntegersAndNull) {
    EXPECT_EQ(Value(std::int64_t{-9000000000}).Text(), "-9000000000");
    EXPECT_EQ(Value().Text(), "");
}

struct ParseCase {
    const char* name;
    const char* text;
    double value;  // NaN: not a number (13)
};

class TextToDouble : public ::testing::TestWithParam<ParseCase> {};

TEST_P(TextToDouble, ReadsWholeDecimalTextsOnly) {
    const ParseCase& c = GetParam();
    if (std::isnan(c.value)) {
        EXPECT_EQ(ErrorNumber([&] { (void)Value(c.text).Double(); }), base::err::TypeMismatch);
    } else {
        EXPECT_EQ(Value(c.text).Double(), c.value);
    }
}

const double NotANumber = std::nan("");

INSTANTIATE_TEST_SUITE_P(
    Table, TextToDouble,
    ::testing::Values(ParseCase{"plain", "12.5", 12.5}, ParseCase{"blanks", " 12.5\t", 12.5},
                      ParseCase{"minus", "-3", -3}, ParseCase{"plus", "+4", 4}, ParseCase{"leading_point", ".5", 0.5},
                      ParseCase{"exponent", "1e3", 1000},
                      ParseCase{"exact_digits", "0.08181919084262149", 0.08181919084262149},
                      ParseCase{"underflow", "1e-400", 0}, ParseCase{"letters", "abc", NotANumber},
                      ParseCase{"empty", "", NotANumber}, ParseCase{"comma", "12,5", NotANumber},
                      ParseCase{"two_points", "1.2.3", NotANumber}, ParseCase{"infinity", "inf", NotANumber},
                      ParseCase{"nan", "nan", NotANumber}, ParseCase{"hex", "0x10", NotANumber},
                      ParseCase{"trailing_letters", "12abc", NotANumber}),
    testsupport::RowName());

TEST(ValueDouble, NullAndOverflow) {
    EXPECT_EQ(ErrorNumber([] { (void)Value().Double(); }), base::err::InvalidNull);
    EXPECT_EQ(ErrorNumber([] { (void)Value("1e999").Double(); }), base::err::Overflow);
    EXPECT_EQ(Value(7).Double(), 7.0);
}

struct RoundCase {
    const char* name;
    Value value;
    int expected;  // 99999: overflow
};

class ToInt16 : public ::testing::TestWithParam<RoundCase> {};

TEST_P(ToInt16, RoundsHalfToEven) {
    const RoundCase& c = GetParam();
    if (c.expected == 99999)
        EXPECT_EQ(ErrorNumber([&] { (void)c.value.Int16(); }), base::err::Overflow);
    else
        EXPECT_EQ(c.value.Int16(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ToInt16,
    ::testing::Values(RoundCase{"half_down_to_even", Value(2.5), 2}, RoundCase{"half_up_to_even", Value(3.5), 4},
                      RoundCase{"negative_half", Value(-2.5), -2}, RoundCase{"above_half", Value(2.51), 3},
                      RoundCase{"text", Value("12.5"), 12}, RoundCase{"top", Value(32767.4), 32767},
                      RoundCase{"rounds_past_top", Value(32767.5), 99999},
                      RoundCase{"bottom_even", Value(-32768.5), -32768},
                      RoundCase{"integer_too_large", Value(40000), 99999},
                      RoundCase{"nan", Value(std::nan("")), 99999}),
    testsupport::RowName());

TEST(ValueFloat, NearestSinglePrecision) {
    EXPECT_EQ(Value(0.1).Float(), 0.1f);
    EXPECT_NE(double(Value(0.1).Float()), 0.1);
    EXPECT_EQ(Value("-125.8").Float(), -125.8f);
    EXPECT_EQ(ErrorNumber([] { (void)Value(1e39).Float(); }), base::err::Overflow);
}

struct CriterionCase {
    const char* name;
    const char* text;
    const char* column;
    Value value;
};

class CriterionText : public ::testing::TestWithParam<CriterionCase> {};

TEST_P(CriterionText, Parses) {
    const CriterionCase& c = GetParam();
    const store::Criterion parsed = store::ParseCriterion(c.text);
    EXPECT_EQ(parsed.column, c.column);
    EXPECT_EQ(parsed.value, c.value);
}

INSTANTIATE_TEST_SUITE_P(
    Table, CriterionText,
    ::testing::Values(CriterionCase{"text", "Nom = 'BE ED50'", "Nom", Value("BE ED50")},
                      CriterionCase{"no_blanks", "Nom='x'", "Nom", Value("x")},
                      CriterionCase{"trailing_blank_kept", "Nom = 'x '", "Nom", Value("x ")},
                      CriterionCase{"doubled_quote", "[Nom] = 'it''s'", "Nom", Value("it's")},
                      CriterionCase{"double_quotes", "Nom = \"a\"\"b\"", "Nom", Value("a\"b")},
                      CriterionCase{"injection_is_a_text", "Nom = 'x'' OR ''1''=''1'", "Nom",
                                    Value("x' OR '1'='1")},
                      CriterionCase{"number", "Num\xC3\xA9ro = 3", "Num\xC3\xA9ro", Value(3.0)},
                      CriterionCase{"negative_number", "dX = -87.5", "dX", Value(-87.5)}),
    testsupport::RowName());

TEST(CriterionText, RefusesAnythingElse) {
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
