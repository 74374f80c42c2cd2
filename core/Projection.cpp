// Dispatch of the projection formulas on the record's Type, and the
// name-based entry points that look the records up first.

#include "core/Projection.h"

#include <cmath>
#include <limits>

#include "core/ProjShared.h"

namespace core {

namespace {

enum ProjectionType : std::int16_t {
    TransverseMercator = 1,
    LambertTwoParallels = 2,
    ObliqueMercator = 3,
    ObliqueStereographic = 4,
    LambertOneParallel = 5,
};

}  // namespace

void ProjectForwardWith(const ProjectionParams& p, const EllipsoidParams& ell, double lat, double& lon, double& x,
                        double& y, std::int16_t& zone) {
    FpGuard guard;
    if (lon > Pi) FpGuard::Put(lon, lon - TwoPi);
    const proj::Ell g(ell);
    switch (p.Type) {
    case TransverseMercator: proj::TmForward(p, g, lat, lon, x, y, zone); break;
    case LambertTwoParallels: proj::Lcc2Forward(p, g, lat, lon, x, y); break;
    case ObliqueMercator: proj::OmercForward(p, g, lat, lon, x, y); break;
    case ObliqueStereographic: proj::StereoForward(p, g, lat, lon, x, y); break;
    case LambertOneParallel: proj::Lcc1Forward(p, g, lat, lon, x, y); break;
    default: break;
    }
}

void ProjectInverseWith(const ProjectionParams& p, const EllipsoidParams& ell, double& lat, double& lon, double x,
                        double y, std::int16_t zone) {
    FpGuard guard;
    const proj::Ell g(ell);
    switch (p.Type) {
    case TransverseMercator: proj::TmInverse(p, g, lat, lon, x, y, zone); break;
    case LambertTwoParallels: proj::Lcc2Inverse(p, g, lat, lon, x, y); break;
    case ObliqueMercator: proj::OmercInverse(p, g, lat, lon, x, y); break;
    case ObliqueStereographic: proj::StereoInverse(p, g, lat, lon, x, y); break;
    case LambertOneParallel: proj::Lcc1Inverse(p, g, lat, lon, x, y); break;
    default: break;
    }
}

void ProjectForward(double lat, double& lon, double& x, double& y, const std::string& projectionName,
                    std::int16_t& zone) {
    const ProjectionParams p = LoadProjection(projectionName);
    const EllipsoidParams ell = LoadEllipsoid(LoadDatum(p.Datum).Ellipsoide);
    ProjectForwardWith(p, ell, lat, lon, x, y, zone);
}

void ProjectInverse(double& lat, double& lon, double x, double y, std::int16_t zone,
                    const std::string& projectionName) {
    const ProjectionParams p = LoadProjection(projectionName);
    const EllipsoidParams ell = LoadEllipsoid(LoadDatum(p.Datum).Ellipsoide);
    ProjectInverseWith(p, ell, lat, lon, x, y, zone);
}

double InverseRoundTripError(const std::string& projectionName, double lat, double lon, double x, double y,
                             std::int16_t zone) {
    ProjectionParams p = LoadProjection(projectionName);
    const EllipsoidParams ell = LoadEllipsoid(LoadDatum(p.Datum).Ellipsoide);
    constexpr int ZoneWidthDeg = 6, ZoneOriginDeg = 183;
    // The zone's own central meridian, from -177 to 177 degrees (never 0).
    if (p.Type == TransverseMercator && p.Lg0 == 0)
        p.Lg0 = static_cast<double>(zone * ZoneWidthDeg - ZoneOriginDeg) / HalfCircleDeg * Pi;
    double back = 0, forth = 0;
    std::int16_t unused = 0;
    try {
        ProjectForwardWith(p, ell, lat, lon, back, forth, unused);
    } catch (const base::RuntimeError&) {
        return std::numeric_limits<double>::infinity();
    }
    const double error = std::hypot(back - x, forth - y);
    return std::isfinite(error) ? error : std::numeric_limits<double>::infinity();
}

}  // namespace core
