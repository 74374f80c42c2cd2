#pragma once
// What a batch run writes, chosen by the output's ending: a delimited text, an
// SQLite database (".mdb", the program's historical name for it, or
// ".sqlite"), a GeoPackage or an Excel workbook. The last two are written
// through a sink, one record at a time:
//
//   auto sink = batch::MakeSink(batch::OutputKind::GeoPackage, pending.Path());
//   sink->Begin(fields);
//   sink->Add(values, batch::LonLat{4.35, 50.85});   // std::nullopt: no point
//   sink->Finish();                                  // throws when it cannot

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/batch/SystemChoice.h"
#include "core/Pipeline.h"
#include "store/Driver.h"
#include "store/Value.h"

namespace batch {

enum class OutputKind { None, Text, Database, GeoPackage, Workbook };

// By the path's ending, any case: .txt and .csv, .mdb and .sqlite, .gpkg, .xlsx.
OutputKind OutputKindOf(const std::string& path);

// How finely projected and geographic results are written: as computed (15
// significant digits), or to the millimetre and the millionth of a degree.
enum class OutputPrecision : std::int16_t { Full = 0, Millimetre = 1 };

// Rounds the numbers AppendCoordinateValues put for `kind` from `first` on;
// zones and grid references are left as they are.
void RoundCoordinateValues(SystemKind kind, OutputPrecision precision, std::vector<store::Value>& values,
                           std::size_t first);

// A text a spreadsheet should take as a number: a plain decimal number with
// a point, and no leading zero that an identifier such as "0042" would lose.
bool SpellsNumber(std::string_view text);

// A value's text for Excel set to a decimal comma (Belgium, France): numbers,
// and texts that spell one, with a comma for the point.
std::string DecimalCommaText(const store::Value& value);

// A text as Excel must show it from a delimited file: one it would take for
// a formula (beginning with "=", "+", "-", "@", a tab or a carriage return)
// gets the leading apostrophe that makes it text, unless it is a plain
// number ("-12.5", "-12,5"), which stays a number.
std::string ExcelSafeText(std::string text);

// A WGS 84 position in decimal degrees, longitude from -180 to 180.
struct LonLat {
    double lon = 0, lat = 0;
};
LonLat Wgs84Degrees(const core::Wgs84Pivot& pivot);

class OutputSink {
public:
    virtual ~OutputSink() = default;
    // The columns, in order, once before any record.
    virtual void Begin(const std::vector<store::FieldDef>& fields) = 0;
    // One value per column; `point` is none for a record without a position.
    virtual void Add(const std::vector<store::Value>& values, const std::optional<LonLat>& point) = 0;
    // Completes the file. Until then the file is incomplete.
    virtual void Finish() = 0;
    // What the format could not hold as given and what became of it; empty
    // when everything was written as it came.
    virtual std::string Notice() const { return {}; }
};

// A new sink writing the table "Conversions" to the file at `path`, which
// must not exist. Throws base::RuntimeError 75 when the file cannot be
// written, 13 for a text a numeric column cannot hold.
std::unique_ptr<OutputSink> MakeSink(OutputKind kind, const std::string& path);

// Neither needs GDAL: the workbook is zipped by our own writer, the
// GeoPackage written with SQLite.
std::unique_ptr<OutputSink> MakeWorkbookSink(const std::string& path);
std::unique_ptr<OutputSink> MakeGeoPackageSink(const std::string& path);

inline constexpr const char* SinkTable = "Conversions";

}  // namespace batch
