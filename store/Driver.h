#pragma once
// The seam between the engine and the formats it reads tables from.
//
// The engine's own databases are SQLite files and understand SQL. Other
// formats (Access 97 files, Excel 97 workbooks, dBase folders) are reached
// through a driver, which only has to list tables and read one forward, row
// by row. Record sets over such tables, and linked tables ("connect string"
// = driver name + ";DATABASE=" + path, plus a source table name), are read
// through these interfaces; drivers are read-only.

#include <memory>
#include <string>
#include <vector>

#include "store/Value.h"

namespace store {

// DAO field type codes.
constexpr int dbBoolean = 1, dbByte = 2, dbInteger = 3, dbLong = 4, dbCurrency = 5, dbSingle = 6, dbDouble = 7,
              dbDate = 8, dbText = 10, dbMemo = 12;

struct FieldDef {
    std::string Name;
    int Type = dbText;
    int Size = 0;  // text: maximum characters (0: the engine's default); other types: 0
};

// Forward reading of one table.
class TableCursor {
public:
    virtual ~TableCursor() = default;
    virtual const std::vector<FieldDef>& Fields() const = 0;
    // Fills `row` with one value per field; false past the last row.
    virtual bool Next(std::vector<Value>& row) = 0;
    // The number of rows when the source knows it without reading them
    // (a workbook's sheet once parsed, a GeoPackage's table); -1 otherwise.
    virtual long Count() { return -1; }
    // Makes the next Next() read row `row` (from 0), for sources that can
    // go to a row without reading those before it; false, and the cursor
    // unchanged, for those that read forward only.
    virtual bool Seek(long row) {
        static_cast<void>(row);
        return false;
    }
};

// One opened source: a file, or a folder for formats with a file per table.
class SourceDatabase {
public:
    virtual ~SourceDatabase() = default;
    virtual std::vector<std::string> TableNames() = 0;  // in the source's own order
    // Fails with 3011 when the source holds no such table.
    virtual std::unique_ptr<TableCursor> OpenTable(const std::string& name) = 0;
};

class Driver {
public:
    virtual ~Driver() = default;
    // Fails with 3024 when the path does not exist; never creates anything.
    virtual std::unique_ptr<SourceDatabase> Open(const std::string& path) = 0;
};

// Refuses (3055) a path that exists but is neither a regular file nor, when
// `folderAllowed`, a folder: a FIFO or a device could keep a read waiting for
// ever. A missing path passes; opening it names it (3024).
void CheckFileKind(const std::string& path, bool folderAllowed = false);

// The path to hand GDAL for a file: absolute, so that nothing in it reads as
// a driver's prefix ("GPKG:file:table"). A GDAL virtual path ("/vsistdout/",
// "/vsimem/", "/vsizip/", "/vsicurl/"...) is refused (3055): only real files
// are read and written, never standard output, memory or the network.
std::string RealFilePath(const std::string& path);

// Whether two paths name one file: the same file through a link (symbolic
// or hard), "./", "..", or the same path when neither exists yet.
bool SameFile(const std::string& a, const std::string& b);

// Drivers by name ("Excel 8.0", "dBase 5.0"), compared without regard to
// case. The empty name is the engine's own format, registered from the start.
void RegisterDriver(const std::string& name, std::shared_ptr<Driver> driver);
std::shared_ptr<Driver> FindDriver(const std::string& name);  // 3170 when unknown

// "Excel 8.0;DATABASE=C:\t.xls" -> {"Excel 8.0", "C:\t.xls"}. DATABASE is the
// last key: the path is the rest of the text, semicolons and all.
struct ConnectString {
    std::string driver;
    std::string database;
};
ConnectString ParseConnect(const std::string& connect);

}  // namespace store
