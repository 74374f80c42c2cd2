// The preview's reading of a table by row number: any row read directly
// is the row a forward read finds there, and the rows kept stay within
// their bound, on every kind of source the batch window opens.

#include <gtest/gtest.h>
#include <shapefil.h>

#include <filesystem>
#include <fstream>

#include "app/batch/ReadableValue.h"
#include "app/batch/TableFeed.h"
#include "app/batch/TextImport.h"
#include "store/Engine.h"
#include "tests/Support.h"

namespace {

namespace fs = std::filesystem;
using Rows = std::vector<std::vector<store::Value>>;

const std::string Data = TRAVENA_TEST_DATA;

// Every row of the table, read forward as the batch run reads it.
Rows ForwardRead(const batch::Source& source, const std::string& table) {
    store::Database db = batch::OpenSource(source);
    const auto cursor = db.OpenForwardOnly(table);
    Rows rows;
    for (std::vector<store::Value> row; cursor->Next(row); row.clear()) {
        batch::MakeReadable(cursor->Fields(), row);
        rows.push_back(row);
    }
    return rows;
}

// An engine database of `n` rows whose rowids have gaps, and an empty table.
std::string EngineTable(const testsupport::TempDir& dir, int n) {
    const std::string path = dir.File("big._travena.mdb");
    store::Database db = store::CreateDatabase(path, store::dbLangGeneral);
    for (const char* name : {"t", "vide"}) {
        store::TableDef t = db.CreateTableDef(name);
        t.Append({"id", store::dbLong, 0});
        t.Append({"x", store::dbDouble, 0});
        t.Append({"nom", store::dbText, 20});
        db.TableDefs().Append(t);
    }
    db.Execute(
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < ?) "
        "INSERT INTO t SELECT i, i * 0.5, CASE WHEN i % 5 THEN 'p' || i END FROM n",
        {store::Value(n + n / 3)});
    db.Execute("DELETE FROM t WHERE id % 4 = 0");  // rowids 4, 8, ... are gone
    return path;
}

// A dBase table of `n` records, every seventh one deleted.
std::string DbfTable(const testsupport::TempDir& dir, int n) {
    const std::string path = dir.File("pts.dbf");
    DBFHandle dbf = DBFCreate(path.c_str());
    DBFAddField(dbf, "ID", FTInteger, 9, 0);
    DBFAddField(dbf, "X", FTDouble, 12, 3);
    for (int i = 0; i < n; ++i) {
        DBFWriteIntegerAttribute(dbf, i, 0, i);
        DBFWriteDoubleAttribute(dbf, i, 1, i * 1.25);
        if (i % 7 == 3) DBFMarkRecordDeleted(dbf, i, 1);
    }
    DBFClose(dbf);
    return path;
}

struct FeedCase {
    std::string name;
    batch::Source source;
    std::string table;
    bool direct;  // reaches a row without reading those before it
    friend void PrintTo(const FeedCase& c, std::ostream* os) { *os << c.name; }
};

class TableFeedSources : public ::testing::TestWithParam<FeedCase> {};

TEST_P(TableFeedSources, AnyRowReadDirectlyIsTheRowReadForward) {
    const FeedCase& c = GetParam();
    const Rows forward = ForwardRead(c.source, c.table);
    ASSERT_GT(forward.size(), 10u);
    const long n = long(forward.size());
    constexpr long BlockRows = 7;
    constexpr std::size_t Blocks = 3;

    batch::TableFeed feed(c.source, c.table, {BlockRows, Blocks});
    EXPECT_EQ(feed.Count(), n);
    const auto expect = [&](long i) {
        const std::vector<store::Value>* row = feed.Row(i);
        ASSERT_NE(row, nullptr) << "row " << i;
        EXPECT_EQ(*row, forward[std::size_t(i)]) << "row " << i;
        EXPECT_LE(feed.BlocksHeld(), Blocks);
    };
    expect(n - 1);
    if (c.direct) {
        EXPECT_LE(feed.Read(), BlockRows) << "the last row read the table through";
    }
    expect(0);
    expect(n / 2);
    for (long i = n - 1; i >= 0; i -= 3) expect(i);  // scrolling up, block after block
    for (long i = 0, k = 1; i < 40; ++i) {           // jumps here and there
        k = (k * 7919 + 13) % n;
        expect(k);
    }
    for (long i = 0; i < n; ++i) expect(i);
    EXPECT_EQ(feed.Row(n), nullptr);
    EXPECT_EQ(feed.Row(-1), nullptr);
    EXPECT_FALSE(feed.Failed());
}

testsupport::TempDir& Dir() {
    static testsupport::TempDir dir;
    return dir;
}

std::vector<FeedCase> Cases() {
    const std::string engine = EngineTable(Dir(), 1500);
    const std::string dbf = DbfTable(Dir(), 2500);  // past two of the driver's notes of where rows lie
    const std::string text = Dir().File("pts.txt");
    {
        std::ofstream out(text);
        out << "nom\tx\ty\n";
        for (int i = 0; i < 120; ++i) out << "p" << i << "\t" << 150000 + i << "\t" << 170000.5 - i << "\n";
    }
    const std::string scratch = batch::ImportText(text, {}).databasePath;
    return {
        {"Engine", {"", engine}, "t", true},
        {"TextImport", {"", scratch}, "pts", true},
        {"GeoPackage", {"GeoPackage;", Data + "/coords.gpkg"}, "Points", true},
        {"Xlsx", {"Excel 12.0 Xml;", Data + "/coords.xlsx"}, "Points$", true},
        {"Ods", {"OpenDocument;", Data + "/coords.ods"}, "Points$", true},
        {"Xls", {"Excel 8.0;", Data + "/coords.xls"}, "Points$", true},
        {"DBase", {"dBase 5.0;", Dir().File("")}, "pts", false},  // skips without decoding, but reads
        {"Access", {"", Data + "/access/compIndexTestV2000.mdb"}, "Table1", false},
    };
}

INSTANTIATE_TEST_SUITE_P(Sources, TableFeedSources, ::testing::ValuesIn(Cases()), testsupport::RowName());

TEST(TableFeed, ScrollingAMillionRowsKeepsItsBound) {
    const testsupport::TempDir dir;
    const std::string path = EngineTable(dir, 1000000);
    batch::TableFeed feed({"", path}, "t");  // the preview's own bound
    const long n = feed.Count();
    EXPECT_EQ(n, 1000000);
    std::size_t most = 0;
    for (long i = 0; i < n; i += 37) {
        ASSERT_NE(feed.Row(i), nullptr) << i;
        most = std::max(most, feed.BlocksHeld());
    }
    EXPECT_EQ(most, batch::FeedCache{}.blocks);
    EXPECT_EQ(feed.Read(), n);  // each row once: scrolling down never reads back
    EXPECT_EQ((*feed.Row(n - 1))[0], store::Value(1333333));
}

TEST(TableFeed, EmptyTableHasNoRowAndKeepsTheCaption) {
    const testsupport::TempDir dir;
    batch::TableFeed feed({"", EngineTable(dir, 20)}, "vide");
    EXPECT_EQ(feed.Count(), 0);
    EXPECT_EQ(feed.Row(0), nullptr);
    EXPECT_EQ(feed.Fields().size(), 3u);
    EXPECT_EQ(batch::PreviewCaption("Aperçu", "vide", 0), "Aperçu");
    EXPECT_EQ(batch::PreviewCaption("Aperçu", "pts", 120), "Aperçu - pts  (120 enregistrements)");
}

}  // namespace
