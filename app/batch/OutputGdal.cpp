// The batch run's entry into the GDAL module: the GeoPackage sink, in the table
// Output.cpp looks up by its C name, and the GDAL drivers they write with.

#include "app/batch/OutputGdal.h"

#include <mutex>

#include "app/batch/Output.h"

namespace batch {

GDALDriver* GdalDriver(const char* name) {
    static std::once_flag registered;
    std::call_once(registered, [] { GDALAllRegister(); });
    GDALDriver* driver = GetGDALDriverManager()->GetDriverByName(name);
    if (!driver) throw base::RuntimeError(base::err::FileAccess, std::string("pilote GDAL ") + name + " absent.");
    return driver;
}

}  // namespace batch

extern "C" {
extern const batch::GdalSinks travena_gdal_sinks;
const batch::GdalSinks travena_gdal_sinks{&batch::MakeGeoPackageSink};
}
