#include "app/main/CellText.h"

#include <cmath>

#include "base/Errors.h"
#include "base/Text.h"
#include "core/AngleText.h"
#include "core/NumberText.h"
#include "core/StrictText.h"

namespace app {

double CellNumber(const std::string& text, const std::string& what) {
    if (core::TrimTypedBlanks(text).empty()) throw Refused("la case " + what + " est vide.");
    try {
        return core::ReadNumberText(text);
    } catch (const base::RuntimeError& e) {
        if (e.number != base::err::TypeMismatch) throw Refused(e.what());
        throw Refused("la case " + what + " ne contient pas un nombre : " + base::Guillemets(text) + ".");
    }
}

double TypedNumber(const std::string& text) {
    try {
        return core::ReadNumberText(text);
    } catch (const base::RuntimeError& e) {
        throw Refused(e.what());
    }
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

core::AngleReading ReadDmsCell(const std::string& text, core::AngleAxis axis) {
    try {
        return core::ReadAngleText(text, axis);
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
    if (core::LongitudeInRange(degrees)) return;
    throw Refused("Longitude hors limites : " + core::FormatGeneral(degrees) + "°. Elle va de " +
                  core::FormatGeneral(core::MinLongitudeDeg) + "° à " + core::FormatGeneral(core::MaxLongitudeDeg) +
                  "°.");
}

}  // namespace app
