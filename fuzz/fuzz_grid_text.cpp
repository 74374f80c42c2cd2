// MGRS references and IFBL codes as typed or read from a record. The first
// byte picks the decoder.

#include <cmath>
#include <cstdint>
#include <string>

#include "base/Errors.h"
#include "core/Grid.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    try {
        if (data[0] & 1) {
            std::int16_t zone = 0;
            double easting = 0, northing = 0;
            core::MgrsToUtm(zone, easting, northing, text);
            if (zone < 1 || zone > 60 || !std::isfinite(easting) || !std::isfinite(northing)) __builtin_trap();
        } else {
            double x = 0, y = 0;
            core::IfblToLambert(x, y, text);
            if (!std::isfinite(x) || !std::isfinite(y)) __builtin_trap();
            // The centre of a 1 km square of the grid codes back to that
            // square. (Codes of band M and column band 9 may name squares
            // beyond the grid's edges, which code as "No zone".)
            std::string code;
            core::LambertToIfbl(x, y, code);
            if (text.size() == 6 && code != "No zone" && code != text) __builtin_trap();
        }
    } catch (const base::RuntimeError&) {}
    return 0;
}
