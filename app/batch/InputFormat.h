#pragma once
// The inputs a batch run reads, told by their ending as the run tells them:
// ".mdb" (Access), ".xls" (Excel 97), ".xlsx", ".ods", ".gpkg", "txt" and
// "csv" (delimited text), and ".dbf" files or a folder of them (dBase).

#include <optional>
#include <string>

namespace batch {

// The last `n` characters of `path`, in lower case (all of it when shorter).
std::string LowerTail(const std::string& path, std::size_t n);

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
