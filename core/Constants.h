#pragma once
// Numeric constants shared by every formula of the core.
//
// Pi is deliberately the 15-digit literal rather than the full double value:
// the stored parameter angles were computed with it, and results must agree
// with them to the last digit.

namespace core {

constexpr double Pi = 3.14159265358979;
constexpr double TwoPi = 6.28318530717958;
constexpr double HalfCircleDeg = 180.0;

// Cap on every latitude iteration: a well-posed point settles in a handful of
// passes, so reaching this means NaN input or an oscillation.
constexpr int MaxIterations = 200;

// Two latitude iterates closer than this (radians, about 0.06 mm on the
// ground) have settled.
constexpr double LatTol = 1e-11;

}  // namespace core
