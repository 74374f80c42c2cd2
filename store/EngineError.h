#pragma once
// Errors of the database engine. Numbers follow the classic data-access
// numbering, so that messages showing "number description" look familiar.

#include <string>

#include "core/Errors.h"

namespace store {

struct EngineError : core::RuntimeError {
    using core::RuntimeError::RuntimeError;
};

namespace err {
constexpr int Engine = 3000;            // any other fault of the underlying engine
constexpr int TableExists = 3010;
constexpr int ObjectNotFound = 3011;    // source table of a link
constexpr int UpdateWithoutEdit = 3020;
constexpr int NoCurrentRecord = 3021;
constexpr int FileNotFound = 3024;
constexpr int ReadOnly = 3027;
constexpr int CannotOpen = 3051;
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
constexpr int BadFormat = 3343;
constexpr int ObjectClosed = 3420;
}  // namespace err

// The error with its standard French description; `item` fills the
// description's placeholder (a path, a table or field name, a message).
EngineError Error(int number, const std::string& item = {});

}  // namespace store
