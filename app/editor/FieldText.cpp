#include "app/editor/FieldText.h"

#include <charconv>
#include <cmath>

#include "base/Errors.h"
#include "core/AngleText.h"
#include "core/Constants.h"
#include "core/NumberText.h"
#include "core/StrictText.h"

namespace app {

namespace {

constexpr double RightAngleDeg = 90, FullCircleDeg = 360, MinutesPerDegree = 60;
// Plain decimals between these magnitudes; the exponent form outside them.
constexpr double PlainLow = 1e-5, PlainHigh = 1e15;

// The program's conversions, dividing first, as every stored angle was made.
double Radians(double degrees) { return degrees / core::HalfCircleDeg * core::Pi; }
double Degrees(double radians) { return radians / core::Pi * core::HalfCircleDeg; }

// Degrees-minutes-seconds of a magnitude, the seconds with `decimals`
// decimals (carried into the minutes and degrees when they round to 60),
// trailing zero fields left out: 3°, 48°15', 3°0'30.5''.
std::string Dms(double degrees, int decimals) {
    double d = std::floor(degrees);
    const double minutes = (degrees - d) * MinutesPerDegree;
    double m = std::floor(minutes);
    double s = (minutes - m) * MinutesPerDegree;
    std::string seconds = core::FormatFixed(s, decimals);
    if (core::ValNumber(seconds) >= MinutesPerDegree) {
        seconds = core::FormatFixed(0, decimals);
        if (++m == MinutesPerDegree) {
            m = 0;
            ++d;
        }
    }
    if (const auto point = seconds.find('.'); point != std::string::npos) {
        seconds.erase(seconds.find_last_not_of('0') + 1);
        if (seconds.back() == '.') seconds.pop_back();
    }
    std::string text = core::FormatGeneral(d) + "\xC2\xB0";
    if (seconds != "0") return text + core::FormatGeneral(m) + "'" + seconds + "''";
    if (m != 0) text += core::FormatGeneral(m) + "'";
    return text;
}

core::AngleAxis Axis(AngleKind kind) {
    switch (kind) {
    case AngleKind::Longitude: return core::AngleAxis::Longitude;
    case AngleKind::Latitude: return core::AngleAxis::Latitude;
    default: return core::AngleAxis::Any;
    }
}

}  // namespace

std::string ShowNumber(const store::Value& value) {
    if (value.IsNull()) return {};
    const double v = value.Double();
    const double magnitude = std::fabs(v);
    const bool plain = magnitude == 0 || (magnitude >= PlainLow && magnitude < PlainHigh);
    char buffer[64];
    const auto result = plain ? std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::fixed)
                              : std::to_chars(buffer, buffer + sizeof buffer, v);
    return std::string(buffer, result.ptr);
}

std::string ShowAngle(const store::Value& radians, AngleKind kind) {
    if (radians.IsNull() || radians.Double() == 0) return {};
    const double stored = radians.Double();
    double degrees = Degrees(stored);
    if (!std::isfinite(degrees)) return core::FormatGeneral(degrees);
    // The text must read back as the stored value, or, for a longitude stored
    // east of 180°, as the western one it means.
    double target = stored;
    if (kind == AngleKind::Longitude && degrees > core::HalfCircleDeg) {
        degrees -= FullCircleDeg;
        target = Radians(degrees);
    }
    const std::string sign = degrees < 0 ? "-" : "";
    std::string text;
    for (int decimals = 0; decimals <= MaxShownSecondDecimals; ++decimals) {
        text = sign + Dms(std::fabs(degrees), decimals);
        if (ReadAngle(text, kind) == target) return text;
    }
    return text;  // within a micrometre; a field left as shown keeps the stored value
}

std::optional<double> ReadNumber(const std::string& text, std::string* why) {
    if (core::TrimTypedBlanks(text).empty()) return 0.0;
    try {
        return core::ReadNumberText(text);
    } catch (const base::RuntimeError& e) {
        if (why) *why = e.what();
        return std::nullopt;
    }
}

std::optional<double> ReadAngle(const std::string& text, AngleKind kind, std::string* why) {
    if (core::TrimTypedBlanks(text).empty()) return 0.0;
    double degrees = 0;
    try {
        degrees = core::ReadAngleText(text, Axis(kind)).degrees;
    } catch (const base::RuntimeError& e) {
        if (why) *why = e.what();
        return std::nullopt;
    }
    const auto refuse = [&](const char* reason) -> std::optional<double> {
        if (why) *why = reason;
        return std::nullopt;
    };
    if (std::fabs(degrees) > FullCircleDeg) return refuse("un angle de -360° à 360° est attendu");
    switch (kind) {
    case AngleKind::Longitude:
        if (degrees > core::HalfCircleDeg) degrees -= FullCircleDeg;
        if (degrees < -core::HalfCircleDeg) degrees += FullCircleDeg;
        break;
    case AngleKind::Latitude:
        if (std::fabs(degrees) > RightAngleDeg) return refuse("une latitude de -90° à 90° est attendue");
        break;
    case AngleKind::Rotation: break;
    }
    return Radians(degrees);
}

}  // namespace app
