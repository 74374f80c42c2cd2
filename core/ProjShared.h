#pragma once
// Quantities shared by the projection formulas (internal to the core).
//
// Notation of the classic working manuals: t(phi) the isometric-latitude
// function of the conformal conics, m(phi) the reduced radius of a parallel,
// N(phi) the radius of curvature in the prime vertical, M(phi) the meridian
// arc from the equator.

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "core/Constants.h"
#include "base/Errors.h"
#include "core/FpGuard.h"
#include "core/Params.h"

namespace core::proj {

// The ellipsoid as the formulas use it: e is the stored first eccentricity.
struct Ell {
    explicit Ell(const EllipsoidParams& p) : a(p.a), e(p.ec), e2(p.ec * p.ec), ep2(e2 / (1 - e2)) {}
    double a, e, e2;
    double ep2;  // second eccentricity squared
};

// What `make` derives from a projection's parameters (`key`), remembered per
// thread for the last few keys, so that it is not derived again for every
// point. Only a result computed without a floating-point fault is kept: a
// faulty one is derived afresh each time and raises where it always did.
template <typename Value, std::size_t N, typename Make>
Value Remembered(const std::array<double, N>& key, Make make) {
    struct Entry {
        std::array<double, N> key;
        Value value;
    };
    constexpr std::size_t Slots = 4;
    thread_local std::array<Entry, Slots> entries;
    thread_local std::size_t used = 0, next = 0;
    for (std::size_t i = 0; i < used; ++i)
        if (entries[i].key == key) return entries[i].value;
    const bool clean = fpflags::Raised() == 0;
    const Value value = make();
    if (clean && fpflags::Raised() == 0) {
        entries[next] = {key, value};
        next = (next + 1) % Slots;
        if (used < Slots) ++used;
    }
    return value;
}

inline double TFn(double phi, double e) {
    const double es = e * std::sin(phi);
    return std::tan(Pi / 4 - phi / 2) / std::pow((1 - es) / (1 + es), e / 2);
}

inline double MFn(double phi, double e2) {
    const double s = std::sin(phi);
    return std::cos(phi) / std::sqrt(1 - e2 * s * s);
}

inline double NFn(double phi, const Ell& g) {
    const double s = std::sin(phi);
    return g.a / std::sqrt(1 - g.e2 * s * s);
}

// The eccentricity's powers of the meridian arc series.
struct EPowers {
    double e2, e4, e6;
};

inline EPowers Powers(double e) {
    return Remembered<EPowers>(std::array<double, 1>{e}, [e] {
        return EPowers{std::pow(e, 2), std::pow(e, 4), std::pow(e, 6)};
    });
}

inline double MeridianArc(double phi, const Ell& g) {
    const auto [e2, e4, e6] = Powers(g.e);
    return g.a * ((1 - e2 / 4 - 3 * e4 / 64 - 5 * e6 / 256) * phi -
                  (3 * e2 / 8 + 3 * e4 / 32 + 45 * e6 / 1024) * std::sin(2 * phi) +
                  (15 * e4 / 256 + 45 * e6 / 1024) * std::sin(4 * phi) - (35 * e6 / 3072) * std::sin(6 * phi));
}

// The arcsine in its arctangent form, so |v| = 1 is a division by zero
// (reported as a fault) rather than a quiet +-pi/2.
inline double Asin(double v) { return std::atan(v / std::sqrt(1 - v * v)); }

// Runs `step` (phiOld -> phi) until two iterates differ by less than LatTol,
// writing each iterate into lat; at least one pass runs.
template <class Step>
void IterateLatitude(double& lat, double start, Step step) {
    double phi = start;
    for (int pass = 0;; ++pass) {
        if (pass == MaxIterations) throw base::NoConvergenceError();
        const double phiOld = phi;
        phi = step(phiOld);
        FpGuard::Put(lat, phi);
        if (std::fabs(phi - phiOld) < LatTol) return;
    }
}

// Latitude from t of the conformal conics (types 2 and 5).
inline void LatitudeFromT(double tPrime, double e, double& lat) {
    IterateLatitude(lat, Pi / 2 - 2 * std::atan(tPrime), [&](double phiOld) {
        const double es = e * std::sin(phiOld);
        return Pi / 2 - 2 * std::atan(tPrime * std::pow((1 - es) / (1 + es), e / 2));
    });
}

// One family's pair of formulas.
void TmForward(const ProjectionParams& p, const Ell& g, double lat, double lon, double& x, double& y,
               std::int16_t& zone);
void TmInverse(const ProjectionParams& p, const Ell& g, double& lat, double& lon, double x, double y,
               std::int16_t zone);
void Lcc2Forward(const ProjectionParams& p, const Ell& g, double lat, double lon, double& x, double& y);
void Lcc2Inverse(const ProjectionParams& p, const Ell& g, double& lat, double& lon, double x, double y);
void Lcc1Forward(const ProjectionParams& p, const Ell& g, double lat, double lon, double& x, double& y);
void Lcc1Inverse(const ProjectionParams& p, const Ell& g, double& lat, double& lon, double x, double y);
void OmercForward(const ProjectionParams& p, const Ell& g, double lat, double lon, double& x, double& y);
void OmercInverse(const ProjectionParams& p, const Ell& g, double& lat, double& lon, double x, double y);
void StereoForward(const ProjectionParams& p, const Ell& g, double lat, double lon, double& x, double& y);
void StereoInverse(const ProjectionParams& p, const Ell& g, double& lat, double& lon, double x, double y);

}  // namespace core::proj
