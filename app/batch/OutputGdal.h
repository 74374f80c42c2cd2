#pragma once
// GDAL as the sinks use it: drivers registered once, its messages kept off
// the terminal and turned into this program's errors.

#include <cpl_error.h>
#include <gdal_priv.h>

#include <cerrno>
#include <string>

#include "app/batch/PendingFile.h"
#include "base/Errors.h"
#include "base/SystemText.h"

namespace batch {

// While alive, GDAL reports errors only through CPLGetLastErrorMsg.
class GdalErrors {
public:
    GdalErrors() {
        CPLPushErrorHandler(CPLQuietErrorHandler);
        CPLErrorReset();
    }
    ~GdalErrors() { CPLPopErrorHandler(); }
    GdalErrors(const GdalErrors&) = delete;
    GdalErrors& operator=(const GdalErrors&) = delete;
};

// "écriture impossible : <file> : <French cause> (GDAL : <its message>).",
// error 75, for a failed GDAL call writing the file at `path` (a pending
// file is named by its target); `item`, when given, is what was being made.
inline base::RuntimeError GdalFailure(const std::string& path, const std::string& item = {}) {
    const int saved = errno;
    std::string text = "écriture impossible : " + PendingTarget(path);
    if (!item.empty()) text += " (" + item + ")";
    text += " : " + base::WriteFailureText(path, saved);
    if (const char* detail = CPLGetLastErrorMsg(); detail && *detail) text += " (GDAL : " + std::string(detail) + ")";
    return base::RuntimeError(base::err::FileAccess, text);
}

// The named driver; error 75 when this GDAL lacks it.
GDALDriver* GdalDriver(const char* name);

}  // namespace batch
