#pragma once
// What the about window and `--version` of both executables say: the
// program's version and which parameter database is in use.

#include <string>

#include "store/ParamDbLocation.h"

namespace app {

// The release, "0.1"; set by the build from the project's version.
const char* Version();

// "Base de paramètres : PATH (how it was chosen)", and on a line of its own
// what the location's notice says, when it says anything. `chosen` is the
// file --params named, empty when none did.
std::string ParamDbText(const store::ParamDbLocation& location, const std::string& chosen = {});

// The same for this process: the file --params named, else the default one.
std::string ParamDbText();

// The credits the shipped grids' licence asks for, one line each.
std::string GridCredits();

}  // namespace app
