#pragma once
// The inputs a batch run reads, told by their ending as the run tells them:
// "mdb" (Access), "xls" (Excel 97), "txt" and "csv" (delimited text), and
// ".dbf" files or a folder of them (dBase).

#include <optional>
#include <string>

namespace batch {

// Why the run cannot read `path`, nothing when it can: an ending no driver
// reads (".xlsx", ".ods"...), or something that is neither a regular file nor
// a folder for dBase (a FIFO or a device would keep the run waiting for
// ever). A missing path passes: opening it names it.
std::optional<std::string> InputRefusal(const std::string& path);

}  // namespace batch
