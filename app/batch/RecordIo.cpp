#include "app/batch/RecordIo.h"

#include <cmath>

#include "base/Errors.h"
#include "core/Grid.h"
#include "core/NumberText.h"
#include "core/StrictText.h"
#include "core/Pipeline.h"

namespace batch {

void AppendCoordinateValues(SystemKind kind, const Coordinates& c, std::vector<store::Value>& values) {
    switch (kind) {
    case SystemKind::Projected:
        values.emplace_back(core::GeneralValue(c.x));
        values.emplace_back(core::GeneralValue(c.y));
        break;
    case SystemKind::Geographic:
        values.emplace_back(LongitudeDegrees(core::GeneralValue(c.x)));
        values.emplace_back(Degrees(core::GeneralValue(c.y)));
        break;
    case SystemKind::Utm:
        values.emplace_back(core::GeneralValue(c.x));
        values.emplace_back(core::GeneralValue(c.y));
        values.emplace_back(int(c.zone));
        break;
    case SystemKind::Mgrs:
    case SystemKind::Ifbl: values.emplace_back(c.reference); break;
    default: break;
    }
}

void ReadCoordinateNumbers(SystemKind kind, std::int16_t geoMode, double x, double y, double zone,
                           std::string_view reference, Coordinates& c) {
    c.zone = 0;
    switch (kind) {
    case SystemKind::Mgrs:
    case SystemKind::Ifbl:
        c.reference = GridText(reference);
        c.x = c.y = 0;
        break;
    case SystemKind::Geographic:
        c.x = LongitudeNumber(x, geoMode);
        c.y = LatitudeNumber(y, geoMode);
        break;
    default:
        c.x = ProjectedNumber(x);
        c.y = ProjectedNumber(y);
        if (kind == SystemKind::Utm) {
            c.y = UtmNorthing(c.y);
            c.zone = ZoneNumber(zone);
        }
    }
}

void RefuseOutsideGrid(SystemKind kind, const Coordinates& c) {
    if (kind == SystemKind::Ifbl && c.reference == core::IfblOutsideGrid)
        throw base::RuntimeError(base::err::BadReference, "point hors de la grille IFBL.");
}

namespace {

// A result is written to 15 significant digits: finite, and (as reading
// that text back would) GeneralValue fails with 6 when it overflows.
bool Finite(double value) {
    return std::isfinite(value) && (std::fabs(value) < 1e308 || (core::GeneralValue(value), true));
}

// The latitude its 15-digit text gives lies in 0 to 90°. Well inside, the
// rounding cannot take it out, and nearly every point is spared it.
bool NorthernResult(double radians) {
    constexpr double SafeLow = 1e-3, SafeHigh = 1.5;  // radians
    if (radians > SafeLow && radians < SafeHigh) return true;
    return core::InNorthernHemisphere(Degrees(core::GeneralValue(radians)));
}

void CheckResult(SystemKind kind, const Coordinates& c) {
    switch (kind) {
    case SystemKind::Geographic: {
        // NaN reads back as 0 from its text "NAN".
        if (!Finite(c.x) || !Finite(c.y) || !NorthernResult(c.y))
            throw base::RuntimeError(
                base::err::InvalidCall,
                "latitude calculée hors de 0 à 90° : " + core::FormatGeneral(Degrees(core::GeneralValue(c.y))) + ".");
        break;
    }
    case SystemKind::Utm:
        if (c.zone < MinZone || c.zone > MaxZone)
            throw base::RuntimeError(base::err::Overflow,
                                     "fuseau calculé hors de 1 à 60 : " + std::to_string(c.zone) + ".");
        [[fallthrough]];
    case SystemKind::Projected:
        if (!Finite(c.x) || !Finite(c.y))
            throw base::RuntimeError(base::err::Overflow, "coordonnées calculées hors des nombres représentables.");
        break;
    default: break;
    }
}

}  // namespace

void Conversion::Convert(Coordinates& from, Coordinates& to, core::Wgs84Pivot* pivot, core::DatumLegs* legs) {
    core::ConvertPoint(inDatum_, in_.projection, from, outDatum_, out_.projection, to, method_, pivot, legs);
    CheckResult(out_.kind, to);
}

}  // namespace batch
