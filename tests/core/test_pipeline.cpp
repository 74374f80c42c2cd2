// The table pipeline on the default parameter database: the input rules
// callers rely on. Its reference values and grids are checked through
// travena-cli convert (tests/cli), its round trips in test_round_trip.

#include <gtest/gtest.h>

#include <cmath>

#include "core/Constants.h"
#include "core/NumberText.h"
#include "core/Pipeline.h"
#include "store/ParamDb.h"

namespace {

constexpr double Deg = core::Pi / 180.0;

class Pipeline : public ::testing::Test {
protected:
    void SetUp() override { store::SetParamDbPath(TRAVENA_PARAM_DB); }

    struct Out {
        std::string x, y;
        std::int16_t zone = 0;
    };

    static Out Convert(std::string inDatum, const std::string& inProjection, std::string x, std::string y,
                       std::int16_t zone, std::string outDatum, const std::string& outProjection, std::int16_t method) {
        Out o;
        core::ConvertRecord(inDatum, inProjection, x, y, zone, outDatum, outProjection, o.x, o.y, o.zone, method);
        return o;
    }
    static std::string Rad(double degrees) { return core::FormatGeneral(degrees * Deg); }
};

TEST_F(Pipeline, Wgs84AliasesTakeNoDatumStep) {
    const Out viaEtrs = Convert("ETRS89", "", Rad(4.2), Rad(50.5), 0, "", "WGS84 UTM", 2);
    EXPECT_EQ(viaEtrs.zone, 31);
    EXPECT_NEAR(core::ValNumber(viaEtrs.x), 585104.094, 1e-3);
    EXPECT_NEAR(core::ValNumber(viaEtrs.y), 5594913.119, 1e-3);
    const Out same = Convert("ETRS89", "", "0.07", "0.88", 0, "WGS84", "", 1);
    EXPECT_EQ(same.x + " " + same.y, "0.07 0.88");
}

TEST_F(Pipeline, ProjectionWinsAndCommasBecomePoints) {
    std::string inDatum = "BE ED50", x = "150000,5", y = " 170000,25 ", outX, outY, outDatum = "WGS84";
    std::int16_t zone = 0, outZone = 0;
    core::ConvertRecord(inDatum, "BE LB72", x, y, zone, outDatum, "", outX, outY, outZone, 1);
    EXPECT_EQ(inDatum + "|" + x + "|" + y, "BE BD72|150000.5|170000.25");
    // The same variables again, now holding the projection's datum, give the same point.
    const Out again = Convert(inDatum, "BE LB72", x, y, zone, outDatum, "", 1);
    EXPECT_EQ(again.x + " " + again.y, outX + " " + outY);
}

TEST_F(Pipeline, MethodMattersOnlyWhereADatumStepIsTaken) {
    const Out a = Convert("", "WGS84 UTM", "585104.094", "5594913.119", 31, "ETRS89", "", 1);
    const Out b = Convert("", "WGS84 UTM", "585104.094", "5594913.119", 31, "ETRS89", "", 3);
    EXPECT_EQ(a.x + " " + a.y, b.x + " " + b.y);
    const Out c = Convert("WGS84", "", Rad(4.2), Rad(50.5), 0, "", "BE LB72", 1);
    const Out d = Convert("WGS84", "", Rad(4.2), Rad(50.5), 0, "", "BE LB72", 3);
    EXPECT_NE(c.x, d.x);
    EXPECT_NEAR(core::ValNumber(c.x), core::ValNumber(d.x), 5.0);
}

TEST_F(Pipeline, Ed50MgrsTakesItsBandFromTheWgs84Latitude) {
    // At 4.4° E the ED 50 latitude is 0.0009° north of the WGS 84 one: the
    // first point is at 48.0008° on ED 50, yet still in band T.
    const struct {
        double latDeg;
        const char* start;
    } rows[] = {{47.9999, "31TFP"}, {48.0001, "31UFP"}};
    for (const auto& r : rows) {
        const Out o = Convert("WGS84", "", Rad(4.4), Rad(r.latDeg), 0, "", "BE UTMMGRS", 1);
        EXPECT_EQ(o.x.substr(0, 5), r.start) << r.latDeg;
    }
}

TEST_F(Pipeline, UnknownNameReachesTheCaller) {
    EXPECT_THROW(Convert("WGS84", "", "0.07", "0.88", 0, "", "XX NONE", 1), base::RuntimeError);
    EXPECT_THROW(Convert("XX NONE", "", "0.07", "0.88", 0, "WGS84", "", 1), base::RuntimeError);
}

}  // namespace
