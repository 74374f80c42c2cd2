#pragma once
// Numbers as text: reading the number a text begins with, and the two output
// formats of the program (general and fixed decimals).
//
// Every function here ignores the user's locale: the decimal separator is
// always the point, on input and on output, so that texts written by one run
// read back in any other.

#include <cstdint>
#include <string>
#include <string_view>

namespace core {

// The number the text begins with, read as the classic BASIC Val does:
// - blanks, tabs and line feeds are skipped wherever they stand ("150 000" is 150000);
// - an optional sign, digits, a point as the only decimal separator, and an
//   optional exponent introduced by E or D (either case) with an optional sign;
// - "&H" or "&O" (either case) introduces a hexadecimal or octal integer: up to
//   16 bits it is read as a signed 16-bit value (&HFFFF is -1), up to 32 bits
//   as a signed 32-bit value;
// - reading stops at the first character that cannot continue the number, and
//   a text that does not begin with a number gives 0 ("50°30'" is 50, "15,5" is 15).
// The result is correctly rounded. A value beyond the double range, or a
// hexadecimal or octal integer over 32 bits, throws OverflowError(); a value
// too small for a double reads as zero.
double ValNumber(std::string_view text);

// General number format: the shortest text of at most 15 significant digits
// that reads back as the value rounded to 15 digits; exponent form "1E+16",
// "1E-05" outside 1E-04..1E+15 (as printf "%.15G"). Zero of either sign is "0".
// Non-finite values give "NAN", "INF" or "-INF".
std::string FormatGeneral(double value);
// The same text written to `out` (at least MaxGeneralLength bytes, no
// terminating zero); returns its length.
constexpr std::size_t MaxGeneralLength = 32;
std::size_t FormatGeneralTo(double value, char* out);
// ValNumber(FormatGeneral(value)), without the text: the value rounded to 15
// significant digits as the general format writes it (0 for NaN and
// infinities, which it spells with letters).
double GeneralValue(double value);

// Fixed pattern such as "0.000": at least one integer digit, then exactly
// `decimals` digits after a point. The value is first taken to 15 significant
// digits, as FormatGeneral shows it, then rounded half away from zero, so
// 2.5 gives "3" and 0.285 gives "0.29" with two decimals. A result that
// rounds to zero carries no sign. `decimals` outside 0..MaxFixedDecimals
// throws InvalidCallError().
constexpr int MaxFixedDecimals = 20;
std::string FormatFixed(double value, int decimals);

}  // namespace core
