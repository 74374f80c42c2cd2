// Datum transformation through WGS 84.
//
// Each datum carries its shifts towards WGS 84; one step uses the source
// shifts minus the target shifts. Three methods: geocentric translation,
// abridged Molodensky, and the 7-parameter Helmert similarity (position
// vector convention, small-angle rotation matrix), all with the point's
// height taken as zero.
//
// The shift differences are formed in single precision, as the stored shifts
// are single precision; the method may switch for one call when a set is
// absent (its translation differences sum to zero), and two datums whose
// translations are all zero are taken as the same datum. The geocentric to
// geographic step iterates the latitude; we cap that loop, where the textbook
// leaves it open, so that a NaN or a degenerate point cannot hang the program.

#include "core/Datum.h"

#include <cmath>

#include "core/Constants.h"
#include "core/FpGuard.h"
#include "core/IgnGrid.h"

namespace core {

namespace {

constexpr double ArcSecondsPerDegree = 3600.0;
constexpr double PpmPerUnit = 1000000.0;

struct Shift {
    float dX = 0, dY = 0, dZ = 0;
    float rX = 0, rY = 0, rZ = 0;  // arc-seconds, then radians
    float dS = 0;                  // ppm
};

// Sum in single precision, left to right, as the shifts are stored.
float SumF(float a, float b, float c) {
    float s = a + b;
    s = s + c;
    return s;
}

float TwelveTranslations(const DatumParams& s, const DatumParams& t) {
    const float values[] = {s.dX, s.dY, s.dZ, s.dX7, s.dY7, s.dZ7, t.dX, t.dY, t.dZ, t.dX7, t.dY7, t.dZ7};
    float sum = 0;
    for (float v : values) sum = sum + v;
    return sum;
}

float ArcSecondsToRadians(float seconds) {
    return static_cast<float>(seconds / ArcSecondsPerDegree / HalfCircleDeg * Pi);
}

// Geographic (height 0) to geocentric on one ellipsoid.
void ToGeocentric(double a, double e2, double lon, double lat, double& X, double& Y, double& Z) {
    constexpr double h = 0;
    const double sinLat = std::sin(lat);
    const double N = a / std::sqrt(1 - e2 * sinLat * sinLat);
    X = (N + h) * std::cos(lat) * std::cos(lon);
    Y = (N + h) * std::cos(lat) * std::sin(lon);
    Z = (N * (1 - e2) + h) * std::sin(lat);
}

// Geocentric to geographic on the target ellipsoid; longitude first, then
// every latitude iterate, each written as soon as it is known.
void ToGeographic(double a, double e2, double X, double Y, double Z, double& lonOut, double& latOut) {
    const double p = std::sqrt(X * X + Y * Y);
    FpGuard::Put(lonOut, 2 * std::atan(Y / (X + p)));
    const double r = std::sqrt(X * X + Y * Y + Z * Z);
    double phi = std::atan(Z / (p * (1 - a * e2 / r)));
    FpGuard::Put(latOut, phi);
    for (int pass = 0;; ++pass) {
        if (pass == MaxIterations) throw base::NoConvergenceError();
        const double sinPhi = std::sin(phi);
        const double phiNew =
            std::atan((Z / p) / (1 - a * e2 * std::cos(phi) / (p * std::sqrt(1 - e2 * sinPhi * sinPhi))));
        FpGuard::Put(latOut, phiNew);
        const bool done = std::fabs(phi - phiNew) < LatTol;
        phi = phiNew;
        if (done) return;
    }
}

// Abridged Molodensky: the shift applied directly to latitude and longitude.
void AbridgedMolodensky(const EllipsoidParams& sEll, const EllipsoidParams& tEll, const Shift& d, double lon,
                        double lat, double& lonOut, double& latOut) {
    const double aS = sEll.a, e2 = sEll.ec * sEll.ec;
    const double da = tEll.a - aS;
    const double df = 1 / tEll.unf - 1 / sEll.unf;
    const double f = 1 / sEll.unf;
    const double sinLat = std::sin(lat), cosLat = std::cos(lat);
    const double sinLon = std::sin(lon), cosLon = std::cos(lon);
    const double w2 = 1 - e2 * sinLat * sinLat;
    const double W = std::sqrt(w2);
    const double N = aS / W;
    const double M = aS * (1 - e2) / std::pow(w2, 1.5);
    const double s1 = std::sin(1 / ArcSecondsPerDegree / HalfCircleDeg * Pi);  // one arc-second
    const double dLat =
        (-d.dX * sinLat * cosLon - d.dY * sinLat * sinLon + d.dZ * cosLat + (f * da + aS * df) * std::sin(2 * lat)) /
        (M * s1);
    const double dLon = (-d.dX * sinLon + d.dY * cosLon) / (N * cosLat * s1);
    FpGuard::Put(latOut, lat + dLat / ArcSecondsPerDegree / HalfCircleDeg * Pi);
    FpGuard::Put(lonOut, lon + dLon / ArcSecondsPerDegree / HalfCircleDeg * Pi);
}

// Geocentric translation: the three shifts added to the geocentric position.
void GeocentricTranslation(const Shift& d, double& X, double& Y, double& Z) {
    X = X + d.dX;
    Y = Y + d.dY;
    Z = Z + d.dZ;
}

// Helmert 7-parameter similarity, small-angle rotations. The rotations follow
// the position-vector convention (the point turns, not the axes): a set
// published in the coordinate-frame convention has its three rotation signs
// flipped, and used as is puts a point tens of metres off, up to about
// 100 m in Belgium.
void Helmert7(const Shift& d, double& X, double& Y, double& Z) {
    const float rX = ArcSecondsToRadians(d.rX);
    const float rY = ArcSecondsToRadians(d.rY);
    const float rZ = ArcSecondsToRadians(d.rZ);
    const double M = 1 + d.dS / PpmPerUnit;
    const double x = X, y = Y, z = Z;
    X = d.dX + M * x - rZ * y + rY * z;
    Y = d.dY + rZ * x + M * y - rX * z;
    Z = d.dZ - rY * x + rX * y + M * z;
}

}  // namespace

void TransformDatumWith(const DatumParams& s, const DatumParams& t, const EllipsoidParams& sourceEll,
                        const EllipsoidParams& targetEll, double lonIn, double latIn, double& lonOut, double& latOut,
                        std::int16_t method) {
    FpGuard guard;
    Shift d;
    d.dX = s.dX - t.dX;
    d.dY = s.dY - t.dY;
    d.dZ = s.dZ - t.dZ;
    const double e2S = sourceEll.ec * sourceEll.ec;
    const double e2T = targetEll.ec * targetEll.ec;

    // An absent 3-parameter set sends the call to the 7-parameter set, and
    // an absent 7-parameter set back to a plain translation by its own
    // translation differences.
    std::int16_t m = method;
    if (SumF(d.dX, d.dY, d.dZ) == 0) m = method::Helmert;
    if (m == method::Helmert) {
        d.dX = s.dX7 - t.dX7;
        d.dY = s.dY7 - t.dY7;
        d.dZ = s.dZ7 - t.dZ7;
        d.rX = s.rX - t.rX;
        d.rY = s.rY - t.rY;
        d.rZ = s.rZ - t.rZ;
        d.dS = s.dS - t.dS;
        if (SumF(d.dX, d.dY, d.dZ) == 0) m = method::GeocentricTranslation;
    }

    if (TwelveTranslations(s, t) == 0) {
        lonOut = lonIn;
        latOut = latIn;
        return;
    }

    if (m == method::Molodensky) {
        AbridgedMolodensky(sourceEll, targetEll, d, lonIn, latIn, lonOut, latOut);
        return;
    }
    if (m != method::GeocentricTranslation && m != method::Helmert) return;

    double X, Y, Z;
    ToGeocentric(sourceEll.a, e2S, lonIn, latIn, X, Y, Z);
    if (m == method::GeocentricTranslation) GeocentricTranslation(d, X, Y, Z);
    else Helmert7(d, X, Y, Z);
    ToGeographic(targetEll.a, e2T, X, Y, Z, lonOut, latOut);
}

bool IsWgs84Alias(const std::string& datum) { return datum == "WGS84" || datum == "ETRS89"; }

std::int16_t UsedMethod(std::int16_t method, const DatumLegs& legs) {
    if (method != method::IgnGrid) return method;
    if (legs.fallback || (legs.helmert && !legs.grid)) return method::Helmert;
    return method::IgnGrid;
}

void TransformNamedWith(const std::string& sourceDatum, const std::string& targetDatum, const DatumParams& s,
                        const DatumParams& t, const EllipsoidParams& sEll, const EllipsoidParams& tEll, double lonIn,
                        double latIn, double& lonOut, double& latOut, std::int16_t method, DatumLegs* legs) {
    if (method != method::IgnGrid) {
        TransformDatumWith(s, t, sEll, tEll, lonIn, latIn, lonOut, latOut, method);
        return;
    }
    DatumLegs unused;
    DatumLegs& used = legs ? *legs : unused;
    const bool forward = sourceDatum == IgnGridDatum && IsWgs84Alias(targetDatum);
    const bool inverse = targetDatum == IgnGridDatum && IsWgs84Alias(sourceDatum);
    if (forward || inverse) {
        double lon, lat;
        if (forward ? IgnGridForward(lonIn, latIn, lon, lat) : IgnGridInverse(lonIn, latIn, lon, lat)) {
            FpGuard guard;
            FpGuard::Put(lonOut, lon);
            FpGuard::Put(latOut, lat);
            used.grid = true;
            return;
        }
        used.fallback = true;
    } else {
        used.helmert = true;
    }
    TransformDatumWith(s, t, sEll, tEll, lonIn, latIn, lonOut, latOut, method::Helmert);
}

void TransformDatum(const std::string& sourceDatum, const std::string& targetDatum, double lonIn, double latIn,
                    double& lonOut, double& latOut, std::int16_t method, DatumLegs* legs) {
    const DatumParams s = LoadDatum(sourceDatum);
    const DatumParams t = LoadDatum(targetDatum);
    const EllipsoidParams sEll = LoadEllipsoid(s.Ellipsoide);
    const EllipsoidParams tEll = LoadEllipsoid(t.Ellipsoide);
    TransformNamedWith(sourceDatum, targetDatum, s, t, sEll, tEll, lonIn, latIn, lonOut, latOut, method, legs);
}

}  // namespace core
