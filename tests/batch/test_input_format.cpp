// Which inputs a batch run accepts before it opens them.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "app/batch/InputFormat.h"
#include "tests/Support.h"

namespace {

struct InputCase {
    const char* name;
    const char* file;
    enum { Regular, Fifo, Folder, Missing } kind;
    const char* refusal;  // a part of the message; nullptr when accepted
};

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
    const auto refusal = batch::InputRefusal(path);
    if (!c.refusal) {
        EXPECT_FALSE(refusal) << *refusal;
    } else {
        ASSERT_TRUE(refusal);
        EXPECT_NE(refusal->find(c.refusal), std::string::npos) << *refusal;
    }
}

constexpr const char* Unsupported = "n'est pas pris en charge. Formats lus : Access 97 (.mdb), Excel 97 (.xls)";
constexpr const char* NotAFile = "n'est pas un fichier ordinaire";

INSTANTIATE_TEST_SUITE_P(
    Paths, Inputs,
    ::testing::Values(InputCase{"access", "a.MDB", InputCase::Regular, nullptr},
                      InputCase{"excel", "a.xls", InputCase::Regular, nullptr},
                      InputCase{"dbase_file", "a.dbf", InputCase::Regular, nullptr},
                      InputCase{"dbase_folder", "tables", InputCase::Folder, nullptr},
                      InputCase{"text", "a.csv", InputCase::Regular, nullptr},
                      InputCase{"missing_is_left_to_the_open", "a.xlsx", InputCase::Missing, nullptr},
                      InputCase{"xlsx", "a.XLSX", InputCase::Regular, nullptr},
                      InputCase{"ods", "a.ods", InputCase::Regular, nullptr},
                      InputCase{"geopackage", "a.gpkg", InputCase::Regular, nullptr},
                      InputCase{"macro_workbook", "a.xlsm", InputCase::Regular, Unsupported},
                      InputCase{"no_ending", "points", InputCase::Regular, Unsupported},
                      InputCase{"fifo_text", "a.txt", InputCase::Fifo, NotAFile},
                      InputCase{"fifo_access", "a.mdb", InputCase::Fifo, NotAFile},
                      InputCase{"fifo_dbase", "a.dbf", InputCase::Fifo, NotAFile},
                      InputCase{"folder_named_mdb", "a.mdb", InputCase::Folder, NotAFile}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
