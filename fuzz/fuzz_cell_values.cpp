// Cell values as the workbook, GeoPackage and database readers hand them to
// a batch run: a record of Null, integer, double and text values under
// field types, made readable (dates, booleans), then read as one point's
// coordinates and converted, each result written as text and as values.
//
// Input: byte 0 picks the input and output systems, byte 1 the geographic
// form; then per value a tag byte (low 2 bits the kind, the rest the field
// type) and its payload: 8 bytes for a number, a length byte and the bytes
// for a text.

#include <cmath>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "app/batch/ReadableValue.h"
#include "app/batch/RecordIo.h"
#include "base/Errors.h"
#include "store/Driver.h"
#include "store/ParamDb.h"
#include "store/Value.h"

namespace {

constexpr const char* Systems[] = {"BE LB72", "WGS84 UTM", "W Geographic WGS84", "W MGRS",
                                   "BE IFBL", "LU TM",     "BE Geographic BD72", "DE GK3"};
constexpr std::size_t Count = std::size(Systems);
constexpr int FieldTypes[] = {store::dbText, store::dbDouble, store::dbDate, store::dbBoolean,
                              store::dbLong, store::dbSingle, store::dbMemo, store::dbCurrency};
constexpr std::size_t MaxValues = 8;

class Bytes {
public:
    Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool Empty() const { return at_ >= size_; }
    std::uint8_t Byte() { return Empty() ? 0 : data_[at_++]; }
    template <typename T>
    T Number() {
        unsigned char raw[sizeof(T)] = {};
        for (auto& b : raw) b = Byte();
        T value;
        std::memcpy(&value, raw, sizeof value);
        return value;
    }
    std::string Text() {
        const std::size_t n = Byte();
        std::string text;
        while (text.size() < n && !Empty()) text += char(Byte());
        return text;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_, at_ = 0;
};

// Every text and value a result is written as; nothing is kept.
void Write(batch::SystemKind kind, const batch::Coordinates& c) {
    std::string line;
    batch::WriteCoordinateTexts(kind, c, [&](std::string_view t) { line += t; });
    std::vector<store::Value> values;
    batch::AppendCoordinateValues(kind, c, values);
    for (const store::Value& v : values) (void)v.Text();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    Bytes in(data, size);
    const std::uint8_t pick = in.Byte();
    const std::string from = Systems[pick % Count];
    std::string to = Systems[(pick / Count) % Count];
    if (from == to) to = Systems[(pick + 1) % Count];
    const auto geoMode = std::int16_t(1 + in.Byte() % 4);

    std::vector<store::FieldDef> fields;
    std::vector<store::Value> row;
    while (!in.Empty() && row.size() < MaxValues) {
        const std::uint8_t tag = in.Byte();
        fields.push_back({"f" + std::to_string(row.size()), FieldTypes[(tag >> 2) % std::size(FieldTypes)], 0});
        switch (tag & 3) {
        case 0: row.emplace_back(); break;
        case 1: row.emplace_back(in.Number<std::int64_t>()); break;
        case 2: row.emplace_back(in.Number<double>()); break;
        default: row.emplace_back(in.Text()); break;
        }
    }
    try {
        batch::MakeReadable(fields, row);
        for (const store::Value& v : row) {
            const std::string text = v.Text();
            double number = 0;
            try {
                (void)store::ParseNumber(text, number);
            } catch (const base::RuntimeError&) {}
            if (const auto serial = batch::DateSerial(text)) (void)batch::DateText(*serial);
        }
    } catch (const base::RuntimeError&) {
        // A value the readers refuse: said, not converted.
    }

    store::ParamReadScope scope;
    batch::Conversion conversion(batch::MakeSystemChoice(from), batch::MakeSystemChoice(to), 1);
    const batch::SystemKind kind = conversion.In().kind;
    batch::Coordinates point, result;
    std::string scratch;
    try {
        // As a batch run reads a record: texts as they are, numbers through their text.
        batch::ReadCoordinates(
            kind, {geoMode, 1},
            [&](int k) -> std::string_view {
                if (std::size_t(k) >= row.size() || row[std::size_t(k)].IsNull())
                    throw base::RuntimeError(base::err::InvalidNull, "valeur Null.");
                if (const std::string* text = row[std::size_t(k)].IfText()) return *text;
                scratch = row[std::size_t(k)].Text();
                return scratch;
            },
            point);
        conversion.Convert(point, result);
        Write(conversion.Out().kind, result);
    } catch (const base::RuntimeError&) {}
    try {
        // As the library reads arrays of numbers.
        const auto number = [&](std::size_t k) {
            double v = NAN;
            if (k < row.size() && !row[k].IsNull() && !row[k].IfText()) (void)store::ParseNumber(row[k].Text(), v);
            return v;
        };
        const std::string reference = !row.empty() && row[0].IfText() ? *row[0].IfText() : std::string();
        batch::ReadCoordinateNumbers(kind, std::int16_t(2 + geoMode % 2), number(0), number(1), number(2), reference,
                                     point);
        conversion.Convert(point, result);
        Write(conversion.Out().kind, result);
    } catch (const base::RuntimeError&) {}
    return 0;
}
