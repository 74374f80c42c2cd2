#include "core/IgnGrid.h"

#include <algorithm>
#include <cmath>

#include "base/Errors.h"
#include "core/Constants.h"
#include "core/FloatGrid.h"

namespace core {

namespace {

constexpr int OffsetBands = 2;  // latitude offset, longitude offset; their accuracies are not read
constexpr double RadPerDeg = Pi / HalfCircleDeg;
constexpr double RadPerArcSecond = RadPerDeg / 3600.0;
constexpr double InverseTol = 1e-12;  // radians, on each step of the inverse
// The offsets change by under 1e-4 of the step across a cell, so the inverse
// settles in three or four passes; the cap only stops a NaN or a damaged grid.
constexpr int InverseCap = 20;

const FloatGrid& Grid() {
    static const ShippedGrid grid(IgnGridFile, OffsetBands);
    return grid.Get();
}

// The offsets at a BD72 position, in radians.
bool Offsets(const FloatGrid& g, double lon, double lat, double& dLon, double& dLat) {
    double v[OffsetBands];
    if (!g.Interpolate(lon / RadPerDeg, lat / RadPerDeg, OffsetBands, v)) return false;
    dLat = v[0] * RadPerArcSecond;
    dLon = v[1] * RadPerArcSecond;
    return true;
}

// The nearest position of the grid: where the inverse's guesses are taken
// while they lie outside it.
void Clamp(const FloatGrid& g, double& lon, double& lat) {
    const double west = g.West() * RadPerDeg, east = (g.West() + (g.Columns() - 1) * g.LonStep()) * RadPerDeg;
    const double north = g.North() * RadPerDeg, south = (g.North() - (g.Rows() - 1) * g.LatStep()) * RadPerDeg;
    lon = std::clamp(lon, west, east);
    lat = std::clamp(lat, south, north);
}

}  // namespace

bool IgnGridForward(double lon, double lat, double& lonOut, double& latOut) {
    double dLon, dLat;
    if (!Offsets(Grid(), lon, lat, dLon, dLat)) return false;
    lonOut = lon + dLon;
    latOut = lat + dLat;
    return true;
}

bool IgnGridInverse(double lon, double lat, double& lonOut, double& latOut) {
    if (!(std::isfinite(lon) && std::isfinite(lat))) return false;
    const FloatGrid& g = Grid();
    // A point near the edge may have its ETRS89 position outside the grid and
    // its BD72 position inside: guesses outside it take the offsets of the
    // nearest edge, and only the answer must lie in the grid.
    double bLon = lon, bLat = lat;
    for (int pass = 0;; ++pass) {
        if (pass == InverseCap) throw base::NoConvergenceError();
        double cLon = bLon, cLat = bLat, dLon = 0, dLat = 0;
        Clamp(g, cLon, cLat);
        Offsets(g, cLon, cLat, dLon, dLat);
        // How far the current guess, shifted forward, misses the input.
        const double missLon = bLon + dLon - lon;
        const double missLat = bLat + dLat - lat;
        bLon -= missLon;
        bLat -= missLat;
        if (std::fabs(missLon) < InverseTol && std::fabs(missLat) < InverseTol) break;
    }
    double dLon, dLat;
    if (!Offsets(g, bLon, bLat, dLon, dLat)) return false;
    lonOut = bLon;
    latOut = bLat;
    return true;
}

}  // namespace core
