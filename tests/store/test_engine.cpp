// The engine over temporary SQLite files: opening and creating, record sets,
// finding, editing, table definitions, linked tables and French messages.

#include <gtest/gtest.h>

#include <filesystem>

#include "store/Engine.h"
#include "store/Statement.h"
#include "tests/Support.h"

namespace {

using store::Value;
using testsupport::ErrorNumber;
using testsupport::TempDir;
using Rows = std::vector<std::string>;

// Each record of `sql`, its values' texts joined by '|'.
Rows Read(store::Database db, const std::string& sql, const std::vector<Value>& params = {}) {
    Rows rows;
    for (store::Recordset rs = db.OpenRecordset(sql, params); !rs.Eof(); rs.MoveNext()) {
        std::string row;
        for (int f = 0; f < rs.FieldCount(); ++f) row += (f ? "|" : "") + rs.Field(f).Value().Text();
        rows.push_back(row);
    }
    return rows;
}

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

    TempDir dir_;
    std::string path_;
    store::Database db_;
};

// Texts bound in place: each run reads them as they are at that run.
TEST_F(EngineTest, StatementRunsOnceForEachRecord) {
    using Texts = std::vector<std::string_view>;
    store::Statement insert(db_, "INSERT INTO Points VALUES (?, ?, ?)");
    std::string name = "D";
    insert.Run(Texts{name, "4.5", "33"});
    name = "E";
    insert.Run(Texts{name, "5.5", "34"});
    insert.Run(std::vector<Value>{Value("F"), Value(), Value(35)});
    EXPECT_EQ(ErrorNumber([&] { insert.Run(Texts{"G"}); }), base::err::TooFewParameters);
    EXPECT_EQ(Read(db_, "SELECT * FROM Points WHERE Zone > 32 ORDER BY Zone"), (Rows{"D|4.5|33", "E|5.5|34", "F||35"}));
}

TEST_F(EngineTest, NamesIgnoreCaseAndExpressionsHaveTypes) {
    store::Recordset rs = store::OpenDatabase(path_).OpenRecordset("pOINTS");
    EXPECT_EQ(rs.Field("NOM").Value().Text(), "A");
    EXPECT_EQ(rs.Field("nom").Name(), "Nom");
    EXPECT_EQ(db_.TableDefs().Item("points").Name, "Points");
    EXPECT_EQ(ErrorNumber([&] { rs.Field("Y"); }), base::err::NotInCollection);
    EXPECT_EQ(ErrorNumber([&] { rs.Field(3); }), base::err::NotInCollection);
    EXPECT_EQ(ErrorNumber([&] { db_.OpenRecordset("Nowhere"); }), base::err::UnknownTable);
    store::Recordset expr = db_.OpenRecordset("SELECT count(*) AS n, 'x' AS t, Zone FROM Points");
    EXPECT_EQ(std::vector<int>({expr.Field("N").Type(), expr.Field("t").Type(), expr.Field("zone").Type()}),
              std::vector<int>({store::dbLong, store::dbText, store::dbInteger}));
}

TEST_F(EngineTest, MovesAndCounts) {
    store::Recordset rs = db_.OpenRecordset("SELECT * FROM Points");
    rs.MoveLast();
    EXPECT_EQ(rs.RecordCount(), 3);
    EXPECT_EQ(rs.Field("Nom").Value().Text(), "C");
    rs.MoveNext();
    EXPECT_TRUE(rs.Eof());
    EXPECT_EQ(ErrorNumber([&] { rs.MoveNext(); }), base::err::NoCurrentRecord);
    EXPECT_EQ(ErrorNumber([&] { rs.Field("Nom").Value(); }), base::err::NoCurrentRecord);
    rs.MoveFirst();
    EXPECT_EQ(rs.Field("Zone").Value().Int16(), 31);

    store::Recordset none = db_.OpenRecordset("SELECT * FROM Points WHERE Nom = 'Z'");
    EXPECT_TRUE(none.Eof() && none.RecordCount() == 0);
    EXPECT_EQ(ErrorNumber([&] { none.MoveFirst(); }), base::err::NoCurrentRecord);
}

// Criteria are parsed and matched as the value tests show; here, where finding leaves the record set.
TEST_F(EngineTest, FindFirstPositionsOrReportsNoMatch) {
    store::Recordset rs = db_.OpenRecordset("Points");
    rs.MoveLast();
    const struct {
        const char* criterion;
        const char* found;  // nullptr: no match, the position unchanged
    } cases[] = {
        {"nom = 'b''C'", "b'c"}, {"Zone = 31", "A"}, {"X = 2.5", "b'c"}, {"X = 0", nullptr}, {"Nom = 'A '", nullptr}};
    for (const auto& c : cases) {
        rs.FindFirst(c.criterion);
        EXPECT_EQ(rs.NoMatch(), c.found == nullptr) << c.criterion;
        EXPECT_EQ(rs.Field("Nom").Value().Text(), c.found ? c.found : "b'c") << c.criterion;
    }
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
        rs.Update();
        EXPECT_EQ(rs.Field("Nom").Value().Text(), "A");  // the position stays
        EXPECT_EQ(rs.RecordCount(), 3);
        rs.FindFirst("Nom = 'C'");
        rs.Edit();
        rs.SetField("X", Value(-1.25));
        rs.Update();
        rs.MoveFirst();
        rs.Delete();
        EXPECT_EQ(ErrorNumber([&] { rs.Field("Nom").Value(); }), base::err::RecordDeleted);
        rs.MoveNext();
        EXPECT_EQ(rs.Field("Nom").Value().Text(), "C");
    }
    EXPECT_EQ(Read(store::OpenDatabase(path_), "SELECT * FROM Points ORDER BY Nom"),
              (Rows{"b'c|2.5|32", "C|-1.25|31", "D|12.5|34"}));
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
    EXPECT_EQ(Read(db_, "SELECT Nom FROM Points"), (Rows{"A", "b'c", "C"}));
}

// Only a set drawn from one table can write back; every other is read-only.
TEST_F(EngineTest, UpdatableOnlyFromOneTable) {
    const struct {
        const char* sql;
        bool updatable;
        long rows;
    } cases[] = {{"Points", true, 3},
                 {"SELECT [Nom], X FROM [Points] ORDER BY X", true, 3},
                 {"SELECT * FROM Points WHERE Nom IN (SELECT Nom FROM Points WHERE Zone = 31)", true, 2},
                 {"SELECT p.Nom FROM Points p JOIN Points q ON p.Nom = q.Nom", false, 3},
                 {"SELECT Nom || 'x' AS Nom FROM Points", false, 3},
                 {"SELECT DISTINCT Zone FROM Points", false, 2},
                 {"SELECT * FROM Points LIMIT 1", false, 1},
                 {"SELECT * FROM Points WHERE Zone = 31 UNION SELECT * FROM Points", false, 3}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sql);
        store::Recordset rs = db_.OpenRecordset(c.sql);
        EXPECT_EQ(rs.Updatable(), c.updatable);
        EXPECT_EQ(rs.RecordCount(), c.rows);
        if (!c.updatable) {
            EXPECT_EQ(ErrorNumber([&] { rs.Edit(); }), base::err::ReadOnly);
        }
    }
}

TEST_F(EngineTest, ExecuteBindsValues) {
    EXPECT_EQ(db_.Execute("UPDATE Points SET Zone = ? WHERE Nom = ?", {Value(30), Value("b'c")}), 1);
    EXPECT_EQ(Read(db_, "SELECT Zone FROM Points WHERE Nom = ?", {Value("b'c")}), Rows{"30"});
}

// What SQLite refuses in English is reported in French, and nothing runs.
TEST_F(EngineTest, RefusedStatementsSayWhyInFrench) {
    const struct {
        const char* sql;
        int number;
        const char* text;  // the whole message
    } cases[] = {
        {"UPDATE Points SET X = = 1", base::err::SyntaxError,
         "Erreur de syntaxe dans l'instruction SQL : près de « = »"},
        {"UPDATE Points SET", base::err::SyntaxError,
         "Erreur de syntaxe dans l'instruction SQL : instruction incomplète"},
        {"UPDATE Points SET X = nofunction(1)", base::err::SyntaxError,
         "Erreur de syntaxe dans l'instruction SQL : instruction refusée par le moteur"},
        {"DELETE FROM Points; DROP TABLE Points", base::err::SyntaxError,
         "Erreur de syntaxe dans l'instruction SQL : caractères après la fin de l'instruction"},
        {"UPDATE Points SET y = 1", base::err::TooFewParameters, "Trop peu de paramètres : colonne inconnue « y »"},
        {"UPDATE nowhere SET x = 1", base::err::UnknownTable,
         "Le moteur de base de données ne peut pas trouver la table ou la requête source 'nowhere'."},
        {"CREATE TABLE \"points\" (y REAL)", base::err::TableExists, "La table 'points' existe déjà."},
        {"INSERT INTO Points (rowid, X) VALUES (4, 1), (4, 2)", base::err::Engine,
         "Erreur du moteur de base de données : contrainte non respectée"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sql);
        try {
            db_.Execute(c.sql);
            ADD_FAILURE() << "ran";
        } catch (const store::EngineError& e) {
            EXPECT_EQ(e.number, c.number);
            EXPECT_STREQ(e.what(), c.text);
        }
    }
    EXPECT_EQ(db_.OpenRecordset("Points").RecordCount(), 3);
}

TEST_F(EngineTest, TableDefinitions) {
    store::TableDefs defs = db_.TableDefs();
    store::TableDef t = db_.CreateTableDef("Conversions");
    t.Append(t.CreateField("id", store::dbText, 25));
    t.Append(t.CreateField("X_BE_LB72", store::dbDouble));
    t.Append(t.CreateField("Remarque", store::dbText));
    EXPECT_EQ(ErrorNumber([&] { t.Append(t.CreateField("X_be_lb72", store::dbDouble)); }), base::err::FieldTwice);
    defs.Append(t);
    const store::TableDef read = defs.Item(1);
    ASSERT_EQ(read.Fields.size(), 3u);
    EXPECT_EQ(read.Fields[0].Size, 25);
    EXPECT_EQ(read.Fields[2].Size, 255);  // the default size

    const std::pair<store::TableDef, int> refused[] = {
        {t, base::err::TableExists},
        {{"Twice", {}, {}, {{"a", store::dbDouble, 0}, {"A", store::dbDouble, 0}}}, base::err::FieldTwice},
        {db_.CreateTableDef("Empty"), base::err::NoFields},
        {{"Unnamed", {}, {}, {{"", store::dbText, 50}}}, base::err::BadName},
        {{"Blank", {}, {}, {{" a", store::dbText, 50}}}, base::err::BadName},
        {{"BadType", {}, {}, {{"a", 99, 0}}}, base::err::BadFieldType},
    };
    for (const auto& [def, error] : refused) EXPECT_EQ(ErrorNumber([&] { defs.Append(def); }), error) << def.Name;
    EXPECT_EQ(defs.Count(), 2);

    defs.Delete("conversions");
    EXPECT_EQ(defs.Count(), 1);
    EXPECT_EQ(ErrorNumber([&] { defs.Delete("Conversions"); }), base::err::NotInCollection);
}

TEST_F(EngineTest, LinkedTablesAndForwardOnlyCursorsReadToTheEnd) {
    store::Database out = store::CreateDatabase(dir_.File("out.mdb"), store::dbLangGeneral);
    store::TableDef link = out.CreateTableDef("Connection");
    link.Connect = ";DATABASE=" + path_;
    link.SourceTableName = "points";
    out.TableDefs().Append(link);
    EXPECT_FALSE(out.OpenRecordset("Connection").Updatable());
    EXPECT_EQ(Read(out, "SELECT * FROM connection"), (Rows{"A|1.5|31", "b'c|2.5|32", "C||31"}));
    for (auto* source : {&db_, &out}) {
        const auto cursor = source->OpenForwardOnly(source == &db_ ? "POINTS" : "connection");
        EXPECT_EQ(cursor->Fields().at(1).Type, store::dbDouble);
        std::vector<Value> row;
        Rows rows;
        while (cursor->Next(row)) rows.push_back(row[0].Text() + "|" + row[1].Text());
        EXPECT_EQ(rows, (Rows{"A|1.5", "b'c|2.5", "C|"}));
        EXPECT_FALSE(cursor->Next(row));  // stays at the end
    }
    EXPECT_EQ(ErrorNumber([&] { db_.OpenForwardOnly("Nowhere"); }), base::err::UnknownTable);
    // A finished cursor holds no lock: the table can be written again.
    db_.Execute("DELETE FROM Points");

    store::TableDef broken = out.CreateTableDef("Broken");
    broken.Connect = ";DATABASE=" + path_;
    broken.SourceTableName = "Nowhere";
    EXPECT_EQ(ErrorNumber([&] { out.TableDefs().Append(broken); }), base::err::ObjectNotFound);
}

TEST_F(EngineTest, OpeningNeverCreatesAFileAndClosingEndsEveryUse) {
    const std::string missing = dir_.File("missing.mdb");
    EXPECT_EQ(ErrorNumber([&] { store::OpenDatabase(missing); }), base::err::FileNotFound);
    EXPECT_FALSE(std::filesystem::exists(missing));
    EXPECT_EQ(ErrorNumber([&] { store::CreateDatabase(path_, store::dbLangGeneral); }), base::err::DatabaseExists);
    store::Recordset rs = db_.OpenRecordset("Points");
    store::Statement insert(db_, "INSERT INTO Points VALUES (?, ?, ?)");
    db_.Close();
    EXPECT_EQ(ErrorNumber([&] { rs.MoveFirst(); }), base::err::ObjectClosed);
    EXPECT_EQ(ErrorNumber([&] { db_.OpenRecordset("Points"); }), base::err::ObjectClosed);
    EXPECT_EQ(ErrorNumber([&] { insert.Run(std::vector<std::string_view>{"H", "1", "1"}); }), base::err::ObjectClosed);
    rs.Close();
    EXPECT_EQ(ErrorNumber([&] { rs.Eof(); }), base::err::ObjectClosed);
}

}  // namespace
