// The read-only drivers on small real files (Access 97 and 2000, Excel 97,
// workbooks and GeoPackages through GDAL, dBase): tables, field types, exact
// values, refused writes and linked tables. Also run under a French locale.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "store/detail/Drivers.h"
#include "store/Engine.h"
#include "base/TextCodec.h"
#include "tests/Support.h"

namespace {

namespace fs = std::filesystem;
using store::Value;
using testsupport::ErrorNumber;
using testsupport::TempDir;

const std::string Data = TRAVENA_TEST_DATA;
const std::string Jet3 = Data + "/access/testV1997.mdb";
const std::string Overflow = Data + "/access/overflowTestV1997.mdb";
const std::string Jet4 = Data + "/access/compIndexTestV2000.mdb";
const std::string Xls = Data + "/coords.xls";
const std::string DbfFolder = Data + "/dbase/";
// The Points sheet of coords.xls, converted by ogr2ogr (tests/data/README.md).
const std::string Xlsx = Data + "/coords.xlsx";
const std::string Ods = Data + "/coords.ods";
const std::string Gpkg = Data + "/coords.gpkg";

std::vector<std::string> TableNames(const store::Database& db) {
    std::vector<std::string> names;
    const store::TableDefs defs = db.TableDefs();
    for (int i = 0; i < defs.Count(); ++i) names.push_back(defs.Item(i).Name);
    return names;
}

// Every value of the current record.
std::vector<Value> Record(store::Recordset& rs) {
    std::vector<Value> values;
    for (int f = 0; f < rs.FieldCount(); ++f) values.push_back(rs.Field(f).Value());
    return values;
}

// "name type size" of each field.
std::vector<std::string> Described(const std::vector<store::FieldDef>& fields) {
    std::vector<std::string> out;
    for (const auto& f : fields) out.push_back(f.Name + " " + std::to_string(f.Type) + " " + std::to_string(f.Size));
    return out;
}

// Every value of one column, first record to last.
std::vector<Value> Column(store::Recordset& rs, const std::string& field) {
    std::vector<Value> values;
    for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext()) values.push_back(rs.Field(field).Value());
    return values;
}

struct TableCase {
    const char* name;
    const char* connect;
    std::string path;
    const char* table;
    std::vector<store::FieldDef> fields;
    long records;
    const char* field;  // read by name in any case
    Value first;
    friend void PrintTo(const TableCase& c, std::ostream* os) { *os << c.name; }
};

class DriverTables : public ::testing::TestWithParam<TableCase> {};

// Each table read directly, then through a link kept in a database of ours.
TEST_P(DriverTables, MapToEngineTypesAndReadThroughALink) {
    const TableCase& c = GetParam();
    EXPECT_EQ(Described(store::OpenDatabase(c.path, c.connect).TableDefs().Item(c.table).Fields), Described(c.fields));
    TempDir dir;
    const std::string outPath = dir.File("out.mdb"), connect = c.connect + std::string("database=") + c.path;
    {
        store::Database out = store::CreateDatabase(outPath, store::dbLangGeneral);
        store::TableDef link = out.CreateTableDef("Connection");
        link.Connect = connect;
        link.SourceTableName = c.table;
        out.TableDefs().Append(link);
    }
    store::Database out = store::OpenDatabase(outPath);
    const store::TableDef def = out.TableDefs().Item("connection");
    EXPECT_EQ(def.Connect + " " + def.SourceTableName, connect + " " + c.table);
    store::Recordset rs = out.OpenRecordset("Connection");
    ASSERT_EQ(rs.FieldCount(), int(c.fields.size()));
    for (int i = 0; i < rs.FieldCount(); ++i) EXPECT_EQ(rs.Field(i).Type(), c.fields[std::size_t(i)].Type);
    if (c.field) {
        EXPECT_EQ(rs.Field(c.field).Value(), c.first);
        rs.MoveLast();
    }
    EXPECT_EQ(rs.RecordCount(), c.records);
    rs.Close();

    out.TableDefs().Delete("Connection");
    EXPECT_EQ(ErrorNumber([&] { out.OpenRecordset("Connection"); }), base::err::UnknownTable);
    // Nothing the user did not ask for stays behind, not even an empty table of links.
    EXPECT_EQ(out.OpenRecordset("SELECT count(*) FROM sqlite_master").Field(0).Value().Int32(), 0);
}

INSTANTIATE_TEST_SUITE_P(Files, DriverTables,
                         ::testing::Values(TableCase{"access97",
                                                     ";",
                                                     Jet3,
                                                     "Table1",
                                                     {{"A", store::dbText, 50},
                                                      {"B", store::dbText, 100},
                                                      {"C", store::dbByte, 0},
                                                      {"D", store::dbInteger, 0},
                                                      {"E", store::dbLong, 0},
                                                      {"F", store::dbDouble, 0},
                                                      {"G", store::dbDate, 0},
                                                      {"H", store::dbCurrency, 0},
                                                      {"I", store::dbBoolean, 0}},
                                                     2,
                                                     "e",
                                                     0},
                                           TableCase{"access97_guid",
                                                     ";",
                                                     Jet3,
                                                     "Table4",
                                                     {{"name", store::dbText, 50}, {"data", store::dbText, 38}},
                                                     0,
                                                     nullptr,
                                                     {}},
                                           // Jet 4 stores text sizes in bytes of UCS-2; fields count characters.
                                           TableCase{"access2000",
                                                     ";",
                                                     Jet4,
                                                     "Table1",
                                                     {{"CD_AGENTE", store::dbLong, 0},
                                                      {"RS_AGENTE", store::dbText, 55},
                                                      {"DC_AGENTE", store::dbText, 55}},
                                                     512,
                                                     "Cd_Agente",
                                                     19},
                                           // lon holds one text cell ("4,35"), so the column is text; ifbl has
                                           // only its name; whole numbers make Long columns.
                                           TableCase{"excel",
                                                     "Excel 8.0;HDR=YES;",
                                                     Xls,
                                                     "Points$",
                                                     {{"id", store::dbLong, 0},
                                                      {"name", store::dbText, 255},
                                                      {"lon", store::dbText, 255},
                                                      {"lat", store::dbDouble, 0},
                                                      {"x_lb72", store::dbDouble, 0},
                                                      {"y_lb72", store::dbDouble, 0},
                                                      {"utm_e", store::dbDouble, 0},
                                                      {"utm_n", store::dbDouble, 0},
                                                      {"zone", store::dbLong, 0},
                                                      {"mgrs", store::dbText, 255},
                                                      {"ifbl", store::dbText, 255}},
                                                     20,
                                                     "LAT",
                                                     50.85},
                                           TableCase{
                                               "excel_empty_sheet", "Excel 8.0;", Xls, "Vide$", {}, 0, nullptr, {}},
                                           // Whole numbers stay whole; the points' coordinates come last.
                                           TableCase{"geopackage",
                                                     "GeoPackage;",
                                                     Gpkg,
                                                     "Points",
                                                     {{"id", store::dbLong, 0},
                                                      {"name", store::dbText, 255},
                                                      {"lon", store::dbText, 255},
                                                      {"lat", store::dbDouble, 0},
                                                      {"x_lb72", store::dbDouble, 0},
                                                      {"y_lb72", store::dbDouble, 0},
                                                      {"utm_e", store::dbDouble, 0},
                                                      {"utm_n", store::dbDouble, 0},
                                                      {"zone", store::dbLong, 0},
                                                      {"mgrs", store::dbText, 255},
                                                      {"ifbl", store::dbText, 255},
                                                      {"geom_X", store::dbDouble, 0},
                                                      {"geom_Y", store::dbDouble, 0}},
                                                     20,
                                                     "zone",
                                                     31},
                                           TableCase{"dbase",
                                                     "dBase 5.0;",
                                                     DbfFolder,
                                                     "points",
                                                     {{"ID", store::dbLong, 0},
                                                      {"NAME", store::dbText, 30},
                                                      {"X", store::dbDouble, 0},
                                                      {"Y", store::dbDouble, 0},
                                                      {"ZONE", store::dbLong, 0}},
                                                     20,
                                                     "x",
                                                     595032.295}),
                         testsupport::RowName());

TEST(AccessDriver, ListsEveryTableInCatalogOrderWhateverTheFileName) {
    TempDir dir;
    fs::copy_file(Jet3, dir.File("renamed.dat"));  // told by its first bytes
    const std::vector<std::string> names = TableNames(store::OpenDatabase(dir.File("renamed.dat")));
    EXPECT_NE(std::find(names.begin(), names.end(), "MSysObjects"), names.end());  // as the classic engine listed them
    std::vector<std::string> user;
    std::copy_if(names.begin(), names.end(), std::back_inserter(user),
                 [](const auto& n) { return n.rfind("MSys", 0); });
    EXPECT_EQ(user, (std::vector<std::string>{"Table1", "Table2", "Table3", "Table4"}));
    EXPECT_EQ(store::OpenDatabase(Jet3).TableDefs().Item("table2").Fields.size(), 89u);
}

TEST(AccessDriver, ReadsEveryScalarTypeExactly) {
    store::Recordset rs = store::OpenDatabase(Jet3).OpenRecordset("Table1");
    rs.MoveNext();  // the second record holds the non-zero values
    // F is the stored double, not a 16-digit text of it; G is 21/09/1974 in days since 30/12/1899.
    EXPECT_EQ(Record(rs), (std::vector<Value>{"abcdefg", "hijklmnop", 2, 222, 333333333, 444.555, 27293.0, 3.5, -1}));
    rs.MoveFirst();
    EXPECT_EQ(rs.Field("F").Value(), Value(0.0));
    EXPECT_EQ(rs.Field("G").Value(), Value(29932.0));  // 12/12/1981
    EXPECT_EQ(rs.Field("I").Value(), Value(0));
}

TEST(AccessDriver, TellsNullFromEmpty) {
    store::Recordset rs = store::OpenDatabase(Overflow).OpenRecordset("Table1");
    rs.MoveLast();
    ASSERT_EQ(rs.RecordCount(), 7);
    int nulls = 0;
    for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext())
        for (int i = 0; i < rs.FieldCount(); ++i) nulls += rs.Field(i).Value().IsNull();
    EXPECT_EQ(nulls, 51);
    const std::vector<Value> first = Column(rs, "data1");
    for (std::size_t row : {2u, 4u, 5u}) EXPECT_TRUE(first[row].IsNull()) << row;
    // The overflow rows read like the others.
    EXPECT_EQ(Column(rs, "data3")[2], Value("row3col3"));
    EXPECT_EQ(Column(rs, "data9")[2], Value("row3col9"));
}

TEST(AccessDriver, ReadsJet4TextsAndNulls) {
    store::Recordset rs = store::OpenDatabase(Jet4).OpenRecordset("SELECT * FROM Table1");
    EXPECT_EQ(rs.Field("RS_AGENTE").Value(), Value("abc"));  // UCS-2 in the file
    const std::vector<Value> codes = Column(rs, "cd_agente");
    ASSERT_EQ(codes.size(), 512u);
    EXPECT_TRUE(codes[510].IsNull() && codes[511].IsNull());
    EXPECT_EQ(std::count_if(codes.begin(), codes.end(), [](const Value& v) { return v.IsNull(); }), 2);
}

TEST(AccessDriver, RefusesWrites) {
    store::Database db = store::OpenDatabase(Jet3);
    EXPECT_FALSE(db.OpenRecordset("Table1").Updatable());
    EXPECT_EQ(ErrorNumber([&] { db.Execute("DELETE FROM Table1"); }), base::err::ReadOnly);
    store::TableDef t = db.CreateTableDef("New");
    t.Append(t.CreateField("X", store::dbDouble));
    EXPECT_EQ(ErrorNumber([&] { db.TableDefs().Append(t); }), base::err::ReadOnly);
    EXPECT_EQ(ErrorNumber([&] { db.TableDefs().Delete("Table1"); }), base::err::ReadOnly);
}

TEST(ExcelDriver, KeepsTextsAsTypedAndBlanksAsNull) {
    store::Database db = store::OpenDatabase(Xls, "excel 8.0;");
    EXPECT_EQ(TableNames(db), (std::vector<std::string>{"Points$", "Vide$"}));
    // Drivers hand over whole tables only.
    EXPECT_EQ(ErrorNumber([&] { db.OpenRecordset("SELECT * FROM [Points$] WHERE id = 1"); }), base::err::NotSupported);
    store::Recordset rs = db.OpenRecordset("SELECT * FROM [Points$]");
    EXPECT_EQ(rs.Field("lon").Value(), Value("4,35"));  // typed as text in the sheet, kept as typed
    rs.MoveNext();
    EXPECT_EQ(rs.Field("lon").Value(), Value("4.4025"));  // a number in a text column
    EXPECT_TRUE(Column(rs, "name")[15].IsNull());         // an explicit blank cell
}

TEST(GdalFiles, ReadTheValuesOfTheExcel97Sheet) {
    for (const auto& [path, connect, table] :
         {std::tuple{Xlsx, "Excel 12.0 Xml;", "Points$"}, std::tuple{Ods, "OpenDocument;", "Points$"},
          std::tuple{Gpkg, "GeoPackage;", "Points"}}) {
        SCOPED_TRACE(path);
        store::Database db = store::OpenDatabase(path, connect);
        EXPECT_EQ(TableNames(db), std::vector<std::string>{table});
        EXPECT_EQ(db.OpenForwardOnly(table)->Count(), 20);  // known without reading the rows
        store::Recordset rs = db.OpenRecordset(table);
        store::Recordset xls = store::OpenDatabase(Xls, "Excel 8.0;").OpenRecordset("Points$");
        int records = 0;
        for (; !rs.Eof() && !xls.Eof(); rs.MoveNext(), xls.MoveNext(), ++records)
            for (int f = 0; f < xls.FieldCount(); ++f) {
                const Value want = xls.Field(f).Value(), got = rs.Field(xls.Field(f).Name()).Value();
                SCOPED_TRACE(xls.Field(f).Name() + " of record " + std::to_string(records + 1));
                EXPECT_EQ(got.Text(), want.Text());
                EXPECT_EQ(got.GetKind() == Value::Kind::Text, want.GetKind() == Value::Kind::Text);
            }
        EXPECT_TRUE(rs.Eof() && xls.Eof());
        EXPECT_EQ(records, 20);
    }
}

TEST(XlsxDriver, DatesAreTextAsInExcel97Sheets) {
    store::Recordset rs = store::OpenDatabase(Data + "/dates.xlsx", "Excel 12.0 Xml;").OpenRecordset("dates$");
    EXPECT_EQ(rs.Field("day").Value(), Value("2024-01-31"));
    EXPECT_EQ(rs.Field("hour").Value(), Value("08:30:00"));
    EXPECT_EQ(rs.Field("moment").Value(), Value("2024-01-31 08:30:15"));
    rs.MoveNext();
    EXPECT_TRUE(rs.Field("moment").Value().IsNull());
}

// A sheet parsed for a first look serves the next read of the same,
// unchanged file, from its first record; a rewritten file is parsed anew.
TEST(XlsxDriver, ASheetReadInPartIsSharedOnlyWhileTheFileIsUnchanged) {
    if (std::system("/usr/bin/python3 -c pass") != 0) GTEST_SKIP() << "no python3";
    TempDir dir;
    const std::string copy = dir.File("c.xlsx");
    fs::copy_file(Xlsx, copy);
    store::Database db = store::OpenDatabase(copy, "Excel 12.0 Xml;");
    const auto firstX = [&](int read) {
        auto cursor = db.OpenForwardOnly("Points$");
        std::vector<Value> row;
        std::string x;
        for (int n = 0; n < read && cursor->Next(row); ++n)
            if (n == 0) x = row[4].Text();
        return x;
    };
    EXPECT_EQ(firstX(3), "148679.447");     // stops early: parked
    EXPECT_EQ(firstX(1000), "148679.447");  // takes it, from the first record, and reads to the end
    EXPECT_EQ(firstX(3), "148679.447");
    const std::string edit =
        "import sys, zipfile\n"
        "src = zipfile.ZipFile(sys.argv[1]).infolist()\n"
        "z = zipfile.ZipFile(sys.argv[1])\n"
        "parts = {i.filename: z.read(i) for i in src}\n"
        "parts['xl/worksheets/sheet1.xml'] = parts['xl/worksheets/sheet1.xml'].replace("
        "b'>148679.447<', b'>148679.5<')\n"
        "with zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED) as out:\n"
        "    for name, data in parts.items(): out.writestr(name, data)\n";
    std::ofstream(dir.File("edit.py")) << edit;
    ASSERT_EQ(std::system(("/usr/bin/python3 " + dir.File("edit.py") + " " + copy).c_str()), 0);
    EXPECT_EQ(store::OpenDatabase(copy, "Excel 12.0 Xml;").OpenForwardOnly("Points$")->Fields().size(),
              db.OpenForwardOnly("Points$")->Fields().size());
    EXPECT_EQ(firstX(3), "148679.5");
}

TEST(GeoPackageDriver, PointsGiveTheirCoordinatesAndLeaveNoSideFile) {
    TempDir dir;
    const std::string copy = dir.File("c.gpkg");
    fs::copy_file(Gpkg, copy);
    {
        store::Recordset rs = store::OpenDatabase(copy, "GeoPackage;").OpenRecordset("Points");
        rs.MoveNext();  // the first point's lon is the text "4,35"
        EXPECT_EQ(rs.Field("geom_X").Value().Text(), rs.Field("lon").Value().Text());
        EXPECT_EQ(rs.Field("geom_Y").Value(), rs.Field("lat").Value());
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.File("")), fs::directory_iterator()), 1);
}

TEST(FieldNames, BecomeNamesTheEngineAccepts) {
    const struct {
        std::vector<std::string> in, out;
    } cases[] = {{{"x.lb72", "[a]!b", " lead"}, {"x#lb72", "_a__b", "lead"}},
                 {{"", "Y", ""}, {"F1", "Y", "F3"}},
                 {{"X", "x", "F2"}, {"X", "F2", "F3"}},
                 {{std::string(63, 'a') + "\xC3\xA9" + "z"}, {std::string(63, 'a')}}};
    for (const auto& c : cases) {
        std::vector<store::FieldDef> fields;
        for (const auto& n : c.in) fields.push_back({n, store::dbText, 0});
        store::detail::CleanFieldNames(fields);
        std::vector<std::string> names;
        for (const auto& f : fields) names.push_back(f.Name);
        EXPECT_EQ(names, c.out);
    }
}

TEST(DbaseDriver, FolderOfFilesAsTables) {
    TempDir dir;
    fs::copy_file(DbfFolder + "points.dbf", dir.File("points.dbf"));
    fs::copy_file(DbfFolder + "points.dbf", dir.File("Autres.DBF"));
    std::ofstream(dir.File("notes.txt")) << "not a table";
    store::Database db = store::OpenDatabase(dir.File(""), "dBase 5.0;");
    EXPECT_EQ(TableNames(db), (std::vector<std::string>{"Autres", "points"}));
    EXPECT_EQ(db.OpenRecordset("POINTS").RecordCount(), 20);
    EXPECT_EQ(ErrorNumber([&] { db.OpenRecordset("notes"); }), base::err::UnknownTable);
    // A .dbf file's own path stands for its folder.
    EXPECT_EQ(TableNames(store::OpenDatabase(dir.File("points.dbf"), "dBase 5.0;")).size(), 2u);
}

TEST(DbaseDriver, ReadsNumbersBlanksAndCodePage) {
    store::Recordset rs = store::OpenDatabase(DbfFolder, "dBASE 5.0;").OpenRecordset("points");
    rs.MoveLast();
    ASSERT_EQ(rs.RecordCount(), 20);
    const std::vector<Value> x = Column(rs, "X"), names = Column(rs, "name"), zones = Column(rs, "zone");
    EXPECT_TRUE(x[6].IsNull());  // blank, not 0
    EXPECT_EQ(Column(rs, "Y")[6], Value(5589565.956));
    EXPECT_EQ(zones[12], Value(32));
    EXPECT_EQ(names[4], Value("Li\xC3\xA8ge"));
    EXPECT_EQ(names[16], Value("\xC5\x92udeghien"));  // 0x8C in cp1252, which Latin-1 lacks
    EXPECT_EQ(names[17], Value("\xC3\x89ghez\xC3\xA9"
                               "e"));
    EXPECT_EQ(names[19], Value("Neufch\xC3\xA2teau"));
}

TEST(DbaseText, CodePagesNameTheIconvCharset) {
    const std::pair<const char*, std::string> cases[] = {{"LDID/2", "CP850"}, {"LDID/250", "CP1252"},
                                                         {nullptr, "CP1252"}, {"utf-8\r\n", "UTF-8"},
                                                         {"1250", "CP1250"},  {"ANSI 1252", "CP1252"}};
    for (const auto& [codePage, charset] : cases) EXPECT_EQ(base::DbaseCharset(codePage), charset);
}

TEST(DbaseText, DecodesToUtf8) {
    std::string longUtf8;
    for (int i = 0; i < 3000; ++i) longUtf8 += "\xC3\xA9";
    const struct {
        const char* charset;
        std::string bytes, utf8;
    } cases[] = {{"CP850", "\x82t\x82", "\xC3\xA9t\xC3\xA9"},
                 // 0x81 has no character in cp1252: marked, and the rest still read.
                 {"CP1252",
                  "a\x81"
                  "b",
                  "a\xEF\xBF\xBD"
                  "b"},
                 {"UTF-8", "ab\xC3", "ab\xEF\xBF\xBD"},
                 {"NO-SUCH-CHARSET", "\xE9", "\xC3\xA9"},
                 {"CP1252", std::string(3000, '\xE9'), longUtf8}};
    for (const auto& c : cases) {
        base::TextDecoder decoder(c.charset);
        EXPECT_EQ(decoder.ToUtf8(c.bytes), c.utf8) << c.charset;
        EXPECT_EQ(decoder.ToUtf8(c.bytes), c.utf8) << c.charset;  // no state left from the first
    }
}

TEST(LinkedTable, FailsAtOnceOnABadSource) {
    TempDir dir;
    store::Database out = store::CreateDatabase(dir.File("out.mdb"), store::dbLangGeneral);
    const auto link = [&](const std::string& connect, const std::string& source) {
        store::TableDef t = out.CreateTableDef("Connection");
        t.Connect = connect;
        t.SourceTableName = source;
        out.TableDefs().Append(t);
    };
    EXPECT_EQ(ErrorNumber([&] { link("Excel 8.0;DATABASE=" + Xls, "Nowhere$"); }), base::err::ObjectNotFound);
    EXPECT_EQ(ErrorNumber([&] { link("Excel 8.0;DATABASE=" + dir.File("none.xls"), "Points$"); }),
              base::err::FileNotFound);
    EXPECT_EQ(ErrorNumber([&] { link("Lotus 1-2-3;DATABASE=" + Xls, "Points$"); }), base::err::NoDriver);
    EXPECT_EQ(TableNames(out).size(), 0u);
}

}  // namespace
