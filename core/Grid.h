#pragma once
// Grid references layered on projected coordinates: MGRS references on UTM
// (zone, easting, northing) and the Belgian IFBL floristic grid codes on
// Lambert 72 (x, y).
//
// MGRS text: zone (no leading zero), latitude band, 100 km column and row
// letters, then an even number of digits, half easting and half northing; the
// encoder writes five each (1 m). IFBL code: row band A..M, column band 0..9,
// 4 km row 1..5 and column 1..8, then optionally the 2 km and 1 km quarters
// (1 NW, 2 NE, 3 SW, 4 SE).
//
// The decoders refuse what they cannot read with RuntimeError(err::BadReference)
// and then leave their numeric outputs untouched.

#include <cstdint>
#include <string>

namespace core {

// Removes every blank (leading, trailing and inner).
void RemoveSpaces(std::string& text);

// RemoveSpaces, then ASCII upper case: the form the decoders read.
void CleanReference(std::string& text);

// lat in radians (chooses the band only: "N" up to 8°, southern latitudes
// included). Throws RuntimeError(err::InvalidCall) for a zone outside 1..60, a
// latitude of 88° or more (or NaN), an easting outside 100000..899999.999
// (no column letter) or a northing outside 0..9999999.999 (no five-digit
// field): a reference there would not read back.
void UtmToMgrs(double lat, std::int16_t zone, double easting, double northing, std::string& reference);

// Cleans `reference` in place (CleanReference) and reads it. Fewer than ten
// digits stand for the centre of the coarser cell: "31UER851949" is the 100 m
// cell at 585150, 5594950, and "31UER" the 100 km square's centre.
void MgrsToUtm(std::int16_t& zone, double& easting, double& northing, std::string& reference);

// code = the 6-character IFBL code of the 1 km square holding (x, y), or
// IfblOutsideGrid outside 2000 <= x <= 290000, 18000 <= y <= 258000.
inline constexpr const char* IfblOutsideGrid = "No zone";
void LambertToIfbl(double x, double y, std::string& code);

// Cleans `code` in place and gives the centre of the square it names: 4 km for
// four characters, 2 km for five, 1 km for six.
void IfblToLambert(double& x, double& y, std::string& code);

}  // namespace core
