// The zip writer's archives as another implementation reads them: Python's
// zipfile checks every CRC, the local headers against the directory, and the
// Zip64 records, so it stands in for the spreadsheet programs here.

#include "app/batch/ZipWriter.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "base/Errors.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* Python = "/usr/bin/python3";

// "name size crc-ok" per part, then "zip64" when the archive has Zip64
// end records, as Python's zipfile reads `path`.
std::string PythonReading(const fs::path& path) {
    const std::string script =
        "import sys, zipfile, zlib\n"
        "z = zipfile.ZipFile(sys.argv[1])\n"
        "bad = z.testzip()\n"
        "for i in z.infolist(): print(i.filename, i.file_size, zlib.crc32(z.read(i)) == i.CRC)\n"
        "print('bad' if bad else 'ok')\n"
        "data = open(sys.argv[1], 'rb').read()\n"
        "print('zip64' if b'PK\\x06\\x06' in data else 'classic')\n";
    const fs::path file = path.parent_path() / "read.py";
    std::ofstream(file) << script;
    const std::string command = std::string(Python) + " " + file.string() + " " + path.string() + " 2>&1";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    std::string out;
    char buffer[256];
    while (pipe && std::fgets(buffer, sizeof buffer, pipe.get())) out += buffer;
    return out;
}

// Text that deflates poorly, so that a few kilobytes give a compressed size
// as large as the plain one.
std::string Noise(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string text(size, ' ');
    for (char& c : text) c = static_cast<char>('!' + random() % 90);
    return text;
}

class ZipWriterTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (::access(Python, X_OK) != 0) GTEST_SKIP() << "no " << Python;
        dir_ = fs::temp_directory_path() / ("zip_writer_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    fs::path dir_;
};

struct Case {
    const char* what;
    std::uint64_t classicLimit;
    std::vector<std::size_t> writes;  // the streamed part's blocks
    const char* expected;
};

TEST_F(ZipWriterTest, ArchivesReadBackWholeWithTheirRecords) {
    const std::string small = "<?xml version=\"1.0\"?><a/>";
    const Case cases[] = {
        {"small parts and an empty streamed part",
         batch::ZipWriter::ClassicLimit,
         {},
         "a.xml 25 True\nb.xml 25 True\nsheet.xml 0 True\nok\nclassic\n"},
        {"blocks past the output buffer, an empty one among them",
         batch::ZipWriter::ClassicLimit,
         {300000, 0, 700000, 1},
         "a.xml 25 True\nb.xml 25 True\nsheet.xml 1000001 True\nok\nclassic\n"},
        // Sizes and offsets past the limit: the streamed part's header
        // rewritten, the directory's fields and end records in Zip64 form.
        {"every size past a lowered limit",
         100,
         {3000, 5000},
         "a.xml 25 True\nb.xml 25 True\nsheet.xml 8000 True\nok\nzip64\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path path = dir_ / "out.zip";
        fs::remove(path);
        {
            batch::ZipWriter zip(path.string(), c.classicLimit);
            zip.Add("a.xml", small);
            zip.Add("b.xml", small);
            zip.Open("sheet.xml");
            unsigned seed = 0;
            for (std::size_t size : c.writes) {
                zip.Write(Noise(size, ++seed));
            }
            zip.Finish();
        }
        EXPECT_EQ(PythonReading(path), c.expected);
    }
}

TEST_F(ZipWriterTest, AFullDiskIsAnErrorNotATruncatedArchive) {
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    try {
        batch::ZipWriter zip("/dev/full");
        zip.Open("sheet.xml");
        // The compressing thread meets the error; a later call reports it.
        for (unsigned i = 0; i < 64; ++i) zip.Write(Noise(1 << 16, i));
        zip.Finish();
        FAIL() << "no error";
    } catch (const base::RuntimeError& e) {
        EXPECT_EQ(e.number, base::err::FileAccess);
        EXPECT_NE(std::string(e.what()).find("écriture impossible : /dev/full"), std::string::npos) << e.what();
    }
}

TEST_F(ZipWriterTest, AnAbandonedArchiveStopsItsThread) {
    const fs::path path = dir_ / "abandoned.zip";
    {
        batch::ZipWriter zip(path.string());
        zip.Open("sheet.xml");
        for (unsigned i = 0; i < 8; ++i) zip.Write(Noise(1 << 16, i));
    }  // destroyed unfinished, as when the run fails: no hang, no crash
    EXPECT_TRUE(fs::exists(path));
}

}  // namespace
