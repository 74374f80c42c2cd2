// Parameter rows no formula can use are refused when loaded, naming the row
// and the column; a missing set is named too.

#include <gtest/gtest.h>

#include <functional>

#include "core/Params.h"
#include "store/ParamDb.h"
#include "tests/Support.h"

namespace {

struct AbsurdRow {
    const char* name;
    const char* update;  // run on a copy of the default database
    std::function<void()> load;
    const char* named;   // what the message must name, row then column
    const char* column;
};

class AbsurdRows : public ::testing::TestWithParam<AbsurdRow> {};

TEST_P(AbsurdRows, AreRefusedNamingRowAndColumn) {
    testsupport::ParamDbCopy copy;
    store::OpenDatabase(copy.Path()).Execute(GetParam().update);
    try {
        GetParam().load();
        FAIL() << "loaded";
    } catch (const base::RuntimeError& e) {
        EXPECT_EQ(e.number, base::err::BadParameter);
        const std::string text = e.what();
        EXPECT_NE(text.find(std::string("« ") + GetParam().named + " »"), std::string::npos) << text;
        EXPECT_NE(text.find(std::string("colonne ") + GetParam().column + " "), std::string::npos) << text;
    }
}

const auto Lb72 = [] { core::LoadProjection("BE LB72"); };
const auto Hayford = [] { core::LoadEllipsoid("International 1924"); };
const auto Bd72 = [] { core::LoadDatum("BE BD72"); };

INSTANTIATE_TEST_SUITE_P(
    Rows, AbsurdRows,
    ::testing::Values(
        AbsurdRow{"type0", "UPDATE Projections SET Type = 0 WHERE Nom = 'BE LB72'", Lb72, "BE LB72", "Type"},
        AbsurdRow{"type6", "UPDATE Projections SET Type = 6 WHERE Nom = 'BE LB72'", Lb72, "BE LB72", "Type"},
        AbsurdRow{"k0_zero", "UPDATE Projections SET k0 = 0 WHERE Nom = 'BE LB72'", Lb72, "BE LB72", "k0"},
        AbsurdRow{"k0_negative", "UPDATE Projections SET k0 = -1 WHERE Nom = 'BE LB72'", Lb72, "BE LB72", "k0"},
        AbsurdRow{"fe_infinite", "UPDATE Projections SET FE = 1e999 WHERE Nom = 'BE LB72'", Lb72, "BE LB72", "FE"},
        AbsurdRow{"a_zero", "UPDATE Ellipsoides SET a = 0 WHERE Nom = 'International 1924'", Hayford,
                  "International 1924", "a"},
        AbsurdRow{"unf_negative", "UPDATE Ellipsoides SET unf = -297 WHERE Nom = 'International 1924'", Hayford,
                  "International 1924", "unf"},
        AbsurdRow{"ec_one", "UPDATE Ellipsoides SET ec = 1 WHERE Nom = 'International 1924'", Hayford,
                  "International 1924", "ec"},
        AbsurdRow{"ec_negative", "UPDATE Ellipsoides SET ec = -0.01 WHERE Nom = 'International 1924'", Hayford,
                  "International 1924", "ec"},
        AbsurdRow{"shift_infinite", "UPDATE Datums SET rZ = -1e999 WHERE Nom = 'BE BD72'", Bd72, "BE BD72", "rZ"}),
    testsupport::RowName());

TEST(MissingParameterSet, IsNamedWithItsTable) {
    testsupport::ParamDbCopy copy;
    struct {
        std::function<void()> load;
        const char* table;
    } const cases[] = {{[] { core::LoadProjection("BE XX"); }, "Projections"},
                       {[] { core::LoadDatum("BE XX"); }, "Datums"},
                       {[] { core::LoadEllipsoid("BE XX"); }, "Ellipsoides"}};
    for (const auto& c : cases) {
        try {
            c.load();
            ADD_FAILURE() << c.table;
        } catch (const base::RuntimeError& e) {
            EXPECT_EQ(e.number, base::err::NoCurrentRecord);
            const std::string text = e.what();
            EXPECT_NE(text.find("« BE XX »"), std::string::npos) << text;
            EXPECT_NE(text.find(c.table), std::string::npos) << text;
        }
    }
}

}  // namespace
