#include "app/batch/Plausibility.h"

#include <cmath>
#include <exception>
#include <memory>
#include <stdexcept>
#include <vector>

#include "core/Constants.h"
#include "core/NumberText.h"
#include "store/Engine.h"
#include "store/ParamDb.h"
#include "app/batch/RecordIo.h"

namespace batch {

namespace {

// Metres of a projection are this large somewhere; a pair both below it in
// size is degrees (or kilometres with the scale left at 1).
constexpr double DegreesLike = 400;

// A projection's western and eastern limits: longitudes in radians, UTM
// zones for a UTM projection. The database stores 0 and 0 for none.
struct Limits {
    double west = 0, east = 0;
    bool Any() const { return west != 0 || east != 0; }
};

Limits LimitsOf(const std::string& projection) {
    store::Database params = store::OpenDatabase(store::ParamDbPath());
    store::Recordset rs = params.OpenRecordset("SELECT * FROM Projections");
    if (rs.Eof()) return {};
    rs.FindFirst(store::NomIs(projection));
    if (rs.NoMatch()) return {};
    const store::Value west = rs.Field("limitew").Value(), east = rs.Field("limitee").Value();
    return {west.IsNull() ? 0 : west.Double(), east.IsNull() ? 0 : east.Double()};
}

std::string DegreesText(double radians) {
    std::string text = core::FormatGeneral(std::round(radians * core::HalfCircleDeg / core::Pi * 100) / 100);
    for (char& c : text)
        if (c == '.') c = ',';
    return text;
}

std::string Sample(const std::string& x, const std::string& y) { return "X = " + x + ", Y = " + y; }

}  // namespace

std::optional<std::string> PlausibilityWarning(const BatchChoices& c) {
    const SystemChoice in = MakeSystemChoice(c.inSystem);
    if (in.kind != SystemKind::Projected && in.kind != SystemKind::Utm) return std::nullopt;
    try {
        const Limits limits = LimitsOf(in.projection);
        store::Database db = OpenInputDatabase(c.inputPath);
        auto cursor = db.OpenForwardOnly(c.table);
        const auto& fields = cursor->Fields();
        const auto index = [&](const std::string& name) {
            for (std::size_t i = 0; i < fields.size(); ++i)
                if (store::SameText(fields[i].Name, name)) return i;
            throw std::out_of_range(name);
        };
        const std::size_t columns[3] = {index(c.xField), index(c.yField), NeedsZone(in) ? index(c.zoneField) : 0};
        Conversion toWgs84(in, MakeSystemChoice("W Geographic WGS84"), c.method);
        const ReadingForm form{c.geoFormat, ScaleValue(c.scale)};

        long readable = 0, degreesLike = 0, outside = 0;
        std::string example;
        std::vector<store::Value> row;
        for (long n = 0; n < PlausibilitySample && cursor->Next(row); ++n) {
            std::string texts[3];
            Coordinates point, wgs84;
            core::Wgs84Pivot pivot;
            try {
                ReadCoordinates(
                    in.kind, form,
                    [&](int k) {
                        texts[k] = row[columns[k]].Text();
                        return std::string_view(texts[k]);
                    },
                    point);
            } catch (const base::RuntimeError&) {
                continue;  // the run names it
            }
            ++readable;
            bool wrong = false;
            if (std::fabs(point.x) < DegreesLike && std::fabs(point.y) < DegreesLike) {
                ++degreesLike;
                wrong = true;
            } else if (limits.Any()) {
                if (in.kind == SystemKind::Utm) {
                    wrong = point.zone < limits.west || point.zone > limits.east;
                } else {
                    try {
                        toWgs84.Convert(point, wgs84, &pivot);
                        double lon = pivot.lon;
                        if (lon > core::Pi) lon -= 2 * core::Pi;
                        wrong = lon < limits.west || lon > limits.east;
                    } catch (const base::RuntimeError&) {
                        wrong = true;  // beyond where the projection reaches
                    }
                }
                outside += wrong;
            }
            if (wrong && example.empty()) example = Sample(texts[0], texts[1]);
        }
        if (readable == 0 || 2 * (degreesLike + outside) <= readable) return std::nullopt;

        std::string text = std::to_string(degreesLike + outside) + " des " + std::to_string(readable) +
                           " premiers enregistrements ne ressemblent pas à des coordonnées « " + c.inSystem + " » (" +
                           example + ") : ";
        if (degreesLike * 2 > readable)
            text += "ce sont sans doute des degrés, alors que ce système attend des mètres.";
        else if (in.kind == SystemKind::Utm)
            text += "leur fuseau est hors des fuseaux " + core::FormatGeneral(limits.west) + " à " +
                    core::FormatGeneral(limits.east) + " de ce système.";
        else
            text += "ils tombent hors des limites de ce système (longitudes de " + DegreesText(limits.west) + "° à " +
                    DegreesText(limits.east) + "°).";
        return text + "\rVérifiez le système d'entrée, les champs X et Y et l'échelle.\rConvertir quand même ?";
    } catch (const std::exception&) {
        return std::nullopt;  // what cannot be read here, the run reports
    }
}

}  // namespace batch
