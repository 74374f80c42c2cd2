#pragma once
// travena-cli batch: the batch window's table conversion, from the command line.

#include <map>
#include <string>

namespace cli {

// Options by name ("--in" -> path); flags ("--no-header") map to "".
// Returns the exit status: 0 done, 1 the import or the run failed (no
// output left), 2 a choice was refused or is missing.
int RunBatchCommand(const std::map<std::string, std::string>& options);

}  // namespace cli
