#pragma once
// Systems as PROJ strings ("+proj=lcc +lat_1=49.8 ... +ellps=intl
// +towgs84=-106.87,52.30,-103.72,0.34,-0.46,1.84,-1.27"), read into the
// parameter records and written from them: a system published by EPSG or
// used in QGIS enters without a manual, and any row can be used in cs2cs or
// QGIS. Only text is translated here; no coordinate is computed by PROJ.
//
// The five projection types as PROJ names them:
//   1 tmerc, utm (etmerc too)      3 somerc, or omerc with alpha = 90
//   2 lcc with two parallels       4 sterea
//   5 lcc with one parallel (a latitude of origin apart from it moves FN)
// Type 3 writes its northing first (FE holds the northing origin), so its
// strings carry +axis=neu; a type-2 rotation aa is the meridian
// lon_0 = Lg0 + aa / n, which PROJ's lcc holds as it is.
//
// Angles are degrees in the strings (the program's 15-digit pi converts
// them), shifts are towards WGS 84 in PROJ's +towgs84 order and sign
// convention, which is the program's own (position vector).

#include <cstdint>
#include <string>

#include "core/Params.h"

namespace core {

// What a PROJ string defines, in the records' units (radians, metres).
struct ProjDefinition {
    EllipsoidParams ellipsoid;
    std::string ellipsoidName;    // PROJ's name (+ellps= or that of +datum=), else empty
    DatumParams datum;            // Ellipsoide left empty
    bool geographic = false;      // +proj=longlat: no projection
    ProjectionParams projection;  // Datum left empty; Type 1 to 5 unless geographic
};

// Throws base::RuntimeError err::BadParameter with a French message naming
// the parameter that cannot be read or that the five types cannot hold.
// Seven +towgs84 values fill the 7-parameter set and leave the 3-parameter
// set at zero, so that every method uses them; three values fill both sets.
ProjDefinition ReadProjString(const std::string& text);

// The string of a geographic system, or of a projection on its datum and
// ellipsoid. `method` chooses the shift written: 3 (Helmert) the 7-parameter
// set, any other the 3-parameter set, each falling back on the other as the
// datum transformation does when it is absent. `zone` is the zone (1 to 60)
// of a type 1 with automatic zones; 0 writes zone 31.
std::string GeographicProjString(const DatumParams& datum, const EllipsoidParams& ellipsoid, std::int16_t method);
std::string ProjectionProjString(const ProjectionParams& projection, const DatumParams& datum,
                                 const EllipsoidParams& ellipsoid, std::int16_t method, int zone = 0);

}  // namespace core
