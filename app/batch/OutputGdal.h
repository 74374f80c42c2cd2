#pragma once
// GDAL as the sinks use it: drivers registered once, its messages kept off
// the terminal and turned into this program's errors.

#include <cpl_error.h>
#include <gdal_priv.h>

#include <string>

#include "base/Errors.h"

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

// "écriture impossible : <what> (<GDAL's message>)", error 75.
inline base::RuntimeError GdalFailure(const std::string& what) {
    std::string text = "écriture impossible : " + what;
    if (const char* detail = CPLGetLastErrorMsg(); detail && *detail) text += " (" + std::string(detail) + ")";
    return base::RuntimeError(base::err::FileAccess, text + ".");
}

// The named driver; error 75 when this GDAL lacks it.
GDALDriver* GdalDriver(const char* name);

}  // namespace batch
