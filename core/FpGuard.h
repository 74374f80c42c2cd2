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

#if defined(__x86_64__) && defined(__SSE2__)
#include <immintrin.h>
#endif

#include "base/Errors.h"

namespace core {

namespace fpflags {
#if defined(__x86_64__) && defined(__SSE2__)
// On x86-64 every double operation, the mathematical library's included,
// runs on SSE, so its status register holds all the flags we need; reading it
// directly is an order of magnitude cheaper than the x87-aware fenv calls.
constexpr unsigned Invalid = 0x01, DivByZero = 0x04, Overflow = 0x08, All = 0x3F;
inline unsigned Raised() { return _mm_getcsr() & (Invalid | DivByZero | Overflow); }
inline void Clear() { _mm_setcsr(_mm_getcsr() & ~All); }
#else
constexpr unsigned Invalid = FE_INVALID, DivByZero = FE_DIVBYZERO, Overflow = FE_OVERFLOW;
inline unsigned Raised() { return static_cast<unsigned>(std::fetestexcept(FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW)); }
inline void Clear() { std::feclearexcept(FE_ALL_EXCEPT); }
#endif
}  // namespace fpflags

class FpGuard {
public:
    FpGuard() { fpflags::Clear(); }
    FpGuard(const FpGuard&) = delete;
    FpGuard& operator=(const FpGuard&) = delete;

    // Throws the error matching the first raised fault flag.
    static void Check() {
        const unsigned raised = fpflags::Raised();
        if (raised == 0) return;
        fpflags::Clear();
        if (raised & fpflags::DivByZero) throw base::DivisionByZeroError();
        if (raised & fpflags::Overflow) throw base::OverflowError();
        throw base::InvalidCallError();
    }

    // Checks value as well: NaN propagated from an input raises no flag.
    static double Checked(double value) {
        Check();
        if (std::isnan(value)) throw base::InvalidCallError();
        if (std::isinf(value)) throw base::OverflowError();
        return value;
    }

    // Stores value into out only when no fault happened on the way to it.
    template <class T>
    static void Put(T& out, double value) {
        out = static_cast<T>(Checked(value));
    }
};

}  // namespace core
