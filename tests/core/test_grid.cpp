// MGRS references and IFBL codes: the worked examples, partial precision,
// round trips, and the references the decoders must refuse.

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "core/Constants.h"
#include "base/Errors.h"
#include "tests/Support.h"
#include "core/Grid.h"

namespace {

using testsupport::ErrorNumber;
using testsupport::RowName;

double Rad(double deg) { return deg / 180 * core::Pi; }

// ---- MGRS ----------------------------------------------------------------

struct EncodeCase { const char* name; double latDeg; std::int16_t zone; double e, n; const char* ref; };
class UtmToMgrsCases : public ::testing::TestWithParam<EncodeCase> {};

TEST_P(UtmToMgrsCases, Writes) {
    const EncodeCase& c = GetParam();
    std::string ref;
    core::UtmToMgrs(Rad(c.latDeg), c.zone, c.e, c.n, ref);
    EXPECT_EQ(ref, c.ref);
}

INSTANTIATE_TEST_SUITE_P(References, UtmToMgrsCases, ::testing::Values(
    EncodeCase{"WorkedExample", 50.5, 31, 585104.094, 5594913.119, "31UER8510494913"},
    EncodeCase{"OneDigitZone", 50.5, 5, 412345.9, 5598765.2, "5UMR1234598765"},
    EncodeCase{"EvenZoneRow15IsA", 50, 32, 500000, 5512345, "32UNA0000012345"},
    EncodeCase{"SetZeroColumns", 50, 30, 899999.9, 5500000, "30UZA9999900000"},
    EncodeCase{"SouthernIsBandN", -10, 31, 500000, 100, "31NEA0000000100"},
    EncodeCase{"EightIsBandN", 8, 31, 500000, 884000, "31NEJ0000084000"},
    EncodeCase{"AboveEightIsP", 8.0001, 31, 500000, 884000, "31PEJ0000084000"},
    EncodeCase{"TopBandY", 87.9, 31, 500000, 9700000, "31YET0000000000"}),
    RowName());

struct DecodeCase { const char* name; const char* ref; std::int16_t zone; double e, n; const char* cleaned; };
class MgrsToUtmCases : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(MgrsToUtmCases, Reads) {
    const DecodeCase& c = GetParam();
    std::string ref = c.ref;
    std::int16_t zone = 0;
    double e = 0, n = 0;
    core::MgrsToUtm(zone, e, n, ref);
    EXPECT_EQ(zone, c.zone);
    EXPECT_EQ(e, c.e);
    EXPECT_EQ(n, c.n);
    EXPECT_EQ(ref, c.cleaned);
}

INSTANTIATE_TEST_SUITE_P(References, MgrsToUtmCases, ::testing::Values(
    DecodeCase{"WorkedExampleWithBlanks", " 31U ER 85104 94913 ", 31, 585104, 5594913, "31UER8510494913"},
    DecodeCase{"LowerCase", "31uer8510494913", 31, 585104, 5594913, "31UER8510494913"},
    DecodeCase{"HundredMetreCellCentre", "31UER851949", 31, 585150, 5594950, "31UER851949"},
    DecodeCase{"OneDigitEach", "31UER89", 31, 585000, 5595000, "31UER89"},
    DecodeCase{"SquareCentre", "31UER", 31, 550000, 5550000, "31UER"},
    DecodeCase{"OneDigitZone", "5UMR1234598765", 5, 412345, 5598765, "5UMR1234598765"},
    DecodeCase{"LeadingZeroZone", "05UMR1234598765", 5, 412345, 5598765, "05UMR1234598765"},
    DecodeCase{"EvenZoneAIsRow15", "32UNA0000012345", 32, 500000, 5512345, "32UNA0000012345"},
    DecodeCase{"BandQLowRowAdds2000km", "31QEB0000000000", 31, 500000, 2100000, "31QEB0000000000"},
    DecodeCase{"BandPLowRowAddsNothing", "31PEB0000000000", 31, 500000, 100000, "31PEB0000000000"},
    DecodeCase{"SouthernBandRead", "31CEB0000000000", 31, 500000, 100000, "31CEB0000000000"}),
    RowName());

// Meridian arc on WGS 84 (series to sin 4φ, metres): realistic northings for
// the latitude that picks the band.
double NorthingAt(double latDeg) {
    const double phi = Rad(latDeg);
    return 0.9996 * (111132.952 * latDeg - 16038.509 * std::sin(2 * phi) + 16.833 * std::sin(4 * phi));
}

TEST(Mgrs, RoundTripEveryZoneSetAndParity) {
    for (std::int16_t zone : {1, 2, 3, 5, 9, 10, 31, 32, 59, 60}) {
        for (double lat = 0.5; lat < 84; lat += 3.7) {
            for (double e = 166021.4; e < 834000; e += 83397.1) {
                const double n = NorthingAt(lat);
                std::string ref;
                core::UtmToMgrs(Rad(lat), zone, e, n, ref);
                std::int16_t z = 0;
                double e2 = 0, n2 = 0;
                core::MgrsToUtm(z, e2, n2, ref);
                ASSERT_EQ(z, zone) << ref;
                ASSERT_EQ(e2, std::floor(e)) << ref;
                ASSERT_EQ(n2, std::floor(n)) << ref << " lat " << lat;
            }
        }
    }
}

struct BadEncode { const char* name; double latDeg; std::int16_t zone; double e, n; };
class UtmToMgrsRefuses : public ::testing::TestWithParam<BadEncode> {};

TEST_P(UtmToMgrsRefuses, LeavesReference) {
    const BadEncode& c = GetParam();
    std::string ref = "before";
    EXPECT_EQ(ErrorNumber([&] { core::UtmToMgrs(Rad(c.latDeg), c.zone, c.e, c.n, ref); }),
              base::err::InvalidCall);
    EXPECT_EQ(ref, "before");
}

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
INSTANTIATE_TEST_SUITE_P(Inputs, UtmToMgrsRefuses, ::testing::Values(
    BadEncode{"NorthingTenMillion", 50, 31, 500000, 1e7},
    BadEncode{"NegativeNorthing", -10, 31, 500000, -1},
    BadEncode{"NaNEasting", 50, 31, NaN, 5e6},
    BadEncode{"NoColumnWest", 50, 31, 99999.9, 5e6},
    BadEncode{"NoColumnEast", 50, 31, 900000, 5e6},
    BadEncode{"ZoneZero", 50, 0, 500000, 5e6},
    BadEncode{"Zone61", 50, 61, 500000, 5e6},
    BadEncode{"AboveTopBand", 88, 31, 500000, 9.8e6},
    BadEncode{"NaNLatitude", NaN, 31, 500000, 5e6}),
    RowName());

struct BadRef { const char* name; const char* ref; };
class MgrsToUtmRefuses : public ::testing::TestWithParam<BadRef> {};

TEST_P(MgrsToUtmRefuses, LeavesOutputs) {
    std::string ref = GetParam().ref;
    std::int16_t zone = 7;
    double e = 1, n = 2;
    try {
        core::MgrsToUtm(zone, e, n, ref);
        ADD_FAILURE() << "accepted";
    } catch (const base::RuntimeError& err) {
        EXPECT_EQ(err.number, base::err::BadReference);
        EXPECT_NE(std::string(err.what()).find("Référence MGRS illisible"), std::string::npos);
    }
    EXPECT_EQ(zone, 7);
    EXPECT_EQ(e, 1);
    EXPECT_EQ(n, 2);
}

INSTANTIATE_TEST_SUITE_P(References, MgrsToUtmRefuses, ::testing::Values(
    BadRef{"Empty", ""}, BadRef{"NoZone", "UER8510494913"}, BadRef{"ZoneZero", "0UER"},
    BadRef{"Zone61", "61UER"}, BadRef{"ThreeDigitZone", "031UER"}, BadRef{"NoLetters", "31"},
    BadRef{"NoRowLetter", "31UE"}, BadRef{"BandI", "31IER"}, BadRef{"BandO", "31OER"},
    BadRef{"BandB", "31BER"}, BadRef{"BandZ", "31ZER"}, BadRef{"ColumnI", "31UIR"},
    BadRef{"ColumnOfOtherSet", "31UJR"}, BadRef{"ColumnO", "32UOR"}, BadRef{"RowI", "31UEI"},
    BadRef{"RowO", "31UEO"}, BadRef{"EvenZoneRowW", "32UNW"}, BadRef{"OddZoneRowZ", "31UEZ"},
    BadRef{"OddDigitCount", "31UER851"}, BadRef{"TwelveDigits", "31UER851049491312"},
    BadRef{"LetterInDigits", "31UER85a0"}, BadRef{"SignInDigits", "31UER-5"},
    BadRef{"PointInDigits", "31UER8.51"}),
    RowName());

// ---- IFBL ----------------------------------------------------------------

struct IfblCase { const char* name; double x, y; const char* code; };
class LambertToIfblCases : public ::testing::TestWithParam<IfblCase> {};

TEST_P(LambertToIfblCases, Writes) {
    std::string code;
    core::LambertToIfbl(GetParam().x, GetParam().y, code);
    EXPECT_EQ(code, GetParam().code);
}

INSTANTIATE_TEST_SUITE_P(Codes, LambertToIfblCases, ::testing::Values(
    IfblCase{"TopLeftSquare", 2500, 257500, "A01111"},
    IfblCase{"TopLeftCorner", 2000, 258000, "A01111"},
    IfblCase{"NorthEastQuarters", 3500, 257500, "A01112"},
    IfblCase{"SouthEastQuarters", 5999, 254001, "A01144"},
    IfblCase{"NextBands", 34000, 238000, "B11111"},
    IfblCase{"RightBottomEdgesInside", 290000, 18000, "M91111"},
    IfblCase{"WestOfGrid", 1999, 100000, "No zone"},
    IfblCase{"NorthOfGrid", 100000, 258001, "No zone"},
    IfblCase{"EastOfGrid", 290000.5, 100000, "No zone"},
    IfblCase{"SouthOfGrid", 100000, 17999.9, "No zone"},
    IfblCase{"NaN", NaN, 100000, "No zone"}),
    RowName());

struct CentreCase { const char* name; const char* code; double x, y; const char* cleaned; };
class IfblToLambertCases : public ::testing::TestWithParam<CentreCase> {};

TEST_P(IfblToLambertCases, Reads) {
    std::string code = GetParam().code;
    double x = 0, y = 0;
    core::IfblToLambert(x, y, code);
    EXPECT_EQ(x, GetParam().x);
    EXPECT_EQ(y, GetParam().y);
    EXPECT_EQ(code, GetParam().cleaned);
}

INSTANTIATE_TEST_SUITE_P(Codes, IfblToLambertCases, ::testing::Values(
    CentreCase{"OneKm", "A01111", 2500, 257500, "A01111"},
    CentreCase{"FourKm", "A011", 4000, 256000, "A011"},
    CentreCase{"TwoKm", "A0111", 3000, 257000, "A0111"},
    CentreCase{"SouthEastQuarters", "A01144", 5500, 254500, "A01144"},
    CentreCase{"BlanksAndLowerCase", " a0 11 11 ", 2500, 257500, "A01111"},
    CentreCase{"Far", "L85844", 289500, 18500, "L85844"}),
    RowName());

TEST(Ifbl, RoundTripOverTheGrid) {
    for (double x = 2000; x < 290000; x += 1733.3) {
        for (double y = 18000.1; y <= 258000; y += 1377.7) {
            std::string code;
            core::LambertToIfbl(x, y, code);
            double cx = 0, cy = 0;
            std::string read = code;
            core::IfblToLambert(cx, cy, read);
            ASSERT_LE(std::fabs(cx - x), 500) << code;
            ASSERT_LE(std::fabs(cy - y), 500) << code;
            std::string again;
            core::LambertToIfbl(cx, cy, again);
            ASSERT_EQ(again, code);
        }
    }
}

class IfblToLambertRefuses : public ::testing::TestWithParam<BadRef> {};

TEST_P(IfblToLambertRefuses, LeavesOutputs) {
    std::string code = GetParam().ref;
    double x = 1, y = 2;
    EXPECT_EQ(ErrorNumber([&] { core::IfblToLambert(x, y, code); }), base::err::BadReference);
    EXPECT_EQ(x, 1);
    EXPECT_EQ(y, 2);
}

INSTANTIATE_TEST_SUITE_P(Codes, IfblToLambertRefuses, ::testing::Values(
    BadRef{"Empty", ""}, BadRef{"TooShort", "A01"}, BadRef{"TooLong", "A011111"},
    BadRef{"RowBandN", "N0111"}, BadRef{"ColumnBandLetter", "AX11"},
    BadRef{"RowZero", "A001"}, BadRef{"RowSix", "A061"}, BadRef{"ColumnNine", "A019"},
    BadRef{"QuarterFive", "A0115"}, BadRef{"SixthZero", "A01110"}, BadRef{"NoZoneText", "No zone"}),
    RowName());

}  // namespace
