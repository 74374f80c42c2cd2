// Conversions of field values. Numbers go through std::to_chars and
// std::from_chars only, so the user's locale (decimal comma) never leaks in.

#include "store/Value.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "base/CheckedNumber.h"
#include "base/Text.h"
#include "base/Errors.h"

namespace store {

namespace {

constexpr int MaxDigits = 15;  // what a double shows as text, as the classic CStr did

base::ArithmeticError NullError() {
    return base::ArithmeticError(base::err::InvalidNull, "Utilisation incorrecte de Null.");
}
base::ArithmeticError MismatchError() { return base::ArithmeticError(base::err::TypeMismatch, "Type incompatible."); }

template <class Int>
Int NarrowInt(std::int64_t v) {
    if (v < std::numeric_limits<Int>::min() || v > std::numeric_limits<Int>::max()) throw base::OverflowError();
    return static_cast<Int>(v);
}

// "d.dddE+XX" without trailing zeros in the mantissa, its digit count and exponent.
struct Scientific {
    std::string text;
    int digits = 0;
    int exponent = 0;
};

Scientific ToScientific(double v, int decimals /* -1: shortest round trip */) {
    char buf[64];
    const auto r = decimals < 0 ? std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific)
                                : std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, decimals);
    Scientific s{std::string(buf, r.ptr)};
    auto e = s.text.find('e');
    if (s.text.find('.') < e) {
        auto keep = s.text.find_last_not_of('0', e - 1);
        if (s.text[keep] == '.') --keep;
        s.text.erase(keep + 1, e - keep - 1);
        e = keep + 1;
    }
    s.text[e] = 'E';
    s.digits = int(
        std::count_if(s.text.begin(), s.text.begin() + std::ptrdiff_t(e), [](char c) { return c >= '0' && c <= '9'; }));
    const char* exp = s.text.data() + e + 1;
    std::from_chars(exp + (*exp == '+'), s.text.data() + s.text.size(), s.exponent);
    return s;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::string DoubleText(double v) {
    if (v == 0) return "0";  // also -0, which the classic forms never show
    char buf[64];
    if (!std::isfinite(v)) return std::string(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
    // The shortest round trip gives the digits v needs; past 15 of them v is
    // rounded to 15, as the classic general form does.
    Scientific sci = ToScientific(v, -1);
    if (sci.digits > MaxDigits) sci = ToScientific(v, MaxDigits - 1);
    // The general form: fixed notation for exponents from -4 to 14.
    if (sci.exponent < -4 || sci.exponent >= MaxDigits) return sci.text;
    const int decimals = std::max(0, sci.digits - 1 - sci.exponent);
    return std::string(buf, std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals).ptr);
}

bool ParseNumber(std::string_view text, double& out) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    // from_chars also reads "inf" and "nan", which are no numbers here.
    if (text.empty() || !((text.front() >= '0' && text.front() <= '9') || text.front() == '.')) return false;
    double v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (end != text.data() + text.size()) return false;
    if (ec == std::errc::result_out_of_range) {
        const auto exp = text.find_first_of("eE");
        const bool tiny = exp != std::string_view::npos && exp + 1 < text.size() && text[exp + 1] == '-';
        if (!tiny) throw base::OverflowError();
        v = 0;
    } else if (ec != std::errc()) {
        return false;
    }
    out = negative ? -v : v;
    return true;
}

bool SameText(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return base::AsciiLower(x) == base::AsciiLower(y);
           });
}

std::string Value::Text() const {
    switch (GetKind()) {
    case Kind::Null: return {};
    case Kind::Integer: {
        char buf[24];
        auto r = std::to_chars(buf, buf + sizeof buf, std::get<std::int64_t>(data_));
        return std::string(buf, r.ptr);
    }
    case Kind::Double: return DoubleText(std::get<double>(data_));
    case Kind::Text: break;
    }
    return std::get<std::string>(data_);
}

double Value::Double() const {
    switch (GetKind()) {
    case Kind::Null: throw NullError();
    case Kind::Integer: return static_cast<double>(std::get<std::int64_t>(data_));
    case Kind::Double: return std::get<double>(data_);
    case Kind::Text: break;
    }
    double v = 0;
    if (!ParseNumber(std::get<std::string>(data_), v)) throw MismatchError();
    return v;
}

float Value::Float() const {
    const double v = Double();
    // Converting a finite double beyond the float range is undefined.
    if (std::isfinite(v) && std::fabs(v) > double(std::numeric_limits<float>::max())) throw base::OverflowError();
    return static_cast<float>(v);
}

std::int16_t Value::Int16() const {
    if (GetKind() == Kind::Integer) return NarrowInt<std::int16_t>(std::get<std::int64_t>(data_));
    return base::RoundedInt<std::int16_t>(Double());
}

std::int32_t Value::Int32() const {
    if (GetKind() == Kind::Integer) return NarrowInt<std::int32_t>(std::get<std::int64_t>(data_));
    return base::RoundedInt<std::int32_t>(Double());
}

std::int64_t Value::Int64() const {
    if (GetKind() == Kind::Integer) return std::get<std::int64_t>(data_);
    return base::RoundedInt<std::int64_t>(Double());
}

}  // namespace store
