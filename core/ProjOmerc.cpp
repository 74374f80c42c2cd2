// Oblique Mercator on the Gaussian conformal sphere (type 3), the Swiss
// construction: the ellipsoid is mapped conformally onto a sphere of radius
// R, the sphere is turned about its east-west axis until the origin lies on
// its equator, and the result is projected by the normal Mercator. The
// sphere's radius is scaled by k0 (1 for the Swiss grid, 0.99993 for the
// Hungarian EOV).
//
// The first output (x, with FE) carries the Mercator ordinate along the
// oblique meridian and the second (y, with FN) the arc along the oblique
// equator, so the Swiss grid reads x north and y east. The second output is
// written first.

#include <cmath>

#include "core/ProjShared.h"

namespace core::proj {

namespace {

struct Sphere {
    double R, alpha, b0, K;
};

Sphere ConformalSphere(const ProjectionParams& p, const Ell& g) {
    const double phi0 = p.Lt0, sin0 = std::sin(phi0), cos0 = std::cos(phi0);
    const double R = g.a * std::sqrt(1 - g.e2) / (1 - g.e2 * sin0 * sin0) * p.k0;
    const double alpha = std::sqrt(1 + g.ep2 * std::pow(cos0, 4));
    const double b0 = Asin(sin0 / alpha);
    const double K = std::log(std::tan(Pi / 4 + b0 / 2)) - alpha * std::log(std::tan(Pi / 4 + phi0 / 2)) +
                     (alpha * g.e / 2) * std::log((1 + g.e * sin0) / (1 - g.e * sin0));
    return {R, alpha, b0, K};
}

}  // namespace

void OmercForward(const ProjectionParams& p, const Ell& g, double lat, double lon, double& x, double& y) {
    const Sphere s =
        Remembered<Sphere>(std::array{p.Lt0, p.k0, g.a, g.e, g.e2, g.ep2}, [&] { return ConformalSphere(p, g); });
    const double esin = g.e * std::sin(lat);
    const double S =
        s.alpha * std::log(std::tan(Pi / 4 + lat / 2)) - (s.alpha * g.e / 2) * std::log((1 + esin) / (1 - esin)) + s.K;
    const double b = 2 * (std::atan(std::exp(S)) - Pi / 4);
    const double l = s.alpha * (lon - p.Lg0);
    const double bBar = Asin(std::cos(s.b0) * std::sin(b) - std::sin(s.b0) * std::cos(b) * std::cos(l));
    const double lBar = std::atan(std::sin(l) / (std::sin(s.b0) * std::tan(b) + std::cos(s.b0) * std::cos(l)));
    FpGuard::Put(y, p.fn + s.R * lBar);
    FpGuard::Put(x, p.FE + (s.R / 2) * std::log((1 + std::sin(bBar)) / (1 - std::sin(bBar))));
}

void OmercInverse(const ProjectionParams& p, const Ell& g, double& lat, double& lon, double x, double y) {
    const Sphere s =
        Remembered<Sphere>(std::array{p.Lt0, p.k0, g.a, g.e, g.e2, g.ep2}, [&] { return ConformalSphere(p, g); });
    const double xp = x - p.FE, yp = y - p.fn;
    const double lBar = yp / s.R;
    const double bBar = 2 * (std::atan(std::exp(xp / s.R)) - Pi / 4);
    const double b = Asin(std::cos(s.b0) * std::sin(bBar) + std::sin(s.b0) * std::cos(bBar) * std::cos(lBar));
    const double l = std::atan(std::sin(lBar) / (std::cos(s.b0) * std::cos(lBar) - std::sin(s.b0) * std::tan(bBar)));
    FpGuard::Put(lon, l / s.alpha + p.Lg0);
    FpGuard::Put(lat, b);
    const double onSphere = (std::log(std::tan(Pi / 4 + b / 2)) - s.K) / s.alpha;
    IterateLatitude(lat, b, [&](double phiOld) {
        const double psi = Asin(g.e * std::sin(phiOld));
        const double S = onSphere + g.e * std::log(std::tan(Pi / 4 + psi / 2));
        return 2 * std::atan(std::exp(S)) - Pi / 2;
    });
}

}  // namespace core::proj
