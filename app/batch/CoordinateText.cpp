#include "app/batch/CoordinateText.h"

#include <cmath>

#include "core/AngleText.h"
#include "core/Constants.h"
#include "base/Errors.h"
#include "core/NumberText.h"
#include "core/StrictText.h"

namespace batch {

namespace {

base::RuntimeError NotANumber(const std::string& text) {
    if (text.find_first_not_of(" \t") == std::string::npos)
        return base::RuntimeError(base::err::TypeMismatch, "valeur vide.");
    return base::RuntimeError(base::err::TypeMismatch, "« " + text + " » n'est pas un nombre.");
}

// The field, decimal comma turned to a point, when it is wholly a number.
std::string CheckedNumber(std::string field) {
    core::CommaToPoint(field);
    if (!core::IsPlainNumber(field)) throw NotANumber(field);
    return field;
}

}  // namespace

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
        // Read strictly first: the classic reading takes "E4°21'0''" as 0.35°.
        bool plain = false;
        core::ReadDmsStrict(field, plain);
        if (plain)
            throw base::RuntimeError(base::err::TypeMismatch,
                                     "« " + field + " » n'est pas écrit en degrés, minutes et secondes.");
    } else {
        field = CheckedNumber(std::move(field));
    }
    // A zero angle has no digit but zeros in any of the three forms.
    const bool zero = field.find_first_of("123456789") == std::string::npos;
    double degrees = core::ValNumber(field);
    double radians = degrees;
    // Only the radians go on: the other forms' text is never built.
    if (mode == core::angle::FromText) core::ConvertAngle(field, degrees, radians, mode);
    else core::ConvertAngleValues(degrees, radians, mode);
    // The range rules clear an angle beyond 0 to 360°, which would read as 0.
    if (!zero && degrees == 0 && radians == 0)
        throw base::RuntimeError(base::err::InvalidCall, "angle hors de 0 à 360°.");
    return core::FormatGeneral(radians);
}

double ScaleValue(std::string text) {
    core::CommaToPoint(text);
    if (!core::IsPlainNumber(text)) return 0;
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
    if (!core::InNorthernHemisphere(Degrees(radians)))
        throw base::RuntimeError(base::err::InvalidCall, "latitude hors de 0 à 90°.");
    return radians;
}

bool FiniteNumber(const std::string& text) { return core::IsPlainNumber(text) && std::isfinite(core::ValNumber(text)); }

double Degrees(const std::string& radiansText) {
    return core::ValNumber(radiansText) * core::HalfCircleDeg / core::Pi;
}

std::string DegreesText(const std::string& radiansText) { return core::FormatGeneral(Degrees(radiansText)); }

double LongitudeDegrees(const std::string& radiansText) {
    const double degrees = Degrees(radiansText);
    return degrees > core::HalfCircleDeg ? degrees - 2 * core::HalfCircleDeg : degrees;
}

}  // namespace batch
