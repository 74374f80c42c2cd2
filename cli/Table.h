#pragma once
// travena-cli table: the main window's conversion table, from the command line.

#include "cli/Options.h"

namespace cli {

// Types the CELLs into row N (its visible cells, in column order), presses
// the row's Calc and prints every row, label first, tab-separated. Messages
// the window would show go to standard error. Exit status: 0, 1 when a
// message was shown; bad usage throws UsageError.
int RunTable(const Options& options);

}  // namespace cli
