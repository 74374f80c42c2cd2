#pragma once
// Detection of floating-point faults.
//
// C++ arithmetic does not trap: a division by zero or the logarithm of a
// negative number quietly yields an infinity or a NaN. The formulas of the
// core must instead stop at the first fault, leaving the outputs written so
// far in place. An FpGuard clears the exception flags when a computation
// starts; Put() checks them (and the value itself) before each output is
// stored, so a fault raises before the faulty value reaches the caller.

#include <cfenv>
#include <cmath>

#include "core/Errors.h"

namespace core {

class FpGuard {
public:
    static constexpr int Faults = FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW;

    FpGuard() { std::feclearexcept(FE_ALL_EXCEPT); }
    ~FpGuard() { std::feclearexcept(FE_ALL_EXCEPT); }
    FpGuard(const FpGuard&) = delete;
    FpGuard& operator=(const FpGuard&) = delete;

    // Throws the error matching the first raised fault flag.
    static void Check() {
        const int raised = std::fetestexcept(Faults);
        if (raised == 0) return;
        std::feclearexcept(FE_ALL_EXCEPT);
        if (raised & FE_DIVBYZERO) throw DivisionByZeroError();
        if (raised & FE_OVERFLOW) throw OverflowError();
        throw InvalidCallError();
    }

    // Checks value as well: NaN propagated from an input raises no flag.
    static double Checked(double value) {
        Check();
        if (std::isnan(value)) throw InvalidCallError();
        if (std::isinf(value)) throw OverflowError();
        return value;
    }

    // Stores value into out only when no fault happened on the way to it.
    template <class T>
    static void Put(T& out, double value) { out = static_cast<T>(Checked(value)); }
};

}  // namespace core
