// Angle texts: reading and writing degrees-minutes-seconds, the range rules,
// and CommaToPoint.

#include <cstdint>
#include <string>

#include <gtest/gtest.h>

#include "core/AngleText.h"
#include "core/Constants.h"
#include "core/NumberText.h"
#include "base/Errors.h"
#include "tests/Support.h"

namespace {

using testsupport::ErrorNumber;
using core::ConvertAngle;
namespace angle = core::angle;

constexpr double SecondDeg = 1.0 / 3600;

TEST(ConvertAngle, EachModeWritesTheOtherForms) {
    const struct {
        std::int16_t mode;
        const char* text;  // input for mode 1
        double value;      // degrees for mode 2, radians for mode 3
        const char* textOut;
        double degreesOut;
    } rows[] = {
        {1, "50°30'15.5''", 0, "50°30'15.5''", 50 + 0.5 + 15.5 * SecondDeg}, {1, "30''", 0, "30''", 30 * SecondDeg},
        {1, "30'", 0, "30'", 0.5}, {1, "12°", 0, "12°", 12}, {1, "12°30''", 0, "12°30''", 12 + 30 * SecondDeg},
        {1, "50°30'15,5''", 0, "50°30'15,5''", 50.5 + 15 * SecondDeg},  // the comma ends the seconds
        {1, "50.5°", 0, "50.5°", 50.5}, {1, "50°30'18\"", 0, "50°30'18\"", 50.505}, {1, "50.5", 0, "50.5", 0},
        {1, "", 0, "", 0}, {1, "-4°30'", 0, "356°30'0.000''", 356.5}, {1, "360°", 0, "360°", 360},
        {1, "400°", 0, "", 0}, {1, "-400°", 0, "", 0},  // one turn added, once
        {2, "", 50.5, "50°30'0.000''", 50.5}, {2, "old", 0, "", 0}, {2, "", -4.5, "355°30'0.000''", 355.5},
        {2, "", 400, "", 0}, {2, "", 360, "360°0'0.000''", 360}, {2, "", 10.9999999, "11°0'0.000''", 10.9999999},
        {2, "", 4.35, "4°21'0.000''", 4.35}, {2, "", -4.0000001, "356°0'0.000''", 355.9999999},
        {2, "", 50 + 15.4996 * SecondDeg, "50°0'15.500''", 50 + 15.4996 * SecondDeg},
        {3, "", core::Pi, "180°0'0.000''", 180}, {3, "old", 0, "", 0}, {3, "", -core::Pi / 2, "270°0'0.000''", 270}};
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
    const struct { const char* radians; const char* degrees; } rows[] = {
        {"1", "57.2957795130824"}, {"0.0762", "4.36593839889688"}, {"0.88", "50.4202859715125"}};
    for (const auto& r : rows) {
        std::string text;
        double degrees = 0, radians = core::ValNumber(r.radians);
        ConvertAngle(text, degrees, radians, angle::FromRadians);
        EXPECT_EQ(core::FormatGeneral(degrees), r.degrees) << r.radians;
    }
}

TEST(ConvertAngle, MarksOutOfOrderAreInvalidCall) {
    for (const char* typed : {"30'12°", "30''12°", "1'2°3''"}) {
        std::string text = typed;
        double degrees = 0, radians = 0;
        EXPECT_EQ(ErrorNumber([&] { ConvertAngle(text, degrees, radians, angle::FromText); }), base::err::InvalidCall)
            << typed;
    }
}

TEST(CommaToPoint, ReplacesEveryCommaAndTrims) {
    const struct { const char* in; const char* out; } rows[] = {
        {"  1,5,6 ", "1.5.6"}, {" 150 000,5", "150 000.5"}, {"   ", ""}, {"", ""}};
    for (const auto& r : rows) {
        std::string text = r.in;
        core::CommaToPoint(text);
        EXPECT_EQ(text, r.out);
    }
}

}  // namespace
