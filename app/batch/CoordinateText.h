#pragma once
// One record's coordinate fields read as the conversion pipeline takes them,
// and its results as they are written. Every reader refuses what would
// otherwise silently become the point (0, 0): an empty field, a word, a
// geographic value in degrees-minutes-seconds form without any mark, an angle
// the range rules clear.
//
// Angles travel in radians rounded to 15 significant digits, as the pipeline
// has always held them between its steps; the rounding shows in the last
// digit of some outputs, so it is kept.
//
//   double x = batch::ProjectedValue("148679,447", 1.0);  // 148679.447
//   double lon = batch::GeographicValue("4°21'0''", 1);   // radians

#include <cstdint>
#include <string>
#include <string_view>

namespace batch {

constexpr std::int16_t MinZone = 1, MaxZone = 60;  // UTM zones

// Geographic input forms beside core::angle's three (DMS text, decimal
// degrees, radians): degrees, minutes and seconds packed into one number,
// DD.MMSSsss, as field books and calculators write them (4.2130 is 4°21'30'').
constexpr std::int16_t GeoPackedDms = 4;

// The decimal degrees of a packed DD.MMSS number: the first two digits after
// the point are minutes, the rest seconds ("4.2", "4.20" and "4.2000" are all
// 4°20'). Throws base::RuntimeError 13 for anything else and for minutes or
// seconds of 60 or more.
double PackedDmsDegrees(std::string_view field);

// Reading a scale: its decimal comma turned to a point; 0 when the text is
// not wholly a number.
double ScaleValue(std::string text);

// Throws base::RuntimeError 13 for a field that is not wholly a number, 6
// when its product with `scale` overflows.
// The field's value (decimal comma or point) times `scale`: exactly as
// written when `scale` is 1, else to 15 significant digits.
double ProjectedValue(std::string_view field, double scale);
// The radians of a longitude or latitude written in `mode` (1 DMS text,
// 2 decimal degrees, 3 radians, 4 GeoPackedDms), to 15 significant digits.
double GeographicValue(std::string_view field, std::int16_t mode);
// GeographicValue of a latitude, refused outside 0 to 90°.
double LatitudeValue(std::string_view field, std::int16_t mode);
// GeographicValue of a longitude, refused outside -180 to 360° as written
// (core::LongitudeInRange).
double LongitudeValue(std::string_view field, std::int16_t mode);
// The integer part of a UTM zone field, 1 to 60.
std::int16_t ZoneNumber(std::string_view field);
// The same readings of numbers rather than texts (a program's arrays): what
// the readers above give for a field holding the number's shortest text.
// NaN and infinities are refused as words are; geographic values in mode 2
// (decimal degrees) or 3 (radians).
double ProjectedNumber(double value);
double GeographicNumber(double value, std::int16_t mode);
double LatitudeNumber(double value, std::int16_t mode);
double LongitudeNumber(double value, std::int16_t mode);
std::int16_t ZoneNumber(double zone);

// A UTM northing, refused outside the northern hemisphere's 0 to
// core::UtmMaxNorthing (no southern false northing).
double UtmNorthing(double north);

// An MGRS or IFBL reference; only refused when empty.
std::string GridText(std::string_view field);

// Radians as decimal degrees (180 / the 15-digit pi).
double Degrees(double radians);
// A longitude in decimal degrees from -180 to 180: the range rules give 0 to
// 360°, the datum step -180 to 180°.
double LongitudeDegrees(double radians);

}  // namespace batch
