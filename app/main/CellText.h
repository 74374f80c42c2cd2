#pragma once
// Reading what the user typed into a cell of the table, strictly: a text is
// read as what it says or refused with a French message saying why, never
// read as some other number (the classic number reader takes "12abc" as 12
// and "N50°30'" as 0.5°).

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "core/AngleText.h"

namespace app {

// A typed text the window will not compute with. what() is the message
// shown to the user.
struct Refused : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The number a cell holds, as core::ReadNumberText reads it (a decimal comma
// or point, thousands grouped by blanks). An empty cell, or one holding
// anything else than a number, is refused naming the cell `what`.
double CellNumber(const std::string& text, const std::string& what);

// The number a cell holds, as core::ReadNumberText reads it; refused with
// that reader's message quoting the text.
double TypedNumber(const std::string& text);

// A UTM zone cell: a whole number from 1 to 60, or nothing.
std::optional<std::int16_t> ReadZone(const std::string& text);

// An angle typed in a degrees-minutes-seconds cell, as core::ReadAngleText
// reads it; anything else is refused.
core::AngleReading ReadDmsCell(const std::string& text, core::AngleAxis axis);

// Range checks of a typed or computed angle, degrees. The table works in the
// northern hemisphere only: its grids have no southern false northing.
void CheckLatitude(double degrees);
void CheckLongitude(double degrees);

}  // namespace app
