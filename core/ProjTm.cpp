// Transverse Mercator (type 1), the series of the classic USGS working
// manual to the sixth power of the longitude difference.
//
// With a central meridian of exactly 0 the zone is automatic, as in UTM: the
// forward formulas pick the 6-degree zone of the longitude and report it; the
// inverse formulas take the zone from the caller. Zones 1 to 30 have central
// meridians 183 to 357 degrees, so their inverse longitudes are not brought
// back into -180..180. No false northing is added south of the equator.
// Points beyond MaxTmMeridianDistanceDeg of their meridian are refused.

#include <cmath>
#include <limits>

#include "base/CheckedNumber.h"
#include "core/NumberText.h"
#include "core/ProjShared.h"
#include "core/Projection.h"

namespace core::proj {

namespace {

constexpr double ZoneWidthDeg = 6.0;
constexpr int FirstZoneOffset = 31;  // zone of the meridian band starting at 0 degrees
constexpr int ZoneCount = 60;
constexpr int ZoneOriginDeg = 183;  // central meridian of zone n: n*6 - 183 degrees
constexpr int FullCircleDeg = 360;

// 16-bit arithmetic of the zone's central meridian, with its overflow.
std::int16_t Int16Checked(int value) {
    if (value < std::numeric_limits<std::int16_t>::min() || value > std::numeric_limits<std::int16_t>::max())
        throw base::OverflowError();
    return static_cast<std::int16_t>(value);
}

constexpr double MaxMeridianDistance = MaxTmMeridianDistanceDeg / HalfCircleDeg * Pi;  // radians

OutsideProjection TooFarFromMeridian(const std::string& distance) {
    return OutsideProjection(base::err::InvalidCall,
                             "point à " + distance + " du méridien central, hors du domaine de la projection (" +
                                 FormatGeneral(MaxTmMeridianDistanceDeg) + "° de longitude au plus).");
}

void CheckLongitudeDifference(double dlam) {
    const double reduced = std::remainder(dlam, TwoPi);
    if (!(std::fabs(reduced) <= MaxMeridianDistance))
        throw TooFarFromMeridian(FormatFixed(std::fabs(reduced) / Pi * HalfCircleDeg, 2) + "° de longitude");
}

// The eccentricity's terms of the inverse series.
struct InverseSeries {
    double e4, e6, e1;
};

}  // namespace

void TmForward(const ProjectionParams& p, const Ell& g, double lat, double lon, double& x, double& y,
               std::int16_t& zone) {
    double lam0 = p.Lg0;
    if (p.Lg0 == 0) {
        const double lamDeg = lon / Pi * HalfCircleDeg;
        const double lam0Deg = std::floor(lamDeg / ZoneWidthDeg) * ZoneWidthDeg + 3;
        double z = std::floor(lam0Deg / ZoneWidthDeg) + FirstZoneOffset;
        if (z > ZoneCount) z -= ZoneCount;
        zone = base::RoundedInt<std::int16_t>(FpGuard::Checked(z));
        lam0 = lam0Deg * Pi / HalfCircleDeg;
    } else {
        zone = 0;
    }
    CheckLongitudeDifference(lon - lam0);
    const double phi = lat;
    const double tanPhi = std::tan(phi), cosPhi = std::cos(phi);
    const double T = tanPhi * tanPhi;
    const double C = g.ep2 * cosPhi * cosPhi;
    const double A = (lon - lam0) * cosPhi;
    const double N = NFn(phi, g);
    const double M = MeridianArc(phi, g);
    const double M0 = Remembered<double>(std::array{p.Lt0, g.a, g.e}, [&] { return MeridianArc(p.Lt0, g); });
    const double A2 = A * A, A3 = A2 * A, A4 = A3 * A, A5 = A4 * A, A6 = A5 * A;

    FpGuard::Put(x,
                 p.FE + p.k0 * N * (A + (1 - T + C) * A3 / 6 + (5 - 18 * T + T * T + 72 * C - 58 * g.ep2) * A5 / 120));
    FpGuard::Put(y, p.fn + p.k0 * (M - M0 +
                                   N * tanPhi *
                                       (A2 / 2 + (5 - T + 9 * C + 4 * C * C) * A4 / 24 +
                                        (61 - 58 * T + T * T + 600 * C - 330 * g.ep2) * A6 / 720)));
}

void TmInverse(const ProjectionParams& p, const Ell& g, double& lat, double& lon, double x, double y,
               std::int16_t zone) {
    const double M0 = Remembered<double>(std::array{p.Lt0, g.a, g.e}, [&] { return MeridianArc(p.Lt0, g); });
    double lam0 = p.Lg0;
    if (p.Lg0 == 0) {
        std::int16_t lam0Deg = Int16Checked(Int16Checked(zone * static_cast<int>(ZoneWidthDeg)) - ZoneOriginDeg);
        if (lam0Deg < 0) lam0Deg = Int16Checked(lam0Deg + FullCircleDeg);
        lam0 = lam0Deg * Pi / HalfCircleDeg;
    }
    const double e2 = g.e2;
    const auto [e4, e6, e1] = Remembered<InverseSeries>(std::array{g.e, g.e2}, [&] {
        const double root = std::pow(1 - e2, 0.5);
        return InverseSeries{std::pow(g.e, 4), std::pow(g.e, 6), (1 - root) / (1 + root)};
    });
    const double M = (y - p.fn) / p.k0 + M0;
    const double mu = M / (g.a * (1 - e2 / 4 - 3 * e4 / 64 - 5 * e6 / 256));
    const double e1_2 = e1 * e1, e1_3 = e1_2 * e1, e1_4 = e1_3 * e1;
    const double phi1 = mu + (3 * e1 / 2 - 27 * e1_3 / 32) * std::sin(2 * mu) +
                        (21 * e1_2 / 16 - 55 * e1_4 / 32) * std::sin(4 * mu) + (151 * e1_3 / 96) * std::sin(6 * mu) +
                        (1097 * e1_4 / 512) * std::sin(8 * mu);

    const double tan1 = std::tan(phi1), cos1 = std::cos(phi1), sin1 = std::sin(phi1);
    const double T1 = tan1 * tan1;
    const double C1 = g.ep2 * cos1 * cos1;
    const double N1 = NFn(phi1, g);
    const double R1 = g.a * (1 - e2) / std::pow(1 - e2 * sin1 * sin1, 1.5);
    const double D = (x - p.FE) / (N1 * p.k0);
    // D is about the longitude difference times the cosine of the latitude
    // (a little more at the equator): beyond the bound the series, a
    // polynomial in D, may come back to any longitude, even a near one.
    if (!(std::fabs(D) <= MaxMeridianDistance * (1 + MaxMeridianDistance)))
        throw TooFarFromMeridian(FormatFixed(std::fabs(x - p.FE) / p.k0 / 1000, 0) + " km");
    const double D2 = D * D, D3 = D2 * D, D4 = D3 * D, D5 = D4 * D, D6 = D5 * D;

    FpGuard::Put(lat, phi1 - (N1 * tan1 / R1) *
                                 (D2 / 2 - (5 + 3 * T1 + 10 * C1 - 4 * C1 * C1 - 9 * g.ep2) * D4 / 24 +
                                  (61 + 90 * T1 + 298 * C1 + 45 * T1 * T1 - 252 * g.ep2 - 3 * C1 * C1) * D6 / 720));
    FpGuard::Put(lon, lam0 + (D - (1 + 2 * T1 + C1) * D3 / 6 +
                              (5 - 2 * C1 + 28 * T1 - 3 * C1 * C1 + 8 * g.ep2 + 24 * T1 * T1) * D5 / 120) /
                                 cos1);
    CheckLongitudeDifference(lon - lam0);
}

}  // namespace core::proj
