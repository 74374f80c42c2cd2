// Reading one record's coordinate fields: the numbers the pipeline takes,
// and the fields refused with the number and text the user is shown.

#include <gtest/gtest.h>

#include <string>

#include "app/batch/CoordinateText.h"
#include "base/Errors.h"
#include "core/Constants.h"
#include "core/NumberText.h"
#include "tests/Support.h"

namespace {

constexpr double Rad = core::Pi / 180;
const std::string LongZeros = "0." + std::string(80, '0') + "5";  // beyond any stack buffer

struct ReadCase {
    const char* name;
    std::string field;
    int kind;  // 0 projected (scale), 1 degrees, 2 DMS, 3 latitude in degrees, 4 zone, 5 packed DD.MMSS,
               // 6 longitude in degrees, 7 longitude in radians, 8 UTM northing
    double scale;
    double value;      // when accepted
    int error;         // else the error number
    std::string text;  // and its description
};

double Read(const ReadCase& c) {
    switch (c.kind) {
    case 0: return batch::ProjectedValue(c.field, c.scale);
    case 1: return batch::GeographicValue(c.field, 2);
    case 2: return batch::GeographicValue(c.field, 1);
    case 3: return batch::LatitudeValue(c.field, 2);
    case 5: return batch::GeographicValue(c.field, batch::GeoPackedDms);
    case 6: return batch::LongitudeValue(c.field, 2);
    case 7: return batch::LongitudeValue(c.field, 3);
    case 8: return batch::UtmNorthing(batch::ProjectedValue(c.field, 1));
    default: return batch::ZoneNumber(c.field);
    }
}

class FieldReading : public ::testing::TestWithParam<ReadCase> {};

TEST_P(FieldReading, ValueOrRefusal) {
    const ReadCase& c = GetParam();
    if (c.error == 0) {
        EXPECT_EQ(Read(c), c.value);
        return;
    }
    try {
        Read(c);
        FAIL() << "accepted";
    } catch (const base::RuntimeError& e) {
        EXPECT_EQ(e.number, c.error);
        EXPECT_EQ(e.what(), c.text);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Fields, FieldReading,
    ::testing::Values(
        // Scale 1 keeps every digit written; another scale rounds to 15 digits.
        ReadCase{"CommaAndBlanks", " 148679,447 ", 0, 1, 148679.447, 0, ""},
        ReadCase{"AllDigitsKept", "0.12345678901234567", 0, 1, 0.12345678901234567, 0, ""},
        ReadCase{"ScaledRounded", "0.1", 0, 3, core::GeneralValue(0.1 * 3), 0, ""},
        ReadCase{"LongField", LongZeros, 0, 1, 5e-81, 0, ""},
        ReadCase{"Empty", "  ", 0, 1, 0, base::err::TypeMismatch, "valeur vide."},
        ReadCase{"Word", "12a", 0, 1, 0, base::err::TypeMismatch, "« 12a » n'est pas un nombre."},
        ReadCase{"LongWord", LongZeros + "x", 0, 1, 0, base::err::TypeMismatch,
                 "« " + LongZeros + "x » n'est pas un nombre."},
        ReadCase{"BlanksInside", " 1 2" + std::string(100, ' ') + ".5e3 ", 0, 1, 12500, 0, ""},
        ReadCase{"ExponentWithoutDigits", "12e", 0, 1, 0, base::err::TypeMismatch, "« 12e » n'est pas un nombre."},
        ReadCase{"Tab", " \t ", 0, 1, 0, base::err::TypeMismatch, "valeur vide."},
        // Thousands separators make a field only begin with a number.
        ReadCase{"NoBreakSpaceThousands", "148\u00A0679,447", 0, 1, 0, base::err::TypeMismatch,
                 "« 148\u00A0679.447 » n'est pas un nombre."},
        ReadCase{"PointThousands", "148.679,447", 0, 1, 0, base::err::TypeMismatch,
                 "« 148.679.447 » n'est pas un nombre."},
        ReadCase{"ScaleOverflows", "1e300", 0, 1e10, 0, base::err::Overflow,
                 "« 1e300 » fois l'échelle dépasse les nombres représentables."},
        // Angles: radians to 15 digits; a negative one gets 360° added.
        ReadCase{"Degrees", "4,35", 1, 1, core::GeneralValue(4.35 * Rad), 0, ""},
        ReadCase{"NegativeDegrees", "-10", 1, 1, core::GeneralValue(350 * Rad), 0, ""},
        ReadCase{"Zero", "0,000", 1, 1, 0, 0, ""},
        ReadCase{"Dms", "4°21'0''", 2, 1, core::GeneralValue(4.35 * Rad), 0, ""},
        ReadCase{"BeyondRange", "400", 1, 1, 0, base::err::InvalidCall, "angle hors de 0 à 360°."},
        ReadCase{"DmsWithoutMarks", "4.35", 2, 1, 0, base::err::TypeMismatch,
                 "« 4.35 » n'est pas écrit en degrés, minutes et secondes."},
        ReadCase{"DmsWithAHemisphereLetter", "E4°21'0''", 2, 1, core::GeneralValue(4.35 * Rad), 0, ""},
        ReadCase{"DmsWithBlanksAndAWestLetter", "4 21 0 W", 2, 1, core::GeneralValue(355.65 * Rad), 0, ""},
        ReadCase{"DmsSixtyMinutes", "4°60'", 2, 1, 0, base::err::TypeMismatch,
                 "Angle illisible : « 4°60' » : les minutes vont de 0 à 59."},
        // Packed DD.MMSS is degrees, minutes and seconds, never decimal degrees.
        ReadCase{"PackedMinutes", "4.2100", 5, 1, core::GeneralValue(4.35 * Rad), 0, ""},
        ReadCase{"PackedLatitude", "50,5100", 5, 1, core::GeneralValue(50.85 * Rad), 0, ""},
        ReadCase{"PackedShortMinutes", "4.2", 5, 1, core::GeneralValue((4 + 20.0 / 60) * Rad), 0, ""},
        ReadCase{"PackedDecimalSeconds", "4.213015", 5, 1, core::GeneralValue((4 + 21.0 / 60 + 30.15 / 3600) * Rad), 0,
                 ""},
        ReadCase{"PackedWholeDegrees", "5", 5, 1, core::GeneralValue(5 * Rad), 0, ""},
        ReadCase{"PackedNegative", "-4.2100", 5, 1, core::GeneralValue(355.65 * Rad), 0, ""},
        ReadCase{"PackedSixtyMinutes", "4.7500", 5, 1, 0, base::err::TypeMismatch,
                 "« 4.7500 » n'est pas écrit en DD.MMSS : les minutes vont de 0 à 59."},
        ReadCase{"PackedSixtySeconds", "4.2160", 5, 1, 0, base::err::TypeMismatch,
                 "« 4.2160 » n'est pas écrit en DD.MMSS : les secondes vont de 0 à 59."},
        ReadCase{"PackedExponent", "4.2e1", 5, 1, 0, base::err::TypeMismatch, "« 4.2e1 » n'est pas écrit en DD.MMSS."},
        ReadCase{"PackedDms", "4°21'", 5, 1, 0, base::err::TypeMismatch, "« 4°21' » n'est pas écrit en DD.MMSS."},
        ReadCase{"PackedEmpty", " ", 5, 1, 0, base::err::TypeMismatch, "valeur vide."},
        ReadCase{"LatitudeBeyondThePole", "95", 3, 1, 0, base::err::InvalidCall, "latitude hors de 0 à 90°."},
        ReadCase{"SouthernLatitude", "-10", 3, 1, 0, base::err::InvalidCall, "latitude hors de 0 à 90°."},
        // Longitudes as written: west of -180° the range rules would take one
        // for its eastern twin, so it is refused there, not only beyond 360°.
        ReadCase{"LongitudeWestOf180", "-200", 6, 1, 0, base::err::InvalidCall,
                 "longitude hors de -180 à 360° : -200°."},
        ReadCase{"LongitudeMinus180", "-180", 6, 1, batch::GeographicValue("180", 2), 0, ""},
        ReadCase{"Longitude360", "360", 6, 1, batch::GeographicValue("360", 2), 0, ""},
        ReadCase{"LongitudeBeyond360", "1516", 6, 1, 0, base::err::InvalidCall,
                 "longitude hors de -180 à 360° : 1516°."},
        ReadCase{"LongitudeRadians", "-3,5", 7, 1, 0, base::err::InvalidCall,
                 "longitude hors de -180 à 360° : -200.535228295788°."},
        ReadCase{"NorthingZero", "0", 8, 1, 0, 0, ""},
        ReadCase{"NorthingSouth", "-5", 8, 1, 0, base::err::InvalidCall,
                 "N = -5 m : Travena calcule dans l'hémisphère nord, où N va de 0 à 10000000 m."},
        ReadCase{"ZoneIntegerPart", "31,7", 4, 1, 31, 0, ""},
        ReadCase{"ZoneBeyond60", "61", 4, 1, 0, base::err::Overflow, "fuseau hors de 1 à 60."}),
    testsupport::RowName());

}  // namespace
