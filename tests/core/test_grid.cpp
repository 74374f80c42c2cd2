// MGRS references and IFBL codes: the worked examples, partial precision,
// round trips, and the references the decoders must refuse.

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <tuple>

#include <gtest/gtest.h>

#include "core/Constants.h"
#include "base/Errors.h"
#include "tests/Support.h"
#include "core/Grid.h"

namespace {

using testsupport::ErrorNumber;

double Rad(double deg) { return deg / 180 * core::Pi; }
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

TEST(Mgrs, WritesReferences) {
    const struct {
        double latDeg;
        std::int16_t zone;
        double e, n;
        const char* ref;
    } rows[] = {{50.5, 31, 585104.094, 5594913.119, "31UER8510494913"},  // the worked example
                {50.5, 5, 412345.9, 5598765.2, "5UMR1234598765"},
                {50, 32, 500000, 5512345, "32UNA0000012345"},  // even zone: row 15 is A
                {50, 30, 899999.9, 5500000, "30UZA9999900000"},
                {-10, 31, 500000, 100, "31NEA0000000100"},  // southern latitudes write band N
                {8, 31, 500000, 884000, "31NEJ0000084000"},
                {8.0001, 31, 500000, 884000, "31PEJ0000084000"},
                {87.9, 31, 500000, 9700000, "31YET0000000000"}};
    for (const auto& r : rows) {
        std::string ref;
        core::UtmToMgrs(Rad(r.latDeg), r.zone, r.e, r.n, ref);
        EXPECT_EQ(ref, r.ref);
    }
}

TEST(Mgrs, ReadsReferences) {
    using Read = std::tuple<int, double, double, std::string>;
    const struct {
        const char* ref;
        Read read;
    } rows[] = {{" 31U ER 85104 94913 ", {31, 585104, 5594913, "31UER8510494913"}},
                {"31uer8510494913", {31, 585104, 5594913, "31UER8510494913"}},
                {"31UER851949", {31, 585150, 5594950, "31UER851949"}},  // centre of the 100 m cell
                {"31UER89", {31, 585000, 5595000, "31UER89"}},
                {"31UER", {31, 550000, 5550000, "31UER"}},
                {"5UMR1234598765", {5, 412345, 5598765, "5UMR1234598765"}},
                {"05UMR1234598765", {5, 412345, 5598765, "05UMR1234598765"}},
                {"32UNA0000012345", {32, 500000, 5512345, "32UNA0000012345"}},
                {"31QEB0000000000", {31, 500000, 2100000, "31QEB0000000000"}},  // band Q's low rows add 2000 km
                {"31PEB0000000000", {31, 500000, 100000, "31PEB0000000000"}},
                {"31CEB0000000000", {31, 500000, 100000, "31CEB0000000000"}}};
    for (const auto& r : rows) {
        std::string ref = r.ref;
        std::int16_t zone = 0;
        double e = 0, n = 0;
        core::MgrsToUtm(zone, e, n, ref);
        EXPECT_EQ(Read(zone, e, n, ref), r.read) << r.ref;
    }
}

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
                ASSERT_EQ(std::tuple(z, e2, n2), std::tuple(zone, std::floor(e), std::floor(n)))
                    << ref << " lat " << lat;
            }
        }
    }
}

TEST(Mgrs, WritingRefusesWhatNoReferenceHolds) {
    const struct {
        double latDeg;
        std::int16_t zone;
        double e, n;
    } rows[] = {{50, 31, 500000, 1e7},  {-10, 31, 500000, -1},   {50, 31, NaN, 5e6},
                {50, 31, 99999.9, 5e6}, {50, 31, 900000, 5e6},   {50, 0, 500000, 5e6},
                {50, 61, 500000, 5e6},  {88, 31, 500000, 9.8e6}, {NaN, 31, 500000, 5e6}};
    for (const auto& r : rows) {
        std::string ref = "before";
        EXPECT_EQ(ErrorNumber([&] { core::UtmToMgrs(Rad(r.latDeg), r.zone, r.e, r.n, ref); }), base::err::InvalidCall)
            << r.latDeg << " " << r.zone << " " << r.e << " " << r.n;
        EXPECT_EQ(ref, "before");
    }
}

// Their messages, with the reason, are pinned by the command line's stored outputs.
TEST(Mgrs, ReadingRefusesMalformedReferences) {
    for (const char* bad : {"",          "UER8510494913", "0UER",     "61UER",    "031UER",
                            "31",        "31UE",          "31IER",    "31OER",    "31BER",
                            "31ZER",     "31UIR",         "31UJR",    "32UOR",    "31UEI",
                            "31UEO",     "32UNW",         "31UEZ",    "31UER851", "31UER851049491312",
                            "31UER85a0", "31UER-5",       "31UER8.51"}) {
        std::string ref = bad;
        std::int16_t zone = 7;
        double e = 1, n = 2;
        EXPECT_EQ(ErrorNumber([&] { core::MgrsToUtm(zone, e, n, ref); }), base::err::BadReference) << bad;
        EXPECT_EQ(std::tuple(zone, e, n), std::tuple(7, 1.0, 2.0)) << bad;
    }
}

TEST(Ifbl, WritesCodes) {
    const struct {
        double x, y;
        const char* code;
    } rows[] = {{2500, 257500, "A01111"},      {2000, 258000, "A01111"},
                {3500, 257500, "A01112"},      {5999, 254001, "A01144"},
                {34000, 238000, "B11111"},     {290000, 18000, "M91111"},  // right and bottom edges inside
                {1999, 100000, "No zone"},     {100000, 258001, "No zone"},
                {290000.5, 100000, "No zone"}, {100000, 17999.9, "No zone"},
                {NaN, 100000, "No zone"}};
    for (const auto& r : rows) {
        std::string code;
        core::LambertToIfbl(r.x, r.y, code);
        EXPECT_EQ(code, r.code) << r.x << " " << r.y;
    }
}

TEST(Ifbl, ReadsTheCentreOfEachSquare) {
    using Read = std::tuple<double, double, std::string>;
    const struct {
        const char* code;
        Read read;
    } rows[] = {{"A01111", {2500, 257500, "A01111"}},     {"A011", {4000, 256000, "A011"}},
                {"A0111", {3000, 257000, "A0111"}},       {"A01144", {5500, 254500, "A01144"}},
                {" a0 11 11 ", {2500, 257500, "A01111"}}, {"A01123", {4500, 256500, "A01123"}},
                {"L85844", {289500, 18500, "L85844"}}};
    for (const auto& r : rows) {
        std::string code = r.code;
        double x = 0, y = 0;
        core::IfblToLambert(x, y, code);
        EXPECT_EQ(Read(x, y, code), r.read) << r.code;
    }
}

TEST(Ifbl, ReadingRefusesMalformedCodes) {
    for (const char* bad :
         {"", "A01", "A011111", "N0111", "AX11", "A001", "A061", "A019", "A0115", "A01110", "No zone"}) {
        std::string code = bad;
        double x = 1, y = 2;
        EXPECT_EQ(ErrorNumber([&] { core::IfblToLambert(x, y, code); }), base::err::BadReference) << bad;
        EXPECT_EQ(std::tuple(x, y), std::tuple(1.0, 2.0)) << bad;
    }
}

}  // namespace
