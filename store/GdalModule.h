#pragma once
// GDAL and the hundred-odd libraries it brings are loaded only when an .ods
// workbook or a GeoPackage is read: every file that
// calls GDAL is built into the module libtravena_gdal.so, opened here on its
// first use, so that converting points, printing a table or opening the main
// window costs no more than the program itself.
//
// The module is looked for beside the running executable, then in
// <executable folder>/../lib/travena/ (an installed program: /usr/bin and
// /usr/lib/travena). It resolves what it needs of the store from the
// executable, which exports it (see the top CMakeLists.txt).

#include <string>

namespace store {

inline constexpr const char* GdalModuleFile = "libtravena_gdal.so";

// The address of the C symbol `name` in the module, opened on the first call.
// When the module cannot be found or loaded, throws EngineError 3170 saying
// that `what` ("un classeur .ods", ...) cannot be read and where
// the module was looked for.
void* GdalModuleSymbol(const char* name, const std::string& what);

}  // namespace store
