// Datum transformation: reference values, the method switching and the
// identity shortcut, and faults.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/Constants.h"
#include "core/Datum.h"
#include "base/Errors.h"

namespace {

constexpr double Deg = core::Pi / 180.0;
constexpr double Untouched = -12345.0;
constexpr double EarthRadius = 6.371e6;

core::EllipsoidParams Ellipsoid(double a, double invF) {
    const double f = 1 / invF;
    return {a, std::sqrt(2 * f - f * f), invF};
}

const core::EllipsoidParams Wgs84Ell = Ellipsoid(6378137, 298.257223563);
const core::EllipsoidParams Grs80 = Ellipsoid(6378137, 298.257222101);
const core::EllipsoidParams Intl1924 = Ellipsoid(6378388, 297);

core::DatumParams Datum(float dX, float dY, float dZ, float dX7, float dY7, float dZ7, float rX = 0, float rY = 0,
                        float rZ = 0, float dS = 0) {
    core::DatumParams d;
    d.dX = dX, d.dY = dY, d.dZ = dZ, d.dX7 = dX7, d.dY7 = dY7, d.dZ7 = dZ7;
    d.rX = rX, d.rY = rY, d.rZ = rZ, d.dS = dS;
    return d;
}

const core::DatumParams Wgs84 = Datum(0, 0, 0, 0, 0, 0);
const core::DatumParams Bd72 = Datum(-125.8f, 79.9f, -100.5f, -106.8686f, 52.2978f, -103.7239f, 0.3366f, -0.457f,
                                     1.8422f, -1.2747f);

struct Point {
    double lon = Untouched, lat = Untouched;
};

Point Transform(const core::DatumParams& s, const core::DatumParams& t, const core::EllipsoidParams& se,
                const core::EllipsoidParams& te, double lonDeg, double latDeg, std::int16_t method) {
    Point p;
    core::TransformDatumWith(s, t, se, te, lonDeg * Deg, latDeg * Deg, p.lon, p.lat, method);
    return p;
}

// cs2cs -f %.12f +proj=longlat +ellps=intl +towgs84=<set> +to +proj=longlat +datum=WGS84 <<< "4.5 50.7"
struct Reference {
    const char* name;
    std::int16_t method;
    double lonDeg, latDeg, tolMetres;
};

class Bd72ToWgs84 : public ::testing::TestWithParam<Reference> {};

TEST_P(Bd72ToWgs84, MatchesCs2cs) {
    const Reference& r = GetParam();
    const Point p = Transform(Bd72, Wgs84, Intl1924, Wgs84Ell, 4.5, 50.7, r.method);
    EXPECT_NEAR(p.lat, r.latDeg * Deg, r.tolMetres / EarthRadius);
    EXPECT_NEAR(p.lon * std::cos(p.lat), r.lonDeg * Deg * std::cos(p.lat), r.tolMetres / EarthRadius);
}

INSTANTIATE_TEST_SUITE_P(
    Methods, Bd72ToWgs84,
    ::testing::Values(
        // +towgs84=-106.8686,52.2978,-103.7239,0.3366,-0.457,1.8422,-1.2747 (position vector)
        Reference{"helmert", 3, 4.501267332244, 50.699450293249, 0.002},
        // +towgs84=-125.8,79.9,-100.5
        Reference{"translation", 1, 4.501267133415, 50.699450913264, 0.002},
        // The abridged formulas stay within a metre of the full translation.
        Reference{"molodensky", 2, 4.501267133415, 50.699450913264, 1.0}),
    [](const auto& i) { return std::string(i.param.name); });

TEST(Shortcut, AllTranslationsZeroMeansSameDatumWhateverTheEllipsoid) {
    for (std::int16_t method : {1, 2, 3}) {
        const Point p = Transform(Wgs84, Wgs84, Wgs84Ell, Grs80, 4.5, 50.7, method);
        EXPECT_EQ(p.lon, 4.5 * Deg);
        EXPECT_EQ(p.lat, 50.7 * Deg);
    }
    // Nonzero values whose twelve-term sum is zero are taken the same way.
    const core::DatumParams a = Datum(10, -10, 5, -5, 1, -1), b = Datum(0, 0, 0, 0, 0, 0);
    const Point p = Transform(a, b, Intl1924, Wgs84Ell, 4.5, 50.7, 1);
    EXPECT_EQ(p.lat, 50.7 * Deg);
}

TEST(Switching, EqualThreeParameterSetsFallBackToSevenThenOne) {
    // Same datum on both sides: 3-parameter differences vanish (method 3), then
    // the 7-parameter ones too (method 1 with zero translation): a round trip
    // through geocentric coordinates.
    for (std::int16_t method : {1, 2, 3}) {
        const Point p = Transform(Bd72, Bd72, Intl1924, Intl1924, 4.5, 50.7, method);
        EXPECT_NEAR(p.lon, 4.5 * Deg, 1e-12);
        EXPECT_NEAR(p.lat, 50.7 * Deg, 1e-10);
    }
    // Equal 3-parameter sets but different 7-parameter sets: Molodensky asked, Helmert run.
    core::DatumParams other = Bd72;
    other.dX7 += 1;
    const Point asked2 = Transform(Bd72, other, Intl1924, Intl1924, 4.5, 50.7, 2);
    const Point asked3 = Transform(Bd72, other, Intl1924, Intl1924, 4.5, 50.7, 3);
    EXPECT_EQ(asked2.lon, asked3.lon);
    EXPECT_EQ(asked2.lat, asked3.lat);
    EXPECT_NE(asked2.lon, 4.5 * Deg);
}

TEST(Switching, SevenParameterTranslationsSummingToZeroIgnoreRotations) {
    const core::DatumParams s = Datum(0, 0, 0, 3, -3, 0, 5, 5, 5, 10);
    const core::DatumParams plain = Datum(0, 0, 0, 3, -3, 0);
    const core::DatumParams t = Datum(0, 0, 0, 0, 0, 0);
    const Point rotated = Transform(s, t, Intl1924, Wgs84Ell, 4.5, 50.7, 3);
    const Point translated = Transform(plain, t, Intl1924, Wgs84Ell, 4.5, 50.7, 3);
    EXPECT_EQ(rotated.lon, translated.lon);
    EXPECT_EQ(rotated.lat, translated.lat);
}

TEST(Methods, OutsideOneToThreeWriteNothing) {
    for (std::int16_t method : {0, 4, -1}) {
        const Point p = Transform(Bd72, Wgs84, Intl1924, Wgs84Ell, 4.5, 50.7, method);
        EXPECT_EQ(p.lon, Untouched);
        EXPECT_EQ(p.lat, Untouched);
    }
}

TEST(Methods, ScaleActsOnAllThreeAxes) {
    // 1 ppm on a point of the equator at longitude 0 moves it outwards only:
    // the position keeps its longitude and its latitude.
    const core::DatumParams s = Datum(1, 0, 0, 1e-3f, 0, 0, 0, 0, 0, 1), t = Datum(0, 0, 0, 0, 0, 0);
    const Point p = Transform(s, t, Wgs84Ell, Wgs84Ell, 0, 0, 3);
    EXPECT_NEAR(p.lon, 0, 1e-15);
    EXPECT_NEAR(p.lat, 0, 1e-15);
}

TEST(Faults, DegeneratePointsRaiseInsteadOfHanging) {
    // A shift putting the point on the polar axis (p = 0), and one past it at
    // longitude 180 (X' + p = 0): both faults are reported.
    const core::DatumParams toAxis = Datum(-6378137, 0, 0, -6378137, 0, 0), far = Datum(-2e7f, 0, 0, -2e7f, 0, 0);
    for (const auto* s : {&toAxis, &far}) {
        Point p;
        EXPECT_THROW(core::TransformDatumWith(*s, Wgs84, Wgs84Ell, Wgs84Ell, 0, 0, p.lon, p.lat, 1),
                     base::ArithmeticError);
        EXPECT_EQ(p.lat, Untouched);
    }
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (std::int16_t method : {1, 2, 3}) {
        Point p;
        EXPECT_THROW(core::TransformDatumWith(Bd72, Wgs84, Intl1924, Wgs84Ell, 0.07, nan, p.lon, p.lat, method),
                     base::ArithmeticError);
    }
}

}  // namespace
