#pragma once
// Rounding a double to an integer type, refusing what the type cannot hold:
// field values, UTM zones and every other integer read from a double.

#include <cmath>
#include <limits>

#include "base/Errors.h"

namespace base {

// Nearest integer, halves to the even neighbour (2.5 -> 2, 3.5 -> 4, -2.5 -> -2).
inline double RoundHalfEven(double x) {
    double r = std::floor(x);
    const double diff = x - r;
    if (diff > 0.5 || (diff == 0.5 && std::fmod(r, 2.0) != 0.0)) r += 1.0;
    return r;
}

// RoundHalfEven, then `Int`; a value outside its range, or NaN, throws
// OverflowError().
template <class Int>
Int RoundedInt(double x) {
    const double r = RoundHalfEven(x);
    // -min is a power of two, exact as a double even where max is not. Written
    // so that NaN fails too.
    constexpr double low = static_cast<double>(std::numeric_limits<Int>::min());
    if (!(r >= low && r < -low)) throw OverflowError();
    return static_cast<Int>(r);
}

}  // namespace base
