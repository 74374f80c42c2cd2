// Degrees-minutes-seconds text, decimal degrees and radians.
//
// Conversions use the program's 15-digit Pi and always divide first
// (degrees / 180 * Pi, radians / Pi * 180): stored angles were computed that
// way and must reproduce to the last bit.
//
// Typed angles are cut into pieces (numbers, marks, a sign, a letter,
// blanks) before any number is read, so that a blank or a hemisphere letter
// can never be skipped over and glue two fields into one number (the classic
// reader took 4 21'6.12'' as 421 minutes).

#include "core/AngleText.h"

#include <cctype>
#include <cmath>
#include <cstring>
#include <string_view>
#include <vector>

#include "base/Errors.h"
#include "core/Constants.h"
#include "core/NumberText.h"
#include "core/StrictText.h"

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

// The pieces of a typed angle. Marks and signs have several spellings (those
// keyboards, maps and web pages produce); each piece records its meaning.
enum class Piece { Number, Degree, Minute, Second, Sign, Letter, Blank };

struct Token {
    explicit Token(Piece piece, char upper = 0) : kind(piece), letter(upper) {}
    Piece kind;
    char letter;         // Letter, upper case; Sign: '-' or '+'
    std::string number;  // Number: digits with a point, as ValNumber reads them
    bool decimals = false;
};

constexpr std::string_view DegreeMarks[] = {"\u00B0", "\u00BA", "\u02DA"};
constexpr std::string_view MinuteMarks[] = {"'", "\u2032", "\u2019", "\u00B4"};
constexpr std::string_view SecondMarks[] = {"\"", "\u2033", "\u201D"};
constexpr int DegreeUnit = 0, MinuteUnit = 1, SecondUnit = 2;
constexpr double PerDegree[] = {1, MinutesPerDegree, SecondsPerDegree};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsMark(Piece p) { return p == Piece::Degree || p == Piece::Minute || p == Piece::Second; }

// The length of the mark of `marks` at text[at], 0 when none.
template <std::size_t N>
std::size_t MarkLength(std::string_view text, std::size_t at, const std::string_view (&marks)[N]) {
    for (std::string_view m : marks)
        if (text.substr(at, m.size()) == m) return m.size();
    return 0;
}

class AngleReader {
public:
    AngleReader(std::string_view typed, AngleAxis axis) : typed_(typed), axis_(axis) {}

    AngleReading Read() {
        const std::string_view t = TrimTypedBlanks(typed_);
        if (t.empty()) throw base::RuntimeError(base::err::TypeMismatch, "Angle vide.");
        AngleReading reading;
        if (ReadPlain(t, reading.degrees)) {
            reading.plain = true;
            return reading;
        }
        Tokenise(t);
        reading.degrees = ReadFields();
        return reading;
    }

private:
    [[noreturn]] void Refuse(const std::string& why = {}) const {
        std::string text = "Angle illisible : « " + std::string(typed_) + " »";
        text += why.empty() ? ". Écrivez par exemple 50°30'15.5'', 50 30 15.5, N 50°30'15.5'' ou 50.504 en degrés."
                            : " : " + why;
        throw base::RuntimeError(base::err::TypeMismatch, text);
    }

    double Number(const std::string& text) const {
        try {
            const double value = ValNumber(text);
            if (std::isfinite(value)) return value;
        } catch (const base::RuntimeError&) {}
        throw base::RuntimeError(base::err::Overflow, "Nombre trop grand : « " + std::string(typed_) + " ».");
    }

    // One bare decimal number, sign and exponent allowed, nothing else.
    bool ReadPlain(std::string_view t, double& degrees) const {
        std::string s;
        for (std::size_t i = 0; i < t.size();) {
            if (TypedBlankLength(t, i)) return false;
            if (const std::size_t minus = TypedMinusLength(t, i)) {
                s += '-';
                i += minus;
                continue;
            }
            s += t[i] == ',' ? '.' : t[i];
            ++i;
        }
        if (!IsPlainNumber(s)) return false;
        degrees = Number(s);
        return true;
    }

    void Tokenise(std::string_view t) {
        const auto startsNumber = [&](std::size_t i) {
            return i < t.size() &&
                   (IsDigit(t[i]) || ((t[i] == '.' || t[i] == ',') && i + 1 < t.size() && IsDigit(t[i + 1])));
        };
        for (std::size_t i = 0; i < t.size();) {
            std::size_t n = 0;
            if ((n = TypedBlankLength(t, i))) {
                if (tokens_.empty() || tokens_.back().kind != Piece::Blank) tokens_.emplace_back(Piece::Blank);
            } else if (startsNumber(i)) {
                Token number(Piece::Number);
                for (; i + n < t.size() && IsDigit(t[i + n]); ++n) number.number += t[i + n];
                if (startsNumber(i + n) && !IsDigit(t[i + n])) {
                    number.decimals = true;
                    number.number += '.';
                    for (++n; i + n < t.size() && IsDigit(t[i + n]); ++n) number.number += t[i + n];
                }
                tokens_.push_back(number);
            } else if ((n = MarkLength(t, i, DegreeMarks))) {
                tokens_.emplace_back(Piece::Degree);
            } else if ((n = MarkLength(t, i, MinuteMarks))) {
                // Two minute marks in a row are the seconds mark.
                const std::size_t second = MarkLength(t, i + n, MinuteMarks);
                n += second;
                tokens_.emplace_back(second ? Piece::Second : Piece::Minute);
            } else if ((n = MarkLength(t, i, SecondMarks))) {
                tokens_.emplace_back(Piece::Second);
            } else if ((n = TypedMinusLength(t, i)) || t[i] == '+') {
                tokens_.emplace_back(Piece::Sign, n ? '-' : '+');
                n = n ? n : 1;
            } else if (std::strchr("NSEOWnseow", t[i]) && t[i] != '\0') {
                n = 1;
                tokens_.emplace_back(Piece::Letter, static_cast<char>(std::toupper(static_cast<unsigned char>(t[i]))));
            } else {
                Refuse();
            }
            i += n;
        }
    }

    // A hemisphere letter first or last, a sign, then the fields.
    double ReadFields() {
        std::size_t at = 0, end = tokens_.size();
        const auto skipBlank = [&] {
            if (at < end && tokens_[at].kind == Piece::Blank) ++at;
        };
        char letter = 0;
        if (tokens_[at].kind == Piece::Letter) {
            letter = tokens_[at++].letter;
            skipBlank();
        }
        if (end > at && tokens_[end - 1].kind == Piece::Letter) {
            if (letter) Refuse("une seule lettre N, S, E, O ou W, avant ou après l'angle.");
            letter = tokens_[--end].letter;
            if (end > at && tokens_[end - 1].kind == Piece::Blank) --end;
        }
        bool negative = false;
        if (at < end && tokens_[at].kind == Piece::Sign) {
            if (letter) Refuse("un signe et une lettre N, S, E, O ou W à la fois.");
            negative = tokens_[at++].letter == '-';
            skipBlank();
        }
        const bool latitudeLetter = letter == 'N' || letter == 'S';
        if (letter && axis_ == AngleAxis::Longitude && latitudeLetter)
            Refuse("N et S désignent une latitude, pas une longitude.");
        if (letter && axis_ == AngleAxis::Latitude && !latitudeLetter)
            Refuse("E, O et W désignent une longitude, pas une latitude.");
        negative = negative || letter == 'S' || letter == 'O' || letter == 'W';

        double magnitude = 0;
        int lastUnit = -1;
        bool lastDecimals = false, lastMarked = false, separated = false;
        while (at < end) {
            const Token& number = tokens_[at];
            if (number.kind != Piece::Number) Refuse();
            // Two bare numbers need a blank between them ("1.2.3" is no angle).
            if (lastUnit >= 0 && !lastMarked && !separated) Refuse();
            ++at;
            // The number's own mark, if any, may follow a blank.
            const std::size_t mark = at < end && tokens_[at].kind == Piece::Blank ? at + 1 : at;
            const bool marked = mark < end && IsMark(tokens_[mark].kind);
            int unit = lastUnit + 1;
            if (marked) {
                const Piece kind = tokens_[mark].kind;
                unit = kind == Piece::Degree ? DegreeUnit : kind == Piece::Minute ? MinuteUnit : SecondUnit;
                at = mark + 1;
            }
            if (unit <= lastUnit || unit > SecondUnit)
                Refuse("les degrés, minutes et secondes se suivent dans cet ordre, une fois chacun.");
            if (lastDecimals)
                Refuse("seule la dernière valeur (degrés, minutes ou secondes) peut avoir des décimales.");
            const double value = Number(number.number);
            if (unit == MinuteUnit && value >= MinutesPerDegree) Refuse("les minutes vont de 0 à 59.");
            if (unit == SecondUnit && value >= MinutesPerDegree) Refuse("les secondes vont de 0 à 59,999.");
            magnitude += value / PerDegree[unit];
            lastUnit = unit;
            lastDecimals = number.decimals;
            lastMarked = marked;
            separated = at < end && tokens_[at].kind == Piece::Blank;
            skipBlank();
        }
        if (lastUnit < 0) Refuse();
        if (magnitude == 0) return 0;
        return negative ? -magnitude : magnitude;
    }

    std::string_view typed_;
    AngleAxis axis_;
    std::vector<Token> tokens_;
};

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
        degrees = ReadAngleText(*text).degrees;
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
    default: break;
    }
    ApplyRangeRules(text, degrees, radians);
}

}  // namespace

AngleReading ReadAngleText(std::string_view text, AngleAxis axis) { return AngleReader(text, axis).Read(); }

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
    // Sign and magnitude: -4.5° is -4°30', as it reads back.
    if (degrees < 0) return "-" + FormatDms(-degrees);
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
