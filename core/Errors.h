#pragma once
// Run-time errors of the program: a number (in the classic run-time numbering
// the messages show) and a French description.

#include <stdexcept>
#include <string>

namespace core {

struct RuntimeError : std::runtime_error {
    RuntimeError(int number, const std::string& description)
        : std::runtime_error(description), number(number) {}
    int number;
};

// Floating-point faults and numeric conversions.
struct ArithmeticError : RuntimeError {
    using RuntimeError::RuntimeError;
};

// Error numbers used by the core and the store. Names follow the classic
// run-time error table so messages stay familiar to users.
namespace err {
constexpr int InvalidCall = 5;        // "Argument ou appel de procédure incorrect."
constexpr int Overflow = 6;           // "Dépassement de capacité."
constexpr int DivisionByZero = 11;    // "Division par zéro."
constexpr int TypeMismatch = 13;      // "Type incompatible."
constexpr int InvalidNull = 94;       // "Utilisation incorrecte de Null."
constexpr int NoConvergence = 1001;   // "Le calcul ne converge pas."
constexpr int BadReference = 1002;    // unreadable MGRS or IFBL reference
}  // namespace err

inline ArithmeticError OverflowError() {
    return ArithmeticError(err::Overflow, "Dépassement de capacité.");
}
inline ArithmeticError DivisionByZeroError() {
    return ArithmeticError(err::DivisionByZero, "Division par zéro.");
}
inline ArithmeticError InvalidCallError() {
    return ArithmeticError(err::InvalidCall, "Argument ou appel de procédure incorrect.");
}
inline ArithmeticError NoConvergenceError() {
    return ArithmeticError(err::NoConvergence, "Le calcul ne converge pas.");
}

}  // namespace core
