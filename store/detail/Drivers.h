#pragma once
// Internal to the store: the read-only drivers and how a file's first bytes
// tell its format. Callers reach them by name through FindDriver.

#include <memory>
#include <string>
#include <vector>

#include "store/Driver.h"

namespace store::detail {

enum class FileKind { Missing, Sqlite, Jet, Other };
// From the first bytes, whatever the file is called.
FileKind SniffFile(const std::string& path);

// The empty driver name: Access 97/2000 files through libmdb, the engine's
// own SQLite files through `native`.
std::shared_ptr<Driver> MakeAccessDriver(std::shared_ptr<Driver> native);
std::shared_ptr<Driver> MakeXlsDriver();   // "Excel 8.0"
std::shared_ptr<Driver> MakeDbfDriver();   // "dBase 5.0"
std::shared_ptr<Driver> MakeXlsxDriver();  // "Excel 12.0 Xml" (.xlsx), streamed by the store itself
// The .xlsx reader without the check in a child process that its driver
// makes first: for the fuzzer, which must see a fault where it happens.
std::unique_ptr<SourceDatabase> OpenXlsxInProcess(const std::string& path);
// Through GDAL: "OpenDocument" (.ods), "GeoPackage" (.gpkg), and GDAL's own
// reading of .xlsx, which only tests use: the store's reader must give what
// it gives. Built into the GDAL module (store/GdalModule.h) and reached
// through the table it exports, never called directly from the executable.
std::shared_ptr<Driver> MakeGdalXlsxDriver();
std::shared_ptr<Driver> MakeOdsDriver();
std::shared_ptr<Driver> MakeGpkgDriver();

// The module's table of the three, under the C name GdalReadersSymbol.
using MakeDriverFn = std::shared_ptr<Driver> (*)();
struct GdalReaders {
    MakeDriverFn gdalXlsx, ods, gpkg;
};
inline constexpr const char* GdalReadersSymbol = "travena_gdal_readers";
// What the registry holds for a GDAL format: a driver that loads the module
// on its first Open and hands every call to the module's driver `make`.
// `what` names the format in the message of a missing module.
std::shared_ptr<Driver> MakeModuleDriver(MakeDriverFn GdalReaders::*make, const char* what);

// A field name as the engine accepts it: the characters it refuses become
// '_' ('.' becomes '#', as the classic drivers spell it), cut to 64.
std::string EngineFieldName(const std::string& name);
// Every name through EngineFieldName; an empty or repeated one becomes
// "F" + its position from 1, as the classic drivers name unnamed columns.
void CleanFieldNames(std::vector<FieldDef>& fields);

}  // namespace store::detail
