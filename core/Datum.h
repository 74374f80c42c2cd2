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

// What the datum legs of one conversion went through under method::IgnGrid,
// gathered over its legs, so that the caller can name the method with the
// result and say when a point fell outside the grid.
struct DatumLegs {
    bool grid = false;      // a BD72 leg went through the IGN grid
    bool fallback = false;  // a BD72 leg fell outside the grid: Helmert instead
    bool helmert = false;   // another leg, by Helmert
};

// The method that gave a conversion's result: `method` itself, except under
// method::IgnGrid, where a fallback, or Helmert legs alone, make it
// method::Helmert.
std::int16_t UsedMethod(std::int16_t method, const DatumLegs& legs);

// lonIn, latIn in radians on the source datum; lonOut, latOut written in
// radians on the target datum (height taken as zero). Under method 4 the leg
// between "BE BD72" and a WGS 84 alias goes through the IGN grid
// (core/IgnGrid.h), by Helmert where the point lies outside it, and every
// other leg by Helmert; `legs`, when given, is told which. Another method
// outside 1 to 4 writes nothing. Floating-point faults raise ArithmeticError
// with the outputs written so far kept; loader errors propagate before any
// write, and a grid that cannot be read raises its reader's error.
void TransformDatum(const std::string& sourceDatum, const std::string& targetDatum, double lonIn, double latIn,
                    double& lonOut, double& latOut, std::int16_t method, DatumLegs* legs = nullptr);

// TransformDatum on parameter sets already loaded for the datums named
// `sourceDatum` and `targetDatum`.
void TransformNamedWith(const std::string& sourceDatum, const std::string& targetDatum, const DatumParams& source,
                        const DatumParams& target, const EllipsoidParams& sourceEll, const EllipsoidParams& targetEll,
                        double lonIn, double latIn, double& lonOut, double& latOut, std::int16_t method,
                        DatumLegs* legs = nullptr);

// Methods 1 to 3 on the parameter sets; any other method writes nothing.
void TransformDatumWith(const DatumParams& source, const DatumParams& target, const EllipsoidParams& sourceEll,
                        const EllipsoidParams& targetEll, double lonIn, double latIn, double& lonOut, double& latOut,
                        std::int16_t method);

}  // namespace core
