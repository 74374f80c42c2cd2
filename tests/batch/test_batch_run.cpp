// Batch runs on small inputs: the checks, the columns added, failures that
// leave nothing. Whole outputs are pinned byte for byte by tests/cli.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "core/NumberText.h"
#include "store/Engine.h"
#include "tests/Support.h"
#include "app/batch/BatchRun.h"
#include "app/batch/ReadableValue.h"
#include "app/batch/TextImport.h"

namespace {

namespace fs = std::filesystem;
using batch::BatchChoices;
using testsupport::ReadFile;
using testsupport::Split;

// Choices that pass every check: Lambert 72 to UTM, from an imported text file.
BatchChoices Valid(const std::string& input, const std::string& output) {
    BatchChoices c;
    c.inIndex = 3;
    c.inSystem = "BE LB72";
    c.outIndex = 1;
    c.outSystem = "WGS84 UTM";
    c.inputPath = input;
    c.table = batch::ImportedTableName(input);
    c.xField = "x";
    c.yField = "y";
    c.outputPath = output;
    return c;
}

// WGS 84 in, as decimal degrees (format 2) or degrees-minutes-seconds (1).
void Wgs84Input(BatchChoices& c, int format = 2) {
    c.inSystem = "W Geographic WGS84";
    c.inIndex = 9;
    c.geoFormat = format;
}

void Out2(BatchChoices& c, int index, const char* system) {
    c.out2Index = index;
    c.out2System = system;
}

// The output table's fields as "name:type", then each record's values.
std::vector<std::string> Rows(const std::string& path) {
    store::Database db = store::OpenDatabase(path);
    EXPECT_EQ(db.TableDefs().Count(), 1);
    store::Recordset rs = db.OpenRecordset("Conversions");
    std::vector<std::string> rows(1);
    for (int f = 0; f < rs.FieldCount(); ++f)
        rows[0] += rs.Field(f).Name() + ":" + std::to_string(rs.Field(f).Type()) + " ";
    for (; !rs.Eof(); rs.MoveNext()) {
        rows.emplace_back();
        for (int f = 0; f < rs.FieldCount(); ++f) rows.back() += rs.Field(f).Value().Text() + "|";
    }
    return rows;
}

class BatchRun : public ::testing::Test {
protected:
    // A text file imported as the window would, before the run.
    std::string Imported(const std::string& text, const std::string& name = "pts.txt") {
        const std::string path = params_.File(name);
        std::ofstream(path, std::ios::binary) << text;
        batch::ImportText(path, {});
        return path;
    }
    std::string File(const std::string& name) const { return params_.File(name); }
    static std::vector<std::string> TextLines(const BatchChoices& c) {
        batch::RunBatch(c);
        return Split(ReadFile(c.outputPath), '\n');
    }

    testsupport::ParamDbCopy params_;
};

// --- Checks

struct CheckCase {
    const char* name;
    void (*change)(BatchChoices&);
    const char* message;
};

class Checks : public ::testing::TestWithParam<CheckCase> {};

TEST_P(Checks, RefuseWithTheirMessageBeforeAnythingIsWritten) {
    BatchChoices c = Valid("/tmp/in.txt", "/tmp/travena-never-written.txt");
    GetParam().change(c);
    const auto refusal = batch::CheckChoices(c);
    ASSERT_TRUE(refusal.has_value());
    EXPECT_EQ(*refusal, GetParam().message);
    EXPECT_THROW(batch::RunBatch(c), batch::BatchFailure);
    EXPECT_FALSE(fs::exists(c.outputPath));
}

const char* const Pick = "Choisissez une projection d'entrée et/ou de sortie.";
const char* const Same = "Choisissez des projections différentes d'entrée et de sortie(s).";
const char* const Source = "Le fichier de sortie ne peut pas être la source des données.";
const char* const Scale = "Indiquez une échelle numérique différente de zéro.";

INSTANTIATE_TEST_SUITE_P(
    Batch, Checks,
    ::testing::Values(
        CheckCase{"no_input", [](BatchChoices& c) { c.inIndex = 0; }, Pick},
        CheckCase{"no_output", [](BatchChoices& c) { c.outIndex = 0; }, Pick},
        CheckCase{"same", [](BatchChoices& c) { c.outIndex = 3; }, Same},
        CheckCase{"same_as_second", [](BatchChoices& c) { c.out2Index = 3; }, Same},
        CheckCase{"no_x", [](BatchChoices& c) { c.xField.clear(); }, "Indiquez la correspondance X."},
        CheckCase{"no_y", [](BatchChoices& c) { c.yField.clear(); }, "Indiquez la correspondance Y."},
        CheckCase{"no_zone", [](BatchChoices& c) { c.inSystem = "BE UTM"; }, "Indiquez la correspondance Fuseau."},
        CheckCase{"no_output_path", [](BatchChoices& c) { c.outputPath.clear(); },
                  "Choisissez un fichier de sortie (enregistrer)."},
        CheckCase{"other_ending", [](BatchChoices& c) { c.outputPath = "/tmp/out.xls"; },
                  "Le fichier de sortie doit se terminer par .mdb ou .sqlite (base SQLite), .gpkg (GeoPackage), "
                  ".xlsx (classeur Excel), .txt ou .csv (texte)."},
        CheckCase{"output_is_input", [](BatchChoices& c) { c.outputPath = c.inputPath; }, Source},
        CheckCase{"output_is_scratch", [](BatchChoices& c) { c.outputPath = "/tmp/in._travena.mdb"; }, Source},
        CheckCase{"scale_word", [](BatchChoices& c) { c.scale = "abc"; }, Scale},
        CheckCase{"scale_partly_a_number", [](BatchChoices& c) { c.scale = "1.5.3"; }, Scale}),
    testsupport::RowName());

TEST(BatchChecks, GridInputsNeedNoYAndUpperCaseEndingsAreKnown) {
    BatchChoices c = Valid("/tmp/in.txt", "/tmp/OUT.TXT");
    c.inSystem = "BE IFBL";
    c.yField.clear();
    for (const char* path : {"/tmp/OUT.TXT", "/tmp/out.Mdb", "/tmp/out.csv"}) {
        c.outputPath = path;
        EXPECT_FALSE(batch::CheckChoices(c).has_value()) << path;
    }
}

// --- Columns and values

TEST_F(BatchRun, NamesAlreadyTakenGetASuffixAndTheScaleApplies) {
    BatchChoices c = Valid(Imported("x\ty\tFuseau\n74339.7235\t85533.405\t0\n"), File("out.txt"));
    c.scale = "2,0";  // a decimal comma, as typed in a French locale
    c.outSystem = "BE Geographic ED50";
    Out2(c, 11, "BE Geographic BD72");
    c.quote = false;
    const auto lines = TextLines(c);
    EXPECT_EQ(lines[0], "x\ty\tFuseau\tBE_Long\tBE_Lat\tBE_Long_2\tBE_Lat_2");
    EXPECT_NEAR(core::ValNumber(Split(lines[1], '\t')[5]), 4.35, 0.01);

    c.outSystem = "BE UTM";
    c.outputPath = File("out.mdb");
    batch::RunBatch(c);
    EXPECT_EQ(Rows(c.outputPath)[0], "x:10 y:10 Fuseau:10 E_BE_UTM:7 N_BE_UTM:7 Fuseau_2:3 BE_Long:7 BE_Lat:7 ");
}

TEST_F(BatchRun, MethodColumnNamesWhatEachRecordGotAndGridFallbacksAreCounted) {
    // Brussels in the IGN grid, a point north of it, a record that fails.
    BatchChoices c = Valid(Imported("x\ty\n150000\t170000\n150000\t400000\nabc\t1\n"), File("out.mdb"));
    c.outSystem = "BE LB08";
    c.method = 4;
    c.methodColumn = true;
    c.keepGoing = true;
    const batch::BatchReport report = batch::RunBatch(c);
    EXPECT_EQ(report.gridFallbacks, 1);
    EXPECT_EQ(report.notices,
              std::vector<std::string>{"1 enregistrement(s) hors de la grille IGN, Helmert 7 paramètres."});
    const auto rows = Rows(c.outputPath);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0], "x:10 y:10 X_BE_LB08:7 Y_BE_LB08:7 Méthode:10 Erreur:10 ");
    EXPECT_NE(rows[1].find("|grille IGN (NTv2)||"), std::string::npos) << rows[1];
    EXPECT_NE(rows[2].find("|Helmert 7 paramètres||"), std::string::npos) << rows[2];
    EXPECT_NE(rows[3].find("|||13 "), std::string::npos) << rows[3];  // no method for a failed record

    // Another method names itself, with nothing to count.
    c.method = 3;
    c.outputPath = File("out.txt");
    c.quote = false;
    const auto lines = TextLines(c);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0], "x\ty\tX_BE_LB08\tY_BE_LB08\tMéthode\tErreur");
    EXPECT_EQ(Split(lines[2], '\t')[4], "Helmert 7 paramètres");
}

// cs2cs EPSG:4937 EPSG:5710: 50.85 N 4.35 E, h 100 m -> H 57.1517 m. A record
// outside hBG18 has no height: the run stops there, or writes its cause.
TEST_F(BatchRun, HeightsGoThroughTheQuasiGeoid) {
    BatchChoices c = Valid(Imported("x\ty\tz\n4.35\t50.85\t100\n4.0\t53.0\t10\n"), File("out.mdb"));
    Wgs84Input(c);
    c.outSystem = "BE LB72";
    c.zField = "z";
    c.keepGoing = true;
    const batch::BatchReport report = batch::RunBatch(c);
    EXPECT_EQ(report.failed, 1);
    const auto rows = Rows(c.outputPath);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0], "x:10 y:10 z:10 X_BE_LB72:7 Y_BE_LB72:7 H_DNG:7 Erreur:10 ");
    EXPECT_NEAR(core::ValNumber(Split(rows[1], '|')[5]), 57.1517, 1e-4);
    EXPECT_NE(rows[2].find("hors du modèle hBG18"), std::string::npos) << rows[2];

    // H back to h returns the input; without keep-going the outside record stops the run.
    c.heightIn = 'H';
    c.heightOut = 'h';
    c.keepGoing = false;
    c.inputPath = Imported("x\ty\tz\n4.35\t50.85\t57.1516660054525\n", "h.txt");
    c.table = batch::ImportedTableName(c.inputPath);
    c.outputPath = File("h.txt.out.txt");
    c.quote = false;
    const auto lines = TextLines(c);
    EXPECT_EQ(Split(lines[0], '\t').back(), "h_ETRS89");
    EXPECT_NEAR(core::ValNumber(Split(lines[1], '\t').back()), 100, 1e-9);
    c.inputPath = Imported("x\ty\tz\n4.0\t53.0\t10\n", "out_of_model.txt");
    c.table = batch::ImportedTableName(c.inputPath);
    c.outputPath = File("never.txt");
    EXPECT_THROW(batch::RunBatch(c), batch::BatchFailure);
    EXPECT_FALSE(fs::exists(c.outputPath));
}

TEST_F(BatchRun, LongitudesWestOfGreenwichAreNegativeInEveryColumn) {
    BatchChoices c = Valid(Imported("x\ty\tz\n500000\t5600000\t30\n"), File("out.txt"));
    c.inSystem = "WGS84 UTM";
    c.inIndex = 1;
    c.zoneField = "z";
    c.outSystem = "W Geographic WGS84";
    c.outIndex = 9;
    Out2(c, 10, "BE Geographic ED50");
    c.quote = false;
    const auto f = Split(TextLines(c)[1], '\t');
    ASSERT_EQ(f.size(), 7u);
    EXPECT_NEAR(core::ValNumber(f[3]), -3.0, 1e-9);
    EXPECT_NEAR(core::ValNumber(f[5]), -3.0, 0.01);
}

TEST_F(BatchRun, FieldsHoldingTheDelimiterOrQuotesStillSplit) {
    // Imported from a quoted semicolon file: the names keep their ";" and quotes.
    const std::string path = File("q.txt");
    std::ofstream(path, std::ios::binary) << "\"a;b\";x;y\n\"say \"\"hi\"\"\";148679.447;171066.810\n";
    batch::TextImportOptions semicolon;
    semicolon.delimiter = ";";
    batch::ImportText(path, semicolon);
    BatchChoices c = Valid(path, File("out.txt"));
    c.quote = false;
    c.delimiter = batch::OutputDelimiter::Semicolon;
    const auto lines = TextLines(c);
    EXPECT_EQ(lines[0], "\"a;b\";x;y;E_WGS84_UTM;N_WGS84_UTM;Fuseau");
    EXPECT_EQ(lines[1].substr(0, 13), "\"say \"\"hi\"\"\";");
}

TEST_F(BatchRun, DatabaseInputWithANullFieldFindsFieldsWhateverTheirCase) {
    const std::string input = File("in.mdb");
    {
        store::Database db = store::CreateDatabase(input, store::dbLangGeneral);
        store::TableDef t = db.CreateTableDef("pts");
        t.Append({"name", store::dbText, 20});
        t.Append({"lon", store::dbDouble, 0});
        t.Append({"lat", store::dbDouble, 0});
        db.TableDefs().Append(t);
        db.Execute("INSERT INTO pts VALUES (NULL, 4.35123456789012, 50.8512345678901)");  // every digit read
    }
    BatchChoices c = Valid(input, File("out.txt"));
    c.table = "pts";
    Wgs84Input(c);
    c.outSystem = "BE Geographic BD72";
    c.outIndex = 11;
    c.xField = "LON";
    c.yField = "lat";
    c.quote = false;
    EXPECT_EQ(TextLines(c)[1], "\t4.35123456789012\t50.8512345678901\t4.34996775261095\t50.8517775066822");

    c.outputPath = File("out.mdb");
    Out2(c, 1, "WGS84 UTM");
    EXPECT_EQ(batch::RunBatch(c).converted, 1);
    const auto rows = Rows(c.outputPath);
    EXPECT_EQ(rows[0], "name:10 lon:7 lat:7 BE_Long:7 BE_Lat:7 E_WGS84_UTM:7 N_WGS84_UTM:7 Fuseau_2:3 ");
    EXPECT_EQ(
        rows[1],
        "|4.35123456789012|50.8512345678901|4.34996775261095|50.8517775066822|595116.68669728|5634151.70023919|31|");
}

// --- Failures leave nothing behind

struct FailureCase {
    const char* name;
    const char* text;  // the imported input
    void (*change)(BatchChoices&);
    long record;
};

class Failures : public BatchRun, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(Failures, StopNamingTheRecordAndLeaveNoOutput) {
    for (const char* out : {"out.txt", "out.mdb"}) {
        BatchChoices c = Valid(Imported(GetParam().text), File(out));
        GetParam().change(c);
        try {
            batch::RunBatch(c);
            FAIL() << "converted";
        } catch (const batch::BatchFailure& e) {
            EXPECT_EQ(e.record, GetParam().record) << e.what();
            const std::string head =
                "Erreur lors de la conversion. Vérifiez vos données et les paramètres des projections.\r";
            EXPECT_EQ(e.Message().substr(0, head.size()), head);
            if (e.record) {
                EXPECT_NE(e.Message().find("Enregistrement " + std::to_string(e.record) + " : "), std::string::npos);
            }
        }
        EXPECT_FALSE(fs::exists(c.outputPath)) << out;
        for (const auto& entry : fs::directory_iterator(File("")))
            EXPECT_EQ(entry.path().string().find(".part"), std::string::npos) << entry.path();
    }
}

const char* const Three = "x\ty\tz\n148679.447\t171066.810\t31\n148679.447\tabc\t31\n148679.447\t\t31\n";

// One row for each way a field is read; the readings themselves are tested in test_coordinate_text.
INSTANTIATE_TEST_SUITE_P(
    Batch, Failures,
    ::testing::Values(FailureCase{"missing_field", Three, [](BatchChoices& c) { c.xField = "absent"; }, 0},
                      FailureCase{"word", Three, [](BatchChoices&) {}, 2},
                      FailureCase{"dms_without_marks", "x\ty\n4.35\t50.85\n", [](BatchChoices& c) { Wgs84Input(c, 1); },
                                  1},
                      FailureCase{"southern_latitude", "x\ty\n4.35\t-10\n", [](BatchChoices& c) { Wgs84Input(c); }, 1},
                      FailureCase{"zone_out_of_range", "x\ty\tz\n148679.447\t171066.810\t99\n",
                                  [](BatchChoices& c) {
                                      c.inSystem = "BE UTM";
                                      c.zoneField = "z";
                                  },
                                  1},
                      FailureCase{"missing_parameters", Three,
                                  [](BatchChoices& c) {
                                      c.outSystem = "XX LB99";
                                      c.outIndex = 30;
                                  },
                                  1}),
    testsupport::RowName());

TEST_F(BatchRun, RunningOutOfMemoryIsReportedAndLeavesNothing) {
    for (const char* out : {"out.txt", "out.mdb"}) {
        BatchChoices c = Valid(Imported("x\ty\n148679.447\t171066.810\n"), File(out));
        EXPECT_EQ(testsupport::ErrorNumber([&] { batch::RunBatch(c, [](const auto&) { throw std::bad_alloc(); }); }),
                  base::err::OutOfMemory);
        EXPECT_FALSE(fs::exists(c.outputPath)) << out;
    }
    std::ofstream(File("many.txt")) << "x\ty\n1\t2\n1\t2\n1\t2\n1\t2\n1\t2\n1\t2\n1\t2\n1\t2\n1\t2\n1\t2\n";
    const auto import = [&] { batch::ImportText(File("many.txt"), {}, [](long) { throw std::bad_alloc(); }); };
    EXPECT_EQ(testsupport::ErrorNumber(import), base::err::OutOfMemory);
    EXPECT_FALSE(fs::exists(batch::ScratchDatabasePath(File("many.txt"))));
}

// One rule for every output kind: an existing file is refused unless the
// run may replace it, and then a failed run still leaves it as it was.
TEST_F(BatchRun, AnExistingOutputIsReplacedOnlyWhenAskedAndOnlyByACompleteRun) {
    const std::string bad = Imported("x\ty\n148679.447\t171066.810\nabc\t1\n");
    const std::string good = Imported("x\ty\n148679.447\t171066.810\n", "good.txt");
    for (const char* name : {"out.txt", "out.csv", "out.xlsx", "out.gpkg", "out.mdb", "out.sqlite"}) {
        SCOPED_TRACE(name);
        BatchChoices c = Valid(bad, File(name));
        std::ofstream(c.outputPath) << "previous";
        EXPECT_EQ(batch::CheckChoices(c), batch::ExistsRefusal(c.outputPath));
        EXPECT_THROW(batch::RunBatch(c), batch::BatchFailure);
        c.overwrite = true;
        EXPECT_THROW(batch::RunBatch(c), batch::BatchFailure);  // record 2
        EXPECT_EQ(ReadFile(c.outputPath), "previous");
        c.inputPath = good;
        c.table = "good";
        batch::RunBatch(c);
        EXPECT_NE(ReadFile(c.outputPath), "previous");
    }
}

}  // namespace

namespace {

TEST(ReadableValues, DayNumbersAsIsoDates) {
    const std::pair<double, const char*> dates[] = {
        {45366, "2024-03-15"},   {29932, "1981-12-12"},          {45366.354340277778, "2024-03-15 08:30:15"},
        {0, "1899-12-30"},       {-1.25, "1899-12-29 06:00:00"},  // Access: the day, then the time from midnight
        {2958465, "9999-12-31"}, {-657434, "0100-01-01"},        {1e9, ""}};
    for (const auto& [serial, text] : dates) {
        EXPECT_EQ(batch::DateText(serial), text) << serial;
        // And back, to the second: how a workbook's date cell is written.
        if (*text) {
            const auto back = batch::DateSerial(text);
            ASSERT_TRUE(back) << text;
            EXPECT_NEAR(*back, serial, 0.5 / 86400) << text;
        }
    }
    for (const char* text : {"2023-02-29", "2024-04-31", "2024-13-01", "2024-3-15", "2024-03-15T08:30:00",
                             "2024-03-15 24:00:00", "2024-03-15 08:60:00", "0099-12-31", "15/03/2024", ""})
        EXPECT_FALSE(batch::DateSerial(text)) << text;
}

// An Access-like table (a DateTime and a Yes/No column, as their day number
// and -1/0) converted into each output kind and read back.
TEST_F(BatchRun, DatesAndBooleansReachEveryOutputReadable) {
    const std::string input = File("dates.mdb");
    {
        store::Database db = store::CreateDatabase(input, store::dbLangGeneral);
        db.Execute("CREATE TABLE pts (jour DATETIME, ok BIT, x DOUBLE, y DOUBLE)");
        db.Execute("INSERT INTO pts VALUES (45366.354340277778, -1, 150000, 170000)");
        db.Execute("INSERT INTO pts VALUES (29932, 0, 150000, 170000)");
    }
    for (const auto& [name, connect, table] : {std::tuple{"out.txt", "", ""},
                                               {"out.sqlite", "", "Conversions"},
                                               {"out.gpkg", "GeoPackage;", "Conversions"},
                                               {"out.xlsx", "Excel 12.0 Xml;", "Conversions$"}}) {
        SCOPED_TRACE(name);
        BatchChoices c = Valid(input, File(name));
        c.table = "pts";
        batch::RunBatch(c);
        std::vector<std::string> got;
        if (!*connect && !*table) {
            const auto lines = Split(ReadFile(c.outputPath), '\n');
            got = {lines.at(1).substr(0, lines[1].find("\t\"150000")),
                   lines.at(2).substr(0, lines[2].find("\t\"150000"))};
        } else {
            store::Database db = store::OpenDatabase(c.outputPath, connect);
            store::Recordset rs = db.OpenRecordset(table);
            // The workbook holds date cells, which read back as dates.
            if (std::string(name) == "out.xlsx") {
                EXPECT_EQ(rs.Field("jour").Type(), store::dbDate);
            }
            for (; !rs.Eof(); rs.MoveNext())
                got.push_back(rs.Field("jour").Value().Text() + " " + rs.Field("ok").Value().Text());
        }
        if (got.size() == 2 && got[0].front() == '"')
            EXPECT_EQ(got, (std::vector<std::string>{"\"2024-03-15 08:30:15\"\t\"1\"", "\"1981-12-12\"\t\"0\""}));
        else if (std::string(name) == "out.xlsx")  // one column of dates and times: midnight shows
            EXPECT_EQ(got, (std::vector<std::string>{"2024-03-15 08:30:15 1", "1981-12-12 00:00:00 0"}));
        else EXPECT_EQ(got, (std::vector<std::string>{"2024-03-15 08:30:15 1", "1981-12-12 0"}));
    }
}

}  // namespace

namespace {

TEST_F(BatchRun, ACancelledRunLeavesNothingAndKeepsTheOldFile) {
    const std::string input = Imported("x\ty\n148679.447\t171066.810\n");
    const auto cancel = [](const batch::BatchProgress&) { throw batch::BatchCancelled{}; };
    for (const char* name : {"out.txt", "out.xlsx", "out.gpkg", "out.sqlite"}) {
        SCOPED_TRACE(name);
        BatchChoices c = Valid(input, File(name));
        EXPECT_THROW(batch::RunBatch(c, cancel), batch::BatchCancelled);
        EXPECT_FALSE(std::filesystem::exists(c.outputPath));
        std::ofstream(c.outputPath) << "previous";
        c.overwrite = true;
        EXPECT_THROW(batch::RunBatch(c, cancel), batch::BatchCancelled);
        EXPECT_EQ(ReadFile(c.outputPath), "previous");
    }
    for (const auto& entry : std::filesystem::directory_iterator(File("")))
        EXPECT_EQ(entry.path().string().find(".part"), std::string::npos) << entry.path();
}

}  // namespace

namespace {

// Records enough for several blocks of the run, with unreadable ones on
// either side of a block's edge and far into the last block.
std::string ManyRecords(const std::vector<int>& bad) {
    std::string text = "x\ty\n";
    for (int i = 1; i <= 10000; ++i) {
        const bool broken = std::find(bad.begin(), bad.end(), i) != bad.end();
        text += (broken ? std::string("abc") : std::to_string(20000 + (i * 37) % 250000)) + "\t" +
                std::to_string(20000 + (i * 91) % 220000) + ".5\n";
    }
    return text;
}

}  // namespace

TEST_F(BatchRun, ThreadsReadingAheadGiveTheSameOutputReportAndStop) {
    const std::vector<int> bad{4096, 4097, 9999};
    const std::string input = Imported(ManyRecords(bad));
    std::string first;
    for (int threads : {1, 2, 3}) {
        SCOPED_TRACE(threads);
        for (const char* name : {"out.txt", "out.mdb"}) {
            BatchChoices c = Valid(input, File(name));
            c.threads = threads;
            c.keepGoing = true;
            c.overwrite = true;
            const batch::BatchReport report = batch::RunBatch(c);
            EXPECT_EQ(report.converted, 10000 - long(bad.size()));
            ASSERT_EQ(report.firstFailures.size(), bad.size());
            for (std::size_t k = 0; k < bad.size(); ++k) EXPECT_EQ(report.firstFailures[k].record, bad[k]);
            if (std::string(name) == "out.mdb") {
                EXPECT_EQ(Rows(c.outputPath).size(), 10001u);
                continue;
            }
            const std::string text = ReadFile(c.outputPath);
            if (first.empty()) first = text;
            EXPECT_TRUE(text == first);
        }
        // Without going on, the first bad record stops the run, whichever
        // thread met it, and nothing is written.
        BatchChoices c = Valid(input, File("stop.txt"));
        c.threads = threads;
        try {
            batch::RunBatch(c);
            ADD_FAILURE() << "no failure";
        } catch (const batch::BatchFailure& e) {
            EXPECT_EQ(e.record, 4096);
        }
        EXPECT_FALSE(fs::exists(c.outputPath));
    }
}
