#include "core/StrictText.h"

#include <cctype>
#include <cmath>
#include <cstring>

#include "base/Errors.h"
#include "core/Constants.h"
#include "core/NumberText.h"

namespace core {

namespace {

constexpr double AngleSlack = 1e-9;
constexpr std::size_t ThousandsGroup = 3;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Length of the number at the start of `t` (sign only when `sign`), 0 if none.
std::size_t NumberLength(std::string_view t, bool sign) {
    std::size_t i = 0;
    auto digits = [&] {
        const std::size_t from = i;
        while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]))) ++i;
        return i - from;
    };
    if (sign && i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    std::size_t mantissa = digits();
    if (i < t.size() && t[i] == '.') {
        ++i;
        mantissa += digits();
    }
    if (mantissa == 0) return 0;
    if (i < t.size() && std::strchr("EeDd", t[i])) {
        std::size_t j = i + 1;
        if (j < t.size() && (t[j] == '+' || t[j] == '-')) ++j;
        const std::size_t save = i;
        i = j;
        if (digits() == 0) i = save;  // "12e" is not a number
    }
    return i;
}

}  // namespace

std::size_t TypedBlankLength(std::string_view text, std::size_t at) {
    if (at >= text.size()) return 0;
    if (IsBlank(text[at])) return 1;
    for (std::string_view space : {"\u00A0", "\u202F", "\u2009", "\u2007"})
        if (text.substr(at).starts_with(space)) return space.size();
    return 0;
}

std::size_t TypedMinusLength(std::string_view text, std::size_t at) {
    if (at < text.size() && text[at] == '-') return 1;
    return text.substr(at).starts_with("\u2212") ? std::string_view("\u2212").size() : 0;
}

std::string_view TrimTypedBlanks(std::string_view text) {
    while (std::size_t b = TypedBlankLength(text, 0)) text.remove_prefix(b);
    // Blanks are one to three bytes long: look back that far for one ending here.
    for (bool trimmed = true; trimmed && !text.empty();) {
        trimmed = false;
        for (std::size_t n = 1; n <= 3 && n <= text.size(); ++n)
            if (TypedBlankLength(text, text.size() - n) == n) {
                text.remove_suffix(n);
                trimmed = true;
                break;
            }
    }
    return text;
}

std::string WithoutBlanks(std::string_view text) {
    std::string out;
    for (char c : text)
        if (!IsBlank(c)) out += c;
    return out;
}

bool IsPlainNumber(std::string_view text) {
    // Numbers are short: the blanks are dropped on the stack, not the heap.
    char small[64];
    std::size_t n = 0;
    for (char c : text) {
        if (IsBlank(c)) continue;
        if (n == sizeof small) {
            const std::string t = WithoutBlanks(text);
            return NumberLength(t, true) == t.size();
        }
        small[n++] = c;
    }
    return n > 0 && NumberLength(std::string_view(small, n), true) == n;
}

double ReadNumberText(std::string_view typed) {
    const std::string_view t = TrimTypedBlanks(typed);
    const base::RuntimeError refused(base::err::TypeMismatch, "« " + std::string(typed) + " » n'est pas un nombre.");
    // The number in the form ValNumber reads exactly: sign, digits, point, exponent.
    std::string number;
    std::size_t i = 0;
    if (const std::size_t minus = TypedMinusLength(t, 0)) {
        number += '-';
        i = minus;
    } else if (!t.empty() && t[0] == '+') {
        i = 1;
    }
    std::size_t group = 0, groups = 0, digits = 0;
    for (;;) {
        if (i < t.size() && IsDigit(t[i])) {
            number += t[i++];
            ++group;
            ++digits;
            continue;
        }
        const std::size_t blank = TypedBlankLength(t, i);
        if (blank == 0) break;
        // A thousands separator: after a first group of one to three digits,
        // between groups of three.
        if (group == 0 || group > ThousandsGroup || (groups > 0 && group != ThousandsGroup)) throw refused;
        ++groups;
        group = 0;
        i += blank;
    }
    if (groups > 0 && group != ThousandsGroup) throw refused;
    if (i < t.size() && (t[i] == '.' || t[i] == ',')) {
        number += '.';
        ++i;
        while (i < t.size() && IsDigit(t[i])) {
            number += t[i++];
            ++digits;
        }
    }
    if (digits == 0) throw refused;
    if (i < t.size() && std::strchr("EeDd", t[i])) {
        number += 'e';
        ++i;
        if (i < t.size() && (t[i] == '+' || t[i] == '-')) number += t[i++];
        const std::size_t from = i;
        while (i < t.size() && IsDigit(t[i])) number += t[i++];
        if (i == from) throw refused;
    }
    if (i != t.size()) throw refused;
    try {
        return ValNumber(number);
    } catch (const base::RuntimeError&) {
        throw base::RuntimeError(base::err::Overflow, "Nombre trop grand : « " + std::string(typed) + " ».");
    }
}

bool InNorthernHemisphere(double latitudeDegrees) {
    return latitudeDegrees >= 0 && latitudeDegrees <= HalfCircleDeg / 2 + AngleSlack;
}

bool LongitudeInRange(double longitudeDegrees) {
    return longitudeDegrees >= MinLongitudeDeg - AngleSlack && longitudeDegrees <= MaxLongitudeDeg + AngleSlack;
}

}  // namespace core
