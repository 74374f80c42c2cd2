// Delimited text files imported into a scratch database. The first byte picks
// the delimiter and whether the first line names the fields.

#include <cstdint>
#include <filesystem>
#include <iterator>

#include "app/batch/TextImport.h"
#include "fuzz/FuzzSupport.h"
#include "store/Engine.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    constexpr const char* Delimiters[] = {"\t", ",", ";", " ", "|", "\"", "ab", ""};
    batch::TextImportOptions options;
    options.delimiter = Delimiters[data[0] % std::size(Delimiters)];
    options.header = (data[0] & 0x80) == 0;
    const std::string path = fuzz::WriteFile("pts.txt", data + 1, size - 1);
    try {
        const batch::ImportedTable t = batch::ImportText(path, options);
        // What was imported reads back as a table of that many records.
        store::Recordset rs = store::OpenDatabase(t.databasePath).OpenRecordset(t.tableName);
        if (rs.RecordCount() != t.records) __builtin_trap();
    } catch (const base::RuntimeError&) {}
    std::error_code ec;
    std::filesystem::remove(batch::ScratchDatabasePath(path), ec);
    return 0;
}
