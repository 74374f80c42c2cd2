#include "app/batch/CoordinateText.h"

#include "core/AngleText.h"
#include "core/Constants.h"
#include "base/Errors.h"
#include "core/NumberText.h"

namespace batch {

namespace {

constexpr std::int16_t MinZone = 1, MaxZone = 60;

bool Digit(char c) { return c >= '0' && c <= '9'; }

base::RuntimeError NotANumber(const std::string& text) {
    if (text.find_first_not_of(" \t") == std::string::npos)
        return base::RuntimeError(base::err::TypeMismatch, "valeur vide.");
    return base::RuntimeError(base::err::TypeMismatch, "« " + text + " » n'est pas un nombre.");
}

std::string CheckedNumber(std::string field) {
    core::CommaToPoint(field);
    if (!StartsWithNumber(field)) throw NotANumber(field);
    return field;
}

}  // namespace

bool StartsWithNumber(std::string_view text) {
    std::size_t i = text.find_first_not_of(" \t");
    if (i == std::string_view::npos) return false;
    if (text[i] == '&' && i + 1 < text.size()) {
        const char base = text[i + 1];
        return base == 'H' || base == 'h' || base == 'O' || base == 'o';
    }
    if (text[i] == '+' || text[i] == '-') ++i;
    if (i < text.size() && text[i] == '.') ++i;
    return i < text.size() && Digit(text[i]);
}

std::string ProjectedText(std::string field, double scale) {
    std::string text = CheckedNumber(std::move(field));
    if (scale == 1) return text;  // the pipeline reads the same number from it
    return core::FormatGeneral(core::ValNumber(text) * scale);
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

double Degrees(const std::string& radiansText) {
    return core::ValNumber(radiansText) * core::HalfCircleDeg / core::Pi;
}

std::string DegreesText(const std::string& radiansText) { return core::FormatGeneral(Degrees(radiansText)); }

}  // namespace batch
