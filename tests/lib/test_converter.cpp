// The public converter: refusals when it is made, a status per point, and its
// own parameter database whatever the process chose, seen again after an edit.

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "travena/Converter.h"
#include "tests/Support.h"
#include "store/Engine.h"

namespace {

int MakeError(const std::string& from, const std::string& to, int method,
              const std::string& params = TRAVENA_PARAM_DB) {
    try {
        travena::Converter c(from, to, method, params);
    } catch (const travena::Error& e) {
        return e.number;
    }
    return 0;
}

TEST(Converter, RefusesWhatTheCommandLineRefuses) {
    EXPECT_EQ(MakeError("BE LB72", "W Geographic WGS84", 1), 0);
    EXPECT_EQ(MakeError("BE LB72", "XX", 1), 5);
    EXPECT_EQ(MakeError("BE LB72", "BE LB72", 1), 5);
    EXPECT_EQ(MakeError("BE LB72", "WGS84 UTM", 0), 5);
    EXPECT_EQ(MakeError("BE LB72", "WGS84 UTM", travena::MaxMethod() + 1), 5);
    testsupport::TempDir dir;
    EXPECT_EQ(MakeError("BE LB72", "WGS84 UTM", 1, dir.File("absente.mdb")), 3024);
    EXPECT_EQ(travena::Systems(TRAVENA_PARAM_DB), travena::Systems());  // beside the test, as beside travena-cli
}

struct Bad {
    const char* name;
    const char* from;
    const char* to;
    double x, y, zone;
    const char* reference;
    int status;
};

class ConverterPoint : public ::testing::TestWithParam<Bad> {};

// Each bad point between two good ones: its status and cause, the others converted.
TEST_P(ConverterPoint, FailsAlone) {
    const Bad& b = GetParam();
    const travena::Converter c(b.from, b.to, 1, TRAVENA_PARAM_DB);
    const bool gridIn = c.From() == travena::Kind::Mgrs || c.From() == travena::Kind::Ifbl;
    const bool gridOut = c.To() == travena::Kind::Mgrs || c.To() == travena::Kind::Ifbl;
    const std::vector<double> x{4.35, b.x, 4.35}, y{50.85, b.y, 50.85}, zone{31, b.zone, 31};
    const std::vector<std::string> ref{"31UES9503234012", b.reference, "31UES9503234012"};
    std::vector<double> ox(3), oy(3);
    std::vector<std::int32_t> oz(3), status(3);
    std::vector<std::string> oref(3), message(3);
    travena::Input in;
    if (gridIn) in.reference = ref;
    else in = {x, y, zone, {}, {}};
    travena::Output out{ox, oy, oz, {}, status, message, {}};
    if (gridOut) out = {{}, {}, oz, oref, status, message, {}};
    EXPECT_EQ(c.Convert(in, out), 1u);
    EXPECT_EQ(status, (std::vector<std::int32_t>{0, b.status, 0}));
    EXPECT_TRUE(message[0].empty());
    EXPECT_FALSE(message[1].empty());
    if (gridOut) {
        EXPECT_TRUE(oref[1].empty());
        EXPECT_FALSE(oref[2].empty());
    } else {
        EXPECT_TRUE(std::isnan(ox[1]) && std::isnan(oy[1]));
        EXPECT_EQ(ox[0], ox[2]);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, ConverterPoint,
                         ::testing::Values(Bad{"nan", "W Geographic WGS84", "BE LB72", NAN, 50.8, 0, "", 13},
                                           Bad{"south", "W Geographic WGS84", "BE LB72", 4.35, -10, 0, "", 5},
                                           Bad{"beyond_360", "W Geographic WGS84", "BE LB72", 400, 50.8, 0, "", 5},
                                           Bad{"zone_0", "WGS84 UTM", "BE LB72", 596000, 5632000, 0, "", 6},
                                           Bad{"zone_61", "WGS84 UTM", "BE LB72", 596000, 5632000, 61, "", 6},
                                           Bad{"ifbl_outside", "W Geographic WGS84", "BE IFBL", 10, 55, 0, "", 1002},
                                           Bad{"mgrs_unreadable", "W MGRS", "BE LB72", 0, 0, 0, "31UZZ", 1002},
                                           Bad{"mgrs_empty", "W MGRS", "BE LB72", 0, 0, 0, "", 1002}),
                         testsupport::RowName());

TEST(Converter, SpansOfWrongSizeAreRefusedBeforeAnyPoint) {
    const travena::Converter c("BE LB72", "WGS84 UTM", 1, TRAVENA_PARAM_DB);
    const std::vector<double> x{150000, 151000}, y{170000};
    std::vector<double> ox(2), oy(2);
    std::vector<std::int32_t> status(2, -1);
    try {
        c.Convert({x, y, {}, {}, {}}, {ox, oy, {}, {}, status, {}, {}});
        FAIL();
    } catch (const travena::Error& e) {
        EXPECT_EQ(e.number, 5);
    }
    EXPECT_EQ(status[0], -1);
}

// Shifts the false easting of "BE LB72" in a database file by `metres`.
void ShiftEasting(const std::string& path, double metres) {
    store::Database db = store::OpenDatabase(path);
    db.Execute("UPDATE Projections SET FE = FE + ? WHERE Nom = 'BE LB72'", {store::Value(metres)});
}

double Easting(const travena::Converter& c) {
    const std::vector<double> lon{4.35}, lat{50.85};
    std::vector<double> x(1), y(1);
    std::vector<std::int32_t> status(1);
    c.Convert({lon, lat, {}, {}, {}}, {x, y, {}, {}, status, {}, {}});
    EXPECT_EQ(status[0], 0);
    return x[0];
}

TEST(Converter, ReadsItsOwnDatabaseAndSeesItsEdits) {
    testsupport::ParamDbCopy processWide;  // what the process's own loads read
    ShiftEasting(processWide.Path(), 500);
    const std::string own = processWide.File("own.mdb");
    std::filesystem::copy_file(TRAVENA_PARAM_DB, own);
    const travena::Converter shipped("W Geographic WGS84", "BE LB72", 1, TRAVENA_PARAM_DB);
    const travena::Converter edited("W Geographic WGS84", "BE LB72", 1, own);
    const double x = Easting(shipped);
    EXPECT_EQ(Easting(edited), x);
    ShiftEasting(own, 1000);
    EXPECT_NEAR(Easting(edited) - x, 1000, 1e-6);
    EXPECT_EQ(Easting(shipped), x);  // one thread, two databases, in turn
    EXPECT_NEAR(Easting(edited) - x, 1000, 1e-6);
}

}  // namespace

namespace {

// Heights beside the points: cs2cs EPSG:4937 EPSG:5710 gives H = 57.151666 for
// h = 100 at 4.35° E 50.85° N; outside the model the point keeps its
// coordinates and gets no height; a height that is no number fails the point.
TEST(Converter, HeightsComeOutAsTheOtherKind) {
    const travena::Converter c("W Geographic WGS84", "BE LB72", 1, TRAVENA_PARAM_DB);
    const std::vector<double> lon{4.35, 10.35, 4.35}, lat{50.85, 50.85, 50.85}, h{100, 100, NAN};
    std::vector<double> x(3), y(3), H(3), back(3);
    std::vector<std::int32_t> status(3);
    std::vector<std::string> message(3);
    travena::Input in;
    in.x = lon, in.y = lat, in.height = h;
    travena::Output out;
    out.x = x, out.y = y, out.status = status, out.message = message, out.height = H;
    EXPECT_EQ(c.Convert(in, out), 2u);
    EXPECT_NEAR(H[0], 57.151666, 1e-6);
    EXPECT_EQ(status[0], 0);
    EXPECT_TRUE(std::isnan(H[1]) && std::isfinite(x[1]) && std::isfinite(y[1]));
    EXPECT_EQ(status[1], 5);
    EXPECT_EQ(message[1], "point hors du modèle hBG18 (Belgique) : pas de hauteur.");
    EXPECT_TRUE(std::isnan(H[2]) && std::isnan(x[2]));
    EXPECT_NE(status[2], 0);

    in.height = H;
    in.heightIn = travena::Height::Ostend;
    in.heightOut = travena::Height::Ellipsoidal;
    out.message = {}, out.height = back;
    c.Convert(in, out);
    EXPECT_NEAR(back[0], 100, 1e-9);
    // Heights in need somewhere to go out.
    out.height = {};
    EXPECT_THROW(c.Convert(in, out), travena::Error);
}

}  // namespace
