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

}  // namespace

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
