// Missing, damaged and hostile files through the read-only drivers: each is
// refused with its error number, never crashing or waiting (these tests also
// run under AddressSanitizer; the fuzz targets try many more damaged files).

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <list>
#include <new>
#include <random>

#include "store/Engine.h"
#include "store/detail/Isolated.h"
#include "tests/Support.h"

namespace {

namespace fs = std::filesystem;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

const std::string Data = TRAVENA_TEST_DATA;

// Opens, lists and reads every table to its end. Returns the engine error
// that stopped it, number 0 when all was read; any other exception escapes.
store::EngineError ReadEverything(const std::string& path, const std::string& connect) {
    try {
        store::Database db = store::OpenDatabase(path, connect);
        const store::TableDefs defs = db.TableDefs();
        for (int i = 0; i < defs.Count(); ++i) {
            store::Recordset rs = db.OpenRecordset(defs.Item(i).Name);
            for (; !rs.Eof(); rs.MoveNext())
                for (int f = 0; f < rs.FieldCount(); ++f) (void)rs.Field(f).Value().Text();
        }
    } catch (const store::EngineError& e) {
        return e;
    }
    return store::EngineError(0, "");
}

// The dBase fixture with `bytes` written at `offset`, alone in a new folder `name`.
std::string PatchedDbase(const TempDir& dir, const std::string& name, std::size_t offset, const std::string& bytes) {
    std::string dbf = ReadFile(Data + "/dbase/points.dbf");
    dbf.replace(offset, bytes.size(), bytes);
    fs::create_directory(dir.File(name));
    WriteFile(dir.File(name + "/points.dbf"), dbf);
    return dir.File(name);
}

TEST(HostileFiles, AreRefusedWithTheirNumber) {
    TempDir dir;
    // Opening a FIFO for reading waits for a writer that never comes.
    for (const char* name : {"pipe.mdb", "pipe.xls", "pipe.dbf"}) ASSERT_EQ(::mkfifo(dir.File(name).c_str(), 0600), 0);
    std::mt19937 random(7);
    std::string garbage(8192, '\0');
    for (char& c : garbage) c = char(random());
    for (const char* name : {"g.xlsx", "g.gpkg"}) WriteFile(dir.File(name), garbage);

    const struct {
        std::string path;
        const char* connect;
        int error;
    } cases[] = {
        {dir.File("none.mdb"), "", base::err::FileNotFound},
        {dir.File("none.xls"), "Excel 8.0;", base::err::FileNotFound},
        {dir.File("none.mdb"), "dBase 5.0;", base::err::FileNotFound},
        {"x", "Paradox 3.X;", base::err::NoDriver},
        {Data + "/coords.xls", "", base::err::BadFormat},
        {Data + "/access/testV1997.mdb", "Excel 8.0;", base::err::BadFormat},
        {dir.File("g.xlsx"), "Excel 12.0 Xml;", base::err::UnreadableFile},
        {dir.File("g.gpkg"), "GeoPackage;", base::err::UnreadableFile},
        // Sixteen zeroed bytes in a record FreeXL trusts: it read out of bounds.
        {Data + "/hostile/coords_damaged.xls", "Excel 8.0;", base::err::BadFormat},
        // Whole but for its sheet, of which GDAL would read the first 8 records.
        {Data + "/hostile/coords_halfsheet.xlsx", "Excel 12.0 Xml;", base::err::UnreadableFile},
        // One more cell, in the last column of the last row a sheet can have: a
        // reader that made every row and column up to it would need terabytes.
        {Data + "/hostile/coords_farcell.xlsx", "Excel 12.0 Xml;", base::err::UnreadableFile},
        {PatchedDbase(dir, "nolength", 10, std::string(2, '\0')), "dBase 5.0;", base::err::BadFormat},
        {dir.File("pipe.mdb"), "", base::err::NotAFile},
        {dir.File("pipe.xls"), "Excel 8.0;", base::err::NotAFile},
        {dir.File("pipe.dbf"), "dBase 5.0;", base::err::NotAFile},
        {"/dev/zero", "", base::err::NotAFile},
        // GDAL's virtual files: standard output, memory, the network.
        {"/vsimem/coords.xlsx", "Excel 12.0 Xml;", base::err::NotAFile},
        {"/vsicurl/http://127.0.0.1:9/coords.gpkg", "GeoPackage;", base::err::NotAFile},
        {Data + "/access", "", base::err::NotAFile},
        // A folder holding a FIFO among its tables: only the regular files are tables.
        {dir.File(""), "dBase 5.0;", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path + " " + c.connect);
        EXPECT_EQ(ReadEverything(c.path, c.connect).number, c.error);
    }
    const std::string halfSheet = Data + "/hostile/coords_halfsheet.xlsx";
    EXPECT_NE(std::string(ReadEverything(halfSheet, "Excel 12.0 Xml;").what())
                  .find("'" + halfSheet + "' ne peut pas être lu : il est endommagé"),
              std::string::npos);
}

// A writer killed (or still running) with changes in the GeoPackage's "-wal":
// they cannot be read without writing, so the file is refused and nothing
// beside it changes. An empty "-wal" holds nothing: the file reads as it is.
TEST(HostileFiles, GeoPackageJournalsAreNeverApplied) {
    TempDir dir;
    const std::string gpkg = dir.File("w.gpkg"), wal = gpkg + "-wal";
    fs::copy_file(Data + "/coords.gpkg", gpkg);
    WriteFile(wal, "");
    EXPECT_EQ(ReadEverything(gpkg, "GeoPackage;").number, 0);
    EXPECT_FALSE(fs::exists(gpkg + "-shm"));
    EXPECT_EQ(fs::file_size(wal), 0u);

    const pid_t writer = ::fork();
    ASSERT_GE(writer, 0);
    if (writer == 0) {
        sqlite3* db = nullptr;
        const bool written = sqlite3_open(gpkg.c_str(), &db) == SQLITE_OK &&
                             sqlite3_exec(db, "PRAGMA journal_mode=WAL; UPDATE Points SET name = 'changé'", nullptr,
                                          nullptr, nullptr) == SQLITE_OK;
        ::_exit(written ? 0 : 1);  // killed before closing: the change stays in the -wal
    }
    int status = 0;
    ASSERT_EQ(::waitpid(writer, &status, 0), writer);
    ASSERT_EQ(status, 0);
    const std::string bytes = ReadFile(gpkg), journal = ReadFile(wal);
    ASSERT_GT(journal.size(), 32u);
    const store::EngineError e = ReadEverything(gpkg, "GeoPackage;");
    EXPECT_EQ(e.number, base::err::Locked);
    EXPECT_NE(std::string(e.what()).find("'" + wal + "'"), std::string::npos) << e.what();
    EXPECT_TRUE(ReadFile(gpkg) == bytes) << "the GeoPackage was written";
    EXPECT_TRUE(ReadFile(wal) == journal) << "its journal was written";
}

TEST(HostileFiles, DbaseHeaderPromisingMoreRecordsThanTheFileHolds) {
    TempDir dir;
    const std::string folder = PatchedDbase(dir, "many", 4, "\xFF\xFF\xFF");  // about 16 million records
    EXPECT_EQ(store::OpenDatabase(folder, "dBase 5.0;").OpenRecordset("points").RecordCount(), 20);
}

// A reading child that runs out of the memory it is given is out of memory,
// whatever the library then does: throws, reports a read error, or retries
// for ever. It is never taken for a refusal, which would have the file read
// again without a bound. Each ends long before the time limit.
TEST(HostileFiles, ReadingChildrenStopAtTheirMemoryBudget) {
    if (!store::detail::MemoryCanBeBounded()) GTEST_SKIP() << "memory is not bounded under a sanitizer";
    using store::detail::IsolatedOutcome;
    constexpr std::size_t Budget = std::size_t(64) << 20, Block = std::size_t(1) << 20;
    // Touched blocks, as a parser keeps what it has read.
    const auto grow = [&](std::list<std::vector<char>>& held) { held.emplace_back(std::size_t(Block), 'x'); };
    const struct {
        const char* name;
        std::function<bool()> work;
        IsolatedOutcome outcome;
    } cases[] = {
        {"throws",
         [&]() -> bool {
             std::list<std::vector<char>> held;
             for (;;) grow(held);
         },
         IsolatedOutcome::OutOfMemory},
        {"reports",
         [&] {
             std::list<std::vector<char>> held;
             try {
                 for (;;) grow(held);
             } catch (const std::bad_alloc&) {
                 return false;
             }
         },
         IsolatedOutcome::OutOfMemory},
        {"retries",
         [&]() -> bool {
             std::list<std::vector<char>> held;
             for (;;) try {
                     grow(held);
                 } catch (const std::bad_alloc&) {}
         },
         IsolatedOutcome::OutOfMemory},
        {"within",
         [&] {
             std::list<std::vector<char>> held;
             for (int i = 0; i < 16; ++i) grow(held);
             return true;
         },
         IsolatedOutcome::Completed},
        {"refuses", [] { return false; }, IsolatedOutcome::Refused},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(store::detail::RunIsolated(c.work, std::chrono::seconds(60), {Budget}), c.outcome);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
    }
}

}  // namespace
