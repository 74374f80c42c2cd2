#pragma once
// Angles as text: the degrees-minutes-seconds form D°M'S.sss'', decimal
// degrees and radians, and the range every angle is brought into (0 to 360°).

#include <cstdint>
#include <string>
#include <string_view>

namespace core {

// Trims leading and trailing blanks and turns every comma into a point, so
// that a number typed with a decimal comma reads with ValNumber.
void CommaToPoint(std::string& text);

// Which coordinate an angle text stands for: it decides which hemisphere
// letters the text may carry.
enum class AngleAxis { Any, Longitude, Latitude };

struct AngleReading {
    double degrees = 0;  // signed, before any range rule
    bool plain = false;  // the text was one bare decimal number ("50.5", "-4.35", "1e1")
};

// The one reader of typed angles: the main window's cells, the parameter
// editor and the batch run (through ConvertAngle mode FromText) all read
// angles here. It accepts what people type and what they copy from maps and
// web pages:
// - degrees, minutes and seconds, each a number followed by its mark:
//   50°30'15.5'', 50°30'15.5", 50° 30′ 15.5″, 50º30'; a number without a
//   mark is the unit after the previous one, so blanks separate the fields:
//   50 30 15.5, 4 21'6.12'' (4°21'6.12''), 5 7 (5°7'), 50°30 (50°30');
//   a field may be left out (12°30'' is 12° 0' 30''), not repeated or
//   written out of order;
// - marks: ° or º (or ˚) for degrees; ' ′ ’ ´ for minutes; '' " ″ ” for seconds;
// - a bare decimal number is decimal degrees (then `plain` is set);
// - only the last field written may have decimals, with a point or a comma;
//   minutes and seconds are below 60;
// - a sign, "-" or the typographic minus U+2212, applies to the whole angle:
//   -4°30' is -4.5°, -0°30' is -0.5°;
// - a hemisphere letter N, S, E, O or W (either case) before or after the
//   angle, with or without a blank: S, O and W make it negative, N and E
//   positive. A letter and a sign together are refused, as are N or S for a
//   Longitude and E, O or W for a Latitude;
// - blanks (also no-break and thin spaces) before and after are ignored.
// No range rule is applied: the caller checks the range it needs.
// Refusals quote the text as given: base::RuntimeError 13 for anything else,
// « Angle illisible : « 50°75' » : les minutes vont de 0 à 59. » and the
// like (an empty text: « Angle vide. »), and 6 for a number beyond the
// double range.
AngleReading ReadAngleText(std::string_view text, AngleAxis axis = AngleAxis::Any);

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
// Mode FromText reads the text with ReadAngleText (any axis), so it throws
// as ReadAngleText does, and the text keeps what was typed unless the range
// rules rewrite it: -4°30' becomes 355°30'0.000''.
//
// Throws as FormatDms for a non-finite angle.
void ConvertAngle(std::string& text, double& degrees, double& radians, std::int16_t mode);

// ConvertAngle from degrees or radians when nobody reads the text: the same
// numbers and the same errors, without building the text. Mode FromText
// throws InvalidCallError().
void ConvertAngleValues(double& degrees, double& radians, std::int16_t mode);

// The DMS text of an angle in degrees: whole degrees, whole minutes, then
// the seconds with three decimals. A negative angle is its sign and the text
// of its magnitude (-4.5° prints -4°30'0.000''), so that what is printed
// reads back as the same angle. Seconds that round to 60.000 carry into the
// minutes (and on into the degrees): 10.9999999° prints 11°0'0.000''. The
// seconds' decimal separator is always the point, whatever the locale.
// Throws InvalidCallError() for NaN and OverflowError() for an infinity.
std::string FormatDms(double degrees);

}  // namespace core
