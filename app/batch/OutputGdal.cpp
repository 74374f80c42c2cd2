// The batch run's entry into the GDAL module: the GeoPackage sink, in the table
// Output.cpp looks up by its C name, and the GDAL drivers they write with.

#include "app/batch/OutputGdal.h"

#include <ogrsf_frmts.h>

#include <mutex>

#include "app/batch/Output.h"

namespace batch {

GDALDriver* GdalDriver(const char* name) {
    static std::once_flag registered;
    // Only the driver written with: registering all of GDAL's two hundred
    // touches several megabytes of their code for nothing.
    std::call_once(registered, [] { RegisterOGRGeoPackage(); });
    GDALDriver* driver = GetGDALDriverManager()->GetDriverByName(name);
    if (!driver) throw base::RuntimeError(base::err::FileAccess, std::string("pilote GDAL ") + name + " absent.");
    return driver;
}

}  // namespace batch

extern "C" {
extern const batch::GdalSinks travena_gdal_sinks;
const batch::GdalSinks travena_gdal_sinks{&batch::MakeGeoPackageSink};
}
