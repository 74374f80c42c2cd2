#include "app/editor/FieldText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <regex>

#include "base/Errors.h"
#include "core/AngleText.h"
#include "core/Constants.h"
#include "core/NumberText.h"
#include "core/StrictText.h"

namespace app {

namespace {

constexpr double RightAngleDeg = 90, HalfCircleDeg = 180, FullCircleDeg = 360;

// Blanks inside a number are thousands separators to ValNumber; drop them
// before checking the form, so both agree.
std::string WithoutBlanks(std::string text) {
    core::CommaToPoint(text);
    return core::WithoutBlanks(text);
}

double Radians(double degrees) { return degrees / HalfCircleDeg * core::Pi; }

}  // namespace

std::string ShowNumber(const store::Value& value) {
    if (value.IsNull()) return {};
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value.Double());
    return std::string(buffer, result.ptr);
}

std::string ShowAngle(const store::Value& radians) {
    std::string text;
    double degrees = 0, rad = radians.IsNull() ? 0.0 : radians.Double();
    core::ConvertAngle(text, degrees, rad, core::angle::FromRadians);
    return text;
}

std::optional<double> ReadNumber(std::string text) {
    text = WithoutBlanks(std::move(text));
    if (text.empty()) return 0.0;
    if (!core::IsPlainNumber(text)) return std::nullopt;
    try {
        return core::ValNumber(text);
    } catch (const base::ArithmeticError&) {
        return std::nullopt;  // beyond the range of a double
    }
}

std::optional<double> ReadAngle(std::string text, AngleKind kind) {
    text = WithoutBlanks(std::move(text));
    if (text.empty()) return 0.0;
    static const std::regex dms("(-?(\\d+\\.?\\d*|\\.\\d+)\xC2\xB0)?((\\d+\\.?\\d*|\\.\\d+)')?((\\d+\\.?\\d*|\\.\\d+)'')?");
    if (!std::regex_match(text, dms)) return std::nullopt;
    const bool typedZero = std::none_of(text.begin(), text.end(), [](char c) { return c >= '1' && c <= '9'; });
    double degrees = 0, radians = 0;
    core::ConvertAngle(text, degrees, radians, core::angle::FromText);
    if (degrees == 0 && !typedZero) return std::nullopt;  // beyond 360° either way: cleared by the range rules
    switch (kind) {
    case AngleKind::Longitude:
        if (degrees > HalfCircleDeg) return Radians(degrees - FullCircleDeg);
        break;
    case AngleKind::Latitude:
        if (degrees >= FullCircleDeg - RightAngleDeg) return Radians(degrees - FullCircleDeg);
        if (degrees > RightAngleDeg) return std::nullopt;
        break;
    case AngleKind::Rotation:
        break;
    }
    return radians;
}

}  // namespace app
