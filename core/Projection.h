#pragma once
// Map projections of the parameter database, both directions.
//
// The projection record's Type chooses the formulas:
//   1 transverse Mercator (automatic UTM zone when Lg0 is 0)
//   2 Lambert conformal conic, two standard parallels, with a rotation
//   3 oblique Mercator on the conformal sphere
//   4 oblique stereographic
//   5 Lambert conformal conic, one standard parallel
// Any other Type computes nothing. Positions are on the projection's own
// datum; no datum change happens here.

#include <cstdint>
#include <string>

#include "base/Errors.h"
#include "core/Params.h"

namespace core {

// A point the formulas would take but not compute to their accuracy: a
// transverse Mercator point too far from its central meridian. Its message
// says how far, and the bound.
struct OutsideProjection : base::ArithmeticError {
    using ArithmeticError::ArithmeticError;
};

// How far from its central meridian a transverse Mercator point is
// computed. Against the exact projection (cs2cs) the inverse series part by
// 1 mm at 3.46° of longitude from the meridian (at 55° of latitude) and by
// 1 cm at 4.82°, the forward series by 1 mm at 4.22° and 1 cm at 5.9°
// (at the equator). The bound keeps every result within 1 cm, as the table's
// round trips are, and the whole of Belgium in the Luxembourg projection
// (3.63° at its west end). Points further out are refused both ways, so that
// every output reads back.
constexpr double MaxTmMeridianDistanceDeg = 4.8;

// lat in radians; lon in/out: reduced by 2 pi when above pi, and the reduced
// value written back. x, y out in metres. zone out for type 1 only: the UTM
// zone with an automatic zone, else 0. On a floating-point fault the outputs
// written so far stay written.
void ProjectForward(double lat, double& lon, double& x, double& y, const std::string& projectionName,
                    std::int16_t& zone);
void ProjectForwardWith(const ProjectionParams& p, const EllipsoidParams& ell, double lat, double& lon, double& x,
                        double& y, std::int16_t& zone);

// lat, lon out in radians (lat is also the working variable of the latitude
// iterations); zone in, read by type 1 with an automatic zone. Longitudes of
// zones 1 to 30 come out between about 180 and 360 degrees.
void ProjectInverse(double& lat, double& lon, double x, double y, std::int16_t zone, const std::string& projectionName);
void ProjectInverseWith(const ProjectionParams& p, const EllipsoidParams& ell, double& lat, double& lon, double x,
                        double y, std::int16_t zone);

// How far (x, y) lies, in metres, from the forward projection of (lat, lon),
// the inverse projection of (x, y) in `zone`: the forward projection keeps
// the zone the inverse used (an automatic zone is not chosen again from the
// longitude). A point of the projection's domain comes back to well under a
// millimetre; an input outside it that the inverse formulas still turn into
// a plausible point (a swapped easting and northing, 1e8 m) does not.
// Infinity when the forward projection fails.
double InverseRoundTripError(const std::string& projectionName, double lat, double lon, double x, double y,
                             std::int16_t zone);

}  // namespace core
