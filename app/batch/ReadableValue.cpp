#include "app/batch/ReadableValue.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

namespace batch {

namespace {

constexpr double SecondsPerDay = 86400;
constexpr double SerialOf1970 = 25569;  // 01/01/1970 as a day number
// 01/01/0100 and 31/12/9999, the range Access holds.
constexpr double FirstSerial = -657434, LastSerial = 2958465;

// The civil date of a count of days since 01/01/1970 (proleptic Gregorian).
void CivilFromDays(std::int64_t z, int& y, unsigned& m, unsigned& d) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = unsigned(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = int(yoe + era * 400 + (m <= 2));
}

// The count of days since 01/01/1970 of a civil date (proleptic Gregorian).
std::int64_t DaysFromCivil(int y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = unsigned(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + std::int64_t(doe) - 719468;
}

// The digits of text[from, from + count) as a number, or -1.
int Digits(std::string_view text, std::size_t from, std::size_t count) {
    int n = 0;
    for (std::size_t i = from; i < from + count; ++i) {
        if (i >= text.size() || text[i] < '0' || text[i] > '9') return -1;
        n = n * 10 + (text[i] - '0');
    }
    return n;
}

}  // namespace

std::optional<double> DateSerial(std::string_view text) {
    constexpr std::size_t DateLength = 10, DateTimeLength = 19;
    if (text.size() != DateLength && text.size() != DateTimeLength) return std::nullopt;
    if (text[4] != '-' || text[7] != '-') return std::nullopt;
    const int y = Digits(text, 0, 4), m = Digits(text, 5, 2), d = Digits(text, 8, 2);
    if (y < 100 || m < 1 || m > 12 || d < 1) return std::nullopt;
    const std::int64_t days = DaysFromCivil(y, unsigned(m), unsigned(d));
    int cy = 0;
    unsigned cm = 0, cd = 0;
    CivilFromDays(days, cy, cm, cd);
    if (cd != unsigned(d) || cm != unsigned(m)) return std::nullopt;  // 31 April, 29 February 2023
    double serial = double(days) + SerialOf1970;
    if (text.size() == DateTimeLength) {
        if (text[10] != ' ' || text[13] != ':' || text[16] != ':') return std::nullopt;
        const int h = Digits(text, 11, 2), mi = Digits(text, 14, 2), s = Digits(text, 17, 2);
        if (h < 0 || h > 23 || mi < 0 || mi > 59 || s < 0 || s > 59) return std::nullopt;
        // Before 1899 the fraction counts forward from midnight, as DateText reads it.
        const double fraction = (h * 3600 + mi * 60 + s) / SecondsPerDay;
        serial += serial < 0 ? -fraction : fraction;
    }
    return serial;
}

std::string DateText(double serial) {
    if (!std::isfinite(serial) || serial < FirstSerial || serial >= LastSerial + 1) return {};
    // Before 1899 the fraction still counts forward from midnight (-1.25 is
    // 29/12/1899 06:00), as Access stores it.
    double days = std::trunc(serial);
    double fraction = std::fabs(serial - days);
    std::int64_t seconds = std::llround(fraction * SecondsPerDay);
    if (seconds >= std::int64_t(SecondsPerDay)) {
        seconds = 0;
        days += serial < 0 ? -1 : 1;
    }
    int y = 0;
    unsigned m = 0, d = 0;
    CivilFromDays(std::int64_t(days - SerialOf1970), y, m, d);
    char text[32];
    if (seconds == 0) std::snprintf(text, sizeof text, "%04d-%02u-%02u", y, m, d);
    else
        std::snprintf(text, sizeof text, "%04d-%02u-%02u %02d:%02d:%02d", y, m, d, int(seconds / 3600),
                      int(seconds / 60 % 60), int(seconds % 60));
    return text;
}

void MakeReadable(const std::vector<store::FieldDef>& fields, std::vector<store::Value>& row) {
    for (std::size_t i = 0; i < fields.size() && i < row.size(); ++i) {
        store::Value& v = row[i];
        const auto kind = v.GetKind();
        if (kind != store::Value::Kind::Integer && kind != store::Value::Kind::Double) continue;
        if (fields[i].Type == store::dbBoolean) {
            v = store::Value(v.Double() != 0 ? 1 : 0);
        } else if (fields[i].Type == store::dbDate) {
            if (std::string text = DateText(v.Double()); !text.empty()) v = store::Value(std::move(text));
        }
    }
}

}  // namespace batch
