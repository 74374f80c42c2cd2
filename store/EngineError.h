#pragma once
// Errors of the database engine. Numbers follow the classic data-access
// numbering, so that messages showing "number description" look familiar.

#include <string>

#include "base/Errors.h"

namespace store {

struct EngineError : base::RuntimeError {
    using base::RuntimeError::RuntimeError;
};

// The error with its standard French description; `item` fills the
// description's placeholder (a path, a table or field name, a message).
EngineError Error(int number, const std::string& item = {});

}  // namespace store
