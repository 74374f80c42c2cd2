// Datum transformation: reference values, the method switching and the
// identity shortcut, and faults.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <utility>

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

using D = core::DatumParams;  // Ellipsoide, dX, dY, dZ, dX7, dY7, dZ7, rX, rY, rZ, dS

const D Wgs84{};
const D Bd72{"", -125.8f, 79.9f, -100.5f, -106.8686f, 52.2978f, -103.7239f, 0.3366f, -0.457f, 1.8422f, -1.2747f};

using Point = std::pair<double, double>;  // longitude, latitude in radians

Point Transform(const D& s, const D& t, const core::EllipsoidParams& se, const core::EllipsoidParams& te, double lonDeg,
                double latDeg, std::int16_t method) {
    Point p(Untouched, Untouched);
    core::TransformDatumWith(s, t, se, te, lonDeg * Deg, latDeg * Deg, p.first, p.second, method);
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
    EXPECT_NEAR(p.second, r.latDeg * Deg, r.tolMetres / EarthRadius);
    EXPECT_NEAR(p.first * std::cos(p.second), r.lonDeg * Deg * std::cos(p.second), r.tolMetres / EarthRadius);
}

INSTANTIATE_TEST_SUITE_P(
    Methods, Bd72ToWgs84,
    ::testing::Values(
        // +towgs84=-106.8686,52.2978,-103.7239,0.3366,-0.457,1.8422,-1.2747 (position vector)
        Reference{"helmert", 3, 4.501267332244, 50.699450293249, 0.002},
        // +towgs84=-125.8,79.9,-100.5
        Reference{"translation", 1, 4.501267133415, 50.699450913264, 0.002},
        // cct -d 12 +proj=molodensky +abridged +a=6378388 +rf=297 +da=-251 +df=-1.4192702255886366e-05
        //   +dx=-125.8 +dy=79.9 +dz=-100.5 <<< "4.5 50.7 0 0"   (about 6 cm from the full translation)
        Reference{"molodensky", 2, 4.501267096121, 50.699451435596, 0.001}),
    [](const auto& i) { return std::string(i.param.name); });

TEST(Shortcut, AllTranslationsZeroMeansSameDatumWhateverTheEllipsoid) {
    // Nonzero values whose twelve-term sum is zero are taken the same way.
    const D sumZero{"", 10, -10, 5, -5, 1, -1};
    for (std::int16_t method : {1, 2, 3}) {
        EXPECT_EQ(Transform(Wgs84, Wgs84, Wgs84Ell, Grs80, 4.5, 50.7, method), Point(4.5 * Deg, 50.7 * Deg));
        EXPECT_EQ(Transform(sumZero, Wgs84, Intl1924, Wgs84Ell, 4.5, 50.7, method), Point(4.5 * Deg, 50.7 * Deg));
    }
}

TEST(Switching, EqualThreeParameterSetsFallBackToSevenThenOne) {
    // Same datum on both sides: 3-parameter differences vanish (method 3), then
    // the 7-parameter ones too (method 1 with zero translation): a round trip
    // through geocentric coordinates.
    for (std::int16_t method : {1, 2, 3}) {
        const Point p = Transform(Bd72, Bd72, Intl1924, Intl1924, 4.5, 50.7, method);
        EXPECT_NEAR(p.first, 4.5 * Deg, 1e-12);
        EXPECT_NEAR(p.second, 50.7 * Deg, 1e-10);
    }
    // Equal 3-parameter sets but different 7-parameter sets: Molodensky asked, Helmert run.
    D other = Bd72;
    other.dX7 += 1;
    const Point asked2 = Transform(Bd72, other, Intl1924, Intl1924, 4.5, 50.7, 2);
    EXPECT_EQ(asked2, Transform(Bd72, other, Intl1924, Intl1924, 4.5, 50.7, 3));
    EXPECT_NE(asked2.first, 4.5 * Deg);
}

TEST(Switching, SevenParameterTranslationsSummingToZeroIgnoreRotations) {
    const D rotated{"", 0, 0, 0, 3, -3, 0, 5, 5, 5, 10}, plain{"", 0, 0, 0, 3, -3, 0};
    EXPECT_EQ(Transform(rotated, Wgs84, Intl1924, Wgs84Ell, 4.5, 50.7, 3),
              Transform(plain, Wgs84, Intl1924, Wgs84Ell, 4.5, 50.7, 3));
}

TEST(Faults, DegeneratePointsRaiseInsteadOfHanging) {
    // A shift putting the point on the polar axis (p = 0), and one past it at
    // longitude 180 (X' + p = 0); then a latitude that is not a number.
    const D toAxis{"", -6378137, 0, 0, -6378137, 0, 0}, far{"", -2e7f, 0, 0, -2e7f, 0, 0};
    for (const auto* s : {&toAxis, &far}) {
        Point p(Untouched, Untouched);
        EXPECT_THROW(core::TransformDatumWith(*s, Wgs84, Wgs84Ell, Wgs84Ell, 0, 0, p.first, p.second, 1),
                     base::ArithmeticError);
        EXPECT_EQ(p.second, Untouched);
    }
    for (std::int16_t method : {1, 2, 3})
        EXPECT_THROW(Transform(Bd72, Wgs84, Intl1924, Wgs84Ell, 4.0, std::numeric_limits<double>::quiet_NaN(), method),
                     base::ArithmeticError);
}

}  // namespace
