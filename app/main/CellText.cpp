#include "app/main/CellText.h"

#include <cmath>

#include "base/Errors.h"
#include "core/AngleText.h"
#include "core/NumberText.h"
#include "core/StrictText.h"

namespace app {

namespace {

constexpr double MaxLongitude = 360;

std::string Quoted(const std::string& text) { return "« " + text + " »"; }

double ReadNumber(std::string_view number, const std::string& typed) {
    try {
        const double value = core::ValNumber(number);
        if (std::isfinite(value)) return value;
    } catch (const base::RuntimeError&) {
    }
    throw Refused("Nombre trop grand : " + Quoted(typed) + ".");
}

}  // namespace

double CellNumber(const std::string& text, const std::string& what) {
    std::string t = text;
    core::CommaToPoint(t);
    if (core::WithoutBlanks(t).empty()) throw Refused("la case " + what + " est vide.");
    if (!core::IsPlainNumber(t)) throw Refused("la case " + what + " ne contient pas un nombre : " + Quoted(text) + ".");
    return ReadNumber(core::WithoutBlanks(t), text);
}

std::optional<std::int16_t> ReadZone(const std::string& text) {
    std::string t = text;
    core::CommaToPoint(t);
    if (!core::IsPlainNumber(t)) return std::nullopt;
    double zone = 0;
    try {
        zone = core::ValNumber(core::WithoutBlanks(t));
    } catch (const base::RuntimeError&) {
        return std::nullopt;
    }
    if (!(zone >= 1 && zone <= 60) || zone != std::floor(zone)) return std::nullopt;
    return static_cast<std::int16_t>(zone);
}

double ReadDmsCell(const std::string& text, bool& plain) {
    try {
        return core::ReadDmsStrict(text, plain);
    } catch (const base::RuntimeError& e) {
        throw Refused(e.what());
    }
}

void CheckLatitude(double degrees) {
    if (core::InNorthernHemisphere(degrees)) return;
    throw Refused("Latitude hors limites : " + core::FormatGeneral(degrees) +
                  "°. Travena calcule dans l'hémisphère nord, de 0° à 90° de latitude.");
}

void CheckLongitude(double degrees) {
    if (degrees >= -MaxLongitude && degrees <= MaxLongitude) return;
    throw Refused("Longitude hors limites : " + core::FormatGeneral(degrees) + "°. Elle va de -360° à 360°.");
}

}  // namespace app
