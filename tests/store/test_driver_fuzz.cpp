// Damaged and hostile inputs for the read-only drivers: files cut short at
// many lengths, files with bytes flipped (fixed seeds, so every run tries the
// same files), garbage, empty and missing files. Each must open with an
// EngineError or read what it can; never crash, hang or leak (these tests
// also run under AddressSanitizer).

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <random>

#include "store/Engine.h"
#include "tests/Support.h"

namespace {

namespace fs = std::filesystem;
using testsupport::TempDir;

const std::string Data = TRAVENA_TEST_DATA;

const auto ReadAll = testsupport::ReadFile;
const auto WriteAll = testsupport::WriteFile;

// Opens, lists and reads every table to its end. Returns the number of the
// engine error that stopped it, 0 when all was read; any other exception
// escapes and fails the test.
int ReadEverything(const std::string& path, const std::string& connect) {
    try {
        store::Database db = store::OpenDatabase(path, connect);
        const store::TableDefs defs = db.TableDefs();
        for (int i = 0; i < defs.Count(); ++i) {
            const store::TableDef def = defs.Item(i);
            store::Recordset rs = db.OpenRecordset(def.Name);
            for (; !rs.Eof(); rs.MoveNext())
                for (int f = 0; f < rs.FieldCount(); ++f) (void)rs.Field(f).Value().Text();
        }
    } catch (const store::EngineError& e) {
        return e.number;
    }
    return 0;
}

struct FuzzCase {
    const char* name;
    std::string source;  // fixture file
    const char* connect;
    const char* fileName;  // of the damaged copy
    std::size_t keepHead;  // bytes left intact by flips (the format's signature)
    int garbageError;      // 0: dBase headers have no signature to refuse garbage by
};

class DamagedFiles : public ::testing::TestWithParam<FuzzCase> {
protected:
    // The damaged copy's path: a .dbf goes alone into a folder, the dBase database.
    std::string Write(const std::string& bytes) {
        const std::string path = dir_.File(GetParam().fileName);
        WriteAll(path, bytes);
        return path;
    }
    std::string Target(const std::string& path) const {
        return std::string(GetParam().connect).rfind("dBase", 0) == 0 ? dir_.File("") : path;
    }

    TempDir dir_;
};

TEST_P(DamagedFiles, CutShortOrWithBytesFlipped) {
    const std::string good = ReadAll(GetParam().source);
    const std::size_t n = good.size(), head = GetParam().keepHead;
    ASSERT_GT(n, head);
    for (std::size_t length : {std::size_t{0}, std::size_t{1}, std::size_t{16}, std::size_t{31}, std::size_t{100},
                               std::size_t{512}, std::size_t{2048}, std::size_t{4096}, n / 3, n / 2, n - 100, n - 1}) {
        if (length >= n) continue;
        SCOPED_TRACE(length);
        ReadEverything(Target(Write(good.substr(0, length))), GetParam().connect);
    }
    for (unsigned seed = 1; seed <= 40; ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937 random(seed);
        std::string bad = good;
        std::uniform_int_distribution<std::size_t> where(head, n - 1);
        const int flips = seed % 4 == 0 ? 200 : 8;  // a few bytes, or many
        for (int i = 0; i < flips; ++i) bad[where(random)] ^= char(1u << (random() % 8));
        ReadEverything(Target(Write(bad)), GetParam().connect);
    }
}

TEST_P(DamagedFiles, GarbageAndEmpty) {
    std::mt19937 random(7);
    std::string garbage(8192, '\0');
    for (char& c : garbage) c = char(random());
    const int number = ReadEverything(Target(Write(garbage)), GetParam().connect);
    if (GetParam().garbageError) {
        EXPECT_EQ(number, GetParam().garbageError);
    }
    // The signature followed by garbage gets past the first check.
    const std::string good = ReadAll(GetParam().source);
    ReadEverything(Target(Write(good.substr(0, GetParam().keepHead) + garbage)), GetParam().connect);
    const int empty = ReadEverything(Target(Write({})), GetParam().connect);
    if (GetParam().garbageError && std::string(GetParam().connect) != "") {
        EXPECT_EQ(empty, GetParam().garbageError);  // an empty file is an empty SQLite database
    }
}

INSTANTIATE_TEST_SUITE_P(
    Formats, DamagedFiles,
    ::testing::Values(
        FuzzCase{"access97", Data + "/access/testV1997.mdb", "", "bad.mdb", 20, base::err::BadFormat},
        FuzzCase{"access97_overflow", Data + "/access/overflowTestV1997.mdb", "", "bad.mdb", 20, base::err::BadFormat},
        FuzzCase{"access2000", Data + "/access/compIndexTestV2000.mdb", "", "bad.mdb", 20, base::err::BadFormat},
        FuzzCase{"excel", Data + "/coords.xls", "Excel 8.0;", "bad.xls", 8, base::err::BadFormat},
        FuzzCase{"dbase", Data + "/dbase/points.dbf", "dBase 5.0;", "bad.dbf", 1, 0},
        FuzzCase{"xlsx", Data + "/coords.xlsx", "Excel 12.0 Xml;", "bad.xlsx", 4, base::err::UnreadableFile},
        FuzzCase{"ods", Data + "/coords.ods", "OpenDocument;", "bad.ods", 4, base::err::UnreadableFile},
        FuzzCase{"gpkg", Data + "/coords.gpkg", "GeoPackage;", "bad.gpkg", 16, base::err::UnreadableFile}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(HostileFiles, MissingFilesFailWith3024) {
    TempDir dir;
    for (const char* connect : {"", "Excel 8.0;", "dBase 5.0;"}) {
        SCOPED_TRACE(connect);
        EXPECT_EQ(ReadEverything(dir.File("none.mdb"), connect), base::err::FileNotFound);
    }
    EXPECT_EQ(ReadEverything(dir.File("none.xls"), "Excel 8.0;"), base::err::FileNotFound);
}

TEST(HostileFiles, WrongFormatForTheDriver) {
    // An .xls through the Access driver, an Access file through the Excel driver.
    EXPECT_EQ(ReadEverything(Data + "/coords.xls", ""), base::err::BadFormat);
    EXPECT_EQ(ReadEverything(Data + "/access/testV1997.mdb", "Excel 8.0;"), base::err::BadFormat);
}

TEST(HostileFiles, DamagedWorkbookIsRefusedWithoutCrashing) {
    // Sixteen zeroed bytes in a record FreeXL trusts: it read out of bounds.
    EXPECT_EQ(ReadEverything(Data + "/hostile/coords_damaged.xls", "Excel 8.0;"), base::err::BadFormat);
}

TEST(HostileFiles, DamagedXlsxIsRefusedInFrench) {
    // Cut short, and whole but for its sheet, of which GDAL would read the first 8 records.
    TempDir dir;
    const std::string good = ReadAll(Data + "/coords.xlsx"), cut = dir.File("cut.xlsx");
    WriteAll(cut, good.substr(0, good.size() / 2));
    for (const std::string& path : {cut, Data + "/hostile/coords_halfsheet.xlsx"}) {
        try {
            store::OpenDatabase(path, "Excel 12.0 Xml;").OpenRecordset("Points$");
            ADD_FAILURE() << path << " read";
        } catch (const store::EngineError& e) {
            EXPECT_EQ(e.number, base::err::UnreadableFile);
            EXPECT_NE(std::string(e.what()).find("'" + path + "' ne peut pas être lu : il est endommagé"),
                      std::string::npos);
        }
    }
}

TEST(HostileFiles, NonRegularFilesAreRefusedBeforeAnyRead) {
    // Opening a FIFO for reading waits for a writer that never comes.
    TempDir dir;
    for (const char* name : {"pipe.mdb", "pipe.xls", "pipe.dbf"})
        ASSERT_EQ(::mkfifo(dir.File(name).c_str(), 0600), 0);
    const struct {
        std::string path;
        const char* connect;
    } cases[] = {{dir.File("pipe.mdb"), ""},          {dir.File("pipe.xls"), "Excel 8.0;"},
                 {dir.File("pipe.dbf"), "dBase 5.0;"}, {"/dev/zero", ""},
                 {"/dev/zero", "Excel 8.0;"},          {Data + "/access", ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path + " " + c.connect);
        EXPECT_EQ(ReadEverything(c.path, c.connect), base::err::NotAFile);
    }
    // A folder holding a FIFO among its tables: only the regular files are tables.
    EXPECT_EQ(ReadEverything(dir.File(""), "dBase 5.0;"), 0);
}

TEST(HostileFiles, DbaseHeaderPromisingMoreRecordsThanTheFileHolds) {
    TempDir dir;
    std::string bytes = ReadAll(Data + "/dbase/points.dbf");
    bytes[4] = bytes[5] = bytes[6] = '\xFF';  // about 16 million records
    bytes[7] = '\x00';
    WriteAll(dir.File("points.dbf"), bytes);
    store::Recordset rs = store::OpenDatabase(dir.File(""), "dBase 5.0;").OpenRecordset("points");
    EXPECT_EQ(rs.RecordCount(), 20);
}

TEST(HostileFiles, DbaseRecordsOfNoLengthAreRefused) {
    TempDir dir;
    std::string bytes = ReadAll(Data + "/dbase/points.dbf");
    bytes[10] = bytes[11] = '\0';
    WriteAll(dir.File("points.dbf"), bytes);
    EXPECT_EQ(ReadEverything(dir.File(""), "dBase 5.0;"), base::err::BadFormat);
}

}  // namespace
