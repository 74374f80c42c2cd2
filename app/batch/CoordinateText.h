#pragma once
// One record's coordinate fields as the conversion pipeline takes them, and
// its results as they are written. Every reader refuses what would otherwise
// silently become the point (0, 0): an empty field, a word, a geographic
// value in degrees-minutes-seconds form without any mark, an angle the
// range rules clear.
//
//   std::string x = batch::ProjectedText("148679,447", 1.0);  // "148679.447"
//   std::string lon = batch::GeographicText("4°21'0''", 1);   // radians text

#include <cstdint>
#include <string>
#include <string_view>

namespace batch {

constexpr std::int16_t MinZone = 1, MaxZone = 60;  // UTM zones

// Reading a scale: its decimal comma turned to a point; 0 when the text is
// not wholly a number.
double ScaleValue(std::string text);

// Throws base::RuntimeError 13 for a field that is not wholly a number, 6
// when its product with `scale` overflows.
// The field's value (decimal comma or point) times `scale`, as text.
std::string ProjectedText(std::string field, double scale);
// The radians text of a longitude or latitude written in `mode` (1 DMS text,
// 2 decimal degrees, 3 radians).
std::string GeographicText(std::string field, std::int16_t mode);
// A result text that is a number ("NAN" and "INF" are not).
bool FiniteNumber(const std::string& text);

// GeographicText of a latitude, refused outside 0 to 90°.
std::string LatitudeText(std::string field, std::int16_t mode);
// The integer part of a UTM zone field, 1 to 60.
std::int16_t ZoneNumber(std::string field);
// An MGRS or IFBL reference; only refused when empty.
std::string GridText(const std::string& field);

// A radians text as decimal degrees (180 / the 15-digit pi).
std::string DegreesText(const std::string& radiansText);
double Degrees(const std::string& radiansText);
// A longitude's radians text in decimal degrees from -180 to 180: the range
// rules give 0 to 360°, the datum step -180 to 180°.
double LongitudeDegrees(const std::string& radiansText);

}  // namespace batch
