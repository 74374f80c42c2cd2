// Degrees-minutes-seconds text as a cell or a record field holds it, and
// typed numbers of metres.

#include <cmath>
#include <cstdint>
#include <string>

#include "base/Errors.h"
#include "core/AngleText.h"
#include "core/NumberText.h"
#include "core/StrictText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    // The typed reader: a finite angle, whose printed text reads back as itself.
    for (core::AngleAxis axis : {core::AngleAxis::Any, core::AngleAxis::Longitude, core::AngleAxis::Latitude}) {
        double read = 0;
        try {
            read = core::ReadAngleText(input, axis).degrees;
        } catch (const base::RuntimeError&) {
            continue;
        }
        if (!std::isfinite(read)) __builtin_trap();
        // Angles the program can meet print without an exponent, and read back.
        constexpr double Printable = 1e9;
        if (std::fabs(read) < Printable && std::fabs(core::ReadAngleText(core::FormatDms(read)).degrees - read) > 1e-6)
            __builtin_trap();
    }
    try {
        if (!std::isfinite(core::ReadNumberText(input))) __builtin_trap();
    } catch (const base::RuntimeError&) {}

    std::string text = input;
    double degrees = 0, radians = 0;
    try {
        core::CommaToPoint(text);
        (void)core::ValNumber(text);
        core::ConvertAngle(text, degrees, radians, core::angle::FromText);
    } catch (const base::RuntimeError&) {
        return 0;
    }
    // An angle read is finite and brought into 0..360°, or cleared.
    if (!std::isfinite(degrees) || !std::isfinite(radians) || degrees < 0 || degrees > 360) __builtin_trap();
    // Its text reads back to the same angle, to the printed precision.
    std::string again = text;
    double back = 0, backRadians = 0;
    core::ConvertAngle(again, back, backRadians, core::angle::FromText);
    if (std::fabs(back - degrees) > 1e-6) __builtin_trap();
    return 0;
}
