// Files read through one of the read-only drivers, as a batch source or a
// linked table: every table listed, opened and read to its end. Built once
// per driver, FUZZ_FORMAT picking it. Access files, workbooks and
// GeoPackages go through the check in a child process first, as always, so a
// fault inside GDAL (not built for the fuzzer) shows as a refused file here;
// what is fuzzed is how the program takes what GDAL gives.

#include <cstdint>
#include <string>

#include "fuzz/FuzzSupport.h"
#include "store/Engine.h"

namespace {

struct Format {
    const char* file;
    const char* connect;
};
constexpr Format Formats[] = {{"in.mdb", ""},
                              {"in.xls", "Excel 8.0;"},
                              {"in.dbf", "dBase 5.0;"},
                              {"in.xlsx", "Excel 12.0 Xml;"},
                              {"in.ods", "OpenDocument;"},
                              {"in.gpkg", "GeoPackage;"}};
constexpr Format Fuzzed = Formats[FUZZ_FORMAT];

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = fuzz::WriteFile(Fuzzed.file, data, size);
    // A dBase database is the folder of its files.
    const std::string database = FUZZ_FORMAT == 2 ? fuzz::Folder() : path;
    try {
        store::Database db = store::OpenDatabase(database, Fuzzed.connect);
        const store::TableDefs defs = db.TableDefs();
        for (int i = 0; i < defs.Count(); ++i) {
            store::Recordset rs = db.OpenRecordset(defs.Item(i).Name);
            for (; !rs.Eof(); rs.MoveNext())
                for (int f = 0; f < rs.FieldCount(); ++f) (void)rs.Field(f).Value().Text();
        }
    } catch (const base::RuntimeError&) {}
    return 0;
}
