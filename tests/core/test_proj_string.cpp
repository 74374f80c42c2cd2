// PROJ strings: what each form reads into, what is refused and why, and the
// round trip of every shipped projection through its exported string.

#include <gtest/gtest.h>

#include <cmath>

#include "base/Errors.h"
#include "core/Constants.h"
#include "core/Datum.h"
#include "core/ProjString.h"
#include "core/Projection.h"
#include "store/ParamDb.h"

namespace {

constexpr double Deg = core::Pi / 180;

// What one string projects a point to, next to cs2cs's numbers for it.
struct ReadCase {
    const char* name;
    const char* text;
    int type;
    double lonDeg, latDeg;  // a point on the projection's own datum
    double x, y;            // cs2cs, in the type's output order
};

class ReadAndProject : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReadAndProject, GivesCs2csNumbers) {
    const ReadCase& c = GetParam();
    const core::ProjDefinition d = core::ReadProjString(c.text);
    ASSERT_FALSE(d.geographic);
    EXPECT_EQ(d.projection.Type, c.type);
    double lon = c.lonDeg * Deg, x = 0, y = 0;
    std::int16_t zone = 0;
    core::ProjectForwardWith(d.projection, d.ellipsoid, c.latDeg * Deg, lon, x, y, zone);
    EXPECT_NEAR(x, c.x, 1e-3);
    EXPECT_NEAR(y, c.y, 1e-3);
}

// Each reference: cs2cs -f %.4f +proj=longlat +ellps=E +to TEXT <<< "LON LAT".
INSTANTIATE_TEST_SUITE_P(
    ProjStrings, ReadAndProject,
    ::testing::Values(
        // The EPSG definition of Belgian Lambert 72, in DMS with a hemisphere letter.
        ReadCase{"lcc_two_parallels_dms",
                 "+proj=lcc +lat_1=51d10'00.00204\"N +lat_2=49d50'00.00204\"N +lat_0=90 "
                 "+lon_0=4d22'02.952\"E +x_0=150000.013 +y_0=5400088.438 +ellps=intl",
                 2, 4.8, 50.9, 180426.6288, 176656.9254},
        // A one-parallel cone whose origin lies off its parallel: the false northing moves.
        ReadCase{"lcc_one_parallel_origin_apart",
                 "+proj=lcc +lat_1=49 +lat_2=49 +lat_0=45 +lon_0=3 +k_0=0.9999 "
                 "+x_0=500000 +y_0=100000 +ellps=GRS80",
                 5, 2.35, 48.85, 452300.8641, 528516.9042},
        // Without +lat_2 and with its origin apart, PROJ takes a second parallel at the equator.
        ReadCase{"lcc_second_parallel_left_out",
                 "+proj=lcc +lat_1=49 +lat_0=45 +lon_0=3 +k_0=0.9999 +x_0=500000 "
                 "+y_0=100000 +ellps=GRS80",
                 2, 2.35, 48.85, 452362.2096, 521020.4507},
        ReadCase{"lcc_one_parallel",
                 "+proj=lcc +lat_1=45 +lat_0=45 +lon_0=3 +k_0=0.9999 +x_0=500000 "
                 "+y_0=100000 +ellps=GRS80",
                 5, 2.35, 48.85, 452190.8530, 528478.0724},
        // British National Grid, a western meridian as a negative decimal.
        ReadCase{"tmerc_west",
                 "+proj=tmerc +lat_0=49 +lon_0=-2 +k=0.9996012717 +x_0=400000 +y_0=-100000 "
                 "+a=6377563.396 +rf=299.3249646 +units=m +no_defs +type=crs",
                 1, -1.5, 52, 434321.8691, 233671.7431},
        ReadCase{"utm_south", "+proj=utm +zone=31 +south +datum=WGS84", 1, 4.2, -33.9, 610950.1770, 6248283.6511},
        // Hungarian EOV: the type writes the northing first.
        ReadCase{"somerc_eov",
                 "+proj=somerc +lat_0=47.14439372222222 +lon_0=19.04857177777778 +k_0=0.99993 "
                 "+x_0=650000 +y_0=200000 +ellps=GRS67 +towgs84=52.17,-71.82,-14.9",
                 3, 19.5, 47.5, 239631.1300, 684010.4215},
        ReadCase{"omerc_due_east",
                 "+proj=omerc +lat_0=46.95240555555556 +lonc=7.439583333333333 +alpha=90 +gamma=90 "
                 "+k_0=1 +x_0=600000 +y_0=200000 +ellps=bessel",
                 3, 8.0, 47.5, 261023.9509, 642220.2286},
        // EPSG Guidance Note 7-2, Amersfoort / RD New.
        ReadCase{"sterea_rd",
                 "+proj=sterea +lat_0=52.15616055555555 +lon_0=5.38763888888889 +k=0.9999079 "
                 "+x_0=155000 +y_0=463000 +ellps=bessel",
                 4, 6, 53, 196105.283, 557057.739}),
    [](const auto& i) { return std::string(i.param.name); });

TEST(ProjStrings, ShiftsAndEllipsoidsAreRead) {
    const core::ProjDefinition three = core::ReadProjString("+proj=longlat +ellps=intl +towgs84=-87,-98,-121");
    EXPECT_TRUE(three.geographic);
    EXPECT_EQ(three.ellipsoidName, "intl");
    EXPECT_EQ(three.ellipsoid.a, 6378388);
    EXPECT_NEAR(three.ellipsoid.ec, 0.08199188997902976, 1e-16);
    EXPECT_EQ(three.datum.dX, -87.0f);
    EXPECT_EQ(three.datum.dZ7, -121.0f);  // both sets: every method uses the shift
    EXPECT_EQ(three.datum.rX, 0.0f);
    const core::ProjDefinition seven = core::ReadProjString("+proj=longlat +datum=OSGB36");
    EXPECT_EQ(seven.ellipsoidName, "airy");
    EXPECT_EQ(seven.datum.dX, 0.0f);  // no 3-parameter set: every method takes the seven
    EXPECT_EQ(seven.datum.dX7, 446.448f);
    EXPECT_EQ(seven.datum.dS, -20.4894f);
    const core::ProjDefinition byB = core::ReadProjString("+proj=longlat +a=6378206.4 +b=6356583.8");
    EXPECT_NEAR(byB.ellipsoid.unf, 294.9786982, 1e-6);
    EXPECT_NEAR(core::ReadProjString("+proj=tmerc +lon_0=-2d8'6\" +ellps=GRS80").projection.Lg0, -2.135 * Deg, 1e-15);
}

TEST(ProjStrings, WhatTheTypesCannotHoldIsRefusedByName) {
    const struct {
        const char* text;
        const char* named;
    } rows[] = {{"+proj=merc +ellps=WGS84", "« +proj=merc »"},
                {"+proj=lcc +lat_0=46 +ellps=GRS80", "« +lat_1 »"},
                {"+proj=tmerc +ellps=intl +nadgrids=ntf_r93.gsb", "« +nadgrids »"},
                {"+proj=tmerc +R=6371000", "« +R »"},
                {"+proj=tmerc +ellps=GRS80 +units=us-ft", "+units=us-ft"},
                {"+proj=tmerc +ellps=GRS80 +towgs84=1,2,3,4,5", "« +towgs84 »"},
                {"+proj=tmerc +ellps=GRS80 +lat_ts=45", "« +lat_ts »"},
                {"+proj=omerc +lat_0=47 +lonc=8 +alpha=45 +ellps=bessel", "« +alpha=90 »"},
                {"+proj=tmerc +lat_0=1 +lat_0=2 +ellps=GRS80", "« +lat_0 »"},
                {"+proj=tmerc +ellps=mars", "+ellps=mars"},
                {"+proj=tmerc +lon_0=4x +ellps=GRS80", "« +lon_0 »"},
                {"+proj=tmerc", "L'ellipsoïde manque"},
                {"+proj=lcc +lat_1=44 +lat_2=-44 +ellps=GRS80", "colonne Lt2"},
                {"+proj=sterea +lat_0=90 +ellps=bessel", "colonne Lt0"},
                {"+proj=longlat +a=6378.137 +rf=298.257", "a = 6378.137"}};
    for (const auto& r : rows) {
        try {
            core::ReadProjString(r.text);
            ADD_FAILURE() << r.text << " was read";
        } catch (const base::RuntimeError& e) {
            EXPECT_EQ(e.number, base::err::BadParameter) << r.text;
            EXPECT_NE(std::string(e.what()).find(r.named), std::string::npos) << r.text << ": " << e.what();
        }
    }
}

// Every shipped projection, written then read back: the same numbers, and the
// same string a second time.
TEST(ProjStrings, EveryShippedProjectionReadsBackFromItsString) {
    store::SetParamDbPath(TRAVENA_PARAM_DB);
    store::Database db = store::OpenDatabase(TRAVENA_PARAM_DB);
    store::Recordset rs = db.OpenRecordset(store::sql::AllProjections);
    int seen = 0;
    for (; !rs.Eof(); rs.MoveNext(), ++seen) {
        const std::string name = rs.Field("Nom").Value().Text();
        const core::ProjectionParams p = core::LoadProjection(name);
        const core::DatumParams d = core::LoadDatum(p.Datum);
        const core::EllipsoidParams e = core::LoadEllipsoid(d.Ellipsoide);
        for (std::int16_t method : {core::method::GeocentricTranslation, core::method::Helmert}) {
            const std::string text = core::ProjectionProjString(p, d, e, method, 31);
            const core::ProjDefinition back = core::ReadProjString(text);
            EXPECT_EQ(core::ProjectionProjString(back.projection, back.datum, back.ellipsoid, method, 31), text);
            EXPECT_NEAR(back.ellipsoid.ec, e.ec, 1e-15) << text;
            // Both give the same point, the rotated Lambert's meridian and a UTM zone included.
            double lon = 4.6 * Deg, x0 = 0, y0 = 0, x1 = 0, y1 = 0;
            std::int16_t zone = 0;
            core::ProjectForwardWith(p, e, 50.6 * Deg, lon, x0, y0, zone);
            lon = 4.6 * Deg;
            core::ProjectForwardWith(back.projection, back.ellipsoid, 50.6 * Deg, lon, x1, y1, zone);
            EXPECT_NEAR(x1, x0, 1e-6) << text;
            EXPECT_NEAR(y1, y0, 1e-6) << text;
        }
    }
    EXPECT_EQ(seen, 12);
    store::SetParamDbPath("");
}

TEST(ProjStrings, WrittenForms) {
    const core::EllipsoidParams grs80{6378137, 0.08181919104281579, 298.257222101};
    const core::DatumParams zero{};
    // The README's conic zone CC49.
    const core::ProjectionParams cc49{"", 1700000, 8200000, 1, 3 * Deg, 49 * Deg, 48.25 * Deg, 49.75 * Deg, 0, 2};
    EXPECT_EQ(core::ProjectionProjString(cc49, zero, grs80, core::method::GeocentricTranslation),
              "+proj=lcc +lat_0=49 +lon_0=3 +lat_1=48.25 +lat_2=49.75 +x_0=1700000 +y_0=8200000 +ellps=GRS80 "
              "+towgs84=0,0,0 +units=m +no_defs");
    const core::DatumParams bd72{"",         -125.8f, 79.9f,   -100.5f, -106.8686f, 52.2978f,
                                 -103.7239f, 0.3366f, -0.457f, 1.8422f, -1.2747f};
    const core::EllipsoidParams odd{6378388, 0.0819, 297};  // an e that its 1/f does not give
    EXPECT_EQ(core::GeographicProjString(bd72, odd, core::method::Helmert),
              "+proj=longlat +a=6378388 +e=0.0819 +towgs84=-106.8686,52.2978,-103.7239,0.3366,-0.457,1.8422,-1.2747 "
              "+units=m +no_defs");
    EXPECT_EQ(core::GeographicProjString(bd72, grs80, core::method::Molodensky)
                  .rfind("+proj=longlat +ellps=GRS80 +towgs84=-125.8,79.9,-100.5 ", 0),
              0u);
}

}  // namespace
