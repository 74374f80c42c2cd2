#include "app/main/CellText.h"

#include <cctype>
#include <cmath>
#include <cstring>

#include "base/Errors.h"
#include "core/AngleText.h"
#include "core/NumberText.h"

namespace app {

namespace {

constexpr std::string_view DegreeMark = "\u00B0", MinuteMark = "'", SecondMark = "''", SecondQuote = "\"";
constexpr double MaxLatitude = 90, MaxLongitude = 360;
// A latitude of 90° typed or stored with 15 digits may exceed Pi/2 by a hair.
constexpr double AngleSlack = 1e-9;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

std::string WithoutBlanks(std::string_view text) {
    std::string out;
    for (char c : text)
        if (!IsBlank(c)) out += c;
    return out;
}

// Length of the number at the start of `t` (sign only when `sign`), 0 if none.
std::size_t NumberLength(std::string_view t, bool sign) {
    std::size_t i = 0;
    auto digits = [&] {
        const std::size_t from = i;
        while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]))) ++i;
        return i - from;
    };
    if (sign && i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    std::size_t mantissa = digits();
    if (i < t.size() && t[i] == '.') {
        ++i;
        mantissa += digits();
    }
    if (mantissa == 0) return 0;
    if (i < t.size() && std::strchr("EeDd", t[i])) {
        std::size_t j = i + 1;
        if (j < t.size() && (t[j] == '+' || t[j] == '-')) ++j;
        const std::size_t save = i;
        i = j;
        if (digits() == 0) i = save;  // "12e" is not a number
    }
    return i;
}

std::string Quoted(const std::string& text) { return "« " + text + " »"; }

double ReadNumber(std::string_view number, const std::string& typed) {
    try {
        const double value = core::ValNumber(number);
        if (std::isfinite(value)) return value;
    } catch (const base::RuntimeError&) {
    }
    throw Refused("Nombre trop grand : " + Quoted(typed) + ".");
}

}  // namespace

bool IsPlainNumber(std::string_view text) {
    const std::string t = WithoutBlanks(text);
    return !t.empty() && NumberLength(t, true) == t.size();
}

double CellNumber(const std::string& text, const std::string& what) {
    std::string t = text;
    core::CommaToPoint(t);
    if (WithoutBlanks(t).empty()) throw Refused("la case " + what + " est vide.");
    if (!IsPlainNumber(t)) throw Refused("la case " + what + " ne contient pas un nombre : " + Quoted(text) + ".");
    return ReadNumber(WithoutBlanks(t), text);
}

std::optional<std::int16_t> ReadZone(const std::string& text) {
    std::string t = text;
    core::CommaToPoint(t);
    if (!IsPlainNumber(t)) return std::nullopt;
    double zone = 0;
    try {
        zone = core::ValNumber(WithoutBlanks(t));
    } catch (const base::RuntimeError&) {
        return std::nullopt;
    }
    if (!(zone >= 1 && zone <= 60) || zone != std::floor(zone)) return std::nullopt;
    return static_cast<std::int16_t>(zone);
}

std::string WithSecondsMark(const std::string& text) {
    std::string out;
    for (char c : text) out += c == '"' ? std::string(SecondMark) : std::string(1, c);
    return out;
}

double ReadDmsCell(const std::string& text, bool& plain) {
    const std::string t = WithSecondsMark(WithoutBlanks(text));
    const Refused unreadable("Angle illisible : " + Quoted(text) +
                             ". Écrivez par exemple 50°30'15.5'' (ou 50°30'15.5\"), ou 50.504 en degrés.");
    plain = false;
    if (t.empty()) throw unreadable;
    const std::size_t whole = NumberLength(t, true);
    if (whole == t.size()) {
        plain = true;
        return ReadNumber(t, text);
    }
    // Numbers each followed by its mark, degrees before minutes before seconds.
    constexpr double PerUnit[] = {1, 60, 3600};
    constexpr std::string_view Marks[] = {DegreeMark, SecondMark, MinuteMark};  // "''" before "'"
    constexpr int RankOf[] = {0, 2, 1};
    double degrees = 0;
    int lastRank = -1;
    std::size_t at = 0;
    while (at < t.size()) {
        const std::size_t n = NumberLength(std::string_view(t).substr(at), at == 0);
        if (n == 0) throw unreadable;
        const std::string_view number = std::string_view(t).substr(at, n);
        at += n;
        int rank = -1;
        for (int m = 0; m < 3 && rank < 0; ++m)
            if (std::string_view(t).substr(at, Marks[m].size()) == Marks[m]) {
                rank = RankOf[m];
                at += Marks[m].size();
            }
        if (rank <= lastRank) throw unreadable;  // no mark, or marks out of order
        lastRank = rank;
        degrees += ReadNumber(number, text) / PerUnit[rank];
    }
    return degrees;
}

void CheckLatitude(double degrees) {
    if (degrees >= 0 && degrees <= MaxLatitude + AngleSlack) return;
    throw Refused("Latitude hors limites : " + core::FormatGeneral(degrees) +
                  "°. Travena calcule dans l'hémisphère nord, de 0° à 90° de latitude.");
}

void CheckLongitude(double degrees) {
    if (degrees >= -MaxLongitude && degrees <= MaxLongitude) return;
    throw Refused("Longitude hors limites : " + core::FormatGeneral(degrees) + "°. Elle va de -360° à 360°.");
}

}  // namespace app
