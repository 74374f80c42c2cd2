// Paths a hostile or careless user gives the batch run: a file name that
// looks like a connect string, the parameter database under another name as
// the output, a folder that does not exist for a GDAL output.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "app/batch/BatchRun.h"
#include "app/batch/TextImport.h"
#include "tests/Support.h"

namespace {

namespace fs = std::filesystem;
using testsupport::ReadFile;

const std::string Data = TRAVENA_TEST_DATA;

batch::BatchChoices Lambert72ToUtm(const std::string& input, const std::string& table, const std::string& output) {
    batch::BatchChoices c;
    c.inIndex = 3;
    c.inSystem = "BE LB72";
    c.outIndex = 1;
    c.outSystem = "WGS84 UTM";
    c.inputPath = input;
    c.table = table;
    c.xField = "x_lb72";
    c.yField = "y_lb72";
    c.outputPath = output;
    return c;
}

class HostilePaths : public ::testing::Test {
protected:
    std::string File(const std::string& name) const { return params_.File(name); }
    testsupport::ParamDbCopy params_;
};

// The input is linked into the output database by a connect string; the
// semicolons and the ";DATABASE=" of its name are part of the name.
TEST_F(HostilePaths, FileNamesAreNeverReadAsConnectStrings) {
    fs::copy_file(Data + "/dates.xlsx", File("secret.xlsx"));
    for (const char* name : {"a;b.xlsx", "in;DATABASE=secret.xlsx;.xlsx"}) {
        fs::copy_file(Data + "/coords.xlsx", File(name));
        const batch::BatchChoices c = Lambert72ToUtm(File(name), "Points$", File(std::string(name) + ".sqlite"));
        EXPECT_EQ(batch::RunBatch(c).converted, 20) << name;
    }
}

TEST_F(HostilePaths, TheParameterDatabaseIsNeverAnOutput) {
    const std::string params = params_.Path(), bytes = ReadFile(params);
    const std::string folder = fs::path(params).parent_path().string();
    fs::create_symlink(params, File("link.txt"));
    ASSERT_EQ(::link(params.c_str(), File("hard.csv").c_str()), 0);
    fs::copy_file(Data + "/coords.xlsx", File("in.xlsx"));
    for (const std::string& out :
         {File("link.txt"), File("hard.csv"), folder + "/./" + fs::path(params).filename().string()}) {
        batch::BatchChoices c = Lambert72ToUtm(File("in.xlsx"), "Points$", out);
        EXPECT_EQ(batch::CheckChoices(c).value_or(""), "Le fichier de sortie ne peut pas être la base de paramètres.")
            << out;
        EXPECT_THROW(batch::RunBatch(c), batch::BatchFailure);
    }
    // A text import's scratch database is an output too.
    fs::create_symlink(params, File("pts._travena.mdb"));
    testsupport::WriteFile(File("pts.txt"), "x\ty\n1\t2\n");
    EXPECT_THROW(batch::ImportText(File("pts.txt"), {}), batch::TextImportError);
    EXPECT_TRUE(ReadFile(params) == bytes);
}

// A GeoPackage or a workbook that cannot be written says why in French,
// naming the target, not the temporary file; a GDAL virtual path is no file.
TEST_F(HostilePaths, SinkOutputFailuresSayWhyInFrenchFirst) {
    fs::copy_file(Data + "/coords.xlsx", File("in.xlsx"));
    for (const char* out : {"/nowhere/out.gpkg", "/nowhere/out.xlsx"}) {
        try {
            batch::RunBatch(Lambert72ToUtm(File("in.xlsx"), "Points$", out));
            FAIL() << out;
        } catch (const batch::BatchFailure& e) {
            EXPECT_EQ(std::string(e.what()), "Le dossier « /nowhere » n'existe pas.");
            EXPECT_EQ(e.Message(), "La conversion n'a pas pu se faire :\r75 Le dossier « /nowhere » n'existe pas.");
        }
    }
    for (const char* out : {"/vsistdout/out.xlsx", "/vsimem/out.gpkg"})
        EXPECT_EQ(testsupport::ErrorNumber([&] { batch::RunBatch(Lambert72ToUtm(File("in.xlsx"), "Points$", out)); }),
                  base::err::NotAFile)
            << out;
}

}  // namespace
