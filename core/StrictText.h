#pragma once
// Numbers read strictly: a text is read as what it says or refused, never
// read as some other number (the classic reader takes "148.679,447" as
// 148.679 and "150000 170000" as 150000170000). Angles are read by
// ReadAngleText (core/AngleText.h), which builds on the same characters.

#include <cstddef>
#include <string>
#include <string_view>

namespace core {

// True when the whole text, blanks aside, is one decimal number: a sign,
// digits with at most one point, an exponent introduced by E or D.
bool IsPlainNumber(std::string_view text);

// The text without its blanks, tabs and line ends (the classic reader skips
// them wherever they stand).
std::string WithoutBlanks(std::string_view text);

// A number as people type it, copy it from a spreadsheet or a web page:
//   [sign] digits [decimal separator digits] [exponent]
// - the sign is "+", "-" or the typographic minus U+2212;
// - the decimal separator is a point or a comma (one of them, once);
// - the integer digits may be grouped by thousands with a blank, a no-break
//   space (U+00A0, U+202F) or a thin space (U+2009): "150 000,5", "1 234 567";
//   every group after the first then has exactly three digits;
// - an exponent is E or D (either case), an optional sign and digits;
// - blanks before and after the number are ignored.
// Anything else is refused: two numbers ("150000 170000"), two decimal
// separators ("148.679,447"), a letter, a unit, an empty text.
// Throws base::RuntimeError 13 (« 12abc » n'est pas un nombre.) quoting the
// text as given, and 6 (Nombre trop grand : « 1e999 ».) beyond the double range.
double ReadNumberText(std::string_view text);

// The byte length of the blank that starts at text[at]: a blank, tab, line
// end, no-break space (U+00A0, U+202F), thin or figure space (U+2009, U+2007);
// 0 when there is none.
std::size_t TypedBlankLength(std::string_view text, std::size_t at);
// The byte length of the minus sign at text[at]: "-" or U+2212; 0 when none.
std::size_t TypedMinusLength(std::string_view text, std::size_t at);
// The text without the typed blanks before and after it.
std::string_view TrimTypedBlanks(std::string_view text);

// 0 to 90°: the grids and range rules hold the northern hemisphere only. A
// latitude of 90° written with 15 digits may exceed it by a hair.
bool InNorthernHemisphere(double latitudeDegrees);

// -180 to 360°: a longitude further west would be taken by the range rules
// for its eastern twin (-200° as 160°), one beyond 360° for nothing.
// UTM northings of the northern hemisphere (no false northing), in metres.
constexpr double UtmMaxNorthing = 10000000;

constexpr double MinLongitudeDeg = -180, MaxLongitudeDeg = 360;
bool LongitudeInRange(double longitudeDegrees);

}  // namespace core
