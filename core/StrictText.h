#pragma once
// Numbers and angles read strictly: a text is read as what it says or
// refused, never read as some other number (the classic reader takes
// "148.679,447" as 148.679 and "E4°21'0''" as 0.35°). The main window's
// cells and the batch's fields read through these.

#include <string>
#include <string_view>

namespace core {

// True when the whole text, blanks aside, is one decimal number: a sign,
// digits with at most one point, an exponent introduced by E or D.
bool IsPlainNumber(std::string_view text);

// The text without its blanks, tabs and line ends (the classic reader skips
// them wherever they stand).
std::string WithoutBlanks(std::string_view text);

// The text with a double quote written as the two-apostrophe seconds mark.
std::string WithSecondsMark(const std::string& text);

// An angle written D°M'S.s'' with any of its parts, in that order, each a
// number followed by its mark (the seconds mark may also be "), or a plain
// number of degrees (then `plain` is set). Returns the degrees as written,
// before any range rule. Throws base::RuntimeError 13 for anything else, a
// hemisphere letter included, and 6 for a number beyond the double range.
double ReadDmsStrict(const std::string& text, bool& plain);

// 0 to 90°: the grids and range rules hold the northern hemisphere only. A
// latitude of 90° written with 15 digits may exceed it by a hair.
bool InNorthernHemisphere(double latitudeDegrees);

}  // namespace core
