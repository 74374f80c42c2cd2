#pragma once
// travena-cli table: the main window's conversion table, from the command line.

#include <string>
#include <vector>

namespace cli {

// travena-cli table --row N [--list1 ITEM] [--list2 ITEM] [--method 1|2|3]
//                   [--params FILE] CELL...
// Types the CELLs into row N (its visible cells, in column order), presses
// the row's Calc and prints every row, label first, tab-separated. Messages
// the window would show go to standard error. Exit status: 0, 1 when a
// message was shown, 2 for bad usage.
int RunTable(const std::vector<std::string>& args);

}  // namespace cli
