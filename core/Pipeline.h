#pragma once
// Conversion of one table point, given as two texts, from one system to
// another through WGS 84 geographic coordinates.

#include <cstdint>
#include <string>

#include "core/Datum.h"

namespace core {

// The WGS 84 geographic point a record passes through, in radians.
struct Wgs84Pivot {
    double lon = 0, lat = 0;
};

// A system is a datum (geographic coordinates in radians) or a projection
// (metres); a projection name ending in "MGRS" or "IFBL" means the grid
// reference written on top of the projection named by the rest. When both a
// datum and a projection are given the projection wins; a projected side's
// datum argument receives that projection's datum, so the same variables can
// be passed again for the next record. Commas in xText and yText are turned
// into points in the caller's variables. Loader, projection and datum errors
// propagate; outputs may then hold values of the previous call. `pivot`, when
// given, receives the record's WGS 84 point.
void ConvertRecord(std::string& inDatum, const std::string& inProjection, std::string& xText, std::string& yText,
                   std::int16_t& inZone, std::string& outDatum, const std::string& outProjection, std::string& outXText,
                   std::string& outYText, std::int16_t& outZone, std::int16_t method, Wgs84Pivot* pivot = nullptr);

// One side of a record as numbers: X and Y (radians for a datum, metres for a
// projection), the reference of an MGRS or IFBL side, the UTM zone.
struct RecordPoint {
    double x = 0, y = 0;
    std::string reference;
    std::int16_t zone = 0;
};

// ConvertRecord without its texts. `in` holds the numbers ConvertRecord reads
// from its texts (ValNumber of them) or, for a grid reference, the reference
// (its commas turned into points here). `out` receives the numbers
// ConvertRecord writes with FormatGeneral, and the reference of a grid output.
// `legs`, when given, gathers what the datum legs went through (Datum.h).
void ConvertPoint(std::string& inDatum, const std::string& inProjection, RecordPoint& in, std::string& outDatum,
                  const std::string& outProjection, RecordPoint& out, std::int16_t method, Wgs84Pivot* pivot = nullptr,
                  DatumLegs* legs = nullptr);

}  // namespace core
