#include "app/batch/CoordinateText.h"

#include <charconv>
#include <cmath>

#include "core/AngleText.h"
#include "core/Constants.h"
#include "base/Errors.h"
#include "core/NumberText.h"
#include "core/StrictText.h"

namespace batch {

namespace {

base::RuntimeError NotANumber(std::string_view text) {
    if (text.find_first_not_of(" \t") == std::string_view::npos)
        return base::RuntimeError(base::err::TypeMismatch, "valeur vide.");
    return base::RuntimeError(base::err::TypeMismatch, "« " + std::string(text) + " » n'est pas un nombre.");
}

// A field as CommaToPoint leaves it: outer blanks trimmed, decimal commas
// made points. Fields are short: only a long one is copied to the heap.
class PointText {
public:
    explicit PointText(std::string_view field) {
        const std::size_t first = field.find_first_not_of(' ');
        field = first == std::string_view::npos ? std::string_view()
                                                : field.substr(first, field.find_last_not_of(' ') + 1 - first);
        char* out = small_;
        if (field.size() > sizeof small_) {
            large_.resize(field.size());
            out = large_.data();
        }
        for (std::size_t i = 0; i < field.size(); ++i) out[i] = field[i] == ',' ? '.' : field[i];
        text_ = std::string_view(out, field.size());
    }
    PointText(const PointText&) = delete;
    PointText& operator=(const PointText&) = delete;

    std::string_view View() const { return text_; }

private:
    char small_[64];
    std::string large_;
    std::string_view text_;
};

// The number `text` holds, when it is wholly one. Nearly every field is
// "-123.456" or the like: from_chars reads it whole, as ValNumber would, and
// the slower checks are left for the rest.
double WholeNumber(std::string_view text) {
    const char* p = text.data();
    const char* const end = p + text.size();
    if (p != end && *p == '-') ++p;
    if (p != end && *p >= '0' && *p <= '9') {
        double value = 0;
        const auto [stop, ec] = std::from_chars(text.data(), end, value);
        if (ec == std::errc() && stop == end) return value;
    }
    if (!core::IsPlainNumber(text)) throw NotANumber(text);
    return core::ValNumber(text);
}

// The field's number, decimal comma read as a point, when it is wholly one.
double CheckedNumber(std::string_view field) { return WholeNumber(PointText(field).View()); }

}  // namespace

double PackedDmsDegrees(std::string_view field) {
    const PointText point(field);
    const std::string_view text = point.View();
    std::size_t i = 0;
    const bool negative = !text.empty() && (text[0] == '-' || text[0] == '+');
    if (negative) i = 1;
    const std::size_t dot = text.find('.');
    const std::string_view whole = text.substr(i, dot == std::string_view::npos ? std::string_view::npos : dot - i);
    const std::string_view packed = dot == std::string_view::npos ? std::string_view() : text.substr(dot + 1);
    const auto digits = [](std::string_view s) { return s.find_first_not_of("0123456789") == std::string_view::npos; };
    if (whole.empty() || !digits(whole) || !digits(packed)) {
        if (text.empty()) throw NotANumber(text);
        throw base::RuntimeError(base::err::TypeMismatch, "« " + std::string(text) + " » n'est pas écrit en DD.MMSS.");
    }
    // Minutes and seconds padded on the right: "4.2" is 4.20, 20 minutes.
    std::string rest(packed);
    if (rest.size() < 4) rest.resize(4, '0');
    const double minutes = (rest[0] - '0') * 10 + (rest[1] - '0');
    const double seconds = core::ValNumber(rest.substr(2, 2) + "." + rest.substr(4));
    if (minutes >= 60 || seconds >= 60)
        throw base::RuntimeError(base::err::TypeMismatch,
                                 "« " + std::string(text) + " » n'est pas écrit en DD.MMSS : " +
                                     (minutes >= 60 ? "les minutes" : "les secondes") + " vont de 0 à 59.");
    const double degrees = core::ValNumber(std::string(whole)) + minutes / 60 + seconds / 3600;
    if (!std::isfinite(degrees)) throw NotANumber(text);
    return text[0] == '-' ? -degrees : degrees;
}

double ProjectedValue(std::string_view field, double scale) {
    const PointText text(field);
    const double value = WholeNumber(text.View());
    if (scale == 1) return value;  // read from the field's own text
    const double scaled = value * scale;
    if (!std::isfinite(scaled))
        throw base::RuntimeError(base::err::Overflow, "« " + std::string(text.View()) +
                                                          " » fois l'échelle dépasse les nombres représentables.");
    return core::GeneralValue(scaled);
}

namespace {

// The radians of an angle read as `degrees` or `radians` (as `mode` says),
// through the range rules of the angle forms. `zero()`: its text held no
// digit but zeros (asked only of an angle that comes out as 0).
template <typename Zero>
double CheckedRadians(double value, Zero zero, std::int16_t mode) {
    double degrees = value, radians = value;
    core::ConvertAngleValues(degrees, radians, mode);
    // The range rules clear an angle beyond 0 to 360°, which would read as 0.
    if (degrees == 0 && radians == 0 && !zero())
        throw base::RuntimeError(base::err::InvalidCall, "angle hors de 0 à 360°.");
    return core::GeneralValue(radians);
}

// NaN is how arrays and data frames hold an empty or unreadable cell.
base::RuntimeError NotFinite(double value) {
    if (std::isnan(value))
        return base::RuntimeError(base::err::TypeMismatch, "valeur vide ou qui n'est pas un nombre.");
    return base::RuntimeError(base::err::TypeMismatch, "« " + core::FormatGeneral(value) + " » n'est pas un nombre.");
}

}  // namespace

namespace {

// An angle field as written, before the range rules: its value in the unit
// of `mode` (degrees for the text and packed forms), and whether it is a
// zero angle: 0, its text holding no digit but zeros (not 1e-400).
struct RawAngle {
    double value;
    bool zero;
    std::int16_t mode;

    double InDegrees() const { return mode == core::angle::FromRadians ? Degrees(value) : value; }
    double Radians() const {
        return CheckedRadians(
            value, [this] { return zero; }, mode);
    }
};

// Asked only of a value of 0: most fields are not searched.
bool NoDigitButZeros(std::string_view text) { return text.find_first_of("123456789") == std::string_view::npos; }

RawAngle ReadAngle(std::string_view field, std::int16_t mode) {
    if (mode == core::angle::FromText) {
        std::string text(field);
        core::CommaToPoint(text);
        if (text.empty()) throw NotANumber(text);
        // The one angle reader: blanks, hemisphere letters, a sign for the whole angle.
        const core::AngleReading reading = core::ReadAngleText(text);
        if (reading.plain)
            throw base::RuntimeError(base::err::TypeMismatch,
                                     "« " + text + " » n'est pas écrit en degrés, minutes et secondes.");
        return {reading.degrees, reading.degrees == 0 && NoDigitButZeros(text), core::angle::FromDegrees};
    }
    if (mode == GeoPackedDms) {
        const double degrees = PackedDmsDegrees(field);
        return {degrees, degrees == 0, core::angle::FromDegrees};
    }
    const PointText text(field);
    const double value = WholeNumber(text.View());
    return {value, value == 0 && NoDigitButZeros(text.View()), mode};
}

RawAngle NumberAngle(double value, std::int16_t mode) {
    if (mode != core::angle::FromDegrees && mode != core::angle::FromRadians) throw base::InvalidCallError();
    if (!std::isfinite(value)) throw NotFinite(value);
    return {value, value == 0, mode};
}

double CheckedLongitude(const RawAngle& angle) {
    const double degrees = angle.InDegrees();
    if (!core::LongitudeInRange(degrees))
        throw base::RuntimeError(base::err::InvalidCall, "longitude hors de " +
                                                             core::FormatGeneral(core::MinLongitudeDeg) + " à " +
                                                             core::FormatGeneral(core::MaxLongitudeDeg) +
                                                             "° : " + core::FormatGeneral(degrees) + "°.");
    return angle.Radians();
}

}  // namespace

double GeographicValue(std::string_view field, std::int16_t mode) { return ReadAngle(field, mode).Radians(); }

double LongitudeValue(std::string_view field, std::int16_t mode) { return CheckedLongitude(ReadAngle(field, mode)); }

double ProjectedNumber(double value) {
    if (!std::isfinite(value)) throw NotFinite(value);
    return value;
}

double GeographicNumber(double value, std::int16_t mode) { return NumberAngle(value, mode).Radians(); }

double LongitudeNumber(double value, std::int16_t mode) { return CheckedLongitude(NumberAngle(value, mode)); }

double ScaleValue(std::string text) {
    core::CommaToPoint(text);
    if (!core::IsPlainNumber(text)) return 0;
    try {
        return core::ValNumber(text);
    } catch (const base::ArithmeticError&) {
        return 0;  // beyond the double range
    }
}

std::int16_t ZoneNumber(std::string_view field) { return ZoneNumber(CheckedNumber(field)); }

std::int16_t ZoneNumber(double zone) {
    if (!(zone >= MinZone && zone < MaxZone + 1))
        throw base::RuntimeError(base::err::Overflow, "fuseau hors de 1 à 60.");
    return static_cast<std::int16_t>(zone);
}

double UtmNorthing(double north) {
    if (!(north >= 0 && north <= core::UtmMaxNorthing))
        throw base::RuntimeError(base::err::InvalidCall,
                                 "N = " + core::FormatGeneral(north) +
                                     " m : Travena calcule dans l'hémisphère nord, où N va de 0 à " +
                                     core::FormatGeneral(core::UtmMaxNorthing) + " m.");
    return north;
}

std::string GridText(std::string_view field) {
    if (field.find_first_not_of(' ') == std::string_view::npos)
        throw base::RuntimeError(base::err::BadReference, "référence vide.");
    return std::string(field);
}

namespace {

double NorthernLatitude(double radians) {
    // The grids and range rules hold the northern hemisphere only; a southern
    // latitude would come back from the range rules as 270 to 360°.
    if (!core::InNorthernHemisphere(Degrees(radians)))
        throw base::RuntimeError(base::err::InvalidCall, "latitude hors de 0 à 90°.");
    return radians;
}

}  // namespace

double LatitudeValue(std::string_view field, std::int16_t mode) {
    return NorthernLatitude(GeographicValue(field, mode));
}

double LatitudeNumber(double value, std::int16_t mode) { return NorthernLatitude(GeographicNumber(value, mode)); }

double Degrees(double radians) { return radians * core::HalfCircleDeg / core::Pi; }

double LongitudeDegrees(double radians) {
    const double degrees = Degrees(radians);
    return degrees > core::HalfCircleDeg ? degrees - 2 * core::HalfCircleDeg : degrees;
}

}  // namespace batch
