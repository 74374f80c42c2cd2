// The parameter database: location, the default file built from the seed,
// and the cached reading of rows, which must never return a stale value.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <charconv>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <span>
#include <vector>

#include "store/ParamDb.h"
#include "store/ParamSchema.h"
#include "store/Seed.h"
#include "tests/Support.h"

namespace {

using store::Value;
using testsupport::ErrorNumber;
using testsupport::ParamDbCopy;

TEST(ParamDbPath, DefaultsToTheExecutablesFolder) {
    store::SetParamDbPath("/elsewhere/p.mdb");
    store::SetParamDbPath({});
    EXPECT_EQ(store::ParamDbPath(), store::AppFolder() + "/SystG\xC3\xA9o.mdb");
}

// Every cell of the seed, read back from the built file: texts as written,
// numbers as exactly the double their decimal text spells.
TEST(DefaultParamDb, HoldsExactlyTheSeed) {
    std::ifstream in(TRAVENA_TEST_DATA "/../../data/SystGeo.tsv", std::ios::binary);
    ASSERT_TRUE(in);
    const auto seed = store::ParseSeed(std::string(std::istreambuf_iterator<char>(in), {}));
    store::Database db = store::OpenDatabase(TRAVENA_PARAM_DB);
    ASSERT_EQ(db.TableDefs().Count(), 4);
    ASSERT_EQ(seed.size(), 4u);
    for (const store::SeedTable& t : seed) {
        store::Recordset rs = db.OpenRecordset(t.name);
        ASSERT_EQ(rs.RecordCount(), long(t.rows.size())) << t.name;
        ASSERT_EQ(rs.FieldCount(), int(t.columns.size())) << t.name;
        for (const auto& row : t.rows) {
            for (std::size_t c = 0; c < row.size(); ++c) {
                const store::Field f = rs.Field(int(c));
                ASSERT_EQ(f.Name(), t.columns[c]);
                if (f.Type() == store::dbText) {
                    EXPECT_EQ(f.Value(), Value(row[c])) << t.name << " " << f.Name();
                    continue;
                }
                double expected = 0;
                std::from_chars(row[c].data(), row[c].data() + row[c].size(), expected);
                EXPECT_EQ(f.Value().Double(), expected) << t.name << " " << f.Name() << " " << row[0];
            }
            rs.MoveNext();
        }
    }
    EXPECT_EQ(db.OpenRecordset("Projections").Field("Type").Type(), store::dbInteger);
    EXPECT_EQ(db.OpenRecordset("Types").Field("Num\xC3\xA9ro").Type(), store::dbInteger);
}

int StoredType(store::schema::Kind kind) {
    if (kind == store::schema::Kind::Text) return store::dbText;
    return kind == store::schema::Kind::Integer ? store::dbInteger : store::dbDouble;
}

// The built file's tables are the schema's, column for column.
TEST(DefaultParamDb, HasTheSchemasColumns) {
    store::Database db = store::OpenDatabase(TRAVENA_PARAM_DB);
    const struct {
        const char* table;
        std::span<const store::schema::Column> columns;
    } tables[] = {{"Ellipsoides", store::schema::Ellipsoides},
                  {"Datums", store::schema::Datums},
                  {"Projections", store::schema::Projections},
                  {"Types", store::schema::Types}};
    for (const auto& t : tables) {
        const std::vector<store::FieldDef> fields = db.TableDefs().Item(t.table).Fields;
        ASSERT_EQ(fields.size(), t.columns.size()) << t.table;
        for (std::size_t i = 0; i < fields.size(); ++i) {
            EXPECT_EQ(fields[i].Name, t.columns[i].name) << t.table;
            EXPECT_EQ(fields[i].Type, StoredType(t.columns[i].kind)) << t.columns[i].name;
        }
    }
}

class ParamDbTest : public ::testing::Test {
protected:
    ParamDbCopy copy_;
    store::Database db_ = store::OpenDatabase(copy_.Path());
};

// A reader standing for the loaders: the semi-major axis of an ellipsoid.
double ReadA(store::Recordset& rs) { return rs.Field("a").Value().Double(); }
double ReadEc(store::Recordset& rs) { return rs.Field("ec").Value().Double(); }
double LoadA(const std::string& name) { return store::LoadParam<store::ParamTable::Ellipsoides, ReadA>(name); }
double LoadEc(const std::string& name) { return store::LoadParam<store::ParamTable::Ellipsoides, ReadEc>(name); }

void SetA(store::Database& db, const std::string& name, double a) {
    db.Execute("UPDATE Ellipsoides SET a = ? WHERE Nom = ?", {Value(a), Value(name)});
}

TEST_F(ParamDbTest, CacheSeesWritesOfThisProcess) {
    EXPECT_EQ(LoadA("WGS 84"), 6378137);
    {
        store::ParamReadScope scope;
        EXPECT_EQ(LoadA("WGS 84"), 6378137);
        store::Recordset rs = db_.OpenRecordset(store::sql::EllipsoideByName, {Value("WGS 84")});
        rs.Edit();
        rs.SetField("a", Value(1.0));
        // The scope's shared lock keeps this commit waiting; it fails, and nothing changes.
        EXPECT_EQ(ErrorNumber([&] { rs.Update(); }), base::err::Locked);
        EXPECT_EQ(LoadA("WGS 84"), 6378137);
    }
    store::Database third = store::OpenDatabase(copy_.Path());
    SetA(third, "GRS 80", 6378137.5);  // the failed writer holds no lock either
    EXPECT_EQ(LoadA("WGS 84"), 6378137);
    SetA(db_, "WGS 84", 2.0);
    EXPECT_EQ(LoadA("WGS 84"), 2.0);
}

// In WAL mode a reader's snapshot does not block writers: a write of this
// process inside a scope must make the next load read afresh.
TEST_F(ParamDbTest, CacheSeesWritesInsideAScopeInWalMode) {
    db_.Execute("PRAGMA journal_mode = WAL");
    store::ParamReadScope scope;
    EXPECT_EQ(LoadA("GRS 80"), 6378137);
    SetA(db_, "GRS 80", 8.0);
    EXPECT_EQ(LoadA("GRS 80"), 8.0);
}

TEST_F(ParamDbTest, CacheSeesWritesOfAnotherProcess) {
    EXPECT_EQ(LoadA("GRS 80"), 6378137);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        int code = 1;
        try {
            store::Database other = store::OpenDatabase(copy_.Path());
            SetA(other, "GRS 80", 4.0);
            code = 0;
        } catch (...) {}
        ::_exit(code);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(LoadA("GRS 80"), 4.0);
}

TEST_F(ParamDbTest, CacheFollowsTheFile) {
    EXPECT_EQ(LoadA("Bessel 1841"), 6377397.155);
    // Replaced by another file under the same name.
    const std::string other = copy_.File("other.mdb");
    std::filesystem::copy_file(copy_.Path(), other);
    {
        store::Database db = store::OpenDatabase(other);
        SetA(db, "Bessel 1841", 5.0);
    }
    std::filesystem::rename(other, copy_.Path());
    EXPECT_EQ(LoadA("Bessel 1841"), 5.0);

    // Gone: every load says so, inside a scope or not, until it is back.
    std::filesystem::rename(copy_.Path(), other);
    EXPECT_EQ(ErrorNumber([] { LoadA("Bessel 1841"); }), base::err::FileNotFound);
    {
        store::ParamReadScope scope;
        EXPECT_EQ(ErrorNumber([] { LoadA("WGS 84"); }), base::err::FileNotFound);
    }
    EXPECT_FALSE(std::filesystem::exists(copy_.Path()));  // and it is not created
    std::filesystem::rename(other, copy_.Path());
    EXPECT_EQ(LoadA("Bessel 1841"), 5.0);
}

TEST_F(ParamDbTest, EachReaderHasItsOwnCacheAndFailedReadsCacheNothing) {
    EXPECT_EQ(LoadA("WGS 84"), 6378137);
    EXPECT_EQ(LoadEc("WGS 84"), 0.08181919084262149);
    EXPECT_EQ(ErrorNumber([] { LoadA("Nowhere"); }), base::err::NoCurrentRecord);
    db_.Execute("INSERT INTO Ellipsoides (Nom, a) VALUES ('Nowhere', 7), ('L''Isle', NULL)");
    EXPECT_EQ(LoadA("Nowhere"), 7.0);
    EXPECT_EQ(ErrorNumber([] { LoadA("L'Isle"); }), base::err::InvalidNull);
}

}  // namespace
