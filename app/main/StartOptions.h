#pragma once
// The command line of the travena window: --help, --version and --params.
// Qt's own options (-platform, -style, ...) are taken out by Qt before these
// are read.

#include <string>
#include <vector>

namespace app {

struct StartOptions {
    bool help = false;
    bool version = false;
    std::string params;  // --params FILE: another parameter database
    std::string error;   // French, empty when every argument was understood
};

// `args` without the program's name. With `longOnly`, arguments that do not
// begin with "--" (Qt's options, which begin with one dash, and what follows
// them) are passed over: the line can be checked before Qt starts, so that
// --help, --version and a mistyped option are answered without a display.
StartOptions ParseStartOptions(const std::vector<std::string>& args, bool longOnly = false);

// What --help prints.
extern const char* const StartUsage;

}  // namespace app
