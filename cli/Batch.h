#pragma once
// travena-cli batch: the batch window's table conversion, from the command line.

#include "cli/Options.h"

namespace cli {

// Returns the exit status: 0 done, 1 the import or the run failed (no
// output left), 2 a choice was refused or is missing.
// `threads` converting threads, 0 for one per core.
int RunBatchCommand(const Options& options, int threads);

}  // namespace cli
