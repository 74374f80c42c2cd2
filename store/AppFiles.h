#pragma once
// Where the program's own files are: the executable's folder, and the
// read-only data of an installed program.
//
// A build tree keeps everything beside the executables (build/bin/); an
// installed program has its executables in PREFIX/bin and its shipped files
// (parameter database, grids, the documentation page) in
// PREFIX/share/travena/, so one relative path from the executable finds them
// whatever PREFIX or DESTDIR was.

#include <string>

namespace store {

// The folder of the running executable (symbolic links resolved).
std::string AppFolder();

// AppFolder() + "/../share/travena", spelt without the "..".
std::string InstalledDataFolder(const std::string& appFolder);

// `name` (a path relative to either folder) beside the executable when it is
// there, else in the installed data folder when it is there, then the same
// for each folder AddProgramFolder added; else empty.
std::string ShippedFile(const std::string& name);

// Another folder to take as the program's: a library's own (the Python
// module's), whose host executable (python3) is not the program.
void AddProgramFolder(const std::string& folder);

}  // namespace store
