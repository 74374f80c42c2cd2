#pragma once
// How a batch system list item ("BE LB72", "BE Geographic ED50", "W MGRS",
// "BE IFBL", ...) is turned back into what the pipeline needs: the kind of
// coordinates, a projection or datum name, and the base of output column names.

#include <cstdint>
#include <string>

namespace batch {

enum class SystemKind : std::int16_t {
    None = 0,        // absent second output
    Projected = 1,   // X and Y, metres
    Geographic = 2,  // longitude and latitude
    Utm = 3,         // easting, northing and zone
    Mgrs = 4,        // one grid reference text
    Ifbl = 5,        // one grid cell code
};

struct SystemChoice {
    SystemKind kind = SystemKind::None;
    std::string projection;  // may end in "MGRS" or "IFBL": a grid on top of the rest
    std::string datum;
    std::string fieldBase;
};

// An empty item stands for the absent second output.
SystemChoice MakeSystemChoice(const std::string& item);

// "BE LB72" -> "BE_LB72".
std::string SpacesToUnderscores(std::string text);

// Number of coordinate fields a point of this kind has in a table or line.
int CoordinateCount(SystemKind kind);

}  // namespace batch
