// Every system of the batch lists goes to WGS 84 and comes back within a
// millimetre, through the table pipeline and the default parameter database.

#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "core/Constants.h"
#include "core/NumberText.h"
#include "core/Pipeline.h"
#include "store/ParamDb.h"
#include "app/batch/SystemChoice.h"
#include "app/batch/SystemList.h"

namespace {

constexpr double Deg = core::Pi / 180.0;
constexpr double EarthRadius = 6.371e6;  // metres per radian, for tolerances

struct Out {
    std::string x, y, datum;
    std::int16_t zone = 0;
};

Out Convert(std::string inDatum, const std::string& inProjection, std::string x, std::string y, std::int16_t zone,
            std::string outDatum, const std::string& outProjection, std::int16_t method) {
    Out o;
    core::ConvertRecord(inDatum, inProjection, x, y, zone, outDatum, outProjection, o.x, o.y, o.zone, method);
    o.datum = outDatum;
    return o;
}

std::string Rad(double degrees) { return core::FormatGeneral(degrees * Deg); }

// A point of each country's own area, by the item's first two characters.
const std::map<std::string, std::pair<double, double>> Home = {
    {"W ", {4.5, 50.7}}, {"WG", {4.5, 50.7}}, {"UE", {4.5, 50.7}}, {"BE", {4.5, 50.7}}, {"LU", {6.1, 49.6}},
    {"FR", {2.5, 47.0}}, {"NL", {5.4, 52.1}}, {"CH", {7.5, 46.9}}, {"DE", {9.1, 50.5}}};

// Back on WGS 84 in radians, the longitude of automatic UTM zones 1 to 30 unwound.
std::pair<double, double> Back(const Out& o) {
    double lon = core::ValNumber(o.x);
    if (lon > core::Pi) lon -= core::TwoPi;
    return {lon, core::ValNumber(o.y)};
}

void ExpectWithin(std::pair<double, double> a, std::pair<double, double> b, double latDeg, double metres) {
    const double cosLat = std::cos(latDeg * Deg);
    EXPECT_NEAR(a.first * cosLat, b.first * cosLat, metres / EarthRadius);
    EXPECT_NEAR(a.second, b.second, metres / EarthRadius);
}

// A projection adds less than a millimetre to the round trip of its datum. The
// datum step alone is not exactly reversible: the height is dropped, and a
// negated Helmert step leaves the translation unscaled and unrotated (9 mm at most).
constexpr double ProjectionTol = 1e-3;
double DatumTol(std::int16_t method) { return method == 3 ? 1e-2 : 2e-3; }

TEST(RoundTrip, EverySystemThroughWgs84) {
    store::SetParamDbPath(TRAVENA_PARAM_DB);
    store::Database db = store::OpenDatabase(TRAVENA_PARAM_DB);
    for (const std::int16_t method : {1, 3}) {
        for (const auto& item : batch::SystemItems(db)) {
            const batch::SystemChoice s = batch::MakeSystemChoice(item);
            if (s.kind == batch::SystemKind::Mgrs || s.kind == batch::SystemKind::Ifbl) continue;  // cells, not points
            SCOPED_TRACE(item + " method " + std::to_string(method));
            const auto [lonDeg, latDeg] = Home.at(item.substr(0, 2));
            const std::pair<double, double> start{lonDeg * Deg, latDeg * Deg};
            const Out there = Convert("WGS84", "", Rad(lonDeg), Rad(latDeg), 0, s.datum, s.projection, method);
            const auto back =
                Back(Convert(there.datum, s.projection, there.x, there.y, there.zone, "WGS84", "", method));
            const Out onDatum = Convert("WGS84", "", Rad(lonDeg), Rad(latDeg), 0, there.datum, "", method);
            const auto datumOnly = Back(Convert(onDatum.datum, "", onDatum.x, onDatum.y, 0, "WGS84", "", method));
            ExpectWithin(back, datumOnly, latDeg, ProjectionTol);
            ExpectWithin(datumOnly, start, latDeg, DatumTol(method));
        }
    }
}

}  // namespace
