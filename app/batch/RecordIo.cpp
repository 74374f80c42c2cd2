#include "app/batch/RecordIo.h"

#include "base/Errors.h"
#include "core/NumberText.h"
#include "core/StrictText.h"
#include "core/Pipeline.h"

namespace batch {

void AppendCoordinateValues(SystemKind kind, const Coordinates& c, std::vector<store::Value>& values) {
    switch (kind) {
    case SystemKind::Projected:
        values.emplace_back(core::ValNumber(c.x));
        values.emplace_back(core::ValNumber(c.y));
        break;
    case SystemKind::Geographic:
        values.emplace_back(LongitudeDegrees(c.x));
        values.emplace_back(Degrees(c.y));
        break;
    case SystemKind::Utm:
        values.emplace_back(core::ValNumber(c.x));
        values.emplace_back(core::ValNumber(c.y));
        values.emplace_back(int(c.zone));
        break;
    case SystemKind::Mgrs:
    case SystemKind::Ifbl: values.emplace_back(c.x); break;
    default: break;
    }
}

namespace {

void CheckResult(SystemKind kind, const Coordinates& c) {
    switch (kind) {
    case SystemKind::Geographic: {
        if (!FiniteNumber(c.x) || !FiniteNumber(c.y) || !core::InNorthernHemisphere(Degrees(c.y)))
            throw base::RuntimeError(base::err::InvalidCall, "latitude calculée hors de 0 à 90° : " + DegreesText(c.y) + ".");
        break;
    }
    case SystemKind::Utm:
        if (c.zone < MinZone || c.zone > MaxZone)
            throw base::RuntimeError(base::err::Overflow, "fuseau calculé hors de 1 à 60 : " + std::to_string(c.zone) + ".");
        [[fallthrough]];
    case SystemKind::Projected:
        if (!FiniteNumber(c.x) || !FiniteNumber(c.y))
            throw base::RuntimeError(base::err::Overflow, "coordonnées calculées hors des nombres représentables.");
        break;
    default: break;
    }
}

}  // namespace

void Conversion::Convert(Coordinates& from, Coordinates& to, core::Wgs84Pivot* pivot) {
    core::ConvertRecord(inDatum_, in_.projection, from.x, from.y, from.zone, outDatum_, out_.projection, to.x, to.y,
                        to.zone, method_, pivot);
    CheckResult(out_.kind, to);
}

}  // namespace batch
