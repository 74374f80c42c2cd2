#include "app/main/ParamSheet.h"

#include <charconv>
#include <cmath>
#include <system_error>

#include "core/AngleText.h"
#include "core/NumberText.h"

namespace app {

namespace {

constexpr int SingleDigits = 7;
constexpr const char* Br = "\n";

std::string Dms(double radians) {
    std::string text;
    double degrees = 0;
    core::ConvertAngle(text, degrees, radians, core::angle::FromRadians);
    return text;
}

}  // namespace

std::string FormatSingle(float value) {
    // Round to 7 digits through the shortest decimal text, then print that
    // decimal value in the general format, so 0.1f shows as 0.1.
    if (!std::isfinite(value)) return core::FormatGeneral(value);
    char buf[64];
    const auto r =
        std::to_chars(buf, buf + sizeof buf, static_cast<double>(value), std::chars_format::general, SingleDigits);
    double rounded = value;
    if (r.ec == std::errc()) std::from_chars(buf, r.ptr, rounded);
    return core::FormatGeneral(rounded);
}

std::string DatumSheet(const std::string& ellipsoidName, const core::EllipsoidParams& ellipsoid,
                       const std::string& datumName, const core::DatumParams& d) {
    std::string s;
    s += "Ellipsoid : " + ellipsoidName + Br;
    s += "semimajor axis a = " + core::FormatGeneral(ellipsoid.a) + " m" + Br;
    s += "eccentricity e = " + core::FormatGeneral(ellipsoid.ec) + Br;
    s += "inverse flattering 1/f = " + core::FormatGeneral(ellipsoid.unf) + Br + Br;
    s += "Datum : " + datumName + Br;
    s += std::string("3 (or 5) parameters geocentrics translations to WGS84 :") + Br;
    s += "dX = " + FormatSingle(d.dX) + " m" + Br;
    s += "dY = " + FormatSingle(d.dY) + " m" + Br;
    s += "dZ = " + FormatSingle(d.dZ) + " m" + Br;
    // The sum is formed in single precision, as the transformation forms it.
    const float sum7 = d.dX7 + d.dY7 + d.dZ7;
    if (sum7 != 0.0f) {
        s += Br;
        s += std::string("7 parameters geocentrics translations to WGS84 :") + Br;
        s += "dX = " + FormatSingle(d.dX7) + " m" + Br;
        s += "dY = " + FormatSingle(d.dY7) + " m" + Br;
        s += "dZ = " + FormatSingle(d.dZ7) + " m" + Br;
        s += "rX = " + FormatSingle(d.rX) + " ''" + Br;
        s += "rY = " + FormatSingle(d.rY) + " ''" + Br;
        s += "rZ = " + FormatSingle(d.rZ) + " ''" + Br;
        s += "dS = " + FormatSingle(d.dS) + " ppm" + Br;
    }
    return s;
}

std::string ProjectionSheet(const std::string& label, const core::ProjectionParams& p) {
    std::string s = std::string(Br) + Br;
    s += "Projection : " + label + Br;
    s += "false easting FE = " + core::FormatGeneral(p.FE) + " m" + Br;
    s += "false northing FN = " + core::FormatGeneral(p.fn) + " m" + Br;
    s += "scale factor k0 = " + core::FormatGeneral(p.k0) + Br;
    s += "central meridian = " + Dms(p.Lg0) + Br;
    s += "latitude of origin = " + Dms(p.Lt0) + Br;
    s += "latitude 1 = " + Dms(p.Lt1) + Br;
    s += "latitude 2 = " + Dms(p.Lt2) + Br;
    s += "rotation = " + Dms(p.aa) + Br;
    return s;
}

std::string LoadSheet(const std::string& datum, const std::string& projection, const std::string& projectionLabel,
                      const std::string& datumShown) {
    core::ProjectionParams p;
    std::string datumName = datum;
    if (!projection.empty()) {
        p = core::LoadProjection(projection);
        datumName = p.Datum;
    }
    const core::DatumParams d = core::LoadDatum(datumName);
    const core::EllipsoidParams e = core::LoadEllipsoid(d.Ellipsoide);
    std::string sheet = DatumSheet(d.Ellipsoide, e, datumShown.empty() ? datumName : datumShown, d);
    if (!projection.empty()) sheet += ProjectionSheet(projectionLabel, p);
    return sheet;
}

}  // namespace app
