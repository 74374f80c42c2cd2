#pragma once
// Moving a geographic position from one geodetic datum to another.

#include <cstdint>
#include <string>

#include "core/Params.h"

namespace core {

// The datum transformation methods of the "Calculs" menu.
namespace method {
constexpr std::int16_t GeocentricTranslation = 1;
constexpr std::int16_t Molodensky = 2;
constexpr std::int16_t Helmert = 3;
constexpr std::int16_t IgnGrid = 4;  // BD72 through the IGN grid, others by Helmert
}  // namespace method

// The datums taken as WGS 84 itself, with no datum step, by every window and
// the command line: the locked rows "WGS84" and "ETRS89", whose shifts are
// zero. Other rows with zero shifts give the same numbers through their
// shifts, and their shifts, once edited, are used.
bool IsWgs84Alias(const std::string& datum);

// lonIn, latIn in radians on the source datum; lonOut, latOut written in
// radians on the target datum (height taken as zero). A method other than 1
// to 3 writes nothing. Floating-point faults raise ArithmeticError with the
// outputs written so far kept; loader errors propagate before any write.
void TransformDatum(const std::string& sourceDatum, const std::string& targetDatum,
                    double lonIn, double latIn, double& lonOut, double& latOut, std::int16_t method);

void TransformDatumWith(const DatumParams& source, const DatumParams& target,
                        const EllipsoidParams& sourceEll, const EllipsoidParams& targetEll,
                        double lonIn, double latIn, double& lonOut, double& latOut, std::int16_t method);

}  // namespace core
