// Which inputs a batch run accepts before it opens them (each driver's ending is
// opened for real by test_batch_window).

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "app/batch/InputFormat.h"
#include "app/batch/Output.h"
#include "tests/Support.h"

namespace {

struct InputCase {
    const char* name;
    const char* file;
    enum { Regular, Fifo, Folder, Missing } kind;
    const char* refusal;  // a part of the message
};

constexpr const char* Accepted = "(accepted)";

class Inputs : public ::testing::TestWithParam<InputCase> {};

TEST_P(Inputs, AreAcceptedOrRefusedBeforeOpening) {
    const InputCase& c = GetParam();
    testsupport::TempDir dir;
    const std::string path = dir.File(c.file);
    if (c.kind == InputCase::Regular) std::ofstream(path) << "x";
    if (c.kind == InputCase::Fifo) {
        ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    }
    if (c.kind == InputCase::Folder) {
        ASSERT_EQ(::mkdir(path.c_str(), 0700), 0);
    }
    const std::string refusal = batch::InputRefusal(path).value_or(Accepted);
    EXPECT_NE(refusal.find(c.refusal), std::string::npos) << refusal;
}

constexpr const char* Unsupported = "n'est pas pris en charge. Formats lus : Access 97 (.mdb), Excel 97 (.xls)";
constexpr const char* NotAFile = "n'est pas un fichier ordinaire";

INSTANTIATE_TEST_SUITE_P(
    Paths, Inputs,
    ::testing::Values(InputCase{"access", "a.MDB", InputCase::Regular, Accepted},
                      InputCase{"dbase_file", "a.dbf", InputCase::Regular, Accepted},
                      InputCase{"dbase_folder", "tables", InputCase::Folder, Accepted},
                      InputCase{"missing_is_left_to_the_open", "a.xlsx", InputCase::Missing, Accepted},
                      InputCase{"xlsx", "a.XLSX", InputCase::Regular, Accepted},
                      InputCase{"macro_workbook", "a.xlsm", InputCase::Regular, Unsupported},
                      InputCase{"no_ending", "points", InputCase::Regular, Unsupported},
                      InputCase{"text_any_case", "a.CSV", InputCase::Regular, Accepted},
                      InputCase{"text_ending_needs_its_dot", "pointstxt", InputCase::Regular, Unsupported},
                      InputCase{"fifo_text", "a.txt", InputCase::Fifo, NotAFile},
                      InputCase{"fifo_dbase", "a.dbf", InputCase::Fifo, NotAFile},
                      InputCase{"folder_named_mdb", "a.mdb", InputCase::Folder, NotAFile}),
    testsupport::RowName());

// One ending rule: a path the run reads as text is one it would write as text.
TEST(PathEndings, InputAndOutputTellTextAlike) {
    const struct {
        const char* path;
        bool text;
    } cases[] = {{"a.txt", true},    {"Relevés/a.CSV", true}, {"pointstxt", false},
                 {"a.txt/b", false}, {"a.csv.mdb", false},    {"a.mdb.csv", true}};
    for (const auto& c : cases) {
        EXPECT_EQ(batch::IsTextPath(c.path), c.text) << c.path;
        EXPECT_EQ(batch::OutputKindOf(c.path) == batch::OutputKind::Text, c.text) << c.path;
        EXPECT_EQ(batch::InputSourceOf(c.path).database != c.path, c.text) << c.path;
    }
}

}  // namespace
