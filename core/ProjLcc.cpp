// Lambert conformal conic: type 2 with two standard parallels and a rotation
// of the grid, type 5 with one standard parallel and a scale factor.
//
// Both scale the cone by k0 (the shipped grids have k0 = 1, where the
// product is exact); type 2's rotation aa is subtracted from the cone angle
// (theta - aa), as in the 1972 definition of the Belgian grid.
// An origin at the pole makes t0 vanish; below 1e-10 it is taken as 0 so r0
// is exactly 0. Type 5 has no rotation and no pole test. Both inverses find
// the latitude by the fixed-point iteration on t, started at its spherical
// value.

#include <cmath>

#include "core/ProjShared.h"

namespace core::proj {

namespace {

constexpr double PoleT = 1e-10;

// A cone of either type: type 5 is type 2 with one parallel, a scale factor
// k and no rotation, and both share their projection formulas.
struct Cone {
    double n, F, r0;
    double k;   // scale factor k0
    double aa;  // rotation: 0 for type 5
};

Cone TwoParallels(const ProjectionParams& p, const Ell& g) {
    const double m1 = MFn(p.Lt1, g.e2), m2 = MFn(p.Lt2, g.e2);
    const double t1 = TFn(p.Lt1, g.e), t2 = TFn(p.Lt2, g.e);
    double t0 = TFn(p.Lt0, g.e);
    if (std::fabs(t0) < PoleT) t0 = 0;
    const double n = (std::log(m1) - std::log(m2)) / (std::log(t1) - std::log(t2));
    const double F = m1 / (n * std::pow(t1, n));
    return {n, F, g.a * F * std::pow(t0, n) * p.k0, p.k0, p.aa};
}

Cone OneParallel(const ProjectionParams& p, const Ell& g) {
    const double m0 = MFn(p.Lt0, g.e2);
    const double t0 = TFn(p.Lt0, g.e);
    const double n = std::sin(p.Lt0);
    const double F = m0 / (n * std::pow(t0, n));
    return {n, F, g.a * F * std::pow(t0, n) * p.k0, p.k0, 0.0};
}

void ConeForward(const Cone& c, const ProjectionParams& p, const Ell& g, double lat, double lon, double& x, double& y) {
    const double r = g.a * c.F * std::pow(TFn(lat, g.e), c.n) * c.k;
    const double theta = c.n * (lon - p.Lg0);
    FpGuard::Put(x, p.FE + r * std::sin(theta - c.aa));
    FpGuard::Put(y, p.fn + c.r0 - r * std::cos(theta - c.aa));
}

void ConeInverse(const Cone& c, const ProjectionParams& p, const Ell& g, double& lat, double& lon, double x, double y) {
    const double xp = x - p.FE, yp = y - p.fn;
    const double thetaP = std::atan(xp / (c.r0 - yp));
    const double rP = std::sqrt(xp * xp + (c.r0 - yp) * (c.r0 - yp));
    const double tP = std::pow(rP / (c.k * g.a * c.F), 1 / c.n);
    FpGuard::Check();
    LatitudeFromT(tP, g.e, lat);
    FpGuard::Put(lon, (thetaP + c.aa) / c.n + p.Lg0);
}

Cone TwoParallelsOf(const ProjectionParams& p, const Ell& g) {
    return Remembered<Cone>(std::array{p.Lt0, p.Lt1, p.Lt2, p.aa, p.k0, g.a, g.e, g.e2},
                            [&] { return TwoParallels(p, g); });
}

Cone OneParallelOf(const ProjectionParams& p, const Ell& g) {
    return Remembered<Cone>(std::array{p.Lt0, p.k0, g.a, g.e, g.e2}, [&] { return OneParallel(p, g); });
}

}  // namespace

void Lcc2Forward(const ProjectionParams& p, const Ell& g, double lat, double lon, double& x, double& y) {
    ConeForward(TwoParallelsOf(p, g), p, g, lat, lon, x, y);
}

void Lcc2Inverse(const ProjectionParams& p, const Ell& g, double& lat, double& lon, double x, double y) {
    ConeInverse(TwoParallelsOf(p, g), p, g, lat, lon, x, y);
}

void Lcc1Forward(const ProjectionParams& p, const Ell& g, double lat, double lon, double& x, double& y) {
    ConeForward(OneParallelOf(p, g), p, g, lat, lon, x, y);
}

void Lcc1Inverse(const ProjectionParams& p, const Ell& g, double& lat, double& lon, double x, double y) {
    ConeInverse(OneParallelOf(p, g), p, g, lat, lon, x, y);
}

}  // namespace core::proj
