#pragma once
// Angles as text: the degrees-minutes-seconds form D°M'S.sss'', decimal
// degrees and radians, and the range every angle is brought into (0 to 360°).

#include <cstdint>
#include <string>

namespace core {

// Trims leading and trailing blanks and turns every comma into a point, so
// that a number typed with a decimal comma reads with ValNumber.
void CommaToPoint(std::string& text);

// Modes of ConvertAngle: which of the three forms is the input.
namespace angle {
constexpr std::int16_t FromText = 1;     // text in; degrees and radians out
constexpr std::int16_t FromDegrees = 2;  // degrees in; text and radians out
constexpr std::int16_t FromRadians = 3;  // radians in; degrees and text out
}  // namespace angle

// Converts among the three forms of one angle, in place, then applies the
// range rules: a negative angle gets 360° added once (and its text and radians
// rewritten); an angle still below 0° or above 360° clears all three (empty
// text, 0, 0). 360° itself stays valid. A zero input (empty text, 0 degrees,
// 0 radians) clears the other two forms and skips the range rules. Any other
// mode converts nothing and only applies the range rules.
//
// Reading the text: the number before "°" is the degrees, the number between
// "°" and "'" the minutes and the number before "''" (or '"') the seconds; minutes and
// seconds are added whatever the sign of the degrees (-4°30' is -3.5°). A text
// without any mark reads as 0. Marks in an order that leaves a field of
// negative length (a minute mark before the degree mark, or a seconds mark
// before it with no minute mark) throw InvalidCallError(); the degrees may
// then already hold the leading number.
//
// Throws as FormatDms for a non-finite angle.
void ConvertAngle(std::string& text, double& degrees, double& radians, std::int16_t mode);

// ConvertAngle from degrees or radians when nobody reads the text: the same
// numbers and the same errors, without building the text. Mode FromText
// throws InvalidCallError().
void ConvertAngleValues(double& degrees, double& radians, std::int16_t mode);

// The DMS text of an angle in degrees: D = floor(d) as an integer, whole
// minutes, then the seconds with three decimals. Seconds that round to 60.000
// carry into the minutes (and on into the degrees): 10.9999999° prints
// 11°0'0.000''. The seconds' decimal separator is always the point,
// whatever the locale, so the text reads back through ConvertAngle.
// Throws InvalidCallError() for NaN and OverflowError() for an infinity.
std::string FormatDms(double degrees);

}  // namespace core
