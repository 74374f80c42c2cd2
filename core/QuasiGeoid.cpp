#include "core/QuasiGeoid.h"

#include "core/Constants.h"
#include "core/FloatGrid.h"

namespace core {

bool QuasiGeoidHeight(double lon, double lat, double& N) {
    static const ShippedGrid grid(QuasiGeoidFile, 1);
    constexpr double DegPerRad = HalfCircleDeg / Pi;
    double v = 0;
    if (!grid.Get().Interpolate(lon * DegPerRad, lat * DegPerRad, 1, &v)) return false;
    N = v;
    return true;
}

bool ConvertHeight(char in, char out, double lon, double lat, double z, double& result) {
    double N = 0;
    if (in != out && !QuasiGeoidHeight(lon, lat, N)) return false;
    const double h = in == OstendHeight ? z + N : z;
    result = out == OstendHeight ? h - N : h;
    return true;
}

}  // namespace core
