#pragma once
// travena-cli systems: the systems of the parameter database, and with
// --proj the PROJ string of each.

#include "cli/Options.h"

namespace cli {

// One system a line, as the batch window lists them. With --proj each is
// followed by a tab and its PROJ string for --method 1 (the 3-parameter
// shift, default) or 3 (the 7-parameter one); a UTM system with automatic
// zones gives a line for each zone within its limits, MGRS and IFBL systems
// no string. A row that cannot be written is named on standard error and
// the status is 1.
int RunSystems(const Options& options);

}  // namespace cli
