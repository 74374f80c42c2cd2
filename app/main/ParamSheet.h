#pragma once
// The parameter sheet: the ellipsoid, datum and projection constants behind a
// row of the main window, as one text for an information box.

#include <string>

#include "core/Params.h"

namespace app {

// Ellipsoid and datum lines; the 7-parameter block only when its three
// translations do not sum to zero.
std::string DatumSheet(const std::string& ellipsoidName, const core::EllipsoidParams& ellipsoid,
                       const std::string& datumName, const core::DatumParams& datum);

// The projection block that follows the datum lines (angles as DMS text).
std::string ProjectionSheet(const std::string& label, const core::ProjectionParams& projection);

// Loads and formats the sheet of a datum alone, or of a projection with its
// datum when `projection` is not empty. `datumShown` replaces the loaded
// datum's name on the "Datum :" line when not empty. Loader errors propagate.
std::string LoadSheet(const std::string& datum, const std::string& projection, const std::string& projectionLabel,
                      const std::string& datumShown = {});

// Single-precision values as they were stored: at most 7 significant digits.
std::string FormatSingle(float value);

}  // namespace app
