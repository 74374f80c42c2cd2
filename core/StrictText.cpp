#include "core/StrictText.h"

#include <cctype>
#include <cmath>
#include <cstring>

#include "base/Errors.h"
#include "core/Constants.h"
#include "core/NumberText.h"

namespace core {

namespace {

constexpr std::string_view DegreeMark = "\u00B0", MinuteMark = "'", SecondMark = "''";
constexpr double AngleSlack = 1e-9;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

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

double ReadNumber(std::string_view number, const std::string& typed) {
    try {
        const double value = ValNumber(number);
        if (std::isfinite(value)) return value;
    } catch (const base::RuntimeError&) {
    }
    throw base::RuntimeError(base::err::Overflow, "Nombre trop grand : « " + typed + " ».");
}

}  // namespace

std::string WithoutBlanks(std::string_view text) {
    std::string out;
    for (char c : text)
        if (!IsBlank(c)) out += c;
    return out;
}

bool IsPlainNumber(std::string_view text) {
    // Numbers are short: the blanks are dropped on the stack, not the heap.
    char small[64];
    std::size_t n = 0;
    for (char c : text) {
        if (IsBlank(c)) continue;
        if (n == sizeof small) {
            const std::string t = WithoutBlanks(text);
            return NumberLength(t, true) == t.size();
        }
        small[n++] = c;
    }
    return n > 0 && NumberLength(std::string_view(small, n), true) == n;
}

std::string WithSecondsMark(const std::string& text) {
    std::string out;
    for (char c : text) out += c == '"' ? std::string(SecondMark) : std::string(1, c);
    return out;
}

double ReadDmsStrict(const std::string& text, bool& plain) {
    const std::string t = WithSecondsMark(WithoutBlanks(text));
    const base::RuntimeError unreadable(
        base::err::TypeMismatch, "Angle illisible : « " + text +
                                     " ». Écrivez par exemple 50°30'15.5'' (ou 50°30'15.5\"), ou 50.504 en degrés.");
    plain = false;
    if (t.empty()) throw unreadable;
    if (NumberLength(t, true) == t.size()) {
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

bool InNorthernHemisphere(double latitudeDegrees) {
    return latitudeDegrees >= 0 && latitudeDegrees <= HalfCircleDeg / 2 + AngleSlack;
}

}  // namespace core
