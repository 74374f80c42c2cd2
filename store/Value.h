#pragma once
// A field value as the engine hands it out: Null, an integer, a double or a
// text, with the conversions callers apply to it. Every conversion between
// numbers and text ignores the locale: a point is the only decimal separator.

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

namespace store {

class Value {
public:
    enum class Kind { Null, Integer, Double, Text };

    Value() = default;  // Null
    Value(int v) : data_(std::int64_t{v}) {}
    Value(std::int64_t v) : data_(v) {}
    Value(double v) : data_(v) {}
    Value(std::string v) : data_(std::move(v)) {}
    Value(const char* v) : data_(std::string(v)) {}

    Kind GetKind() const { return static_cast<Kind>(data_.index()); }
    bool IsNull() const { return data_.index() == 0; }

    // The text itself when the value is a text, without a copy; else null.
    const std::string* IfText() const { return std::get_if<std::string>(&data_); }
    // Numbers in their shortest form of at most 15 significant digits; Null
    // gives an empty text.
    std::string Text() const;
    // Null fails with 94, a text that spells no number with 13, a number
    // beyond range with 6.
    double Double() const;
    float Float() const;         // the nearest single-precision value
    std::int16_t Int16() const;  // rounded half to even
    std::int32_t Int32() const;  // rounded half to even
    std::int64_t Int64() const;  // rounded half to even

    friend bool operator==(const Value&, const Value&) = default;

private:
    std::variant<std::monostate, std::int64_t, double, std::string> data_;
};

// Shortest text that reads back as `v`, cut to 15 significant digits, in the
// general form ("0.1", "1E+20", "1.5E-07").
std::string DoubleText(double v);

// Reads a whole text (surrounding blanks allowed) as a decimal number. False
// when it spells no number; a number too large for a double fails with 6.
bool ParseNumber(std::string_view text, double& out);

// Name and text comparison without regard to case, folding ASCII letters only
// (the rule SQLite's NOCASE collation applies, so criteria and queries agree).
bool SameText(std::string_view a, std::string_view b);

}  // namespace store
