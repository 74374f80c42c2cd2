// Degrees-minutes-seconds text, decimal degrees and radians.
//
// Conversions use the program's 15-digit Pi and always divide first
// (degrees / 180 * Pi, radians / Pi * 180): stored angles were computed that
// way and must reproduce to the last bit. Marks are searched as UTF-8 bytes;
// the degree sign is two bytes long, so field lengths count bytes.

#include "core/AngleText.h"

#include <cmath>
#include <string_view>

#include "core/Constants.h"
#include "base/Errors.h"
#include "core/NumberText.h"

namespace core {

namespace {

constexpr std::string_view DegreeMark = "\u00B0";
constexpr std::string_view MinuteMark = "'";
constexpr std::string_view SecondMark = "''";
constexpr double FullCircleDeg = 360.0;
constexpr double MinutesPerDegree = 60.0;
constexpr double SecondsPerDegree = 3600.0;
constexpr int SecondsDecimals = 3;

double ToRadians(double degrees) { return degrees / HalfCircleDeg * Pi; }
double ToDegrees(double radians) { return radians / Pi * HalfCircleDeg; }

// The number in text[begin, end); an end before begin is the negative-length
// field of marks written out of order.
double FieldValue(std::string_view text, std::size_t begin, std::size_t end) {
    if (end < begin) throw base::InvalidCallError();
    return ValNumber(text.substr(begin, end - begin));
}

void ReadDms(const std::string& typed, double& degrees) {
    // A double quote is a common way of typing the seconds mark.
    std::string text;
    for (char c : typed) text += c == '"' ? std::string(SecondMark) : std::string(1, c);
    const std::string_view t = text;
    constexpr auto npos = std::string_view::npos;
    const std::size_t deg = t.find(DegreeMark);
    std::size_t min = t.find(MinuteMark);
    const std::size_t sec = t.find(SecondMark);
    // In "30''" the first apostrophe opens the seconds mark: no minutes.
    if (min == sec) min = npos;
    const bool hasDeg = deg != npos, hasMin = min != npos, hasSec = sec != npos;

    // Where each field starts: after its preceding mark, or at the text start.
    const std::size_t afterDeg = hasDeg ? deg + DegreeMark.size() : 0;
    const std::size_t afterMin = hasMin ? min + MinuteMark.size() : 0;

    degrees = hasDeg ? ValNumber(t) : 0.0;
    if (hasMin) degrees += FieldValue(t, afterDeg, min) / MinutesPerDegree;
    if (hasSec) {
        // Seconds follow the minute mark, or the degree mark when that comes
        // later (only possible without a minute mark: see above).
        const bool degreeLast = hasDeg && (!hasMin || deg > min);
        degrees += FieldValue(t, degreeLast ? afterDeg : afterMin, sec) / SecondsPerDegree;
    }
}

// Non-finite angles have no text: the same errors whether or not the text is wanted.
void CheckFormattable(double degrees) {
    if (std::isnan(degrees)) throw base::InvalidCallError();
    if (std::isinf(degrees)) throw base::OverflowError();
}

// `text` may be null when only the numbers are wanted: the text is then
// never built, but every check that building it makes is still made.
void SetText(std::string* text, double degrees) {
    if (text) *text = FormatDms(degrees);
    else CheckFormattable(degrees);
}

void ApplyRangeRules(std::string* text, double& degrees, double& radians) {
    if (degrees < 0) {
        degrees += FullCircleDeg;
        SetText(text, degrees);
        radians = ToRadians(degrees);
    }
    if (degrees < 0 || degrees > FullCircleDeg) {
        if (text) text->clear();
        degrees = 0;
        radians = 0;
    }
}

// ConvertAngle, the text optional (modes 2 and 3 only write it).
void Convert(std::string* text, double& degrees, double& radians, std::int16_t mode) {
    switch (mode) {
        case angle::FromText:
            if (text->empty()) {
                degrees = 0;
                radians = 0;
                return;
            }
            ReadDms(*text, degrees);
            radians = ToRadians(degrees);
            break;
        case angle::FromDegrees:
            if (degrees == 0) {
                if (text) text->clear();
                radians = 0;
                return;
            }
            SetText(text, degrees);
            radians = ToRadians(degrees);
            break;
        case angle::FromRadians:
            if (radians == 0) {
                if (text) text->clear();
                degrees = 0;
                return;
            }
            degrees = ToDegrees(radians);
            SetText(text, degrees);
            break;
        default:
            break;
    }
    ApplyRangeRules(text, degrees, radians);
}

}  // namespace

void CommaToPoint(std::string& text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) {
        text.clear();
        return;
    }
    text.erase(text.find_last_not_of(' ') + 1);
    text.erase(0, first);
    for (char& c : text)
        if (c == ',') c = '.';
}

std::string FormatDms(double degrees) {
    CheckFormattable(degrees);
    double d = std::floor(degrees);
    const double minutes = (degrees - d) * MinutesPerDegree;
    double m = std::floor(minutes);
    std::string seconds = FormatFixed((minutes - m) * MinutesPerDegree, SecondsDecimals);
    // Seconds that round up to a whole minute carry: 4.35° is 4°21'0.000'',
    // not 4°20'60.000''.
    if (seconds == "60.000") {
        seconds = FormatFixed(0, SecondsDecimals);
        if (++m == MinutesPerDegree) {
            m = 0;
            ++d;
        }
    }

    std::string text = FormatGeneral(d);
    text += DegreeMark;
    text += FormatGeneral(m);
    text += MinuteMark;
    text += seconds;
    text += SecondMark;
    return text;
}

void ConvertAngle(std::string& text, double& degrees, double& radians, std::int16_t mode) {
    Convert(&text, degrees, radians, mode);
}

void ConvertAngleValues(double& degrees, double& radians, std::int16_t mode) {
    if (mode == angle::FromText) throw base::InvalidCallError();
    Convert(nullptr, degrees, radians, mode);
}

}  // namespace core
