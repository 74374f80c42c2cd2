// Angle texts: the one reader of typed angles, writing degrees-minutes-
// seconds, the range rules, CommaToPoint, and typed numbers of metres.

#include <cstdint>
#include <string>

#include <gtest/gtest.h>

#include "core/AngleText.h"
#include "core/Constants.h"
#include "core/NumberText.h"
#include "core/StrictText.h"
#include "base/Errors.h"
#include "tests/Support.h"

namespace {

using core::ConvertAngle;
using testsupport::ErrorNumber;
namespace angle = core::angle;

constexpr double SecondDeg = 1.0 / 3600;

// Every form people type or copy, read or refused. The window's cells, the
// editor and the batch run all read angles through this reader.
TEST(ReadAngleText, ReadsWhatPeopleTypeAndRefusesTheRest) {
    using Axis = core::AngleAxis;
    constexpr double Refused = 999;  // `degrees` of a refusal; `why` is then part of its message
    const struct {
        const char* text;
        double degrees;
        const char* why = "";
        Axis axis = Axis::Any;
        bool plain = false;
    } rows[] = {// Marks, in their several spellings.
                {"50°30'15.5''", 50 + 0.5 + 15.5 * SecondDeg},
                {"50°30'15.5\"", 50 + 0.5 + 15.5 * SecondDeg},
                {"50° 30′ 15.5″", 50 + 0.5 + 15.5 * SecondDeg},
                {"50º30’15,5”", 50 + 0.5 + 15.5 * SecondDeg},
                {"4°21´6.12′′", 4 + 21 / 60.0 + 6.12 * SecondDeg},
                {"30''", 30 * SecondDeg},
                {"30'", 0.5},
                {"12°", 12},
                {"12°30''", 12 + 30 * SecondDeg},
                {"50.5°", 50.5},
                {" 50°30' ", 50.5},
                // Blanks separate the fields; a number without a mark is the next unit.
                {"50 30 15.5", 50 + 0.5 + 15.5 * SecondDeg},
                {"4 21'6.12''", 4 + 21 / 60.0 + 6.12 * SecondDeg},
                {"5 7", 5 + 7 / 60.0},
                {"50°30", 50.5},
                {"50°30'15", 50 + 0.5 + 15 * SecondDeg},
                {"50\u00A030\u2009 15", 50 + 0.5 + 15 * SecondDeg},
                {"50 ° 30 '", 50.5},
                // Decimal degrees, a comma or a point.
                {"50.5", 50.5, "", Axis::Any, true},
                {"4,35", 4.35, "", Axis::Any, true},
                {"-4.35", -4.35, "", Axis::Any, true},
                {"\u22124.35", -4.35, "", Axis::Any, true},
                {"1e1", 10, "", Axis::Any, true},
                // A sign applies to the whole angle.
                {"-4°30'", -4.5},
                {"-0°30'", -0.5},
                {"\u22124 30", -4.5},
                {"- 4°30'", -4.5},
                {"+4°30'", 4.5},
                {"-0°", 0},
                // Hemisphere letters before or after, with or without a blank.
                {"N50°30'", 50.5},
                {"50°30'N", 50.5},
                {"S 50 30", -50.5},
                {"s50.5", -50.5},
                {"4°21'6\"E", 4 + 21 / 60.0 + 6 * SecondDeg},
                {"4.35E", 4.35},
                {"O 4°30'", -4.5},
                {"4°30' W", -4.5},
                {"50°30'15.5''N", 50 + 0.5 + 15.5 * SecondDeg, "", Axis::Latitude},
                {"E 4°21'", 4.35, "", Axis::Longitude},
                // Refused, quoting the text as typed.
                {"50°75'", Refused, "« 50°75' » : les minutes vont de 0 à 59."},
                {"50°30'60''", Refused, "les secondes vont de 0"},
                {"50 60", Refused, "minutes"},
                {"75'", Refused, "minutes"},
                {"50°30'59.9999''", 50 + 0.5 + 59.9999 * SecondDeg},
                {"30'12°", Refused, "dans cet ordre"},
                {"12°13°", Refused, "dans cet ordre"},
                {"1 2 3 4", Refused, "dans cet ordre"},
                {"50.5°30'", Refused, "seule la dernière valeur"},
                {"4 21.5 6", Refused, "décimales"},
                {"N50°S", Refused, "une seule lettre"},
                {"-N50", Refused, "Angle illisible : « -N50 »."},
                {"N -50", Refused, "un signe et une lettre"},
                {"N50°", Refused, "pas une longitude", Axis::Longitude},
                {"4°E", Refused, "pas une latitude", Axis::Latitude},
                {"50°X", Refused, "Angle illisible : « 50°X »."},
                {"5N0", Refused, "Angle illisible"},
                {"1.2.3", Refused, "Angle illisible"},
                {"50.8466, 4.3517", Refused, "illisible"},
                {"°30'", Refused, "illisible"},
                {"N", Refused, "illisible"},
                {"-", Refused, "illisible"},
                {"50°30'15.5'''", Refused, "illisible"},
                {"   ", Refused, "Angle vide."},
                {"1e999", Refused, "Nombre trop grand : « 1e999 »."}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.text);
        if (r.degrees != Refused) {
            const core::AngleReading reading = core::ReadAngleText(r.text, r.axis);
            EXPECT_NEAR(reading.degrees, r.degrees, 1e-12);
            EXPECT_EQ(reading.plain, r.plain);
            continue;
        }
        try {
            core::ReadAngleText(r.text, r.axis);
            ADD_FAILURE() << "read";
        } catch (const base::RuntimeError& e) {
            EXPECT_EQ(e.number,
                      std::string(r.why).starts_with("Nombre") ? base::err::Overflow : base::err::TypeMismatch);
            EXPECT_NE(std::string(e.what()).find(r.why), std::string::npos) << e.what();
        }
    }
}

// Metres as typed or copied: thousands grouped by blanks, a decimal comma or
// point; two numbers in one cell, or a group of the wrong size, are refused.
TEST(ReadNumberText, ReadsGroupedThousandsAndRefusesTheRest) {
    constexpr double Refused = -999;
    const struct {
        const char* text;
        double value;
    } rows[] = {{"150000", 150000},
                {"150 000,5", 150000.5},
                {"150\u00A0000,5", 150000.5},
                {"1\u2009234\u202F567.25", 1234567.25},
                {" -12,5 ", -12.5},
                {"\u221212.5", -12.5},
                {"+7", 7},
                {".5", 0.5},
                {"1.5e3", 1500},
                {"3D2", 300},
                {"150000 170000", Refused},
                {"1 50 000", Refused},
                {"1500 00", Refused},
                {"150 00", Refused},
                {"148.679,447", Refused},
                {"12abc", Refused},
                {"E 596372", Refused},
                {"", Refused},
                {"-", Refused},
                {"1e", Refused},
                {"150 000 ,5", Refused}};
    for (const auto& r : rows) {
        if (r.value != Refused) {
            EXPECT_EQ(core::ReadNumberText(r.text), r.value) << r.text;
            continue;
        }
        try {
            core::ReadNumberText(r.text);
            ADD_FAILURE() << r.text;
        } catch (const base::RuntimeError& e) {
            EXPECT_EQ(e.number, base::err::TypeMismatch);
            EXPECT_EQ(e.what(), "« " + std::string(r.text) + " » n'est pas un nombre.");
        }
    }
    EXPECT_EQ(ErrorNumber([] { core::ReadNumberText("1e999"); }), base::err::Overflow);
}

TEST(ConvertAngle, EachModeWritesTheOtherForms) {
    const struct {
        std::int16_t mode;
        const char* text;  // input for mode 1
        double value;      // degrees for mode 2, radians for mode 3
        const char* textOut;
        double degreesOut;
    } rows[] = {{1, "50°30'15.5''", 0, "50°30'15.5''", 50 + 0.5 + 15.5 * SecondDeg},
                {1, "30''", 0, "30''", 30 * SecondDeg},
                {1, "30'", 0, "30'", 0.5},
                {1, "12°", 0, "12°", 12},
                {1, "12°30''", 0, "12°30''", 12 + 30 * SecondDeg},
                {1, "50°30'15,5''", 0, "50°30'15,5''", 50.5 + 15.5 * SecondDeg},
                {1, "50.5°", 0, "50.5°", 50.5},
                {1, "50°30'18\"", 0, "50°30'18\"", 50.505},
                {1, "50.5", 0, "50.5", 50.5},
                {1, "", 0, "", 0},
                {1, "-4°30'", 0, "355°30'0.000''", 355.5},
                {1, "360°", 0, "360°", 360},
                {1, "400°", 0, "", 0},
                {1, "-400°", 0, "", 0},  // one turn added, once
                {2, "", 50.5, "50°30'0.000''", 50.5},
                {2, "old", 0, "", 0},
                {2, "", -4.5, "355°30'0.000''", 355.5},
                {2, "", 400, "", 0},
                {2, "", 360, "360°0'0.000''", 360},
                {2, "", 10.9999999, "11°0'0.000''", 10.9999999},
                {2, "", 4.35, "4°21'0.000''", 4.35},
                {2, "", -4.0000001, "356°0'0.000''", 355.9999999},
                {2, "", 50 + 15.4996 * SecondDeg, "50°0'15.500''", 50 + 15.4996 * SecondDeg},
                {3, "", core::Pi, "180°0'0.000''", 180},
                {3, "old", 0, "", 0},
                {3, "", -core::Pi / 2, "270°0'0.000''", 270}};
    for (const auto& r : rows) {
        std::string text = r.text;
        double degrees = r.mode == angle::FromDegrees ? r.value : -999;
        double radians = r.mode == angle::FromRadians ? r.value : -999;
        ConvertAngle(text, degrees, radians, r.mode);
        EXPECT_EQ(text, r.textOut) << r.mode << " " << r.text << r.value;
        EXPECT_NEAR(degrees, r.degreesOut, 1e-12) << r.mode << " " << r.text << r.value;
        // Radians are left as given unless a range rule rewrote them.
        EXPECT_EQ(radians, r.mode == angle::FromRadians && r.value >= 0 ? r.value : degrees / 180 * core::Pi);
    }
}

// Degrees are written with the 15-digit pi the stored angles were computed
// with; the full double value of pi changes the last digit of each of these.
TEST(ConvertAngle, DegreesCarryTheFifteenDigitPi) {
    const struct {
        const char* radians;
        const char* degrees;
    } rows[] = {{"1", "57.2957795130824"}, {"0.0762", "4.36593839889688"}, {"0.88", "50.4202859715125"}};
    for (const auto& r : rows) {
        std::string text;
        double degrees = 0, radians = core::ValNumber(r.radians);
        ConvertAngle(text, degrees, radians, angle::FromRadians);
        EXPECT_EQ(core::FormatGeneral(degrees), r.degrees) << r.radians;
    }
}

// The text form reads through the one reader: what it refuses is refused.
TEST(ConvertAngle, TextTheReaderRefusesIsTypeMismatch) {
    for (const char* typed : {"30'12°", "30''12°", "1'2°3''", "50°75'"}) {
        std::string text = typed;
        double degrees = 0, radians = 0;
        EXPECT_EQ(ErrorNumber([&] { ConvertAngle(text, degrees, radians, angle::FromText); }), base::err::TypeMismatch)
            << typed;
    }
}

// A negative angle prints as its sign and magnitude, and reads back as itself.
TEST(FormatDms, NegativeAnglesReadBack) {
    const struct {
        double degrees;
        const char* text;
    } rows[] = {
        {-4.5, "-4°30'0.000''"}, {-0.5, "-0°30'0.000''"}, {-10.9999999, "-11°0'0.000''"}, {4.5, "4°30'0.000''"}};
    for (const auto& r : rows) {
        EXPECT_EQ(core::FormatDms(r.degrees), r.text);
        EXPECT_NEAR(core::ReadAngleText(r.text).degrees, r.degrees, 1e-6) << r.text;
    }
}

TEST(CommaToPoint, ReplacesEveryCommaAndTrims) {
    const struct {
        const char* in;
        const char* out;
    } rows[] = {{"  1,5,6 ", "1.5.6"}, {" 150 000,5", "150 000.5"}, {"   ", ""}, {"", ""}};
    for (const auto& r : rows) {
        std::string text = r.in;
        core::CommaToPoint(text);
        EXPECT_EQ(text, r.out);
    }
}

}  // namespace
