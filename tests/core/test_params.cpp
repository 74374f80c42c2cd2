// The parameter loaders over copies of the default parameter database: every
// shipped row, the rows no formula can use, and what a failed load leaves.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <numbers>
#include <tuple>
#include <utility>

#include "core/ParamRules.h"
#include "core/Params.h"
#include "store/ParamDb.h"
#include "tests/Support.h"

namespace {

using testsupport::ErrorNumber;
using testsupport::ParamDbCopy;

class Loaders : public ::testing::Test {
protected:
    ParamDbCopy copy_;
    store::Database db_ = store::OpenDatabase(copy_.Path());

    // Calls `check` on every row of `table`, positioned on it.
    void ForEachRow(const char* sql, const std::function<void(store::Recordset&)>& check) {
        store::Recordset rs = db_.OpenRecordset(sql);
        ASSERT_FALSE(rs.Eof());
        for (; !rs.Eof(); rs.MoveNext()) check(rs);
    }
};

std::string Nom(store::Recordset& rs) { return rs.Field("Nom").Value().Text(); }

// The number and text of the error loading `name` from `table` raises.
std::pair<int, std::string> LoadError(const std::string& table, const std::string& name) {
    try {
        if (table == "Projections") core::LoadProjection(name);
        else if (table == "Datums") core::LoadDatum(name);
        else core::LoadEllipsoid(name);
    } catch (const base::RuntimeError& e) {
        return {e.number, e.what()};
    }
    return {0, "loaded"};
}

// Which column feeds which datum or ellipsoid field shows in every reference
// conversion; a projection's rotation aa in no shipped conversion.
TEST_F(Loaders, EveryDefaultRowLoads) {
    ForEachRow(store::sql::AllEllipsoides, [](store::Recordset& rs) { EXPECT_NO_THROW(core::LoadEllipsoid(Nom(rs))); });
    ForEachRow(store::sql::AllDatums, [](store::Recordset& rs) { EXPECT_NO_THROW(core::LoadDatum(Nom(rs))); });
    ForEachRow(store::sql::AllProjections, [](store::Recordset& rs) {
        const core::ProjectionParams p = core::LoadProjection(Nom(rs));
        EXPECT_EQ(p.Datum, rs.Field("Datum").Value().Text());
        EXPECT_EQ(p.Type, rs.Field("Type").Value().Int16());
        const double values[] = {p.FE, p.fn, p.k0, p.Lg0, p.Lt0, p.Lt1, p.Lt2, p.aa};
        const char* columns[] = {"FE", "fn", "k0", "Lg0", "Lt0", "Lt1", "Lt2", "aa"};
        for (int i = 0; i < 8; ++i) EXPECT_EQ(values[i], rs.Field(columns[i]).Value().Double()) << columns[i];
    });
}

TEST(ParamRows, AbsurdValuesAreRefusedNamingRowAndColumn) {
    const struct {
        const char* table;
        const char* name;
        const char* column;
        const char* value;
    } rows[] = {{"Projections", "BE LB72", "Type", "0"},
                {"Projections", "BE LB72", "Type", "6"},
                {"Projections", "BE LB72", "k0", "0"},
                {"Projections", "BE LB72", "k0", "-1"},
                {"Projections", "BE LB72", "FE", "1e999"},
                {"Ellipsoides", "International 1924", "a", "0"},
                {"Ellipsoides", "International 1924", "unf", "-297"},
                {"Ellipsoides", "International 1924", "ec", "1"},
                {"Ellipsoides", "International 1924", "ec", "-0.01"},
                {"Datums", "BE BD72", "rZ", "-1e999"},
                // Computable, but no formula is written for them: every point would be wrong.
                {"Projections", "LU TM", "Lt0", "1e10"},
                {"Projections", "LU TM", "Lg0", "1e10"},
                {"Projections", "BE LB72", "aa", "-7"},
                {"Projections", "BE LB08", "Lt2", "1.5707963268"},
                {"Projections", "LU TM", "fn", "1e9"},
                {"Projections", "LU TM", "k0", "9996"},
                {"Ellipsoides", "International 1924", "a", "1e308"},
                {"Ellipsoides", "International 1924", "a", "6378.388"},
                {"Ellipsoides", "International 1924", "unf", "0.5"},
                {"Datums", "BE BD72", "rX", "1e6"},
                {"Datums", "BE BD72", "dS", "-1e6"},
                {"Datums", "BE BD72", "dZ7", "20000"},
                // Definitions no formula can compute, each named by the column to change.
                {"Ellipsoides", "International 1924", "ec", "0.0067"},
                {"Projections", "BE LB08", "Lt2", "Lt1"},
                {"Projections", "BE LB08", "Lt2", "-Lt1"},
                {"Projections", "FR LB93", "Lt1", "1.570796326794895"},
                {"Projections", "CH LV03", "Lt0", "-1.570796326794895"},
                {"Projections", "NL RD", "Lt0", "1.5707963267948966"},
                {"Projections", "FR LB2E", "Lt0", "0"}};
    for (const auto& r : rows) {
        ParamDbCopy copy;
        store::OpenDatabase(copy.Path())
            .Execute(std::string("UPDATE ") + r.table + " SET " + r.column + " = " + r.value + " WHERE Nom = ?",
                     {store::Value(r.name)});
        const auto [number, text] = LoadError(r.table, r.name);
        EXPECT_EQ(number, base::err::BadParameter) << r.column << " = " << r.value << ": " << text;
        EXPECT_NE(text.find(std::string("« ") + r.name + " »"), std::string::npos) << text;
        EXPECT_NE(text.find(std::string("colonne ") + r.column + " "), std::string::npos) << text;
    }
}

// The rule the editor asks of one field, at the edges of each bound.
TEST(ParamRules, EdgesOfEachBound) {
    using store::ParamTable;
    const struct {
        ParamTable table;
        const char* column;
        double value;
        bool sound;
    } cases[] = {{ParamTable::Ellipsoides, "a", 6'300'000, true},
                 {ParamTable::Ellipsoides, "A", 6'299'999, false},
                 {ParamTable::Ellipsoides, "ec", 0, true},
                 {ParamTable::Ellipsoides, "ec", 0.9999, true},
                 {ParamTable::Ellipsoides, "unf", 1, false},
                 {ParamTable::Ellipsoides, "unf", 1.0001, true},
                 {ParamTable::Datums, "dX", -10'000, true},
                 {ParamTable::Datums, "dY7", 10'000.5, false},
                 {ParamTable::Datums, "rZ", -60, true},
                 {ParamTable::Datums, "rY", 60.001, false},
                 {ParamTable::Datums, "dS", 1000, true},
                 {ParamTable::Datums, "dS", std::nan(""), false},
                 {ParamTable::Projections, "Lt0", 3.14159265358979 / 2, true},
                 {ParamTable::Projections, "Lt1", -1.6, false},
                 // A pole itself is a latitude (Lambert 72's origin is one); just past it is not.
                 {ParamTable::Projections, "Lt0", std::numbers::pi / 2, true},
                 {ParamTable::Projections, "Lt0", -std::numbers::pi / 2, true},
                 {ParamTable::Projections, "Lt0", std::nextafter(std::numbers::pi / 2, 2.0), false},
                 {ParamTable::Projections, "Lt1", std::nextafter(-std::numbers::pi / 2, -2.0), false},
                 {ParamTable::Projections, "Lg0", 6.28318530717958, true},
                 {ParamTable::Projections, "aa", -6.3, false},
                 {ParamTable::Projections, "k0", 0.5, true},
                 {ParamTable::Projections, "k0", 0.49, false},
                 {ParamTable::Projections, "Type", 5, true},
                 {ParamTable::Projections, "nomcomplet", 1e300, true}};
    for (const auto& c : cases) {
        const auto fault = core::CheckParamValue(c.table, c.column, c.value);
        EXPECT_EQ(!fault, c.sound) << c.column << " = " << c.value;
        if (fault) {
            EXPECT_TRUE(store::SameText(fault->column, c.column)) << fault->column;
        }
    }
}

// The two-parallel cone takes its origin at a pole, where the Belgian grids
// have it; the one-parallel cone, the conformal sphere and the stereographic
// origin do not, and the cone's own parallels never.
TEST(ParamRules, OriginAtThePoleOnlyForTheTwoParallelCone) {
    core::ProjectionParams p{"", 150000, 5400000, 1, 0.0762, 0, 0.8930268104939635, 0.8697557538007057, 0, 2};
    for (const double pole : {std::numbers::pi / 2, -std::numbers::pi / 2}) {
        p.Lt0 = pole;
        for (const std::int16_t type : {2, 3, 4, 5}) {
            p.Type = type;
            const auto fault = core::CheckProjection(p);
            EXPECT_EQ(!fault, type == 2) << type << " " << pole;
            if (fault) {
                EXPECT_EQ(fault->column, "Lt0");
            }
        }
        p.Type = 2;
        p.Lt1 = pole;
        EXPECT_EQ(core::CheckProjection(p).value_or(core::ParamFault{}).column, "Lt1") << pole;
        p.Lt1 = 0.8930268104939635;
    }
}

TEST_F(Loaders, MissingSetIsNamedWithItsTable) {
    for (const char* table : {"Projections", "Datums", "Ellipsoides"}) {
        const auto [number, text] = LoadError(table, "BE XX");
        EXPECT_EQ(number, base::err::NoCurrentRecord) << text;
        EXPECT_NE(text.find("« BE XX »"), std::string::npos) << text;
        EXPECT_NE(text.find(table), std::string::npos) << text;
    }
}

TEST_F(Loaders, FailuresChangeNothing) {
    core::ProjectionParams p = core::LoadProjection("BE UTM");
    EXPECT_EQ(ErrorNumber([&] { p = core::LoadProjection("BE UTM "); }), base::err::NoCurrentRecord);
    EXPECT_EQ(ErrorNumber([&] { p = core::LoadProjection("x' OR '1'='1"); }), base::err::NoCurrentRecord);
    EXPECT_EQ(p.Datum, "BE ED50");
    EXPECT_EQ(p.FE, 500000.0);
    EXPECT_EQ(core::LoadProjection("be utm").Datum, "BE ED50");  // the store ignores case

    db_.Execute("UPDATE Datums SET dS = NULL WHERE Nom = 'BE ED50'");
    db_.Execute("UPDATE Projections SET Datum = NULL WHERE Nom = 'LU TM'");
    EXPECT_EQ(ErrorNumber([] { core::LoadDatum("BE ED50"); }), base::err::InvalidNull);
    EXPECT_EQ(ErrorNumber([] { core::LoadProjection("LU TM"); }), base::err::InvalidNull);
    std::filesystem::remove(copy_.Path());
    EXPECT_EQ(ErrorNumber([] { core::LoadDatum("FR NTF"); }), base::err::FileNotFound);
}

TEST_F(Loaders, TypeRoundsHalfToEven) {
    db_.Execute("UPDATE Projections SET Type = 2.5 WHERE Nom = 'BE LB08'");
    db_.Execute("UPDATE Projections SET Type = 40000 WHERE Nom = 'FR LB93'");
    EXPECT_EQ(core::LoadProjection("BE LB08").Type, 2);
    EXPECT_EQ(ErrorNumber([] { core::LoadProjection("FR LB93"); }), base::err::Overflow);
}

// A database made elsewhere, whose number columns hold texts.
TEST(LoadersOnTexts, NumericTextConverts) {
    testsupport::TempDir dir;
    const std::string path = dir.File("texts.mdb");
    {
        store::Database db = store::CreateDatabase(path, store::dbLangGeneral);
        db.Execute("CREATE TABLE Ellipsoides (Nom TEXT, a TEXT, ec TEXT, unf TEXT)");
        db.Execute(
            "INSERT INTO Ellipsoides VALUES ('T', '6378388.5', ' 0.08 ', '3.119991974e2'), ('U', '1', '2', 'abc')");
    }
    store::SetParamDbPath(path);
    const core::EllipsoidParams t = core::LoadEllipsoid("T");
    EXPECT_EQ(std::tuple(t.a, t.ec, t.unf), std::tuple(6378388.5, 0.08, 311.9991974));
    EXPECT_EQ(ErrorNumber([] { core::LoadEllipsoid("U"); }), base::err::TypeMismatch);
    store::SetParamDbPath({});
}

}  // namespace
