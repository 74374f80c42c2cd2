// The store's entry into the GDAL module: the drivers of GdalDriver.cpp, in
// the table the stand-ins of GdalModule.cpp look up by its C name.

#include "store/detail/Drivers.h"

extern "C" {
extern const store::detail::GdalReaders travena_gdal_readers;
const store::detail::GdalReaders travena_gdal_readers{&store::detail::MakeGdalXlsxDriver, &store::detail::MakeOdsDriver,
                                                      &store::detail::MakeGpkgDriver};
}
