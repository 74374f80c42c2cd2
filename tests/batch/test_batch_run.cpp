#include <gtest/gtest.h>
#include <shapefil.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "core/NumberText.h"
#include "core/Pipeline.h"
#include "store/Engine.h"
#include "tests/Support.h"
#include "app/batch/BatchRun.h"
#include "app/batch/CoordinateText.h"
#include "app/batch/TextImport.h"

namespace {

namespace fs = std::filesystem;
using batch::BatchChoices;
using batch::MakeSystemChoice;
using testsupport::ParamDbCopy;
using testsupport::ReadFile;

const std::string Data = TRAVENA_TEST_DATA;

std::vector<std::string> Split(const std::string& line, char d) {
    std::vector<std::string> fields(1);
    for (char c : line) {
        if (c == d) fields.emplace_back();
        else fields.back().push_back(c);
    }
    return fields;
}

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

    // What ConvertRecord gives for one point, as the text run writes it.
    static std::pair<std::string, std::string> Expected(const std::string& from, const std::string& to, std::string x,
                                                        std::string y) {
        const auto in = MakeSystemChoice(from), out = MakeSystemChoice(to);
        std::string inDatum = in.datum, outDatum = out.datum, ox, oy;
        std::int16_t zone = 0, outZone = 0;
        core::ConvertRecord(inDatum, in.projection, x, y, zone, outDatum, out.projection, ox, oy, outZone, 1);
        return {ox, oy};
    }

    ParamDbCopy params_;
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

INSTANTIATE_TEST_SUITE_P(
    Batch, Checks,
    ::testing::Values(
        CheckCase{"no_input", [](BatchChoices& c) { c.inIndex = 0; }, "Choisissez une projection d'entrée et/ou de sortie."},
        CheckCase{"no_output", [](BatchChoices& c) { c.outIndex = 0; }, "Choisissez une projection d'entrée et/ou de sortie."},
        CheckCase{"same", [](BatchChoices& c) { c.outIndex = 3; },
                  "Choisissez des projections différentes d'entrée et de sortie(s)."},
        CheckCase{"same_as_second", [](BatchChoices& c) { c.out2Index = 3; },
                  "Choisissez des projections différentes d'entrée et de sortie(s)."},
        CheckCase{"no_x", [](BatchChoices& c) { c.xField.clear(); }, "Indiquez la correspondance X."},
        CheckCase{"no_y", [](BatchChoices& c) { c.yField.clear(); }, "Indiquez la correspondance Y."},
        CheckCase{"no_zone",
                  [](BatchChoices& c) {
                      c.inSystem = "BE UTM";
                      c.zoneField.clear();
                  },
                  "Indiquez la correspondance Fuseau."},
        CheckCase{"no_output_path", [](BatchChoices& c) { c.outputPath.clear(); },
                  "Choisissez un fichier de sortie (enregistrer)."},
        CheckCase{"other_ending", [](BatchChoices& c) { c.outputPath = "/tmp/out.xls"; },
                  "Le fichier de sortie doit se terminer par .mdb ou .sqlite (base SQLite), .gpkg (GeoPackage), "
                  ".xlsx (classeur Excel), .txt ou .csv (texte)."},
        CheckCase{"output_is_input", [](BatchChoices& c) { c.outputPath = c.inputPath; },
                  "Le fichier de sortie ne peut pas être la source des données."},
        CheckCase{"output_is_scratch", [](BatchChoices& c) { c.outputPath = "/tmp/in._travena.mdb"; },
                  "Le fichier de sortie ne peut pas être la source des données."},
        CheckCase{"scale_word", [](BatchChoices& c) { c.scale = "abc"; },
                  "Indiquez une échelle numérique différente de zéro."},
        CheckCase{"scale_partly_a_number", [](BatchChoices& c) { c.scale = "1.5.3"; },
                  "Indiquez une échelle numérique différente de zéro."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BatchChecks, GridInputsNeedNoYAndUpperCaseEndingsAreKnown) {
    BatchChoices c = Valid("/tmp/in.txt", "/tmp/OUT.TXT");
    c.inSystem = "BE IFBL";
    c.yField.clear();
    EXPECT_FALSE(batch::CheckChoices(c).has_value());
    c.outputPath = "/tmp/out.Mdb";
    EXPECT_FALSE(batch::CheckChoices(c).has_value());
    c.outputPath = "/tmp/out.csv";
    EXPECT_FALSE(batch::CheckChoices(c).has_value());
}

// --- Text run

TEST_F(BatchRun, QuotedTabHeaderAsTheExample) {
    BatchChoices c = Valid(Imported("id\tx\ty\n1\t4.35\t50.85\n"), File("out.txt"));
    Wgs84Input(c);
    c.outSystem = "BE LB72";
    c.outIndex = 3;
    EXPECT_EQ(batch::RunBatch(c).converted, 1);
    const std::string text = ReadFile(c.outputPath);
    EXPECT_EQ(text.substr(0, text.find('\n') + 1), "\"id\"\t\"x\"\t\"y\"\t\"X_BE_LB72\"\t\"Y_BE_LB72\"\n");
    const auto [x, y] = Expected("W Geographic WGS84", "BE LB72", core::FormatGeneral(batch::GeographicValue("4.35", 2)),
                                 core::FormatGeneral(batch::GeographicValue("50.85", 2)));
    const auto fields = Split(text.substr(text.find('\n') + 1), '\t');
    ASSERT_EQ(fields.size(), 5u);
    EXPECT_NEAR(core::ValNumber(fields[3].substr(1)), core::ValNumber(x), 1e-6);
    EXPECT_NEAR(core::ValNumber(fields[4].substr(1)), core::ValNumber(y), 1e-6);
}

TEST_F(BatchRun, UnquotedSemicolonLineHasTheExactBytes) {
    BatchChoices c = Valid(Imported("x\ty\n1\t2\n"), File("out.txt"));
    c.outSystem = "LU TM";
    c.outIndex = 4;
    c.quote = false;
    c.delimiter = batch::OutputDelimiter::Semicolon;
    batch::RunBatch(c);
    const auto [x, y] = Expected("BE LB72", "LU TM", "1", "2");
    EXPECT_EQ(ReadFile(c.outputPath), "x;y;X_LU_TM;Y_LU_TM\n1;2;" + x + ";" + y + "\n");
}

TEST_F(BatchRun, SecondOutputJoinsWithTheSameDelimiterAndScaleApplies) {
    BatchChoices c = Valid(Imported("x\ty\n74339.7235\t85533.405\n"), File("out.csv"));
    c.scale = "2,0";  // a decimal comma, as typed in a French locale
    c.quote = false;
    c.out2Index = 9;
    c.out2System = "W Geographic WGS84";
    batch::RunBatch(c);
    const std::string text = ReadFile(c.outputPath);
    const auto lines = Split(text, '\n');
    EXPECT_EQ(lines[0], "x\ty\tE_WGS84_UTM\tN_WGS84_UTM\tFuseau\tW__Long\tW__Lat");
    const auto f = Split(lines[1], '\t');
    ASSERT_EQ(f.size(), 7u);
    EXPECT_EQ(f[4], "31");
    EXPECT_NEAR(core::ValNumber(f[2]), 595032.39, 0.01);
    EXPECT_NEAR(core::ValNumber(f[5]), 4.35, 1e-5);  // decimal degrees
    EXPECT_NEAR(core::ValNumber(f[6]), 50.85, 1e-5);
}

TEST_F(BatchRun, NamesAlreadyTakenGetASuffixInBothOutputs) {
    BatchChoices c = Valid(Imported("x\ty\tFuseau\n148679.447\t171066.810\t0\n"), File("out.txt"));
    c.outSystem = "BE Geographic ED50";
    c.out2Index = 11;
    c.out2System = "BE Geographic BD72";
    c.quote = false;
    batch::RunBatch(c);
    EXPECT_EQ(Split(ReadFile(c.outputPath), '\n')[0], "x\ty\tFuseau\tBE_Long\tBE_Lat\tBE_Long_2\tBE_Lat_2");

    c.outSystem = "BE UTM";
    c.outputPath = File("out.mdb");
    batch::RunBatch(c);
    store::Recordset rs = store::OpenDatabase(c.outputPath).OpenRecordset("Conversions");
    std::vector<std::string> names;
    for (int f = 0; f < rs.FieldCount(); ++f) names.push_back(rs.Field(f).Name());
    EXPECT_EQ(names, (std::vector<std::string>{"x", "y", "Fuseau", "E_BE_UTM", "N_BE_UTM", "Fuseau_2", "BE_Long",
                                                "BE_Lat"}));
}

TEST_F(BatchRun, LongitudesWestOfGreenwichAreNegativeInEveryColumn) {
    BatchChoices c = Valid(Imported("x\ty\tz\n500000\t5600000\t30\n"), File("out.txt"));
    c.inSystem = "WGS84 UTM";
    c.inIndex = 1;
    c.zoneField = "z";
    c.outSystem = "W Geographic WGS84";
    c.outIndex = 9;
    c.out2Index = 10;
    c.out2System = "BE Geographic ED50";
    c.quote = false;
    batch::RunBatch(c);
    const auto f = Split(Split(ReadFile(c.outputPath), '\n')[1], '\t');
    ASSERT_EQ(f.size(), 7u);
    EXPECT_NEAR(core::ValNumber(f[3]), -3.0, 1e-9);
    EXPECT_NEAR(core::ValNumber(f[5]), -3.0, 0.01);
}

TEST_F(BatchRun, KeepGoingWritesEveryRecordAndMarksTheBadOnes) {
    BatchChoices c = Valid(Imported("x\ty\n148679.447\t171066.810\nabc\t1\n148679.447\t171066.810\n"), File("out.mdb"));
    c.keepGoing = true;
    const batch::BatchReport report = batch::RunBatch(c);
    EXPECT_EQ(report.converted, 2);
    EXPECT_EQ(report.failed, 1);
    ASSERT_EQ(report.firstFailures.size(), 1u);
    EXPECT_EQ(report.firstFailures[0].record, 2);
    store::Recordset rs = store::OpenDatabase(c.outputPath).OpenRecordset("Conversions");
    std::vector<std::string> errors;
    std::vector<bool> empty;
    for (; !rs.Eof(); rs.MoveNext()) {
        errors.push_back(rs.Field("Erreur").Value().Text());
        empty.push_back(rs.Field("E_WGS84_UTM").Value().IsNull());
    }
    EXPECT_EQ(errors, (std::vector<std::string>{"", "13 champ « x » : « abc » n'est pas un nombre.", ""}));
    EXPECT_EQ(empty, (std::vector<bool>{false, true, false}));
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
    batch::RunBatch(c);
    const std::string text = ReadFile(c.outputPath);
    EXPECT_EQ(text.substr(0, text.find('\n')), "\"a;b\";x;y;E_WGS84_UTM;N_WGS84_UTM;Fuseau");
    EXPECT_EQ(text.substr(text.find('\n') + 1, 13), "\"say \"\"hi\"\"\";");
}

TEST_F(BatchRun, NullFieldGivesAnEmptyFieldAndDatabaseRunStoresDegrees) {
    const std::string input = File("in.mdb");
    {
        store::Database db = store::CreateDatabase(input, store::dbLangGeneral);
        store::TableDef t = db.CreateTableDef("pts");
        t.Append({"name", store::dbText, 20});
        t.Append({"lon", store::dbDouble, 0});
        t.Append({"lat", store::dbDouble, 0});
        db.TableDefs().Append(t);
        db.Execute("INSERT INTO pts VALUES (NULL, 4.35, 50.85)");
    }
    BatchChoices c = Valid(input, File("out.txt"));
    c.table = "pts";
    Wgs84Input(c);
    c.outSystem = "BE Geographic BD72";
    c.outIndex = 11;
    c.xField = "LON";  // names match without regard to case
    c.yField = "lat";
    c.quote = false;
    batch::RunBatch(c);
    const auto lines = Split(ReadFile(c.outputPath), '\n');
    const auto f = Split(lines[1], '\t');
    ASSERT_EQ(f.size(), 5u);
    EXPECT_EQ(f[0], "");
    EXPECT_EQ(lines[0], "name\tlon\tlat\tBE_Long\tBE_Lat");

    c.outputPath = File("out.mdb");
    c.out2Index = 1;
    c.out2System = "WGS84 UTM";
    EXPECT_EQ(batch::RunBatch(c).converted, 1);
    store::Database out = store::OpenDatabase(c.outputPath);
    ASSERT_EQ(out.TableDefs().Count(), 1);
    EXPECT_EQ(out.TableDefs().Item(0).Name, "Conversions");
    store::Recordset rs = out.OpenRecordset("Conversions");
    std::vector<std::string> names;
    for (int i = 0; i < rs.FieldCount(); ++i) names.push_back(rs.Field(i).Name());
    EXPECT_EQ(names, (std::vector<std::string>{"name", "lon", "lat", "BE_Long", "BE_Lat", "E_WGS84_UTM",
                                               "N_WGS84_UTM", "Fuseau_2"}));
    EXPECT_EQ(rs.Field("BE_Long").Type(), store::dbDouble);
    EXPECT_EQ(rs.Field("Fuseau_2").Type(), store::dbInteger);
    EXPECT_TRUE(rs.Field("name").Value().IsNull());
    EXPECT_NEAR(rs.Field("BE_Long").Value().Double(), core::ValNumber(f[3]), 1e-12);
    EXPECT_NEAR(rs.Field("BE_Lat").Value().Double(), 50.85, 0.01);
    EXPECT_EQ(rs.Field("Fuseau_2").Value(), store::Value(31));
}

TEST_F(BatchRun, GridOutputsAreTextOfSize25) {
    BatchChoices c = Valid(Imported("x\ty\n148679.447\t171066.810\n"), File("out.mdb"));
    c.outSystem = "BE IFBL";
    c.outIndex = 20;
    c.out2System = "W MGRS";
    c.out2Index = 21;
    batch::RunBatch(c);
    store::Recordset rs = store::OpenDatabase(c.outputPath).OpenRecordset("Conversions");
    EXPECT_EQ(rs.Field("BE_IFBL").Type(), store::dbText);
    EXPECT_EQ(rs.Field("BE_IFBL").Size(), 25);
    EXPECT_EQ(rs.Field("W_MGRS").Value().Text().substr(0, 5), "31UES");
    EXPECT_FALSE(rs.Field("BE_IFBL").Value().Text().empty());
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

INSTANTIATE_TEST_SUITE_P(
    Batch, Failures,
    ::testing::Values(
        FailureCase{"missing_field", Three, [](BatchChoices& c) { c.xField = "absent"; }, 0},
        FailureCase{"word", Three, [](BatchChoices&) {}, 2},
        FailureCase{"empty", "x\ty\n148679.447\t\n", [](BatchChoices&) {}, 1},
        // Thousands separators make a field only begin with a number.
        FailureCase{"no_break_space_thousands", "x\ty\n1\t2\n148\u00A0679,447\t171066,810\n", [](BatchChoices&) {}, 2},
        FailureCase{"point_thousands", "x\ty\n148.679,447\t171066,810\n", [](BatchChoices&) {}, 1},
        FailureCase{"scaled_beyond_doubles", "x\ty\n1E300\t1\n", [](BatchChoices& c) { c.scale = "1E10"; }, 1},
        FailureCase{"dms_without_marks", "x\ty\n4.35\t50.85\n", [](BatchChoices& c) { Wgs84Input(c, 1); }, 1},
        FailureCase{"dms_with_a_hemisphere_letter", "x\ty\nE4°21'0''\t50°51'0''\n",
                    [](BatchChoices& c) { Wgs84Input(c, 1); }, 1},
        FailureCase{"angle_out_of_range", "x\ty\n4.35\t750\n", [](BatchChoices& c) { Wgs84Input(c); }, 1},
        FailureCase{"southern_latitude", "x\ty\n4.35\t-10\n", [](BatchChoices& c) { Wgs84Input(c); }, 1},
        FailureCase{"latitude_beyond_the_pole", "x\ty\n4.35\t95\n", [](BatchChoices& c) { Wgs84Input(c); }, 1},
        FailureCase{"zone_out_of_range", Three,
                    [](BatchChoices& c) {
                        c.inSystem = "BE UTM";
                        c.zoneField = "x";
                    },
                    1},
        FailureCase{"missing_parameters", Three,
                    [](BatchChoices& c) {
                        c.outSystem = "XX LB99";
                        c.outIndex = 30;
                    },
                    1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(BatchRun, RunningOutOfMemoryIsReportedAndLeavesNothing) {
    for (const char* out : {"out.txt", "out.mdb"}) {
        BatchChoices c = Valid(Imported("x\ty\n148679.447\t171066.810\n"), File(out));
        try {
            batch::RunBatch(c, [](const batch::BatchProgress&) { throw std::bad_alloc(); });
            FAIL() << "converted";
        } catch (const batch::BatchFailure& e) {
            EXPECT_EQ(e.number, base::err::OutOfMemory);
        }
        EXPECT_FALSE(fs::exists(c.outputPath)) << out;
    }
    std::string lines = "x\ty\n";
    for (int i = 0; i < 10; ++i) lines += "1\t2\n";
    std::ofstream(File("many.txt")) << lines;
    try {
        batch::ImportText(File("many.txt"), {}, [](long) { throw std::bad_alloc(); });
        FAIL() << "imported";
    } catch (const batch::TextImportError& e) {
        EXPECT_EQ(e.number, base::err::OutOfMemory);
    }
    EXPECT_FALSE(fs::exists(batch::ScratchDatabasePath(File("many.txt"))));
}

TEST_F(BatchRun, ExistingOutputsAreKeptUntilARunCompletes) {
    const std::string input = Imported("x\ty\n148679.447\t171066.810\nabc\t1\n");
    BatchChoices c = Valid(input, File("out.txt"));
    std::ofstream(c.outputPath) << "previous";
    EXPECT_THROW(batch::RunBatch(c), batch::BatchFailure);
    EXPECT_EQ(ReadFile(c.outputPath), "previous");

    c.inputPath = Imported("x\ty\n148679.447\t171066.810\n", "good.txt");
    c.table = "good";
    batch::RunBatch(c);
    EXPECT_NE(ReadFile(c.outputPath), "previous");

    c.outputPath = File("out.mdb");
    std::ofstream(c.outputPath) << "previous";
    try {
        batch::RunBatch(c);
        FAIL();
    } catch (const batch::BatchFailure& e) {
        EXPECT_EQ(e.number, base::err::DatabaseExists);
    }
    EXPECT_EQ(ReadFile(c.outputPath), "previous");
}

TEST_F(BatchRun, NullCoordinateOfTheDbaseFixtureNamesRecordSeven) {
    BatchChoices c = Valid(Data + "/dbase", File("out.txt"));
    c.table = "points";
    c.inSystem = "WGS84 UTM";
    c.inIndex = 1;
    c.outSystem = "BE LB72";
    c.outIndex = 3;
    c.xField = "X";
    c.yField = "Y";
    c.zoneField = "ZONE";
    try {
        batch::RunBatch(c);
        FAIL();
    } catch (const batch::BatchFailure& e) {
        EXPECT_EQ(e.record, 7);
        EXPECT_NE(std::string(e.what()).find("« X »"), std::string::npos) << e.what();
    }
}

// --- The same table from every source format

TEST_F(BatchRun, EverySourceFormatGivesTheSameValues) {
    // The Excel fixture's Lambert 72 columns, copied to a text file, an
    // engine database and a dBase table; its .xlsx, .ods and GeoPackage copies.
    std::vector<std::pair<std::string, std::string>> points;
    {
        store::Recordset rs = store::OpenDatabase(Data + "/coords.xls", "Excel 8.0;").OpenRecordset("Points$");
        for (; !rs.Eof(); rs.MoveNext()) points.emplace_back(rs.Field("x_lb72").Value().Text(), rs.Field("y_lb72").Value().Text());
    }
    ASSERT_EQ(points.size(), 20u);
    std::string text = "x_lb72\ty_lb72\n";
    for (const auto& [x, y] : points) text += x + "\t" + y + "\n";
    const std::string textPath = Imported(text, "Points.txt");

    const std::string mdb = File("points.mdb");
    {
        store::Database db = store::CreateDatabase(mdb, store::dbLangGeneral);
        store::TableDef t = db.CreateTableDef("Points");
        t.Append({"x_lb72", store::dbDouble, 0});
        t.Append({"y_lb72", store::dbDouble, 0});
        db.TableDefs().Append(t);
        for (const auto& [x, y] : points) db.Execute("INSERT INTO Points VALUES (?, ?)", {std::stod(x), std::stod(y)});
    }
    fs::create_directory(File("dbf"));
    {
        DBFHandle h = DBFCreate(File("dbf/Points.dbf").c_str());
        ASSERT_NE(h, nullptr);
        DBFAddField(h, "X_LB72", FTDouble, 19, 6);
        DBFAddField(h, "Y_LB72", FTDouble, 19, 6);
        for (int i = 0; i < int(points.size()); ++i) {
            DBFWriteDoubleAttribute(h, i, 0, std::stod(points[std::size_t(i)].first));
            DBFWriteDoubleAttribute(h, i, 1, std::stod(points[std::size_t(i)].second));
        }
        DBFClose(h);
    }

    const auto run = [&](const std::string& input, const std::string& table) {
        BatchChoices c = Valid(input, File(table + "_out.txt"));
        c.table = table;
        c.xField = "x_lb72";
        c.yField = "y_lb72";
        c.out2Index = 9;
        c.out2System = "W Geographic WGS84";
        c.outputPath = File(fs::path(input).filename().string() + ".out.txt");
        batch::RunBatch(c);
        std::vector<std::vector<double>> values;
        const auto lines = Split(ReadFile(c.outputPath), '\n');
        for (std::size_t i = 1; i + 1 < lines.size(); ++i) {
            values.emplace_back();
            for (const auto& f : Split(lines[i], '\t')) values.back().push_back(core::ValNumber(f.substr(1)));
        }
        return values;
    };
    const auto fromXls = run(Data + "/coords.xls", "Points$");
    ASSERT_EQ(fromXls.size(), 20u);
    for (const auto& other : {run(textPath, "Points"), run(mdb, "Points"), run(File("dbf"), "Points"),
                              run(Data + "/coords.xlsx", "Points$"), run(Data + "/coords.ods", "Points$"),
                              run(Data + "/coords.gpkg", "Points")}) {
        ASSERT_EQ(other.size(), fromXls.size());
        for (std::size_t i = 0; i < other.size(); ++i) {
            // The xls row has the other columns first: compare the converted ones, at the end.
            const std::size_t n = other[i].size();
            for (std::size_t k = 1; k <= 5; ++k) EXPECT_DOUBLE_EQ(other[i][n - k], fromXls[i][fromXls[i].size() - k]);
        }
    }
}

}  // namespace
