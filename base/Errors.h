#pragma once
// Run-time errors of the program: a number (in the classic run-time numbering
// the messages show) and a French description.

#include <stdexcept>
#include <string>

namespace base {

struct RuntimeError : std::runtime_error {
    RuntimeError(int errorNumber, const std::string& description)
        : std::runtime_error(description), number(errorNumber) {}
    int number;
};

// Floating-point faults and numeric conversions.
struct ArithmeticError : RuntimeError {
    using RuntimeError::RuntimeError;
};

// Every error number the program raises, named once. Names follow the classic
// run-time error table so messages stay familiar to users.
namespace err {
constexpr int InvalidCall = 5;       // "Argument ou appel de procédure incorrect."
constexpr int Overflow = 6;          // "Dépassement de capacité."
constexpr int OutOfMemory = 7;       // "Mémoire insuffisante."
constexpr int DivisionByZero = 11;   // "Division par zéro."
constexpr int TypeMismatch = 13;     // "Type incompatible."
constexpr int NoSuchFile = 53;       // "Fichier introuvable."
constexpr int FileRead = 57;         // "Erreur d'entrée/sortie de périphérique."
constexpr int FileAccess = 75;       // "Erreur dans le chemin d'accès."
constexpr int InvalidNull = 94;      // "Utilisation incorrecte de Null."
constexpr int NoConvergence = 1001;  // "Le calcul ne converge pas."
constexpr int BadReference = 1002;   // unreadable MGRS or IFBL reference
constexpr int BadParameter = 1003;   // a parameter row no formula can use

// The database engine's, in the classic data-access numbering.
constexpr int Engine = 3000;  // any other fault of the underlying engine
constexpr int TableExists = 3010;
constexpr int ObjectNotFound = 3011;  // source table of a link
constexpr int UpdateWithoutEdit = 3020;
constexpr int NoCurrentRecord = 3021;
constexpr int FileNotFound = 3024;
constexpr int ReadOnly = 3027;
constexpr int CannotOpen = 3051;
constexpr int NotAFile = 3055;          // a FIFO, a device: reading could wait for ever
constexpr int TooFewParameters = 3061;  // unknown column in a statement
constexpr int UnknownField = 3070;      // unknown column in a criterion
constexpr int SyntaxError = 3075;
constexpr int CriterionSyntax = 3077;
constexpr int UnknownTable = 3078;
constexpr int BadName = 3125;
constexpr int FieldTooSmall = 3163;
constexpr int RecordDeleted = 3167;
constexpr int NoDriver = 3170;
constexpr int FieldTwice = 3191;
constexpr int DatabaseExists = 3204;
constexpr int NotSupported = 3251;
constexpr int BadFieldType = 3259;
constexpr int Locked = 3260;
constexpr int NoFields = 3264;
constexpr int NotInCollection = 3265;
constexpr int UnreadableFile = 3274;  // a workbook or GeoPackage its reader refuses or fails on
constexpr int BadFormat = 3343;
constexpr int ObjectClosed = 3420;
}  // namespace err

inline constexpr const char* OutOfMemoryText = "Mémoire insuffisante pour terminer le travail.";

inline ArithmeticError OverflowError() { return ArithmeticError(err::Overflow, "Dépassement de capacité."); }
inline ArithmeticError DivisionByZeroError() { return ArithmeticError(err::DivisionByZero, "Division par zéro."); }
inline ArithmeticError InvalidCallError() {
    return ArithmeticError(err::InvalidCall, "Argument ou appel de procédure incorrect.");
}
inline ArithmeticError NoConvergenceError() {
    return ArithmeticError(err::NoConvergence, "Le calcul ne converge pas.");
}

}  // namespace base
