// The IGN grid route (method 4) against PROJ, its fallback outside the grid,
// and the GeoTIFF reader on a small file of another layout.
//
// References: PROJ_DATA=<grids>:/usr/share/proj cs2cs -f %.12f with
//   BD72   = +proj=longlat +ellps=intl +nadgrids=be_ign_bd72lb72_etrs89lb08.tif
//   LB72   = +proj=lcc +lat_0=90 +lat_1=51.16666723333333 +lat_2=49.8333339
//            +lon_0=4.367486666666666 +x_0=150000.013 +y_0=5400088.438 +ellps=intl
//            +nadgrids=be_ign_bd72lb72_etrs89lb08.tif
//   LB08   = +proj=lcc +lat_0=50.797815 +lat_1=49.8333333333333 +lat_2=51.1666666666667
//            +lon_0=4.35921583333333 +x_0=649328 +y_0=665262 +ellps=GRS80 +towgs84=0,0,0
//            (LB72 +to LB08 gives the same as cs2cs EPSG:31370 EPSG:3812)
//   WGS84  = +proj=longlat +datum=WGS84

#include <gtest/gtest.h>
#include <tiffio.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>

#include "base/Errors.h"
#include "core/Constants.h"
#include "core/Datum.h"
#include "core/FloatGrid.h"
#include "core/IgnGrid.h"
#include "core/Pipeline.h"
#include "core/QuasiGeoid.h"
#include "store/ParamDb.h"
#include "tests/Support.h"

namespace {

constexpr double Deg = core::Pi / 180.0;
constexpr double Mm = 1e-3;
constexpr double MetresPerDeg = 111195.0;  // a mean degree of latitude
constexpr double Untouched = -12345.0;

using testsupport::ErrorNumber;
using testsupport::RowName;
using testsupport::TempDir;

// Distance in metres between two positions given in degrees.
double Metres(double lon1, double lat1, double lon2, double lat2) {
    const double dx = (lon1 - lon2) * std::cos(lat1 * Deg), dy = lat1 - lat2;
    return std::hypot(dx, dy) * MetresPerDeg;
}

struct GeoCase {
    const char* name;
    double lonBd72, latBd72;  // degrees
    double lonEtrs, latEtrs;  // cs2cs BD72 +to WGS84
};

// Nodes, the grid's corner nodes, cell centres and points by its edges.
const GeoCase GeoCases[] = {
    {"Node", 4.5, 50.5, 4.501264131945, 50.499444265164},
    {"NorthWestCornerNode", 2.46, 51.57, 2.461221340085, 51.569487052387},
    {"SouthEastCornerNode", 6.54, 49.45, 6.541305067849, 49.449403197214},
    {"CellCentre", 4.3525, 50.8475, 4.353765759217, 50.846956457324},
    {"NearACellCorner", 5.7012, 50.0007, 5.702489616266, 50.000123245896},
    {"ByTheWestEdge", 2.4601, 51.1, 2.461314839722, 51.099473313980},
    {"ByTheSouthEdge", 5.0, 49.4501, 5.001263373775, 49.449512572476},
    {"ByTheNorthEastCorner", 6.5399, 51.5699, 6.541238447232, 51.569362629676},
};

class IgnGridGeo : public ::testing::TestWithParam<GeoCase> {};

TEST_P(IgnGridGeo, ForwardAndInverseMatchCs2cs) {
    const GeoCase& c = GetParam();
    double lon = Untouched, lat = Untouched;
    ASSERT_TRUE(core::IgnGridForward(c.lonBd72 * Deg, c.latBd72 * Deg, lon, lat));
    EXPECT_LT(Metres(lon / Deg, lat / Deg, c.lonEtrs, c.latEtrs), Mm);
    // The inverse finds the BD72 node again, also where its ETRS89 position
    // lies beyond the grid's edge (the north-east case, which PROJ refuses).
    ASSERT_TRUE(core::IgnGridInverse(c.lonEtrs * Deg, c.latEtrs * Deg, lon, lat));
    EXPECT_LT(Metres(lon / Deg, lat / Deg, c.lonBd72, c.latBd72), Mm);
}

INSTANTIATE_TEST_SUITE_P(Grid, IgnGridGeo, ::testing::ValuesIn(GeoCases), RowName());

TEST(IgnGrid, OutsidePointsWriteNothing) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    // BD72 positions beyond each edge for the forward; ETRS89 positions whose
    // BD72 position (about 0.0013 degree west, 0.0006 degree north) is beyond
    // each edge for the inverse.
    const double forward[][2] = {{2.4599, 50.0}, {4.0, 51.5701}, {6.5401, 50.0}, {4.0, 49.4499}, {nan, 50.0}};
    const double inverse[][2] = {{2.4599, 50.0}, {4.0, 51.5701}, {6.5430, 50.0}, {4.0, 49.4490}, {4.0, nan}};
    for (int i = 0; i < 5; ++i) {
        double lon = Untouched, lat = Untouched;
        EXPECT_FALSE(core::IgnGridForward(forward[i][0] * Deg, forward[i][1] * Deg, lon, lat)) << i;
        EXPECT_FALSE(core::IgnGridInverse(inverse[i][0] * Deg, inverse[i][1] * Deg, lon, lat)) << i;
        EXPECT_EQ(lon, Untouched);
        EXPECT_EQ(lat, Untouched);
    }
}

// cs2cs EPSG:4937 EPSG:5710 (latitude first, PROJ_DATA on the grids): h -> H,
// over Belgium, on nodes and the model's corners.
TEST(QuasiGeoid, MatchesCs2cs) {
    const struct {
        double lat, lon, h, H;
    } cases[] = {
        {50.85, 4.35, 100, 57.1517},
        {51.0, 3.0, 50, 7.9833},
        {49.6, 5.8, 300, 254.7750},
        {50.5, 4.5, 0, -43.4693},
        {50.0, 6.0, 400, 354.3883},
        {52.5, 1.0, 10, -33.0870},
        {48.5, 7.0, 10, -36.7240},
        // Half a cell from each edge, inside cells, and the south-west corner.
        {50.0, 1.0075, 100, 57.6390},
        {51.0, 6.9925, 100, 55.8385},
        {52.495, 3.0, 100, 58.8898},
        {48.505, 5.0, 100, 55.3327},
        {50.8433, 4.3567, 100, 57.1378},
        {50.2371, 5.1234, 250, 205.8367},
        {50.996, 1.002, 100, 57.6038},
        {48.5, 1.0, 100, 56.6840},
    };
    for (const auto& c : cases) {
        double N = Untouched;
        ASSERT_TRUE(core::QuasiGeoidHeight(c.lon * Deg, c.lat * Deg, N)) << c.lat << " " << c.lon;
        EXPECT_NEAR(c.h - N, c.H, 1e-4) << c.lat << " " << c.lon;
    }
    double N = Untouched;
    EXPECT_FALSE(core::QuasiGeoidHeight(4.0 * Deg, 53.0 * Deg, N));
    EXPECT_FALSE(core::QuasiGeoidHeight(0.99 * Deg, 50.0 * Deg, N));
    EXPECT_EQ(N, Untouched);
}

// h -> H -> h and H -> h -> H give the input back; the same kinds need no
// model, other kinds nothing outside it.
TEST(QuasiGeoid, ConvertHeightRoundTrips) {
    const double lon = 4.3567 * Deg, lat = 50.8433 * Deg;
    for (const char in : {core::EllipsoidalHeight, core::OstendHeight})
        for (const double z : {-12.5, 0.0, 57.1378207, 694.25}) {
            const char out = in == core::OstendHeight ? core::EllipsoidalHeight : core::OstendHeight;
            double there = Untouched, back = Untouched;
            ASSERT_TRUE(core::ConvertHeight(in, out, lon, lat, z, there));
            ASSERT_TRUE(core::ConvertHeight(out, in, lon, lat, there, back));
            EXPECT_NEAR(back, z, 1e-9) << in << " " << z;
            EXPECT_NEAR(std::abs(there - z), 42.8621793, 1e-4);  // N at this point
        }
    double result = Untouched;
    EXPECT_TRUE(core::ConvertHeight('H', 'H', 10 * Deg, 60 * Deg, 3.5, result));
    EXPECT_EQ(result, 3.5);
    result = Untouched;
    EXPECT_FALSE(core::ConvertHeight('h', 'H', 10 * Deg, 50 * Deg, 3.5, result));
    EXPECT_EQ(result, Untouched);
}

// The pipeline under method 4, on the default parameter database.
class IgnGridPipeline : public ::testing::Test {
protected:
    void SetUp() override { store::SetParamDbPath(TRAVENA_PARAM_DB); }

    static core::RecordPoint Convert(std::string inDatum, const std::string& inProjection, double x, double y,
                                     std::string outDatum, const std::string& outProjection, std::int16_t method,
                                     core::DatumLegs* legs = nullptr) {
        core::RecordPoint in{x, y, {}, 0}, out;
        core::ConvertPoint(inDatum, inProjection, in, outDatum, outProjection, out, method, nullptr, legs);
        return out;
    }
};

struct ProjectedCase {
    const char* name;
    double x, y;      // LB72, metres
    double lon, lat;  // cs2cs LB72 +to WGS84
    double x08, y08;  // cs2cs LB72 +to LB08
};

const ProjectedCase ProjectedCases[] = {
    {"Brussels", 150000, 170000, 4.368752611523, 50.840412409412, 649999.7200, 670000.5368},
    {"Coast", 22000, 200000, 2.541365944647, 51.095935688999, 521996.9506, 699984.6635},
    {"Arlon", 295000, 25000, 6.371338343868, 49.519214924064, 795015.6905, 525018.8507},
    {"Liege", 250000, 150000, 5.782914324503, 50.652046886993, 750001.3447, 650012.4663},
    {"Antwerp", 100000, 240000, 3.649282429468, 51.467438388234, 599991.7783, 739993.9300},
    {"Ardennes", 180000, 90000, 4.788242148280, 50.120431593399, 680008.8920, 590004.5599},
};

class IgnGridProjected : public IgnGridPipeline, public ::testing::WithParamInterface<ProjectedCase> {};

TEST_P(IgnGridProjected, Lb72ToWgs84AndLb08MatchCs2cs) {
    const ProjectedCase& c = GetParam();
    core::DatumLegs legs;
    const core::RecordPoint w = Convert("", "BE LB72", c.x, c.y, "WGS84", "", core::method::IgnGrid, &legs);
    EXPECT_LT(Metres(w.x / Deg, w.y / Deg, c.lon, c.lat), Mm);
    EXPECT_TRUE(legs.grid && !legs.fallback && !legs.helmert);
    EXPECT_EQ(core::UsedMethod(core::method::IgnGrid, legs), core::method::IgnGrid);

    const core::RecordPoint l08 = Convert("", "BE LB72", c.x, c.y, "", "BE LB08", core::method::IgnGrid);
    EXPECT_NEAR(l08.x, c.x08, Mm);
    EXPECT_NEAR(l08.y, c.y08, Mm);
}

INSTANTIATE_TEST_SUITE_P(Grid, IgnGridProjected, ::testing::ValuesIn(ProjectedCases), RowName());

// cs2cs WGS84 +to LB72 -f %.4f
TEST_F(IgnGridPipeline, Wgs84ToLb72MatchesCs2cs) {
    const struct {
        double lon, lat, x, y;
    } cases[] = {
        {4.35, 50.85, 148679.4188, 171066.6905}, {2.6, 51.1, 26117.0636, 200352.5953},
        {5.9, 49.6, 260692.6287, 33171.2087},    {6.4, 50.3, 294698.5572, 111868.5475},
        {3.9, 51.45, 117410.9950, 237920.4607},  {4.5, 50.5, 159311.7754, 132142.3697},
    };
    for (const auto& c : cases) {
        const core::RecordPoint p =
            Convert("WGS84", "", c.lon * Deg, c.lat * Deg, "", "BE LB72", core::method::IgnGrid);
        EXPECT_NEAR(p.x, c.x, Mm) << c.lon << " " << c.lat;
        EXPECT_NEAR(p.y, c.y, Mm) << c.lon << " " << c.lat;
    }
}

TEST_F(IgnGridPipeline, RoundTripReturnsTheInput) {
    // Across Belgium, and the BD72 points by the grid's north-east and
    // south-west corners (LB72 of 6.5399 E 51.5699 N and 2.4601 E 49.4501 N).
    const double points[][2] = {{150000, 170000},           {22000, 200000},         {295000, 25000}, {250000, 150000},
                                {300624.5352, 253304.3976}, {11689.9711, 17067.1875}};
    for (const auto& p : points) {
        core::DatumLegs legs;
        const core::RecordPoint w = Convert("", "BE LB72", p[0], p[1], "WGS84", "", core::method::IgnGrid, &legs);
        const core::RecordPoint back = Convert("WGS84", "", w.x, w.y, "", "BE LB72", core::method::IgnGrid, &legs);
        EXPECT_NEAR(back.x, p[0], Mm);
        EXPECT_NEAR(back.y, p[1], Mm);
        EXPECT_FALSE(legs.fallback) << p[0] << " " << p[1];
    }
}

TEST_F(IgnGridPipeline, OutsideTheGridFallsBackToHelmertAndSaysSo) {
    // 52.9 N: cs2cs with +towgs84 (the 7 parameters) gives 4.368784429446 52.906960321826.
    core::DatumLegs legs;
    const core::RecordPoint grid = Convert("", "BE LB72", 150000, 400000, "WGS84", "", core::method::IgnGrid, &legs);
    const core::RecordPoint helmert = Convert("", "BE LB72", 150000, 400000, "WGS84", "", core::method::Helmert);
    EXPECT_EQ(grid.x, helmert.x);
    EXPECT_EQ(grid.y, helmert.y);
    EXPECT_LT(Metres(grid.x / Deg, grid.y / Deg, 4.368784429446, 52.906960321826), 0.01);
    EXPECT_TRUE(legs.fallback && !legs.grid);
    EXPECT_EQ(core::UsedMethod(core::method::IgnGrid, legs), core::method::Helmert);

    core::DatumLegs back;
    Convert("WGS84", "", 4.0 * Deg, 52.5 * Deg, "", "BE LB72", core::method::IgnGrid, &back);
    EXPECT_TRUE(back.fallback);
}

TEST_F(IgnGridPipeline, OtherLegsUseHelmert) {
    core::DatumLegs legs;
    const core::RecordPoint grid =
        Convert("BE ED50", "", 4.4 * Deg, 50.8 * Deg, "WGS84", "", core::method::IgnGrid, &legs);
    const core::RecordPoint helmert = Convert("BE ED50", "", 4.4 * Deg, 50.8 * Deg, "WGS84", "", core::method::Helmert);
    EXPECT_EQ(grid.x, helmert.x);
    EXPECT_EQ(grid.y, helmert.y);
    EXPECT_TRUE(legs.helmert && !legs.grid && !legs.fallback);
    EXPECT_EQ(core::UsedMethod(core::method::IgnGrid, legs), core::method::Helmert);
    // ED50 to Lambert 72: the Belgian leg by the grid names the record.
    core::DatumLegs mixed;
    Convert("BE ED50", "", 4.4 * Deg, 50.8 * Deg, "", "BE LB72", core::method::IgnGrid, &mixed);
    EXPECT_EQ(core::UsedMethod(core::method::IgnGrid, mixed), core::method::IgnGrid);
    // The other methods are named as chosen.
    EXPECT_EQ(core::UsedMethod(core::method::Molodensky, mixed), core::method::Molodensky);
}

// A grid written here in another layout than the shipped one: strips, bands
// interleaved, PixelIsArea, no compression.
class FloatGridFile : public ::testing::Test {
protected:
    static constexpr int W = 5, H = 4;
    static float Band0(int c, int r) { return float(c + 10 * r); }
    static float Band1(int c, int r) { return float(2 * c - r); }

    void SetUp() override {
        path_ = dir_.File("g.tif");
        TIFF* t = TIFFOpen(path_.c_str(), "w");
        ASSERT_NE(t, nullptr);
        static const TIFFFieldInfo info[] = {
            {33550, -1, -1, TIFF_DOUBLE, FIELD_CUSTOM, 1, 1, const_cast<char*>("ModelPixelScale")},
            {33922, -1, -1, TIFF_DOUBLE, FIELD_CUSTOM, 1, 1, const_cast<char*>("ModelTiepoint")},
            {34735, -1, -1, TIFF_SHORT, FIELD_CUSTOM, 1, 1, const_cast<char*>("GeoKeyDirectory")}};
        TIFFMergeFieldInfo(t, info, 3);
        TIFFSetField(t, TIFFTAG_IMAGEWIDTH, W);
        TIFFSetField(t, TIFFTAG_IMAGELENGTH, H);
        TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 2);
        TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 32);
        TIFFSetField(t, TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_IEEEFP);
        TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
        TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, 3);
        const double scale[] = {0.5, 0.25, 0}, tie[] = {0, 0, 0, 10.0, 50.0, 0};
        const std::uint16_t keys[] = {1, 1, 0, 1, 1025, 0, 1, 1};  // PixelIsArea
        TIFFSetField(t, 33550, 3, scale);
        TIFFSetField(t, 33922, 6, tie);
        TIFFSetField(t, 34735, 8, keys);
        for (int r = 0; r < H; ++r) {
            float row[2 * W];
            for (int c = 0; c < W; ++c) {
                row[2 * c] = Band0(c, r);
                row[2 * c + 1] = Band1(c, r);
            }
            ASSERT_EQ(TIFFWriteScanline(t, row, std::uint32_t(r), 0), 1);
        }
        TIFFClose(t);
    }
    TempDir dir_;
    std::string path_;
};

TEST_F(FloatGridFile, ReadsNodesAndInterpolatesBilinearly) {
    const core::FloatGrid g = core::FloatGrid::Read(path_);
    ASSERT_EQ(g.Columns(), W);
    ASSERT_EQ(g.Rows(), H);
    ASSERT_EQ(g.Bands(), 2);
    EXPECT_DOUBLE_EQ(g.West(), 10.25);  // the centre of the first pixel
    EXPECT_DOUBLE_EQ(g.North(), 49.875);
    for (int r = 0; r < H; ++r)
        for (int c = 0; c < W; ++c) {
            EXPECT_EQ(g.Node(0, c, r), Band0(c, r));
            EXPECT_EQ(g.Node(1, c, r), Band1(c, r));
        }
    // Linear bands are reproduced exactly between nodes, and on the last
    // column and row.
    const double at[][2] = {{1.5, 0.5}, {0.25, 2.75}, {4, 3}, {3.9, 0}};
    for (const auto& p : at) {
        double v[2];
        ASSERT_TRUE(g.Interpolate(10.25 + 0.5 * p[0], 49.875 - 0.25 * p[1], 2, v));
        EXPECT_NEAR(v[0], p[0] + 10 * p[1], 1e-12);
        EXPECT_NEAR(v[1], 2 * p[0] - p[1], 1e-12);
    }
    double v[2] = {Untouched, Untouched};
    EXPECT_FALSE(g.Interpolate(10.2, 49.0, 2, v));
    EXPECT_FALSE(g.Interpolate(11.0, 49.9, 2, v));
    EXPECT_EQ(v[0], Untouched);
    EXPECT_EQ(core::FloatGrid::Read(path_, 1).Bands(), 1);
}

TEST_F(FloatGridFile, MissingOrForeignFilesAreNamed) {
    EXPECT_EQ(ErrorNumber([&] { core::FloatGrid::Read(dir_.File("none.tif")); }), base::err::NoSuchFile);
    std::ofstream(dir_.File("text.tif")) << "not a grid\n";
    try {
        core::FloatGrid::Read(dir_.File("text.tif"));
        ADD_FAILURE() << "a text file read as a grid";
    } catch (const base::RuntimeError& e) {
        EXPECT_EQ(e.number, base::err::FileRead);
        EXPECT_NE(std::string(e.what()).find("text.tif"), std::string::npos) << e.what();
    }
    // A missing shipped grid fails at each use, with the folders it was looked for in.
    const core::ShippedGrid absent("no_such_grid.tif", 1);
    EXPECT_EQ(ErrorNumber([&] { absent.Get(); }), base::err::NoSuchFile);
    EXPECT_EQ(ErrorNumber([&] { absent.Get(); }), base::err::NoSuchFile);
}

}  // namespace
