#pragma once
// The BD72 <-> ETRS89 shift grid of IGN Belgium (NTv2 grid
// bd72lb72_etrs89lb08, shipped as data/be_ign_bd72lb72_etrs89lb08.tif): the
// official centimetre route between Belgian Datum 72 and ETRS89, which the
// program takes as WGS 84.
//
// ETRS89 = BD72 + offset, the offset (arc-seconds, longitude positive east)
// interpolated bilinearly at the BD72 position. The grid is read on first
// use; its absence or a damaged file raises the reader's error then.

#include <string>

namespace core {

inline constexpr const char* IgnGridFile = "be_ign_bd72lb72_etrs89lb08.tif";
inline constexpr const char* IgnGridDatum = "BE BD72";  // the datum the grid starts from

// BD72 (lon, lat in radians) to ETRS89. False, writing nothing, when the
// point lies outside the grid.
bool IgnGridForward(double lon, double lat, double& lonOut, double& latOut);

// ETRS89 to BD72: BD72 = ETRS89 - offset(BD72), iterated from BD72 = ETRS89
// until a step moves less than 1e-12 rad. False, writing nothing, when the
// BD72 position lies outside the grid; base::NoConvergenceError past the cap.
bool IgnGridInverse(double lon, double lat, double& lonOut, double& latOut);

}  // namespace core
