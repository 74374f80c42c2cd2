// The engine over temporary SQLite files: opening and creating, record sets,
// finding, editing, table definitions, linked tables and the driver seam.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "store/Engine.h"
#include "store/Statement.h"
#include "tests/Support.h"

namespace {

using testsupport::ErrorNumber;
using store::Value;
using testsupport::TempDir;

// A table "Points" of three rows: (A, 1.5, 31), (b'c, 2.5, 32), (C, Null, 31).
class EngineTest : public ::testing::Test {
protected:
    EngineTest() : path_(dir_.File("points.mdb")), db_(store::CreateDatabase(path_, store::dbLangGeneral)) {
        store::TableDef t = db_.CreateTableDef("Points");
        t.Append(t.CreateField("Nom", store::dbText, 5));
        t.Append(t.CreateField("X", store::dbDouble));
        t.Append(t.CreateField("Zone", store::dbInteger));
        db_.TableDefs().Append(t);
        db_.Execute("INSERT INTO Points VALUES ('A', 1.5, 31), ('b''c', 2.5, 32), ('C', NULL, 31)");
    }

    std::vector<std::string> Names(const std::string& sql) {
        std::vector<std::string> names;
        for (store::Recordset rs = db_.OpenRecordset(sql); !rs.Eof(); rs.MoveNext())
            names.push_back(rs.Field("nom").Value().Text());
        return names;
    }

    // A new database linking "Connection" to the table "points" of this one.
    store::Database LinkedOutput(store::TableDef& link) {
        store::Database out = store::CreateDatabase(dir_.File("out.mdb"), store::dbLangGeneral);
        link = out.CreateTableDef("Connection");
        link.Connect = ";DATABASE=" + path_;
        link.SourceTableName = "points";
        out.TableDefs().Append(link);
        return out;
    }

    TempDir dir_;
    std::string path_;
    store::Database db_;
};

TEST_F(EngineTest, OpenNeverCreatesAFile) {
    const std::string missing = dir_.File("missing.mdb");
    EXPECT_EQ(ErrorNumber([&] { store::OpenDatabase(missing); }), base::err::FileNotFound);
    EXPECT_FALSE(std::filesystem::exists(missing));
    EXPECT_EQ(ErrorNumber([&] { store::CreateDatabase(path_, store::dbLangGeneral); }), base::err::DatabaseExists);
    std::ofstream(dir_.File("junk.mdb")) << "not a database, but long enough to hold a header of one hundred bytes "
                                            "........................................";
    EXPECT_EQ(ErrorNumber([&] { store::OpenDatabase(dir_.File("junk.mdb")); }), base::err::BadFormat);
    EXPECT_EQ(ErrorNumber([] { store::Workspaces(1); }), base::err::NotInCollection);
}

// Texts bound in place: each run reads them as they are at that run.
TEST_F(EngineTest, StatementRunsOnceForEachRecord) {
    using Texts = std::vector<std::string_view>;
    {
        store::Statement insert(db_, "INSERT INTO Points VALUES (?, ?, ?)");
        std::string name = "D";
        insert.Run(Texts{name, "4.5", "33"});
        name = "E";
        insert.Run(Texts{name, "5.5", "34"});
        insert.Run(std::vector<Value>{Value("F"), Value(), Value(35)});
        EXPECT_EQ(ErrorNumber([&] { insert.Run(Texts{"G"}); }), base::err::TooFewParameters);
    }
    EXPECT_EQ(Names("SELECT * FROM Points WHERE Zone > 32 ORDER BY Zone"), (std::vector<std::string>{"D", "E", "F"}));
    store::Statement insert(db_, "INSERT INTO Points VALUES (?, ?, ?)");
    db_.Close();
    EXPECT_EQ(ErrorNumber([&] { insert.Run(Texts{"H", "1", "1"}); }), base::err::ObjectClosed);
}

TEST_F(EngineTest, NamesIgnoreCase) {
    store::Recordset rs = store::OpenDatabase(path_).OpenRecordset("pOINTS");
    EXPECT_EQ(rs.Field("NOM").Value().Text(), "A");
    EXPECT_EQ(rs.Field("nom").Name(), "Nom");
    EXPECT_EQ(rs.Field(1).Name(), "X");
    EXPECT_EQ(db_.TableDefs().Item("points").Name, "Points");
    EXPECT_EQ(ErrorNumber([&] { rs.Field("Y"); }), base::err::NotInCollection);
    EXPECT_EQ(ErrorNumber([&] { rs.Field(3); }), base::err::NotInCollection);
    EXPECT_EQ(ErrorNumber([&] { db_.OpenRecordset("Nowhere"); }), base::err::UnknownTable);
    EXPECT_EQ(ErrorNumber([&] { db_.OpenRecordset("SELECT * FROM Nowhere"); }), base::err::UnknownTable);
}

TEST_F(EngineTest, MovesAndCounts) {
    store::Recordset rs = db_.OpenRecordset("SELECT * FROM Points");
    EXPECT_FALSE(rs.Eof());
    rs.MoveLast();
    EXPECT_EQ(rs.RecordCount(), 3);
    EXPECT_EQ(rs.Field("Nom").Value().Text(), "C");
    EXPECT_TRUE(rs.Field("X").Value().IsNull());
    rs.MoveNext();
    EXPECT_TRUE(rs.Eof());
    EXPECT_EQ(ErrorNumber([&] { rs.MoveNext(); }), base::err::NoCurrentRecord);
    EXPECT_EQ(ErrorNumber([&] { rs.Field("Nom").Value(); }), base::err::NoCurrentRecord);
    rs.MoveFirst();
    EXPECT_EQ(rs.Field("Zone").Value().Int16(), 31);
    EXPECT_EQ((Names("SELECT Nom FROM Points WHERE Zone = 31 ORDER BY Nom DESC")), (std::vector<std::string>{"C", "A"}));

    store::Recordset none = db_.OpenRecordset("SELECT * FROM Points WHERE Nom = 'Z'");
    EXPECT_TRUE(none.Eof());
    EXPECT_EQ(none.RecordCount(), 0);
    EXPECT_EQ(ErrorNumber([&] { none.MoveFirst(); }), base::err::NoCurrentRecord);
    EXPECT_EQ(ErrorNumber([&] { none.Field("Nom").Value(); }), base::err::NoCurrentRecord);
}

TEST_F(EngineTest, FieldTypesAndSizes) {
    store::Recordset rs = db_.OpenRecordset("Points");
    EXPECT_EQ(rs.Field("Nom").Type(), store::dbText);
    EXPECT_EQ(rs.Field("Nom").Size(), 5);
    EXPECT_EQ(rs.Field("X").Type(), store::dbDouble);
    EXPECT_EQ(rs.Field("Zone").Type(), store::dbInteger);
    store::Recordset expr = db_.OpenRecordset("SELECT count(*) AS n, 'x' AS t FROM Points");
    EXPECT_EQ(expr.Field("n").Type(), store::dbLong);
    EXPECT_EQ(expr.Field("t").Type(), store::dbText);
    EXPECT_EQ(expr.Field("n").Value().Int16(), 3);
}

struct FindCase {
    const char* name;
    const char* criterion;
    const char* found;  // nullptr: no match
};

class FindFirst : public EngineTest, public ::testing::WithParamInterface<FindCase> {};

TEST_P(FindFirst, PositionsOrReportsNoMatch) {
    const FindCase& c = GetParam();
    store::Recordset rs = db_.OpenRecordset("Points");
    rs.MoveLast();
    rs.FindFirst(c.criterion);
    EXPECT_EQ(rs.NoMatch(), c.found == nullptr);
    EXPECT_EQ(rs.Field("Nom").Value().Text(), c.found ? c.found : "C");  // no match: position unchanged
}

INSTANTIATE_TEST_SUITE_P(
    Table, FindFirst,
    ::testing::Values(FindCase{"text", "Nom = 'A'", "A"}, FindCase{"text_other_case", "nom = 'c'", "C"},
                      FindCase{"doubled_quote", "Nom = 'B''C'", "b'c"}, FindCase{"number", "X = 2.5", "b'c"},
                      FindCase{"integer_column", "Zone = 31", "A"}, FindCase{"trailing_blank", "Nom = 'A '", nullptr},
                      FindCase{"null_never_matches", "X = 0", nullptr},
                      FindCase{"injection", "Nom = 'x'' OR ''1''=''1'", nullptr}),
    testsupport::RowName());

TEST_F(EngineTest, FindFirstRefusesBadCriteria) {
    store::Recordset rs = db_.OpenRecordset("Points");
    EXPECT_EQ(ErrorNumber([&] { rs.FindFirst("Nom = 'x' OR '1'='1'"); }), base::err::CriterionSyntax);
    EXPECT_EQ(ErrorNumber([&] { rs.FindFirst("Y = 1"); }), base::err::UnknownField);
}

TEST_F(EngineTest, AddEditDeleteRoundTrip) {
    {
        store::Recordset rs = db_.OpenRecordset("SELECT * FROM Points WHERE Zone = 31");
        ASSERT_TRUE(rs.Updatable());
        rs.AddNew();
        rs.SetField("nom", Value("D"));
        rs.SetField(1, Value("12.5"));  // numeric text takes the column's type
        rs.SetField("Zone", Value(33.5));
        EXPECT_EQ(rs.Field("Zone").Value(), Value(34));
        rs.Update();
        EXPECT_EQ(rs.Field("Nom").Value().Text(), "A");  // the position stays
        EXPECT_EQ(rs.RecordCount(), 3);
        rs.FindFirst("Nom = 'C'");
        rs.Edit();
        rs.SetField("X", Value(-1.25));
        rs.Update();
        EXPECT_EQ(rs.Field("X").Value().Double(), -1.25);
        rs.MoveFirst();
        rs.Delete();
        EXPECT_EQ(ErrorNumber([&] { rs.Field("Nom").Value(); }), base::err::RecordDeleted);
        rs.MoveNext();
        EXPECT_EQ(rs.Field("Nom").Value().Text(), "C");
    }
    store::Recordset check = store::OpenDatabase(path_).OpenRecordset("SELECT * FROM Points ORDER BY Nom");
    check.MoveLast();
    ASSERT_EQ(check.RecordCount(), 3);
    check.MoveFirst();
    EXPECT_EQ(check.Field("Nom").Value().Text(), "b'c");
    check.MoveNext();
    EXPECT_EQ(check.Field("X").Value(), Value(-1.25));
    check.MoveNext();
    EXPECT_EQ(check.Field("Nom").Value().Text(), "D");
    EXPECT_EQ(check.Field("X").Value(), Value(12.5));
    EXPECT_EQ(check.Field("Zone").Value(), Value(34));
}

TEST_F(EngineTest, EditingRules) {
    store::Recordset rs = db_.OpenRecordset("Points");
    EXPECT_EQ(ErrorNumber([&] { rs.SetField("Nom", Value("x")); }), base::err::UpdateWithoutEdit);
    EXPECT_EQ(ErrorNumber([&] { rs.Update(); }), base::err::UpdateWithoutEdit);
    rs.Edit();
    rs.SetField("Nom", Value("\xC3\xA9t\xC3\xA9s!"));  // five characters, seven bytes
    EXPECT_EQ(ErrorNumber([&] { rs.SetField("Nom", Value("abcdef")); }), base::err::FieldTooSmall);
    EXPECT_EQ(ErrorNumber([&] { rs.SetField("Zone", Value(40000)); }), base::err::Overflow);
    EXPECT_EQ(ErrorNumber([&] { rs.SetField("X", Value("abc")); }), base::err::TypeMismatch);
    rs.SetField("Nom", Value("Z"));
    rs.MoveNext();  // drops the pending edit
    EXPECT_EQ(Names("Points"), (std::vector<std::string>{"A", "b'c", "C"}));

}

struct ShapeCase {
    const char* name;
    const char* sql;
    bool updatable;
    long rows;
};

class Shapes : public EngineTest, public ::testing::WithParamInterface<ShapeCase> {};

// Only a set drawn from one table can write back; every other is read-only.
TEST_P(Shapes, UpdatableOnlyFromOneTable) {
    const ShapeCase& c = GetParam();
    store::Recordset rs = db_.OpenRecordset(c.sql);
    EXPECT_EQ(rs.Updatable(), c.updatable);
    EXPECT_EQ(rs.RecordCount(), c.rows);
    if (!c.updatable) {
        EXPECT_EQ(ErrorNumber([&] { rs.Edit(); }), base::err::ReadOnly);
        EXPECT_EQ(ErrorNumber([&] { rs.AddNew(); }), base::err::ReadOnly);
        EXPECT_EQ(ErrorNumber([&] { rs.Delete(); }), base::err::ReadOnly);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, Shapes,
    ::testing::Values(ShapeCase{"table_name", "Points", true, 3}, ShapeCase{"star", "select * from points", true, 3},
                      ShapeCase{"bracketed", "SELECT [Nom], X FROM [Points] ORDER BY X", true, 3},
                      ShapeCase{"subquery_in_where",
                                "SELECT * FROM Points WHERE Nom IN (SELECT Nom FROM Points WHERE Zone = 31)", true, 2},
                      ShapeCase{"join", "SELECT p.Nom FROM Points p JOIN Points q ON p.Nom = q.Nom", false, 3},
                      ShapeCase{"expression", "SELECT Nom || 'x' AS Nom FROM Points", false, 3},
                      ShapeCase{"distinct", "SELECT DISTINCT Zone FROM Points", false, 2},
                      ShapeCase{"group_by", "SELECT Zone FROM Points GROUP BY Zone", false, 2},
                      ShapeCase{"limit", "SELECT * FROM Points LIMIT 1", false, 1},
                      ShapeCase{"union", "SELECT * FROM Points WHERE Zone = 31 UNION SELECT * FROM Points", false, 3}),
    testsupport::RowName());

TEST_F(EngineTest, ExecuteBindsAndRefusesExtraStatements) {
    const Value injection("x' OR '1'='1");
    EXPECT_EQ(db_.Execute("UPDATE Points SET Zone = 0 WHERE Nom = ?", {injection}), 0);
    EXPECT_EQ(db_.Execute("UPDATE Points SET Zone = ? WHERE Nom = ?", {Value(30), Value("b'c")}), 1);
    EXPECT_TRUE(db_.OpenRecordset("SELECT * FROM Points WHERE Nom = ?", {injection}).Eof());
    EXPECT_EQ(ErrorNumber([&] { db_.Execute("DELETE FROM Points; DROP TABLE Points"); }), base::err::SyntaxError);
    EXPECT_EQ(ErrorNumber([&] { db_.Execute("UPDATE Points SET"); }), base::err::SyntaxError);
    EXPECT_EQ(db_.OpenRecordset("Points").RecordCount(), 3);
}

TEST_F(EngineTest, TransactionKeepsChangesTogether) {
    const auto count = [&] { return db_.OpenRecordset("SELECT * FROM Points WHERE Zone = 1").RecordCount(); };
    EXPECT_THROW(
        {
            store::Transaction t(db_);
            db_.Execute("UPDATE Points SET Zone = 1");
            db_.Execute("UPDATE Nowhere SET x = 1");  // fails halfway: nothing stays
            t.Commit();
        },
        store::EngineError);
    EXPECT_EQ(count(), 0);
    store::Transaction t(db_);
    db_.Execute("UPDATE Points SET Zone = 1");
    t.Commit();
    EXPECT_EQ(count(), 3);
}

TEST_F(EngineTest, TableDefinitions) {
    store::TableDefs defs = db_.TableDefs();
    store::TableDef t = db_.CreateTableDef("Conversions");
    t.Append(t.CreateField("id", store::dbText, 25));
    t.Append(t.CreateField("X_BE_LB72", store::dbDouble));
    t.Append(t.CreateField("Fuseau", store::dbInteger));
    t.Append(t.CreateField("Remarque", store::dbText));
    EXPECT_EQ(ErrorNumber([&] { t.Append(t.CreateField("FUSEAU", store::dbDouble)); }), base::err::FieldTwice);
    defs.Append(t);
    EXPECT_EQ(defs.Count(), 2);
    const store::TableDef read = defs.Item(1);
    ASSERT_EQ(read.Fields.size(), 4u);
    EXPECT_EQ(read.Fields[0].Type, store::dbText);
    EXPECT_EQ(read.Fields[0].Size, 25);
    EXPECT_EQ(read.Fields[1].Type, store::dbDouble);
    EXPECT_EQ(read.Fields[2].Type, store::dbInteger);
    EXPECT_EQ(read.Fields[3].Size, 255);  // the default size

    EXPECT_EQ(ErrorNumber([&] { defs.Append(t); }), base::err::TableExists);
    store::TableDef twice{"Twice", {}, {}, {{"a", store::dbDouble, 0}, {"A", store::dbDouble, 0}}};
    EXPECT_EQ(ErrorNumber([&] { defs.Append(twice); }), base::err::FieldTwice);
    EXPECT_EQ(ErrorNumber([&] { defs.Append(db_.CreateTableDef("Empty")); }), base::err::NoFields);
    store::TableDef unnamed{"Unnamed", {}, {}, {{"", store::dbText, 50}}};
    EXPECT_EQ(ErrorNumber([&] { defs.Append(unnamed); }), base::err::BadName);
    store::TableDef badType{"BadType", {}, {}, {{"a", 99, 0}}};
    EXPECT_EQ(ErrorNumber([&] { defs.Append(badType); }), base::err::BadFieldType);
    EXPECT_EQ(defs.Count(), 2);

    defs.Delete("conversions");
    EXPECT_EQ(defs.Count(), 1);
    EXPECT_EQ(ErrorNumber([&] { defs.Delete("Conversions"); }), base::err::NotInCollection);
    EXPECT_EQ(ErrorNumber([&] { defs.Item(1); }), base::err::NotInCollection);
}

TEST_F(EngineTest, LinkedTableReadsThroughItsSource) {
    store::TableDef link;
    store::Database out = LinkedOutput(link);

    const store::TableDef def = out.TableDefs().Item("connection");
    EXPECT_EQ(def.Connect, link.Connect);
    EXPECT_EQ(def.SourceTableName, "points");
    ASSERT_EQ(def.Fields.size(), 3u);
    EXPECT_EQ(def.Fields[2].Type, store::dbInteger);

    store::Recordset rs = out.OpenRecordset("Connection");
    rs.MoveLast();
    EXPECT_EQ(rs.RecordCount(), 3);
    EXPECT_EQ(rs.Field("Nom").Value().Text(), "C");
    EXPECT_FALSE(rs.Updatable());
    EXPECT_EQ(out.OpenRecordset("SELECT * FROM Connection").RecordCount(), 3);

    store::TableDef broken = out.CreateTableDef("Broken");
    broken.Connect = ";DATABASE=" + path_;
    broken.SourceTableName = "Nowhere";
    EXPECT_EQ(ErrorNumber([&] { out.TableDefs().Append(broken); }), base::err::ObjectNotFound);
    broken.Connect = "Lotus 1-2-3;DATABASE=x.wk1";
    EXPECT_EQ(ErrorNumber([&] { out.TableDefs().Append(broken); }), base::err::NoDriver);

    EXPECT_EQ(out.TableDefs().Count(), 1);
    out.TableDefs().Delete("Connection");
    EXPECT_EQ(out.TableDefs().Count(), 0);
}

TEST_F(EngineTest, ForwardOnlyReadsTablesAndLinksToTheEnd) {
    store::TableDef link;
    store::Database out = LinkedOutput(link);
    for (auto* source : {&db_, &out}) {
        const auto cursor = source->OpenForwardOnly(source == &db_ ? "POINTS" : "connection");
        ASSERT_EQ(cursor->Fields().size(), 3u);
        EXPECT_EQ(cursor->Fields()[1].Type, store::dbDouble);
        std::vector<Value> row;
        std::vector<std::string> names;
        bool nullX = false;
        while (cursor->Next(row)) {
            names.push_back(row[0].Text());
            nullX = nullX || row[1].IsNull();
        }
        EXPECT_EQ(names, (std::vector<std::string>{"A", "b'c", "C"}));
        EXPECT_TRUE(nullX);
        EXPECT_FALSE(cursor->Next(row));  // stays at the end
    }
    EXPECT_EQ(ErrorNumber([&] { db_.OpenForwardOnly("Nowhere"); }), base::err::UnknownTable);
    // A finished cursor holds no lock: the table can be written again.
    db_.Execute("DELETE FROM Points");
}

// A driver holding one table in memory, as a read-only format would.
class MemoryDriver : public store::Driver {
    struct Cursor : store::TableCursor {
        std::vector<store::FieldDef> fields{{"Code", store::dbText, 10}, {"Valeur", store::dbDouble, 0}};
        int row = 0;
        const std::vector<store::FieldDef>& Fields() const override { return fields; }
        bool Next(std::vector<Value>& values) override {
            if (row == 2) return false;
            values = {Value(row ? "B" : "A"), Value(row + 0.5)};
            ++row;
            return true;
        }
    };
    struct Source : store::SourceDatabase {
        std::vector<std::string> TableNames() override { return {"Feuil1$"}; }
        std::unique_ptr<store::TableCursor> OpenTable(const std::string& name) override {
            if (name != "Feuil1$") throw store::Error(base::err::ObjectNotFound, name);
            return std::make_unique<Cursor>();
        }
    };

public:
    std::unique_ptr<store::SourceDatabase> Open(const std::string&) override { return std::make_unique<Source>(); }
};

TEST(DriverSeam, ForeignDatabasesAreReadOnlyTables) {
    store::RegisterDriver("Memory 1.0", std::make_shared<MemoryDriver>());
    store::Database db = store::OpenDatabase("workbook", "memory 1.0;");
    EXPECT_EQ(db.TableDefs().Count(), 1);
    EXPECT_EQ(db.TableDefs().Item(0).Fields.at(1).Name, "Valeur");
    store::Recordset rs = db.OpenRecordset("feuil1$");
    rs.MoveLast();
    EXPECT_EQ(rs.RecordCount(), 2);
    EXPECT_EQ(rs.Field("valeur").Value().Double(), 1.5);
    EXPECT_EQ(ErrorNumber([&] { rs.Edit(); }), base::err::ReadOnly);
    EXPECT_EQ(ErrorNumber([&] { db.OpenRecordset("SELECT * FROM [Feuil1$] WHERE Code = 'A'"); }),
              base::err::NotSupported);
    EXPECT_EQ(ErrorNumber([&] { db.Execute("DELETE FROM x"); }), base::err::ReadOnly);
    EXPECT_EQ(ErrorNumber([] { store::OpenDatabase("x", "Paradox 3.X;"); }), base::err::NoDriver);

    const store::ConnectString c = store::ParseConnect("Excel 8.0;HDR=YES;database=C:\\t.xls");
    EXPECT_EQ(c.driver, "Excel 8.0");
    EXPECT_EQ(c.database, "C:\\t.xls");
}

TEST_F(EngineTest, CloseReleasesTheFile) {
    store::Recordset rs = db_.OpenRecordset("Points");
    db_.Close();
    EXPECT_EQ(ErrorNumber([&] { rs.MoveFirst(); }), base::err::ObjectClosed);
    EXPECT_EQ(ErrorNumber([&] { db_.OpenRecordset("Points"); }), base::err::ObjectClosed);
    std::filesystem::remove(path_);
    store::CreateDatabase(path_, store::dbLangGeneral);  // a new file under the same name
    rs.Close();
    EXPECT_EQ(ErrorNumber([&] { rs.Eof(); }), base::err::ObjectClosed);
}

}  // namespace
