#include "app/batch/CoordinateText.h"

#include <cctype>
#include <cmath>

#include "core/AngleText.h"
#include "core/Constants.h"
#include "base/Errors.h"
#include "core/NumberText.h"

namespace batch {

namespace {


bool Digit(char c) { return c >= '0' && c <= '9'; }

base::RuntimeError NotANumber(const std::string& text) {
    if (text.find_first_not_of(" \t") == std::string::npos)
        return base::RuntimeError(base::err::TypeMismatch, "valeur vide.");
    return base::RuntimeError(base::err::TypeMismatch, "« " + text + " » n'est pas un nombre.");
}

// The field, decimal comma turned to a point, when it is wholly a number.
std::string CheckedNumber(std::string field) {
    core::CommaToPoint(field);
    if (!IsWholeNumber(field)) throw NotANumber(field);
    return field;
}

}  // namespace

bool IsWholeNumber(std::string_view text) {
    // ValNumber skips blanks wherever they stand; so does this reading.
    std::string s;
    for (char c : text)
        if (c != ' ' && c != '\t' && c != '\n') s += c;
    std::size_t i = 0;
    const auto digits = [&](auto isDigit) {
        const std::size_t from = i;
        while (i < s.size() && isDigit(s[i])) ++i;
        return i > from;
    };
    if (s.size() > 2 && s[0] == '&') {
        const char radix = char(s[1] | 0x20);
        i = 2;
        if (radix == 'h') return digits([](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }) && i == s.size();
        if (radix == 'o') return digits([](char c) { return c >= '0' && c <= '7'; }) && i == s.size();
        return false;
    }
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    const bool whole = digits(Digit);
    bool fraction = false;
    if (i < s.size() && s[i] == '.') {
        ++i;
        fraction = digits(Digit);
    }
    if (!whole && !fraction) return false;
    if (i < s.size() && (s[i] == 'E' || s[i] == 'e' || s[i] == 'D' || s[i] == 'd')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
        if (!digits(Digit)) return false;
    }
    return i == s.size();
}

std::string ProjectedText(std::string field, double scale) {
    std::string text = CheckedNumber(std::move(field));
    if (scale == 1) return text;  // the pipeline reads the same number from it
    const double scaled = core::ValNumber(text) * scale;
    if (!std::isfinite(scaled))
        throw base::RuntimeError(base::err::Overflow, "« " + text + " » fois l'échelle dépasse les nombres représentables.");
    return core::FormatGeneral(scaled);
}

std::string GeographicText(std::string field, std::int16_t mode) {
    core::CommaToPoint(field);
    if (mode == core::angle::FromText) {
        if (field.empty()) throw NotANumber(field);
        if (field.find_first_of("°'") == std::string::npos)
            throw base::RuntimeError(base::err::TypeMismatch,
                                     "« " + field + " » n'est pas écrit en degrés, minutes et secondes.");
    } else {
        field = CheckedNumber(std::move(field));
    }
    // A zero angle has no digit but zeros in any of the three forms.
    const bool zero = field.find_first_of("123456789") == std::string::npos;
    double degrees = core::ValNumber(field);
    double radians = degrees;
    core::ConvertAngle(field, degrees, radians, mode);
    // The range rules clear an angle beyond 0 to 360°, which would read as 0.
    if (!zero && degrees == 0 && radians == 0)
        throw base::RuntimeError(base::err::InvalidCall, "angle hors de 0 à 360°.");
    return core::FormatGeneral(radians);
}

double ScaleValue(std::string text) {
    core::CommaToPoint(text);
    if (!IsWholeNumber(text)) return 0;
    try {
        return core::ValNumber(text);
    } catch (const base::ArithmeticError&) {
        return 0;  // beyond the double range
    }
}

std::int16_t ZoneNumber(std::string field) {
    const double zone = core::ValNumber(CheckedNumber(std::move(field)));
    if (!(zone >= MinZone && zone < MaxZone + 1))
        throw base::RuntimeError(base::err::Overflow, "fuseau hors de 1 à 60.");
    return static_cast<std::int16_t>(zone);
}

std::string GridText(const std::string& field) {
    if (field.find_first_not_of(' ') == std::string::npos)
        throw base::RuntimeError(base::err::BadReference, "référence vide.");
    return field;
}

std::string LatitudeText(std::string field, std::int16_t mode) {
    std::string radians = GeographicText(std::move(field), mode);
    // The grids and range rules hold the northern hemisphere only; a southern
    // latitude would come back from the range rules as 270 to 360°.
    if (!NorthernLatitude(Degrees(radians)))
        throw base::RuntimeError(base::err::InvalidCall, "latitude hors de 0 à 90°.");
    return radians;
}

bool NorthernLatitude(double degrees) { return degrees >= 0 && degrees <= core::HalfCircleDeg / 2; }

bool FiniteNumber(const std::string& text) { return IsWholeNumber(text) && std::isfinite(core::ValNumber(text)); }

double Degrees(const std::string& radiansText) {
    return core::ValNumber(radiansText) * core::HalfCircleDeg / core::Pi;
}

std::string DegreesText(const std::string& radiansText) { return core::FormatGeneral(Degrees(radiansText)); }

double LongitudeDegrees(const std::string& radiansText) {
    const double degrees = Degrees(radiansText);
    return degrees > core::HalfCircleDeg ? degrees - 2 * core::HalfCircleDeg : degrees;
}

}  // namespace batch
