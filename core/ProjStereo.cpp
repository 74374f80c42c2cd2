// Oblique stereographic (type 4), the double projection of the Dutch grid:
// the ellipsoid is mapped conformally onto a sphere (latitude chi, longitude
// Lambda), which is then projected stereographically from the point opposite
// the origin. The second output (y) is written first.

#include <cmath>

#include "core/ProjShared.h"

namespace core::proj {

namespace {

struct Conformal {
    double R, n, c, chi0;
};

// Conformal latitude function w(phi) before the constant c.
double W(double phi, const Ell& g, double n) {
    const double s = std::sin(phi);
    const double Sa = (1 + s) / (1 - s);
    const double Sb = (1 - g.e * s) / (1 + g.e * s);
    return std::pow(std::pow(Sb, g.e) * Sa, n);
}

Conformal ConformalConstants(const ProjectionParams& p, const Ell& g) {
    const double phi0 = p.Lt0, sin0 = std::sin(phi0);
    const double q = 1 - g.e2 * sin0 * sin0;
    const double rho0 = g.a * (1 - g.e2) / std::pow(q, 1.5);
    const double nu0 = g.a / std::pow(q, 0.5);
    const double R = std::sqrt(rho0 * nu0);
    const double n = std::sqrt(1 + g.e2 * std::pow(std::cos(phi0), 4) / (1 - g.e2));
    const double w1 = W(phi0, g, n);
    const double s = (w1 - 1) / (w1 + 1);
    const double c = (n + sin0) * (1 - s) / ((n - sin0) * (1 + s));
    const double w2 = c * w1;
    const double chi0 = Asin((w2 - 1) / (w2 + 1));
    return {R, n, c, chi0};
}

}  // namespace

void StereoForward(const ProjectionParams& p, const Ell& g, double lat, double lon, double& x, double& y) {
    const Conformal k =
        Remembered<Conformal>(std::array{p.Lt0, g.a, g.e, g.e2}, [&] { return ConformalConstants(p, g); });
    const double lam0 = p.Lg0;
    const double Lambda = k.n * (lon - lam0) + lam0;
    const double w = k.c * W(lat, g, k.n);
    const double chi = Asin((w - 1) / (w + 1));
    const double dL = Lambda - lam0;
    const double B = 1 + std::sin(chi) * std::sin(k.chi0) + std::cos(chi) * std::cos(k.chi0) * std::cos(dL);
    const double twoRk = 2 * k.R * p.k0;
    FpGuard::Put(
        y, p.fn + twoRk * (std::sin(chi) * std::cos(k.chi0) - std::cos(chi) * std::sin(k.chi0) * std::cos(dL)) / B);
    FpGuard::Put(x, p.FE + twoRk * std::cos(chi) * std::sin(dL) / B);
}

void StereoInverse(const ProjectionParams& p, const Ell& g, double& lat, double& lon, double x, double y) {
    const Conformal k =
        Remembered<Conformal>(std::array{p.Lt0, g.a, g.e, g.e2}, [&] { return ConformalConstants(p, g); });
    const double lam0 = p.Lg0;
    const double twoRk = 2 * k.R * p.k0;
    const double gg = twoRk * std::tan(Pi / 4 - k.chi0 / 2);
    const double h = 2 * twoRk * std::tan(k.chi0) + gg;
    const double xp = x - p.FE, yp = y - p.fn;
    const double i = std::atan(xp / (h + yp));
    const double j = std::atan(xp / (gg - yp)) - i;
    const double chi = k.chi0 + 2 * std::atan((yp - xp * std::tan(j / 2)) / twoRk);
    const double Lambda = j + 2 * i + lam0;
    FpGuard::Put(lon, (Lambda - lam0) / k.n + lam0);
    const double psi = 0.5 * std::log((1 + std::sin(chi)) / (k.c * (1 - std::sin(chi)))) / k.n;
    const double start = 2 * std::atan(std::exp(psi)) - Pi / 2;
    FpGuard::Put(lat, start);
    IterateLatitude(lat, start, [&](double phiOld) {
        const double es = g.e * std::sin(phiOld);
        const double psiI = std::log(std::tan(Pi / 4 + phiOld / 2) * std::pow((1 - es) / (1 + es), g.e / 2));
        const double s = std::sin(phiOld);
        return phiOld - (psiI - psi) * std::cos(phiOld) * (1 - g.e2 * s * s) / (1 - g.e2);
    });
}

}  // namespace core::proj
