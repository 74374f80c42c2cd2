#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "store/Engine.h"
#include "tests/Support.h"
#include "app/batch/TextImport.h"

namespace {

using testsupport::TempDir;

const std::string TextData = std::string(TRAVENA_TEST_DATA) + "/text";

// The imported table as text: the field names, then one line a record, fields split by "|".
std::string ReadBack(const batch::ImportedTable& imported) {
    store::Database db = store::OpenDatabase(imported.databasePath);
    store::Recordset rs = db.OpenRecordset(imported.tableName);
    std::string text;
    for (int f = 0; f < rs.FieldCount(); ++f) {
        text += (f ? "|" : "") + rs.Field(f).Name();
        EXPECT_EQ(rs.Field(f).Type(), store::dbText);
        EXPECT_EQ(rs.Field(f).Size(), 50);
    }
    for (; !rs.Eof(); rs.MoveNext())
        for (int f = 0; f < rs.FieldCount(); ++f) text += (f ? "|" : "\n") + rs.Field(f).Value().Text();
    return text;
}

class TextImport : public ::testing::Test {
protected:
    std::string Write(const std::string& bytes, const std::string& name = "pts.txt") {
        const std::string path = dir_.File(name);
        std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
        return path;
    }
    std::string Copy(const std::string& fixture) {
        const std::string path = dir_.File(fixture);
        std::filesystem::copy_file(TextData + "/" + fixture, path);
        return path;
    }
    TempDir dir_;
};

TEST(TextImportNames, ScratchDatabaseAndTableFollowTheFileName) {
    EXPECT_EQ(batch::ScratchDatabasePath("/data/pts.txt"), "/data/pts._travena.mdb");
    EXPECT_FALSE(batch::ScratchIsTemporary("/data/pts.txt"));  // no such folder: nothing to tell
    EXPECT_EQ(batch::ImportedTableName("/data/relevés.csv"), "relevés");
    EXPECT_EQ(batch::ImportedTableName("/data/pts.2024.v2.txt"), "pts_2024_v2");  // dots cannot be in a table name
}

struct ReadCase {
    const char* name;
    std::string bytes;
    const char* delimiter;
    bool header;
    const char* table;  // as ReadBack gives it
};

class Reads : public TextImport, public ::testing::WithParamInterface<ReadCase> {};

TEST_P(Reads, GiveTheTable) {
    batch::TextImportOptions options;
    options.delimiter = GetParam().delimiter;
    options.header = GetParam().header;
    EXPECT_EQ(ReadBack(batch::ImportText(Write(GetParam().bytes), options)), GetParam().table);
}

const char* const Two = "id|x\n1|10\n2|20";

INSTANTIATE_TEST_SUITE_P(
    Text, Reads,
    ::testing::Values(
        // Every line-end convention, a last line with or without its line end.
        ReadCase{"crlf", "id\tx\r\n1\t10\r\n2\t20\r\n", "\t", true, Two},
        ReadCase{"crlf_no_end", "id\tx\r\n1\t10\r\n2\t20", "\t", true, Two},
        ReadCase{"lf", "id\tx\n1\t10\n2\t20\n", "\t", true, Two},
        ReadCase{"cr", "id\tx\r1\t10\r2\t20", "\t", true, Two},
        ReadCase{"empty_lines", "\r\nid\tx\r\n\r\n1\t10\n\n2\t20\r\n\r\n", "\t", true, Two},
        ReadCase{"bom", "\xEF\xBB\xBFid\tx\n1\t10\n2\t20", "\t", true, Two},
        // Quoted delimiter kept, empty field a blank, blanks trimmed, doubled quotes, quotes inside an
        // unquoted field left alone.
        ReadCase{"field_rules", " \"X coord\" ;b;c;d;e\n\"a;b\";;  pad  ;\"say \"\"hi\"\"\";x\"y\"\n", ";", true,
                 "X coord|b|c|d|e\na;b| |pad|say \"hi\"|x\"y\""},
        ReadCase{"short_long_and_quoted_line_breaks", "a\tb\tc\n1\n1\t2\t3\t \t\n\"two\nlines\"\t5\n", "\t", true,
                 "a|b|c\n1| | \n1|2|3\ntwo\nlines|5| "},
        // Names cut to 25 characters, not bytes.
        ReadCase{"long_names", "abcdefghijklmnopqrstuvwxyz0123\tÉléments ŒÉÈÀÂÙÛÎÏÔ éèàâùûîïô\n1\t2\n", "\t", true,
                 "abcdefghijklmnopqrstuvwxy|Éléments ŒÉÈÀÂÙÛÎÏÔ éèàâù\n1|2"},
        ReadCase{"no_header", "1\t2\t3\n4\t5\t6", "\t", false, "Champ1|Champ2|Champ3\n1|2|3\n4|5|6"},
        ReadCase{"no_header_empty_file", "", "\t", false, "Champ1"},
        ReadCase{"no_record", "id\tx\r\n", "\t", true, "id|x"},
        // Empty and repeated names take their position's, as in workbooks (Excel writes "Nom;X;Y;;").
        ReadCase{"empty_names", "Nom;X;Y;;\r\nA;1;2;;\r\n", ";", true, "Nom|X|Y|F4|F5\nA|1|2| | "},
        ReadCase{"repeated_names", "x\tX\tF2\n1\t2\t3\n", "\t", true, "x|F2|F3\n1|2|3"}),
    testsupport::RowName());

TEST_F(TextImport, WindowsAndUtf8FixturesReadTheSame) {
    const std::string ansi = ReadBack(batch::ImportText(Copy("pts_cp1252.txt"), {}));
    EXPECT_EQ(ansi.substr(0, ansi.find('\n')), "id|NAME|x|y");
    EXPECT_NE(ansi.find("Œ"), std::string::npos);
    EXPECT_EQ(ansi, ReadBack(batch::ImportText(Copy("pts_utf8_bom.txt"), {})));
}

TEST_F(TextImport, ReimportReplacesTheScratchDatabase) {
    const std::string path = Write("a\n1\n2\n");
    batch::ImportText(path, {});
    std::ofstream(path, std::ios::binary | std::ios::trunc) << "b\tc\n3\t4\n";
    long calls = 0;
    const batch::ImportedTable again = batch::ImportText(path, {}, [&](long) { ++calls; });
    EXPECT_EQ(ReadBack(again), "b|c\n3|4");
    EXPECT_EQ(again.records, 1);
    EXPECT_EQ(calls, 0);
}

TEST_F(TextImport, ProgressEveryTenRecords) {
    std::string text = "a\n";
    for (int i = 0; i < 35; ++i) text += std::to_string(i) + "\n";
    std::vector<long> seen;
    batch::ImportText(Write(text), {}, [&](long n) { seen.push_back(n); });
    EXPECT_EQ(seen, (std::vector<long>{10, 20, 30}));
}

// Each refusal shows its number and cause, and leaves the previous scratch database as it was.
struct RefusalCase {
    const char* name;
    std::string bytes;
    const char* delimiter;
    const char* message;  // after the common first line
};

class Refusals : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(Refusals, StopWithTheMessageAndLeaveNothingHalfMade) {
    TempDir dir;
    const std::string path = dir.File("r.txt");
    std::ofstream(path, std::ios::binary) << "ok\n1\n";
    const batch::ImportedTable before = batch::ImportText(path, {});
    std::ofstream(path, std::ios::binary | std::ios::trunc) << GetParam().bytes;
    batch::TextImportOptions options;
    options.delimiter = GetParam().delimiter;
    std::string message = "imported";
    try {
        batch::ImportText(path, options);
    } catch (const batch::TextImportError& e) {
        message = e.Message();
    }
    EXPECT_EQ(message,
              std::string("Erreur dans la lecture du fichier texte. Vérifiez ce fichier\r") + GetParam().message);
    EXPECT_EQ(ReadBack(before), "ok\n1");
    int files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.File(""))) ++files;
    EXPECT_EQ(files, 2);  // the text file and the untouched scratch database
}

const char* const LongField = "3163 Un champ de la ligne 2 dépasse 50 caractères.";
const char* const Delimiter = "5 Le délimiteur doit être un seul caractère, autre qu'un guillemet.";

INSTANTIATE_TEST_SUITE_P(
    Text, Refusals,
    ::testing::Values(RefusalCase{"long_field", "a\n" + std::string(51, 'x') + "\n", "\t", LongField},
                      RefusalCase{"long_line", "a\n" + std::string(10 << 20, 'x'), "\t", LongField},
                      RefusalCase{"two_char_delimiter", "a\n1\n", ";;", Delimiter},
                      RefusalCase{"no_delimiter", "a\n1\n", "", Delimiter},
                      RefusalCase{"quote_delimiter", "a\n1\n", "\"", Delimiter},
                      RefusalCase{"fields_beyond_the_first", "a\tb\n1\t2\n1\t2\t3\n", "\t",
                                  "3163 La ligne 3 compte 3 champs, la première 2."},
                      // Refused at once, before any column is made.
                      RefusalCase{"too_many_fields", std::string(200000, '\t') + "\n1\n", "\t",
                                  "3163 La ligne 1 compte 200001 champs ; une table en accepte 255 au plus."}),
    testsupport::RowName());

// --- What the import window proposes and shows

struct LayoutCase {
    const char* name;
    const char* bytes;
    const char* delimiter;
    bool header;
};

class Layouts : public TextImport, public ::testing::WithParamInterface<LayoutCase> {};

TEST_P(Layouts, DelimiterAndHeaderAreGuessedFromTheFirstLines) {
    const batch::TextLayout layout = batch::GuessTextLayout(Write(GetParam().bytes));
    EXPECT_EQ(layout.delimiter, GetParam().delimiter);
    EXPECT_EQ(layout.header, GetParam().header);
}

INSTANTIATE_TEST_SUITE_P(
    Text, Layouts,
    ::testing::Values(
        // A Belgian export: semicolons, decimal commas that split no line alike.
        LayoutCase{"belgian", "Nom;X;Y\r\nA;150000,5;170000,25\r\nB;150001,5;170001\r\n", ";", true},
        LayoutCase{"commas", "id,x,y\n1,150000.5,170000\n", ",", true},
        LayoutCase{"tabs_without_header", "1\t150000,5\t170000\n2\t150001\t170001\n", "\t", false},
        LayoutCase{"pipes", "a|b\n1|2\n", "|", true},
        LayoutCase{"quoted_semicolons", "\"a;b\",c\n\"1;2\",3\n", ",", true},
        LayoutCase{"one_column", "ref\nFS1234\n", "\t", true}, LayoutCase{"empty", "", "\t", true}),
    testsupport::RowName());

TEST_F(TextImport, PreviewShowsTheRecordsAsTheImportMakesThem) {
    const std::string path = Write("Nom;X;Y;;\r\n\r\n\"A;a\";150000,5;170000\r\nB;1\r\nC;2;3\r\n");
    const batch::TextPreview header = batch::PreviewText(path, {";", true}, 2);
    EXPECT_EQ(header.names, (std::vector<std::string>{"Nom", "X", "Y", "F4", "F5"}));
    EXPECT_EQ(header.rows, (std::vector<std::vector<std::string>>{{"A;a", "150000,5", "170000"}, {"B", "1"}}));
    const batch::TextPreview none = batch::PreviewText(path, {";", false}, 10);
    EXPECT_EQ(none.names.front(), "Champ1");
    EXPECT_EQ(none.rows.size(), 4u);
    EXPECT_EQ(none.rows[0][0], "Nom");
    EXPECT_EQ(batch::PreviewText(path, {"\t", true}, 10).names, (std::vector<std::string>{"Nom;X;Y;;"}));
    EXPECT_FALSE(batch::PreviewText(dir_.File("absent.txt"), {}, 3).error.empty());
}

TEST_F(TextImport, MissingFileIsRefused) {
    EXPECT_THROW(batch::ImportText(dir_.File("absent.txt"), {}), batch::TextImportError);
    EXPECT_FALSE(std::filesystem::exists(batch::ScratchDatabasePath(dir_.File("absent.txt"))));
}

}  // namespace
