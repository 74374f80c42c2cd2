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

namespace app {

// A typed text the window will not compute with. what() is the message
// shown to the user.
struct Refused : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// True when the whole text, blanks aside, is one decimal number: a sign,
// digits with a point, an exponent introduced by E or D.
bool IsPlainNumber(std::string_view text);

// The number a cell holds, a decimal comma read as a point. An empty cell,
// or one holding anything else than a number, is refused naming `what`.
double CellNumber(const std::string& text, const std::string& what);

// A UTM zone cell: a whole number from 1 to 60, or nothing.
std::optional<std::int16_t> ReadZone(const std::string& text);

// An angle typed in a degrees-minutes-seconds cell: D°M'S.s'' with any of
// its parts (the seconds mark may also be written "), or a plain number of
// degrees (then `plain` is set). Returns the degrees as written, before any
// range rule. Anything else is refused.
double ReadDmsCell(const std::string& text, bool& plain);

// The same text with a double quote written as the two-apostrophe seconds mark.
std::string WithSecondsMark(const std::string& text);

// Range checks of a typed or computed angle, degrees. The table works in the
// northern hemisphere only: its grids have no southern false northing.
void CheckLatitude(double degrees);
void CheckLongitude(double degrees);

}  // namespace app
