#pragma once
// One record's coordinates read for each system kind and written back the
// same way, whoever holds the fields: the batch run over a table's columns,
// travena-cli convert over a line's words. The reading refuses what would
// otherwise become the point (0, 0) (see CoordinateText.h).
//
//   batch::Coordinates in;
//   batch::ReadCoordinates(kind, {geoMode, scale}, [&](int k) { return std::string_view(field[k]); }, in);
//   conversion.Convert(in, out);
//   batch::WriteCoordinateTexts(outKind, out, [&](std::string_view t) { line += t; line += '\t'; });

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/batch/CoordinateText.h"
#include "app/batch/SystemChoice.h"
#include "core/AngleText.h"
#include "core/NumberText.h"
#include "core/Pipeline.h"
#include "store/Value.h"

namespace batch {

// A point as the pipeline reads and writes it: X and Y (radians for
// geographic), the reference alone for MGRS and IFBL, the UTM zone.
using Coordinates = core::RecordPoint;

struct ReadingForm {
    std::int16_t geoMode = core::angle::FromText;  // how geographic fields are written
    double scale = 1;                              // times projected and UTM fields
};

// The coordinate field positions of a record: X (or the reference), Y, zone.
enum Field : int { FieldX = 0, FieldY = 1, FieldZone = 2 };

// `field(k)` gives the text of coordinate field k (anything a string_view is
// made from); only the fields `kind` has are asked for. Throws
// base::RuntimeError for a field it refuses.
template <typename FieldText>
void ReadCoordinates(SystemKind kind, const ReadingForm& form, FieldText field, Coordinates& c) {
    c.zone = 0;
    switch (kind) {
    case SystemKind::Mgrs:
    case SystemKind::Ifbl:
        c.reference = GridText(field(FieldX));
        c.x = c.y = 0;
        break;
    case SystemKind::Geographic:
        c.x = LongitudeValue(field(FieldX), form.geoMode);
        c.y = LatitudeValue(field(FieldY), form.geoMode);
        break;
    default:
        c.x = ProjectedValue(field(FieldX), form.scale);
        c.y = ProjectedValue(field(FieldY), form.scale);
        if (kind == SystemKind::Utm) {
            c.y = UtmNorthing(c.y);
            c.zone = ZoneNumber(field(FieldZone));
        }
    }
}

// The values the output fields of a numeric kind show, before their 15-digit
// text: X and Y, or a geographic longitude (-180 to 180) and latitude in
// decimal degrees, the range rules giving 0 to 360° and the datum step -180
// to 180°.
inline void PresentedValues(SystemKind kind, const Coordinates& c, double& x, double& y) {
    if (kind == SystemKind::Geographic) {
        x = LongitudeDegrees(core::GeneralValue(c.x));
        y = Degrees(core::GeneralValue(c.y));
    } else {
        x = c.x;
        y = c.y;
    }
}

// Calls `put` with the text of each output field of `kind`, in column order.
template <typename Put>
void WriteCoordinateTexts(SystemKind kind, const Coordinates& c, Put put) {
    char text[core::MaxGeneralLength];
    const auto general = [&](double v) { put(std::string_view(text, core::FormatGeneralTo(v, text))); };
    switch (kind) {
    case SystemKind::Geographic:
    case SystemKind::Projected:
    case SystemKind::Utm: {
        double x = 0, y = 0;
        PresentedValues(kind, c, x, y);
        general(x);
        general(y);
        if (kind == SystemKind::Utm) general(c.zone);
        break;
    }
    case SystemKind::Mgrs:
    case SystemKind::Ifbl: put(std::string_view(c.reference)); break;
    default: break;
    }
}

// ReadCoordinates over numbers (see ProjectedNumber): X and Y, geographic
// ones in `geoMode` 2 (decimal degrees) or 3 (radians), the zone of a UTM
// point, the reference of an MGRS or IFBL one.
void ReadCoordinateNumbers(SystemKind kind, std::int16_t geoMode, double x, double y, double zone,
                           std::string_view reference, Coordinates& c);

// A point's conversion refused where a table keeps the result: an IFBL code
// outside the grid ("No zone"), which a batch run writes as it is, is an
// error (1002) for travena-cli convert and the library.
void RefuseOutsideGrid(SystemKind kind, const Coordinates& c);

// The same fields as database values: numbers, the zone an integer, grid
// references texts.
void AppendCoordinateValues(SystemKind kind, const Coordinates& c, std::vector<store::Value>& values);

// Converts points between two chosen systems, keeping the datum names
// between records as the pipeline expects.
class Conversion {
public:
    Conversion(const SystemChoice& in, const SystemChoice& out, std::int16_t method)
        : in_(in), out_(out), inDatum_(in.datum), outDatum_(out.datum), method_(method) {}

    const SystemChoice& In() const { return in_; }
    const SystemChoice& Out() const { return out_; }
    // `from` may come back with its reference's decimal commas turned into
    // points. `to` holds the results unrounded; their texts and database
    // values are those of WriteCoordinateTexts and AppendCoordinateValues.
    // Throws base::RuntimeError for a result no grid or table can hold: a
    // latitude outside 0 to 90°, a zone outside 1 to 60, a number overflowed.
    // `pivot`, when given, receives the point in WGS 84; `legs` gathers what
    // its datum legs went through (core/Datum.h).
    void Convert(Coordinates& from, Coordinates& to, core::Wgs84Pivot* pivot = nullptr,
                 core::DatumLegs* legs = nullptr);
    std::int16_t Method() const { return method_; }

private:
    SystemChoice in_, out_;
    std::string inDatum_, outDatum_;
    std::int16_t method_;
};

}  // namespace batch
