#include "app/batch/Output.h"

#include <algorithm>
#include <cmath>

#include "app/batch/InputFormat.h"
#include "base/Errors.h"
#include "base/Text.h"
#include "core/Constants.h"

namespace batch {

namespace {

// Rounded to the nearest multiple of 1 / `per`; the quotient is the double
// nearest the decimal, so it prints without float noise.
double RoundTo(double v, double per) {
    const double r = std::round(v * per) / per;
    return std::isfinite(r) ? r : v;
}

}  // namespace

OutputKind OutputKindOf(const std::string& path) {
    if (IsTextPath(path)) return OutputKind::Text;
    const std::string e = base::PathEnding(path);
    if (e == "mdb" || e == "sqlite") return OutputKind::Database;
    if (e == "gpkg") return OutputKind::GeoPackage;
    if (e == "xlsx") return OutputKind::Workbook;
    return OutputKind::None;
}

void RoundCoordinateValues(SystemKind kind, OutputPrecision precision, std::vector<store::Value>& values,
                           std::size_t first) {
    if (precision == OutputPrecision::Full) return;
    double per = 0;
    switch (kind) {
    case SystemKind::Projected:
    case SystemKind::Utm: per = 1e3; break;
    case SystemKind::Geographic: per = 1e6; break;
    default: return;
    }
    for (std::size_t i = first; i < values.size() && i < first + 2; ++i)
        if (values[i].GetKind() == store::Value::Kind::Double) values[i] = RoundTo(values[i].Double(), per);
}

bool SpellsNumber(std::string_view text) {
    if (!text.empty() && text.front() == '-') text.remove_prefix(1);
    if (text.empty() || text.front() == '.' || text.back() == '.') return false;
    if (text.size() > 1 && text[0] == '0' && text[1] != '.') return false;
    bool point = false;
    for (const char c : text) {
        if (c == '.' && !point) point = true;
        else if (c < '0' || c > '9') return false;
    }
    return true;
}

std::string DecimalCommaText(const store::Value& value) {
    std::string text = value.Text();
    const auto kind = value.GetKind();
    if (kind == store::Value::Kind::Double || (kind == store::Value::Kind::Text && SpellsNumber(text)))
        std::replace(text.begin(), text.end(), '.', ',');
    return text;
}

std::string ExcelSafeText(std::string text) {
    if (text.empty() || std::string_view("=+-@\t\r").find(text.front()) == std::string_view::npos) return text;
    std::string point = text;
    std::replace(point.begin(), point.end(), ',', '.');
    if (SpellsNumber(point)) return text;
    return "'" + text;
}

LonLat Wgs84Degrees(const core::Wgs84Pivot& pivot) {
    const double half = core::HalfCircleDeg;
    double lon = pivot.lon * half / core::Pi;
    if (lon > half) lon -= 2 * half;
    else if (lon < -half) lon += 2 * half;
    return {lon, pivot.lat * half / core::Pi};
}

std::unique_ptr<OutputSink> MakeSink(OutputKind kind, const std::string& path) {
    switch (kind) {
    case OutputKind::GeoPackage: return MakeGeoPackageSink(path);
    case OutputKind::Workbook: return MakeWorkbookSink(path);
    default: throw base::RuntimeError(base::err::InvalidCall, "format de sortie sans écriture directe : " + path);
    }
}

}  // namespace batch
