#pragma once
// Find criteria of record sets: `column = 'text'` or `column = number`.
// A criterion is parsed into a column and a value and matched in memory; it
// never becomes part of an SQL statement.

#include <string>

#include "store/Value.h"

namespace store {

struct Criterion {
    std::string column;
    Value value;  // a text or a number
};

// Reads "Nom = 'BE ED50'", "[Nom]='it''s'", "Numéro = 3". A doubled quote
// inside a quoted text stands for one quote. Anything else fails with 3077.
Criterion ParseCriterion(const std::string& text);

// Whether a field value satisfies `wanted`: texts compare without regard to
// case (trailing blanks count), numbers by value; Null matches nothing.
bool Matches(const Value& field, const Value& wanted);

}  // namespace store
