#pragma once
// Parameter records of ellipsoids, datums and projections, and their loaders.
//
// A projection names its datum and a datum its ellipsoid, so one projection
// name leads to every number needed to project a point. The loaders read the
// parameter database; each returns a fully filled record or throws. The
// columns behind each member: ParamColumns.h.

#include <cstdint>
#include <string>

namespace core {

struct EllipsoidParams {
    double a = 0;    // semi-major axis, metres
    double ec = 0;   // first eccentricity e (not e squared)
    double unf = 0;  // inverse flattening 1/f
};

// Shifts towards WGS 84. They are single precision on purpose: the datum
// transformation forms their differences in single precision.
struct DatumParams {
    std::string Ellipsoide;
    float dX = 0, dY = 0, dZ = 0;     // 3-parameter translation, metres
    float dX7 = 0, dY7 = 0, dZ7 = 0;  // 7-parameter translation, metres
    float rX = 0, rY = 0, rZ = 0;     // rotations, arc-seconds (position vector)
    float dS = 0;                     // scale difference, ppm
};

struct ProjectionParams {
    std::string Datum;
    double FE = 0;          // false easting, metres
    double fn = 0;          // false northing, metres
    double k0 = 0;          // scale factor at the origin
    double Lg0 = 0;         // central meridian, radians (0 on type 1: automatic UTM zone)
    double Lt0 = 0;         // latitude of origin, radians
    double Lt1 = 0;         // first standard parallel, radians
    double Lt2 = 0;         // second standard parallel, radians
    double aa = 0;          // rotation, radians
    std::int16_t Type = 0;  // 1..5, see Projection.h
};

// Look a record up by its exact Nom in the parameter database (store::ParamDbPath()).
// Failures: the store's errors (database missing, 3021 naming an unknown
// set), err::InvalidNull for an empty column, err::TypeMismatch for a
// non-numeric text in a number column, err::BadParameter naming the row and
// column of a value no formula can use (the rules of ParamRules.h).
EllipsoidParams LoadEllipsoid(const std::string& name);
DatumParams LoadDatum(const std::string& name);
ProjectionParams LoadProjection(const std::string& name);

}  // namespace core
