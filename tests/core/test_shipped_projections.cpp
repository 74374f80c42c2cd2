// Every projection of the default parameter database against PROJ, one
// point each, on the projection's own ellipsoid (no datum shift). The
// references come from the systems' published definitions, not from our rows,
// so a row whose numbers or type slipped shows here; a row added to the seed
// without a reference fails until it gets one.

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>

#include "core/Constants.h"
#include "core/Projection.h"
#include "store/ParamDb.h"

namespace {

constexpr double Deg = core::Pi / 180;

struct Reference {
    double lon, lat;  // degrees, on the projection's ellipsoid
    double x, y;      // cs2cs -f %.4f; for CH LV03 x is the northing, as the row stores it
};

// cs2cs -f %.4f +proj=longlat ELLPS +to DEFINITION ELLPS <<< "lon lat"
const std::map<std::string, Reference> References = {
    // +ellps=WGS84 +proj=utm +zone=31
    {"WGS84 UTM", {4.35, 50.85, 595032.2946, 5634012.8335}},
    // +ellps=intl +proj=utm +zone=32
    {"BE UTM", {6.2, 50.3, 300588.6689, 5575850.0580}},
    // EPSG:31370: +ellps=intl +proj=lcc +lat_1=51.16666723333333 +lat_2=49.8333339 +lat_0=90
    //   +lon_0=4.367486666666666 +x_0=150000.013 +y_0=5400088.438
    {"BE LB72", {4.35, 50.85, 148768.5373, 171006.2133}},
    // EPSG:2169: +ellps=intl +proj=tmerc +lat_0=49.83333333333334 +lon_0=6.166666666666667 +k=1
    //   +x_0=80000 +y_0=100000
    {"LU TM", {6.13, 49.61, 77349.8252, 75159.8013}},
    // +ellps=GRS80 +proj=utm +zone=33
    {"UE UTM", {15.5, 52.0, 534325.1675, 5761156.2356}},
    // EPSG:3812: +ellps=GRS80 +proj=lcc +lat_1=49.83333333333334 +lat_2=51.16666666666666
    //   +lat_0=50.797815 +lon_0=4.359215833333333 +x_0=649328 +y_0=665262
    {"BE LB08", {4.35, 50.85, 648679.0180, 671067.0556}},
    // The rotated definition, its rotation folded into the central meridian (lon_0 = lambda0 + aa / n):
    //   +ellps=intl +proj=lcc +lat_0=90 +lat_1=49.8333339 +lat_2=51.16666723333333
    //   +lon_0=4.367486672995535 +x_0=150000.01 +y_0=5400088.44
    {"BE LB72A", {4.35, 50.85, 148768.5339, 171006.2153}},
    // EPSG:2154: +ellps=GRS80 +proj=lcc +lat_1=49 +lat_2=44 +lat_0=46.5 +lon_0=3 +x_0=700000 +y_0=6600000
    {"FR LB93", {2.35, 48.85, 652301.5648, 6861302.7259}},
    // EPSG:27572, its scale factor other than 1:
    //   +a=6378249.2 +rf=293.466021293627 +proj=lcc +lat_1=46.8 +lat_0=46.8 +lon_0=0 +k_0=0.99987742
    //   +x_0=600000 +y_0=2200000 +pm=paris
    {"FR LB2E", {2.35, 48.85, 600937.8046, 2427953.7993}},
    // EPSG:28992: +ellps=bessel +proj=sterea +lat_0=52.15616055555555 +lon_0=5.38763888888889
    //   +k=0.9999079 +x_0=155000 +y_0=463000
    {"NL RD", {4.9, 52.37, 121793.9194, 486901.2742}},
    // EPSG:21781: +ellps=bessel +proj=somerc +lat_0=46.95240555555556 +lon_0=7.439583333333333
    //   +k_0=1 +x_0=600000 +y_0=200000   (cs2cs prints the easting first)
    {"CH LV03", {8.54, 47.37, 247004.0569, 683103.1620}},
    // EPSG:31467: +ellps=bessel +proj=tmerc +lat_0=0 +lon_0=9 +k=1 +x_0=3500000 +y_0=0
    {"DE GK3", {9.99, 53.55, 3565609.1496, 5935673.9183}},
};

TEST(ShippedProjections, EachRowMatchesItsPublishedDefinition) {
    store::SetParamDbPath(TRAVENA_PARAM_DB);
    store::Database db = store::OpenDatabase(TRAVENA_PARAM_DB);
    int checked = 0;
    for (store::Recordset rs = db.OpenRecordset(store::sql::AllProjections); !rs.Eof(); rs.MoveNext()) {
        const std::string name = rs.Field("Nom").Value().Text();
        const auto ref = References.find(name);
        if (ref == References.end()) {
            ADD_FAILURE() << name << " : no PROJ reference for this projection";
            continue;
        }
        double lon = ref->second.lon * Deg, x = 0, y = 0;
        std::int16_t zone = 0;
        core::ProjectForward(ref->second.lat * Deg, lon, x, y, name, zone);
        EXPECT_NEAR(x, ref->second.x, 0.001) << name;
        EXPECT_NEAR(y, ref->second.y, 0.001) << name;
        ++checked;
    }
    EXPECT_EQ(checked, static_cast<int>(References.size())) << "a reference names no shipped row";
    store::SetParamDbPath("");
}

}  // namespace
