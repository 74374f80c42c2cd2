// Which parameter database a start uses, on folder layouts made for each
// case: a build tree, an installed program with a user's home, and the
// user's copy across restarts and upgrades.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "store/ParamDb.h"
#include "store/ParamDbLocation.h"
#include "tests/Support.h"

namespace {

namespace fs = std::filesystem;
using store::ParamDbKind;
using testsupport::TempDir;

std::string Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// PREFIX/bin, PREFIX/share/travena and a home folder under one temporary folder.
class Layout : public ::testing::Test {
protected:
    TempDir root;
    const std::string bin = root.File("usr/bin");
    const std::string shipped = root.File("usr/share/travena/SystGéo.mdb");
    const std::string home = root.File("home/.local/share");
    const std::string copy = home + "/travena/SystGéo.mdb";

    void SetUp() override { fs::create_directories(bin); }

    // The default database, read-only as a package installs it.
    void Install(const std::string& from = TRAVENA_PARAM_DB) {
        fs::create_directories(fs::path(shipped).parent_path());
        if (fs::exists(shipped)) fs::permissions(shipped, fs::perms::owner_write, fs::perm_options::add);
        fs::copy_file(from, shipped, fs::copy_options::overwrite_existing);
        fs::permissions(shipped, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    }

    // Another shipped file, as an upgrade brings: a row the first one lacks.
    void Upgrade() {
        const std::string next = root.File("next.mdb");
        fs::copy_file(TRAVENA_PARAM_DB, next);
        store::OpenDatabase(next).Execute(
            "INSERT INTO Ellipsoides (Nom, a, ec, unf, lock) VALUES ('Nouveau', 6378137, 0.08, 298, 'Y')");
        Install(next);
    }

    static void Edit(const std::string& path) {
        const char* edit = "UPDATE Ellipsoides SET nomcomplet = 'modifié' WHERE Nom = 'WGS 84'";
        ASSERT_EQ(store::OpenDatabase(path).Execute(edit), 1);
    }

    store::ParamDbLocation Start() { return store::LocateParamDb(bin, home); }
};

TEST_F(Layout, BuildTreeUsesTheFileBesideTheProgram) {
    fs::copy_file(TRAVENA_PARAM_DB, bin + "/SystGéo.mdb");
    Install();  // an installed copy elsewhere does not matter
    const auto at = Start();
    EXPECT_EQ(at.kind, ParamDbKind::BesideProgram);
    EXPECT_EQ(at.path, bin + "/SystGéo.mdb");
    EXPECT_FALSE(fs::exists(home));
}

TEST_F(Layout, NeitherBesideNorInstalledPointsBesideTheProgram) {
    const auto at = Start();
    EXPECT_EQ(at.kind, ParamDbKind::Missing);
    EXPECT_EQ(at.path, bin + "/SystGéo.mdb");
    EXPECT_FALSE(fs::exists(home));
}

TEST_F(Layout, FirstStartCopiesTheShippedFileAndLaterStartsKeepTheEditedCopy) {
    Install();
    const std::string original = Bytes(shipped);
    const auto first = Start();
    EXPECT_EQ(first.kind, ParamDbKind::PersonalCopy);
    EXPECT_EQ(first.path, copy);
    EXPECT_EQ(first.shipped, shipped);
    EXPECT_EQ(first.notice, "");
    EXPECT_EQ(Bytes(copy), original);
    EXPECT_EQ(fs::status(home + "/travena").permissions(), fs::perms::owner_all);
    // Only the copy and its record: no temporary file left behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(home + "/travena"), fs::directory_iterator()), 2);

    Edit(copy);
    const std::string edited = Bytes(copy);
    const auto second = Start();
    EXPECT_EQ(second.path, copy);
    EXPECT_EQ(second.notice, "");
    EXPECT_EQ(Bytes(copy), edited);
    EXPECT_EQ(Bytes(shipped), original);
}

TEST_F(Layout, AnUpgradeReplacesAnUntouchedCopyOnly) {
    Install();
    Start();
    // Read through the engine as every start does: reading must not count as an edit.
    {
        store::Database db = store::OpenDatabase(copy);
        EXPECT_GT(db.OpenRecordset(store::sql::AllEllipsoides).RecordCount(), 0);
    }
    Upgrade();
    const auto upgraded = Start();
    EXPECT_EQ(upgraded.notice, "");
    EXPECT_EQ(Bytes(copy), Bytes(shipped));

    Edit(copy);
    const std::string edited = Bytes(copy);
    Install();  // the next package ships the first file again
    const auto kept = Start();
    EXPECT_EQ(kept.path, copy);
    EXPECT_EQ(Bytes(copy), edited);
    EXPECT_NE(kept.notice.find("« " + shipped + " » a changé"), std::string::npos) << kept.notice;

    // Renamed away, as the notice suggests: the next start takes the shipped file.
    fs::rename(copy, copy + ".ancienne");
    EXPECT_EQ(Start().notice, "");
    EXPECT_EQ(Bytes(copy), Bytes(shipped));
}

TEST_F(Layout, WithoutAPlaceForTheCopyTheShippedFileIsUsedAndTheReasonGiven) {
    Install();
    const auto nowhere = store::LocateParamDb(bin, "");
    EXPECT_EQ(nowhere.kind, ParamDbKind::Shipped);
    EXPECT_EQ(nowhere.path, shipped);
    EXPECT_NE(nowhere.notice.find("dossier personnel inconnu"), std::string::npos) << nowhere.notice;

    // A file where the folder should be: refused even to root.
    fs::create_directories(home);
    std::ofstream(home + "/travena") << "x";
    const auto blocked = Start();
    EXPECT_EQ(blocked.kind, ParamDbKind::Shipped);
    EXPECT_EQ(blocked.path, shipped);
    EXPECT_NE(blocked.notice.find("« " + home + "/travena » ne peut pas être créé"), std::string::npos)
        << blocked.notice;
}

TEST(DataHome, FollowsTheXdgRule) {
    const struct {
        const char *xdg, *home, *expected;
    } cases[] = {
        {"/x/data", "/home/u", "/x/data"},
        {"", "/home/u", "/home/u/.local/share"},
        {"relative/data", "/home/u", "/home/u/.local/share"},  // a relative XDG_DATA_HOME is ignored
        {"", "relative", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(store::DataHome(c.xdg, c.home), c.expected) << c.xdg << " | " << c.home;
}

}  // namespace
