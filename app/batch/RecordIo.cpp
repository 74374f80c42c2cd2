#include "app/batch/RecordIo.h"

#include "core/NumberText.h"
#include "core/Pipeline.h"

namespace batch {

void AppendCoordinateValues(SystemKind kind, const Coordinates& c, std::vector<store::Value>& values) {
    switch (kind) {
    case SystemKind::Projected:
        values.emplace_back(core::ValNumber(c.x));
        values.emplace_back(core::ValNumber(c.y));
        break;
    case SystemKind::Geographic:
        values.emplace_back(Degrees(c.x));
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

void Conversion::Convert(Coordinates& from, Coordinates& to) {
    core::ConvertRecord(inDatum_, in_.projection, from.x, from.y, from.zone, outDatum_, out_.projection, to.x, to.y,
                        to.zone, method_);
}

}  // namespace batch
