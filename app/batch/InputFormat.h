#pragma once
// The inputs a batch run reads, told by their ending (base::PathEnding, the
// one rule the outputs follow too): ".mdb" (Access), ".xls" (Excel 97),
// ".xlsx", ".ods", ".gpkg", ".txt" and ".csv" (delimited text), and ".dbf"
// files or a folder of them (dBase).

#include <optional>
#include <string>

namespace batch {

// Whether a path names a delimited text file (".txt" or ".csv", any case):
// an input read through its scratch database, or a text run's output.
bool IsTextPath(const std::string& path);

// Whether a path names a dBase file (".dbf", any case).
bool IsDbasePath(const std::string& path);

// Where a run reads an input: a text file through its scratch database,
// other files through the driver their ending names, else a dBase folder.
struct InputSource {
    std::string database;
    std::string driver;
    std::string OpenConnect() const { return driver.empty() ? std::string() : driver + ";"; }
    std::string LinkConnect() const { return driver + ";DATABASE=" + database; }
};
InputSource InputSourceOf(const std::string& inputPath);

// The driver a file is read through, by its ending (any case): "" for ".mdb"
// (Access, or the engine's own database), "Excel 8.0" for ".xls", "Excel 12.0
// Xml" for ".xlsx", "OpenDocument" for ".ods", "GeoPackage" for ".gpkg".
// Nothing for text, dBase and other endings.
std::optional<std::string> FileDriver(const std::string& path);

// Why the run cannot read `path`, nothing when it can: an ending no driver
// reads (".xlsm", ".accdb"...), or something that is neither a regular file nor
// a folder for dBase (a FIFO or a device would keep the run waiting for
// ever). A missing path passes: opening it names it.
std::optional<std::string> InputRefusal(const std::string& path);

}  // namespace batch
