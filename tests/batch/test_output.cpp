// The GeoPackage, workbook and rounded outputs, read back by
// other programs' readers: SQLite, GDAL/OGR and its ogrinfo.

#include <gtest/gtest.h>
#include <cpl_vsi.h>
#include <gdal_priv.h>
#include <ogrsf_frmts.h>
#include <sqlite3.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <optional>
#include <tuple>

#include <sys/resource.h>

#include "base/Errors.h"
#include "store/Engine.h"
#include "tests/Support.h"
#include "app/batch/BatchRun.h"
#include "app/batch/Output.h"
#include "app/batch/TextImport.h"

namespace {

namespace fs = std::filesystem;
using batch::BatchChoices;
using batch::OutputPrecision;
using store::Value;

using testsupport::ReadFile;
using testsupport::Split;

std::string Output(const std::string& command) {
    std::string text;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    char buffer[4096];
    for (std::size_t n; pipe && (n = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0;) text.append(buffer, n);
    return text;
}

// One SQL query's rows, columns joined by "|".
std::vector<std::string> Query(const std::string& path, const std::string& sql) {
    sqlite3* db = nullptr;
    std::vector<std::string> rows;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_exec(
            db, sql.c_str(),
            [](void* out, int n, char** values, char**) {
                std::string row;
                for (int i = 0; i < n; ++i) row += (i ? "|" : "") + std::string(values[i] ? values[i] : "NULL");
                static_cast<std::vector<std::string>*>(out)->push_back(row);
                return 0;
            },
            &rows, nullptr);
    }
    sqlite3_close(db);
    return rows;
}

using Workbook = std::unique_ptr<GDALDataset, void (*)(GDALDatasetH)>;

// A written workbook opened read-only through GDAL; null when it cannot be.
Workbook OpenWorkbook(const std::string& path) {
    GDALAllRegister();
    return Workbook(GDALDataset::Open(path.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY), GDALClose);
}

class Outputs : public ::testing::Test {
protected:
    // Two Lambert 72 points, one identified by a text with a leading zero, and one more that
    // cannot be read when `bad`, converted to UTM and WGS 84 longitude and latitude.
    BatchChoices Choices(const std::string& output, bool bad = false) {
        const std::string input = params_.File("pts.txt");
        std::ofstream(input, std::ios::binary) << "id\tnom\tx\ty\n1\tpoint 1\t36580.365\t94464.276\n"
                                               << "07\tcode\t150000\t170000.5\n"
                                               << (bad ? "23\tmauvais\tabc\t170000\n" : "");
        batch::ImportText(input, {});
        BatchChoices c;
        c.inIndex = 3;
        c.inSystem = "BE LB72";
        c.outIndex = 1;
        c.outSystem = "WGS84 UTM";
        c.out2Index = 2;
        c.out2System = "W Geographic WGS84";
        c.inputPath = input;
        c.table = batch::ImportedTableName(input);
        c.xField = "x";
        c.yField = "y";
        c.outputPath = params_.File(output);
        c.keepGoing = bad;
        return c;
    }

    bool NothingLeft() const {
        for (const auto& e : fs::directory_iterator(fs::path(params_.File("x")).parent_path()))
            if (e.path().filename().string().find("out.") == 0) return false;
        return true;
    }

    testsupport::ParamDbCopy params_;
};

TEST_F(Outputs, GeoPackageIsValidAndItsPointsAreTheWgs84Columns) {
    const BatchChoices c = Choices("out.gpkg", true);
    EXPECT_EQ(batch::RunBatch(c).failed, 1);
    const std::string& gpkg = c.outputPath;
    EXPECT_EQ(Query(gpkg,
                    "SELECT a.application_id, data_type, c.srs_id, geometry_type_name, g.srs_id "
                    "FROM pragma_application_id a, gpkg_contents c JOIN gpkg_geometry_columns g USING (table_name) "
                    "WHERE table_name = 'Conversions'"),
              std::vector<std::string>{"1196444487|features|4326|POINT|4326"});
    // Text columns stay texts; the failed record has no point.
    const auto stored = Query(gpkg, "SELECT id, W__Long, W__Lat, geom IS NULL FROM Conversions ORDER BY fid");
    ASSERT_EQ(stored.size(), 3u);
    EXPECT_EQ(stored[1].substr(0, 3), "07|");
    EXPECT_EQ(stored[2], "23|NULL|NULL|1");

    std::istringstream info(Output("ogrinfo -ro -q -al '" + gpkg + "' 2>&1"));
    std::size_t points = 0;
    for (std::string line; std::getline(info, line);) {
        double lon = 0, lat = 0;
        if (std::sscanf(line.c_str(), " POINT (%lf %lf)", &lon, &lat) != 2) continue;
        ASSERT_LT(points, 2u);
        const auto columns = Split(stored[points++], '|');
        EXPECT_NEAR(lon, std::stod(columns[1]), 1e-9) << "record " << points;
        EXPECT_NEAR(lat, std::stod(columns[2]), 1e-9) << "record " << points;
    }
    EXPECT_EQ(points, 2u);
}

// The spatial index, packed in one pass, is one SQLite checks and finds
// the points by: none, one, and enough for a tree of two levels.
TEST_F(Outputs, GeoPackageSpatialIndexFindsEveryPoint) {
    for (const int points : {0, 1, 3000}) {
        SCOPED_TRACE(points);
        BatchChoices c = Choices("out.gpkg", true);
        {
            std::ofstream in(c.inputPath, std::ios::binary);
            in << "id\tnom\tx\ty\n0\tmauvais\tabc\t1\n";
            for (int i = 0; i < points; ++i)
                in << i + 1 << "\tp\t" << 22000 + (i * 7919) % 268000 << "\t" << 22000 + (i * 104729) % 228000 << "\n";
        }
        batch::ImportText(c.inputPath, {});
        fs::remove(c.outputPath);
        batch::RunBatch(c);
        const std::string& gpkg = c.outputPath;
        EXPECT_EQ(Query(gpkg, "SELECT rtreecheck('rtree_Conversions_geom'), count(*) FROM rtree_Conversions_geom"),
                  std::vector<std::string>{"ok|" + std::to_string(points)});
        // A window through the index finds what a look at every record finds.
        const std::string inWindow = "W__Long BETWEEN 4 AND 4.6 AND W__Lat BETWEEN 50.5 AND 51";
        const auto counted = Query(gpkg, "SELECT count(*) FROM Conversions WHERE " + inWindow);
        EXPECT_EQ(Query(gpkg,
                        "SELECT count(*) FROM rtree_Conversions_geom r JOIN Conversions c ON c.fid = r.id "
                        "WHERE r.maxx >= 4 AND r.minx <= 4.6 AND r.maxy >= 50.5 AND r.miny <= 51 AND " +
                            inWindow),
                  counted);
        if (points == 3000) {
            EXPECT_GT(std::stoi(counted.at(0)), 50);
        }
        // The trigger that keeps the index up to date is back.
        EXPECT_EQ(Query(gpkg, "SELECT count(*) FROM sqlite_master WHERE name = 'rtree_Conversions_geom_insert'"),
                  std::vector<std::string>{"1"});
    }
}

// Our GeoPackage is an input our own reader takes back: its points, converted
// back to Lambert 72, are the typed coordinates.
TEST_F(Outputs, GeoPackageOutputIsAnInputAgain) {
    const BatchChoices out = Choices("out.gpkg");
    batch::RunBatch(out);
    BatchChoices back = out;
    back.inIndex = 9;
    back.inSystem = "W Geographic WGS84";
    back.geoFormat = 2;
    back.outIndex = 3;
    back.outSystem = "BE LB72";
    back.out2Index = 0;
    back.inputPath = out.outputPath;
    back.table = "Conversions";
    back.xField = "geom_X";
    back.yField = "geom_Y";
    back.outputPath = params_.File("back.txt");
    back.quote = false;
    EXPECT_EQ(batch::RunBatch(back).converted, 2);
    const auto lines = Split(ReadFile(back.outputPath), '\n');
    ASSERT_GE(lines.size(), 3u);
    for (const auto& [line, x, y] :
         {std::tuple{lines[1], 36580.365, 94464.276}, std::tuple{lines[2], 150000.0, 170000.5}}) {
        const auto f = Split(line, '\t');
        ASSERT_GE(f.size(), 2u);
        EXPECT_NEAR(std::stod(f[f.size() - 2]), x, 1e-3) << line;
        EXPECT_NEAR(std::stod(f[f.size() - 1]), y, 1e-3) << line;
    }
}

// Beside a GeoPackage GDAL 3.6.2 wrote from the same table (the lines of
// tests/data/gpkg_layout/gdal_3.6.2.txt), ours has the same schema, SRS row,
// declarations, triggers, values and point headers; only the time stamp and
// the last digit of the extent, which GDAL rounds, may differ.
TEST_F(Outputs, GeoPackageHasTheLayoutGdalWrites) {
    const std::string layout = std::string(TRAVENA_TEST_DATA) + "/gpkg_layout/";
    BatchChoices c = Choices("out.gpkg", true);
    c.inputPath = params_.File("pts.mdb");
    fs::copy_file(layout + "pts.mdb", c.inputPath);
    c.table = "pts";
    c.outIndex = 2;
    c.outSystem = "W Geographic WGS84";
    c.out2Index = 0;
    EXPECT_EQ(batch::RunBatch(c).failed, 1);
    std::vector<std::string> got;
    for (const char* sql :
         {"SELECT application_id, user_version FROM pragma_application_id, pragma_user_version",
          "SELECT type, name, tbl_name, sql FROM sqlite_master", "SELECT * FROM gpkg_spatial_ref_sys",
          "SELECT table_name, data_type, identifier, description, srs_id FROM gpkg_contents",
          "SELECT * FROM gpkg_geometry_columns", "SELECT * FROM gpkg_extensions", "SELECT * FROM gpkg_ogr_contents",
          "SELECT * FROM sqlite_sequence",
          "SELECT fid_2, hex(substr(geom_2, 1, 13)), length(geom_2), fid, geom, nom, \"qu\"\"ote\", n, typeof(n), big, "
          "r, s, c, ok, typeof(ok), jour, b, x, y, Erreur FROM Conversions"}) {
        const auto rows = Query(c.outputPath, sql);
        got.insert(got.end(), rows.begin(), rows.end());
    }
    const auto want = Split(ReadFile(layout + "gdal_3.6.2.txt"), '\n');
    ASSERT_EQ(got.size() + 1, want.size());
    for (std::size_t i = 0; i < got.size(); ++i) EXPECT_EQ(got[i], want[i]) << "line " << i + 1;

    const auto extent = Query(c.outputPath, "SELECT min_x, min_y, max_x, max_y FROM gpkg_contents").at(0);
    const double gdal[] = {2.7816323384243939, 50.150452386067983, 5.9238756412280331, 51.495380980380283};
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(std::stod(Split(extent, '|')[std::size_t(i)]), gdal[i], 1e-12) << extent;
    EXPECT_EQ(Query(c.outputPath, "PRAGMA integrity_check"), std::vector<std::string>{"ok"});
    EXPECT_EQ(Query(c.outputPath, "SELECT rtreecheck('rtree_Conversions_geom_2')"), std::vector<std::string>{"ok"});

    if (std::system("command -v ogrinfo > /dev/null") == 0) {
        const std::string info = Output("ogrinfo -ro -al -so '" + c.outputPath + "' 2>&1");
        EXPECT_NE(info.find("Feature Count: 4"), std::string::npos) << info;
        EXPECT_EQ(info.find("Warning"), std::string::npos) << info;
        EXPECT_EQ(info.find("ERROR"), std::string::npos) << info;
    }
}

// The sink alone, read back by our GeoPackage reader: each kind of column,
// Null, fields past the values given, records without a point, and input
// names that take the identifier's and the geometry's.
TEST_F(Outputs, GeoPackageSinkWritesEachKindOfValue) {
    using store::FieldDef;
    const std::string path = params_.File("out.gpkg");
    auto sink = batch::MakeGeoPackageSink(path);
    sink->Begin({FieldDef{"fid", store::dbLong, 0}, FieldDef{"FID_2", store::dbText, 20},
                 FieldDef{"Geom", store::dbDouble, 0}, FieldDef{"ok", store::dbBoolean, 0},
                 FieldDef{"jour", store::dbDate, 0}, FieldDef{"a\"b", store::dbText, 20}});
    sink->Add({Value(std::int64_t{1} << 53), Value("texte"), Value("2.5"), Value(-1), Value("2024-03-15"), Value(7.25)},
              batch::LonLat{4.5, 50.25});
    sink->Add({Value("12"), Value(), Value(3), Value(0.0)}, std::nullopt);
    sink->Add({Value(), Value(""), Value(-1e-300), Value(2.0), Value(), Value("\xC3\xA9")},
              batch::LonLat{-0.125, 51.0});
    sink->Finish();
    sink.reset();

    EXPECT_EQ(Query(path, "SELECT group_concat(name || ' ' || type, ', ') FROM pragma_table_info('Conversions')"),
              std::vector<std::string>{"fid_3 INTEGER, geom_2 POINT, fid INTEGER, FID_2 TEXT, Geom REAL, ok BOOLEAN, "
                                       "jour TEXT, a\"b TEXT"});
    // GDAL's blob for a point: header without envelope, then little-endian WKB.
    EXPECT_EQ(Query(path, "SELECT hex(geom_2) FROM Conversions WHERE fid_3 = 1"),
              std::vector<std::string>{"47500001E61000000101000000"
                                       "0000000000001240"
                                       "0000000000204940"});
    EXPECT_EQ(Query(path, "SELECT min_x, min_y, max_x, max_y, feature_count FROM gpkg_contents, gpkg_ogr_contents"),
              std::vector<std::string>{"-0.125|50.25|4.5|51.0|3"});
    EXPECT_EQ(
        Query(path,
              "SELECT column_name FROM gpkg_geometry_columns UNION ALL SELECT rtreecheck('rtree_Conversions_geom_2')"),
        (std::vector<std::string>{"geom_2", "ok"}));

    store::Database db = store::OpenDatabase(path, "GeoPackage;");
    store::Recordset rs = db.OpenRecordset("Conversions");
    std::vector<std::string> rows;
    for (; !rs.Eof(); rs.MoveNext()) {
        std::string row;
        for (const char* f : {"fid", "FID_2", "Geom", "ok", "jour", "a\"b", "geom_2_X", "geom_2_Y"})
            row += (row.empty() ? "" : "|") + (rs.Field(f).Value().IsNull() ? "NULL" : rs.Field(f).Value().Text());
        rows.push_back(row);
    }
    EXPECT_EQ(rows,
              (std::vector<std::string>{"9007199254740992|texte|2.5|1|2024-03-15|7.25|4.5|50.25",
                                        "12|NULL|3|0|NULL|NULL|NULL|NULL", "NULL||-1E-300|1|NULL|\xC3\xA9|-0.125|51"}));
}

// What a column cannot hold is refused with the field and the value named,
// not written as 0 or cut to a whole number.
TEST_F(Outputs, GeoPackageRefusesWhatAColumnCannotHold) {
    const struct {
        int type;
        Value value;
        const char* message;  // empty: taken
    } cases[] = {
        {store::dbLong, Value("abc"), "champ « v » : « abc » ne convient pas à une colonne entière."},
        {store::dbLong, Value(2.5), "champ « v » : « 2.5 » ne convient pas à une colonne entière."},
        {store::dbInteger, Value("2.5"), "champ « v » : « 2.5 » ne convient pas à une colonne entière."},
        {store::dbDouble, Value("mot"), "champ « v » : « mot » ne convient pas à une colonne numérique."},
        {store::dbBoolean, Value("vrai"), "champ « v » : « vrai » ne convient pas à une colonne entière."},
        {store::dbLong, Value(" 42 "), ""},
        {store::dbLong, Value(3.0), ""},
        {store::dbDouble, Value("-1.5"), ""},
        {store::dbBoolean, Value(0.5), ""},
    };
    for (const auto& [type, value, message] : cases) {
        SCOPED_TRACE(value.Text());
        const std::string path = params_.File("out.gpkg");
        auto sink = batch::MakeGeoPackageSink(path);
        sink->Begin({store::FieldDef{"v", type, 0}});
        try {
            sink->Add({value}, std::nullopt);
            sink->Finish();
            EXPECT_STREQ(message, "");
        } catch (const base::RuntimeError& e) {
            EXPECT_EQ(e.number, base::err::TypeMismatch);
            EXPECT_EQ(std::string(e.what()), message);
        }
        sink.reset();
        fs::remove(path);
    }
}

// A window through the index finds exactly the records whose points are in
// it, fids counted with the records that have none. The window's edges lie
// between the points, away from the index's single-precision boxes.
TEST_F(Outputs, GeoPackageIndexFindsTheRecordsInAWindow) {
    const std::string path = params_.File("out.gpkg");
    auto sink = batch::MakeGeoPackageSink(path);
    sink->Begin({store::FieldDef{"n", store::dbLong, 0}});
    std::vector<std::string> inside;
    int points = 0;
    for (int i = 0; i < 5000; ++i) {
        const double lon = 2.5 + (i % 100) * 0.04, lat = 49.5 + (i / 100) * 0.04;
        const bool point = i % 7 != 3;
        points += point;
        sink->Add({Value(i)}, point ? std::optional(batch::LonLat{lon, lat}) : std::nullopt);
        if (point && lon > 4 && lon < 4.6 && lat > 50.52 && lat < 51) inside.push_back(std::to_string(i + 1));
    }
    sink->Finish();
    sink.reset();
    EXPECT_GT(inside.size(), 100u);
    EXPECT_EQ(Query(path,
                    "SELECT id FROM rtree_Conversions_geom WHERE maxx >= 4 AND minx <= 4.6 AND maxy >= 50.52 AND "
                    "miny <= 51 ORDER BY id"),
              inside);
    EXPECT_EQ(Query(path, "PRAGMA integrity_check"), std::vector<std::string>{"ok"});
    EXPECT_EQ(Query(path, "SELECT rtreecheck('rtree_Conversions_geom'), count(*) FROM rtree_Conversions_geom"),
              std::vector<std::string>{"ok|" + std::to_string(points)});
}

// Records go in by statements of several: every count around a statement's
// size keeps each record once, in order, with its own fid and point.
TEST_F(Outputs, GeoPackageKeepsEveryRecordWhateverTheirCount) {
    for (const int n : {0, 1, 63, 64, 65, 128, 129, 1000}) {
        SCOPED_TRACE(n);
        const std::string path = params_.File("out.gpkg");
        auto sink = batch::MakeGeoPackageSink(path);
        sink->Begin({store::FieldDef{"n", store::dbLong, 0}, store::FieldDef{"t", store::dbText, 10}});
        for (int i = 0; i < n; ++i)
            sink->Add({Value(i), Value("r" + std::to_string(i))},
                      i % 3 ? std::optional(batch::LonLat{4 + i * 1e-3, 50}) : std::nullopt);
        sink->Finish();
        sink.reset();
        const int points = n - (n + 2) / 3;
        EXPECT_EQ(
            Query(path,
                  "SELECT count(*), total(fid = n + 1 AND t = 'r' || n), total(geom IS NOT NULL), "
                  "(SELECT feature_count FROM gpkg_ogr_contents), (SELECT count(*) FROM rtree_Conversions_geom "
                  "JOIN Conversions ON id = fid AND minx > 4 + n * 1e-3 - 1e-6 AND minx < 4 + n * 1e-3 + 1e-6) "
                  "FROM Conversions"),
            std::vector<std::string>{std::to_string(n) + "|" + std::to_string(n) + ".0|" + std::to_string(points) +
                                     ".0|" + std::to_string(n) + "|" + std::to_string(points)});
        fs::remove(path);
    }
}

// A file that cannot grow (a full disk, here the process's file size limit)
// fails the run naming the target, and leaves no file behind.
TEST_F(Outputs, GeoPackageThatCannotGrowFailsAndLeavesNothing) {
    BatchChoices c = Choices("out.gpkg");
    {
        std::ofstream in(c.inputPath, std::ios::binary);
        in << "id\tnom\tx\ty\n";
        for (int i = 0; i < 20000; ++i) in << i << "\tun nom assez long\t" << 22000 + i << "\t170000\n";
    }
    batch::ImportText(c.inputPath, {});
    struct sigaction ignore {
    }, previous{};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGXFSZ, &ignore, &previous);
    rlimit limit{}, small{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    small = limit;
    small.rlim_cur = 256 * 1024;
    ::setrlimit(RLIMIT_FSIZE, &small);
    try {
        batch::RunBatch(c);
        ADD_FAILURE() << "a file past the limit was written";
    } catch (const batch::BatchFailure& e) {
        EXPECT_EQ(e.number, base::err::FileAccess);
        EXPECT_EQ(std::string(e.what()).rfind("écriture impossible : " + c.outputPath + " : Fichier trop grand.", 0),
                  0u)
            << e.what();
    }
    ::setrlimit(RLIMIT_FSIZE, &limit);
    ::sigaction(SIGXFSZ, &previous, nullptr);
    EXPECT_TRUE(NothingLeft());
}

TEST_F(Outputs, WorkbookHasNumericCellsAndAFrozenHeader) {
    const BatchChoices c = Choices("out.xlsx");
    batch::RunBatch(c);
    const Workbook book = OpenWorkbook(c.outputPath);
    OGRLayer* sheet = book ? book->GetLayerByName("Conversions") : nullptr;
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->GetFeatureCount(), 2);
    // Numbers imported as text become numbers; an identifier with a leading zero and a name stay texts.
    std::string types;
    OGRFeatureDefn* columns = sheet->GetLayerDefn();
    for (int i = 0; i < columns->GetFieldCount(); ++i)
        types += std::string(columns->GetFieldDefn(i)->GetNameRef()) + ":" +
                 OGRFieldDefn::GetFieldTypeName(columns->GetFieldDefn(i)->GetType()) + " ";
    EXPECT_EQ(types,
              "id:String nom:String x:Real y:Real E_WGS84_UTM:Real N_WGS84_UTM:Real Fuseau:Integer W__Long:Real "
              "W__Lat:Real ");

    const std::string sheetXml = "/vsizip/" + c.outputPath + "/xl/worksheets/sheet1.xml";
    VSIStatBufL stat;
    ASSERT_EQ(VSIStatL(sheetXml.c_str(), &stat), 0);
    std::string xml(std::size_t(stat.st_size), '\0');
    VSILFILE* f = VSIFOpenL(sheetXml.c_str(), "rb");
    VSIFReadL(xml.data(), 1, xml.size(), f);
    VSIFCloseL(f);
    EXPECT_NE(xml.find("ySplit=\"1\" topLeftCell=\"A2\" activePane=\"bottomLeft\" state=\"frozen\""),
              std::string::npos);
}

// Texts XML cannot carry, and bytes that are no UTF-8, from an input that
// holds them as they are: the workbook stays readable, and the run says what
// it replaced.
TEST_F(Outputs, WorkbookCellsHoldOnlyWhatXmlAllows) {
    const struct {
        const char* in;
        const char* read;
    } cells[] = {{"a\xEF\xBF\xBE"
                  "b",
                  "a\xEF\xBF\xBD"
                  "b"},                                                                       // U+FFFE
                 {"\xEF\xBF\xBF", "\xEF\xBF\xBD"},                                            // U+FFFF
                 {"\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},                    // an encoded surrogate
                 {"\xC0\xAF", "\xEF\xBF\xBD\xEF\xBF\xBD"},                                    // overlong
                 {"\xF4\x90\x80\x80x", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBDx"},  // above U+10FFFF
                 {"\xC3\xA9t\xC3\xA9 <&>", "\xC3\xA9t\xC3\xA9 <&>"}};
    const std::string input = params_.File("in.mdb");
    {
        store::Database db = store::CreateDatabase(input, store::dbLangGeneral);
        db.Execute("CREATE TABLE pts (nom TEXT, x DOUBLE, y DOUBLE)");
        for (const auto& cell : cells)
            db.Execute("INSERT INTO pts VALUES (?, 150000, 170000)", {Value(std::string(cell.in))});
    }
    BatchChoices c = Choices("out.xlsx");
    c.inputPath = input;
    c.table = "pts";
    const batch::BatchReport report = batch::RunBatch(c);
    ASSERT_EQ(report.notices.size(), 1u);
    EXPECT_EQ(report.notices[0].rfind("11 caractère(s) qu'un classeur ne peut pas contenir", 0), 0u)
        << report.notices[0];
    EXPECT_NE(report.notices[0].find("l'enregistrement 1, champ « nom »"), std::string::npos) << report.notices[0];

    store::Database book = store::OpenDatabase(c.outputPath, "Excel 12.0 Xml;");
    store::Recordset rs = book.OpenRecordset("Conversions$");
    for (const auto& cell : cells) {
        ASSERT_FALSE(rs.Eof());
        EXPECT_EQ(rs.Field("nom").Value().Text(), cell.read);
        rs.MoveNext();
    }
}

// Excel evaluates a cell of a delimited file beginning like a formula; a
// plain number, negative or with a decimal comma, must stay a number.
TEST_F(Outputs, ExcelTextNeverHoldsAFormula) {
    const std::pair<const char*, const char*> cases[] = {{"=1+1", "'=1+1"},
                                                         {"+32 2 555 12 12", "'+32 2 555 12 12"},
                                                         {"@SUM(A1)", "'@SUM(A1)"},
                                                         {"-cmd", "'-cmd"},
                                                         {"\tx", "'\tx"},
                                                         {"\rx", "'\rx"},
                                                         {"-", "'-"},
                                                         {"-12,5", "-12,5"},
                                                         {"-12.5", "-12.5"},
                                                         {"a=b", "a=b"},
                                                         {"", ""}};
    for (const auto& [in, out] : cases) EXPECT_EQ(batch::ExcelSafeText(in), out) << in;

    const std::string input = params_.File("f.txt");
    std::ofstream(input, std::ios::binary) << "nom\tn\tx\ty\n=HYPERLINK(\"http://x\")\t-12,5\t150000\t170000\n";
    batch::ImportText(input, {});
    BatchChoices c = Choices("out.csv");
    c.inputPath = input;
    c.table = "f";
    c.out2Index = 0;
    c.excelText = true;
    c.quote = false;
    batch::RunBatch(c);
    const auto lines = Split(ReadFile(c.outputPath), '\n');
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[1].rfind("\"'=HYPERLINK(\"\"http://x\"\")\";-12,5;", 0), 0u) << lines[1];
}

struct RoundCase {
    const char* name;
    batch::SystemKind kind;
    OutputPrecision precision;
    std::vector<Value> in, out;
};

class Rounding : public ::testing::TestWithParam<RoundCase> {};

TEST_P(Rounding, RemovesFloatNoiseOnlyWhereAsked) {
    std::vector<Value> values{"kept", 0.850000000000001};
    values.insert(values.end(), GetParam().in.begin(), GetParam().in.end());
    batch::RoundCoordinateValues(GetParam().kind, GetParam().precision, values, 2);
    std::vector<Value> want{"kept", 0.850000000000001};
    want.insert(want.end(), GetParam().out.begin(), GetParam().out.end());
    EXPECT_EQ(values, want);
}

INSTANTIATE_TEST_SUITE_P(Batch, Rounding,
                         ::testing::Values(RoundCase{"metres",
                                                     batch::SystemKind::Projected,
                                                     OutputPrecision::Millimetre,
                                                     {0.850000000000001, 148679.44749999},
                                                     {0.85, 148679.447}},
                                           RoundCase{"utm_zone_untouched",
                                                     batch::SystemKind::Utm,
                                                     OutputPrecision::Millimetre,
                                                     {-585104.09451, 5594913.11949, 31},
                                                     {-585104.095, 5594913.119, 31}},
                                           RoundCase{"degrees",
                                                     batch::SystemKind::Geographic,
                                                     OutputPrecision::Millimetre,
                                                     {4.35170000000001, -50.84660049},
                                                     {4.3517, -50.8466}},
                                           RoundCase{"grid_reference",
                                                     batch::SystemKind::Mgrs,
                                                     OutputPrecision::Millimetre,
                                                     {"31UER8510494913"},
                                                     {"31UER8510494913"}},
                                           RoundCase{"full",
                                                     batch::SystemKind::Projected,
                                                     OutputPrecision::Full,
                                                     {0.850000000000001, 1.5},
                                                     {0.850000000000001, 1.5}}),
                         testsupport::RowName());

// Whole-number columns stay integers, and the reason column is Null where a
// record converted: in the databases as SQLite reads them, in the workbook
// as GDAL does.
TEST_F(Outputs, IntegerColumnsStayIntegerAndGoodRecordsHaveNoError) {
    const std::string input = params_.File("in.mdb");
    {
        store::Database db = store::CreateDatabase(input, store::dbLangGeneral);
        db.Execute("CREATE TABLE pts (id INTEGER, x DOUBLE, y DOUBLE)");
        db.Execute("INSERT INTO pts VALUES (7, 150000, 170000)");
        db.Execute("INSERT INTO pts VALUES (8, NULL, 170000)");
    }
    const std::vector<std::string> typed{"integer|real|null", "integer|null|text"};
    for (const char* name : {"out.sqlite", "out.gpkg"}) {
        BatchChoices c = Choices(name, true);
        c.inputPath = input;
        c.table = "pts";
        batch::RunBatch(c);
        EXPECT_EQ(Query(c.outputPath, "SELECT typeof(id), typeof(E_WGS84_UTM), typeof(Erreur) FROM Conversions"), typed)
            << name;
    }
    BatchChoices c = Choices("out.xlsx", true);
    c.inputPath = input;
    c.table = "pts";
    batch::RunBatch(c);
    const Workbook book = OpenWorkbook(c.outputPath);
    OGRLayer* sheet = book ? book->GetLayerByName("Conversions") : nullptr;
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->GetLayerDefn()->GetFieldDefn(sheet->GetLayerDefn()->GetFieldIndex("id"))->GetType(), OFTInteger);
    std::vector<bool> errors;
    for (auto& feature : *sheet) errors.push_back(feature->IsFieldSetAndNotNull(feature->GetFieldIndex("Erreur")));
    EXPECT_EQ(errors, (std::vector<bool>{false, true}));
}

// A workbook's column of whole numbers is an integer column of the GeoPackage.
TEST_F(Outputs, WorkbookWholeNumbersStayIntegers) {
    for (const char* book : {"coords.xls", "coords.xlsx", "coords.ods"}) {
        BatchChoices c = Choices("out.gpkg");
        c.inputPath = std::string(TRAVENA_TEST_DATA) + "/" + book;
        c.table = "Points$";
        c.xField = "x_lb72";
        c.yField = "y_lb72";
        batch::RunBatch(c);
        EXPECT_EQ(Query(c.outputPath, "SELECT DISTINCT typeof(id), typeof(zone), typeof(lat) FROM Conversions"),
                  std::vector<std::string>{"integer|integer|real"})
            << book;
        fs::remove(c.outputPath);
    }
}

TEST_F(Outputs, SqliteEndingWritesTheSameDatabaseAsMdb) {
    const BatchChoices mdb = Choices("out.mdb");
    BatchChoices sqlite = Choices("out.sqlite");
    batch::RunBatch(mdb);
    batch::RunBatch(sqlite);
    const std::string sql = "SELECT * FROM Conversions";
    EXPECT_EQ(Query(mdb.outputPath, sql), Query(sqlite.outputPath, sql));
    EXPECT_EQ(Query(sqlite.outputPath, sql).size(), 2u);
}

TEST_F(Outputs, FailedOrRefusedRunsLeaveNoFile) {
    for (const char* name : {"out.gpkg", "out.xlsx"}) {
        BatchChoices c = Choices(name, true);
        c.keepGoing = false;
        EXPECT_THROW(batch::RunBatch(c), batch::BatchFailure) << name;
        EXPECT_TRUE(NothingLeft()) << name;
    }
    BatchChoices c = Choices("out.gpkg");
    std::ofstream(c.outputPath) << "kept";
    EXPECT_THROW(batch::RunBatch(c), batch::BatchFailure);
    EXPECT_EQ(ReadFile(c.outputPath), "kept");
}

}  // namespace
