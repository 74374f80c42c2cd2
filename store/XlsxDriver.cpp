// Office Open XML workbooks (.xlsx) read by the program itself, streaming:
// a sheet's XML is inflated and tokenized as its rows are read, so that a
// million rows take the memory of one (the shared strings are held).
//
// What a workbook gives is what GDAL's XLSX driver gave it before: the
// tables, names, field types and values are the same, quirks included, so
// that a file converts the same today as yesterday. Every sheet is a table,
// "Sheet$" (plain "Sheet" also opens it); sheets left empty at the end of
// the workbook are not listed (the first always is). The first row always
// names the fields (an empty name is "Field<n>"), except in a sheet of a
// single row, which is that row read as a record of fields Field1, Field2...
// Columns past the first row's cells are fields Field<n> from the row that
// first reaches them.
//
// A column's type follows its cells row after row: from the first non-empty
// cell under the name, widened by each cell that does not fit it. Whole
// numbers of 32 bits are Long; whole numbers past 32 bits and other numbers
// make it Double; dates (number cells whose style's format shows a day or a
// year), times (an hour) and date-times stay dates when they all are (a date
// and a date-time make a date-time); booleans are the whole numbers 0 and 1;
// a mix of kinds or a text makes it Text, and the values read
// before the column became Text are given as that type prints them ("007"
// read as Long is "7" once Text; a date "2024/01/31"), those after as the
// file's own text. Whole numbers read as Double past 32 bits keep their 64-bit
// value (saturated). Dates become text as FreeXL writes Excel 97's:
// "2024-01-31", "08:30:00", "2024-01-31 08:30:00".
//
// Reading a sheet takes two passes: the first settles the fields and
// counts the rows, the second gives the values; the first is kept for the
// file's version, so a run reading a sheet twice (a sample, then the whole)
// makes it once. Seek skips forward, and restarts the sheet to go back.
//
// A file is read from end to end in a child process first: a damaged or
// hostile one (a part that inflates to gigabytes, XML that never ends)
// cannot stall or crash the program. Everything GDAL refused is refused
// (3274): broken XML, a row without its number or far past the last one, more
// than 2000 columns, a date far outside ten thousand years.

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>

#include "store/EngineError.h"
#include "store/detail/CLocale.h"
#include "store/detail/Drivers.h"
#include "store/detail/FileVersion.h"
#include "store/detail/Isolated.h"
#include "store/detail/XmlPull.h"
#include "store/detail/ZipReader.h"

namespace store::detail {

namespace {

constexpr int DefaultTextSize = 255;
constexpr const char* WorksheetType = "application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml";
constexpr std::size_t ContentTypesLooked = 2047;  // GDAL's look at the package's content types
constexpr int MaxFields = 2000;
constexpr int MaxColumnIndex = 2000;
constexpr int MaxRowGap = 10000;
constexpr int CellBudget = 100000;  // bounds on rows skipped and columns added, in cells
constexpr double MaxDays = 365.0 * 10000;
constexpr std::int64_t SecondsPerDay = 86400;
constexpr std::int64_t DaysFrom1900To1970 = 25569;
constexpr std::uint64_t MaxUnpacked = std::uint64_t(8) << 30;
constexpr std::int64_t TenThousandLeapYears = std::int64_t(10000) * SecondsPerDay * 366;

struct Damaged {};  // becomes 3274 naming the file

// The kinds of a field, as the type of a GDAL field.
enum class Kind { Integer, Integer64, Real, String, Date, Time, DateTime };
// The kinds of a cell, from its type and style.
enum class Cell { None, Float, String, Lookup, Bool, Date, Time, DateTime, DateTimeMs };

bool IsDate(Kind k) { return k == Kind::Date || k == Kind::Time || k == Kind::DateTime; }
bool IsDateCell(Cell c) { return c == Cell::Date || c == Cell::Time || c == Cell::DateTime || c == Cell::DateTimeMs; }

bool CSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }
bool Digit(char c) { return c >= '0' && c <= '9'; }

// atoi, as C gives it: a long, saturated, cut to an int.
int Atoi(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && CSpace(s[i])) ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    long long v = 0;
    bool over = false;
    for (; i < s.size() && Digit(s[i]); ++i) {
        if (v > (LLONG_MAX - (s[i] - '0')) / 10) over = true;
        else v = v * 10 + (s[i] - '0');
    }
    if (over) v = negative ? LLONG_MIN : LLONG_MAX;
    else if (negative) v = -v;
    return static_cast<int>(static_cast<long>(v));
}

// strtoll in base 10, saturated.
std::int64_t Atoll(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && CSpace(s[i])) ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    unsigned long long v = 0;
    const unsigned long long limit = negative ? 9223372036854775808ull : 9223372036854775807ull;
    bool over = false;
    for (; i < s.size() && Digit(s[i]); ++i) {
        const unsigned d = unsigned(s[i] - '0');
        if (over || v > (limit - d) / 10) over = true;
        else v = v * 10 + d;
    }
    if (over) return negative ? INT64_MIN : INT64_MAX;
    return negative ? std::int64_t(0 - v) : std::int64_t(v);
}

// strtod in the "C" locale, whatever the program's.
double Atof(const std::string& s) {
    const locale_t c = CLocale();
    return c ? ::strtod_l(s.c_str(), nullptr, c) : std::strtod(s.c_str(), nullptr);
}

enum class ValueType { String, Real, Integer };

// How GDAL tells a number's text: digits with at most a sign, a point and
// an exponent (E or D), blanks around; an exponent taking it to infinity is
// text.
ValueType TypeOfText(const std::string& s) {
    std::size_t i = 0;
    while (i < s.size() && CSpace(s[i])) ++i;
    if (i == s.size()) return ValueType::String;
    if (s[i] == '+' || s[i] == '-') ++i;
    bool dot = false, exponent = false, lastExponent = false, real = false, mantissa = false;
    std::size_t afterExponent = std::string::npos;
    for (; i < s.size(); ++i) {
        const char c = s[i];
        if (Digit(c)) {
            lastExponent = false;
            mantissa = true;
        } else if (CSpace(c)) {
            std::size_t j = i;
            while (j < s.size() && CSpace(s[j])) ++j;
            if (j == s.size()) break;
            return ValueType::String;
        } else if (c == '-' || c == '+') {
            if (!lastExponent) return ValueType::String;
            lastExponent = false;
        } else if (c == '.') {
            real = true;
            if (dot || lastExponent) return ValueType::String;
            dot = true;
            lastExponent = false;
        } else if (c == 'D' || c == 'd' || c == 'E' || c == 'e') {
            if (!mantissa) return ValueType::String;
            const char next = i + 1 < s.size() ? s[i + 1] : '\0';
            if (!(next == '+' || next == '-' || Digit(next))) return ValueType::String;
            real = true;
            if (exponent) return ValueType::String;
            exponent = true;
            afterExponent = i + 1;
            lastExponent = true;
        } else {
            return ValueType::String;
        }
    }
    if (real && afterExponent != std::string::npos && std::strlen(s.c_str() + afterExponent) > 3 && std::isinf(Atof(s)))
        return ValueType::String;
    return real ? ValueType::Real : ValueType::Integer;
}

// A cell's kind as a field's: what a column of it alone would be.
Kind KindOf(const std::string& value, Cell cell) {
    switch (cell) {
    case Cell::Float:
        switch (TypeOfText(value)) {
        case ValueType::String: return Kind::String;
        case ValueType::Real: return Kind::Real;
        case ValueType::Integer: {
            const std::int64_t v = Atoll(value);
            return v >= INT32_MIN && v <= INT32_MAX ? Kind::Integer : Kind::Integer64;
        }
        }
        return Kind::String;
    case Cell::DateTime:
    case Cell::DateTimeMs: return Kind::DateTime;
    case Cell::Date: return Kind::Date;
    case Cell::Time: return Kind::Time;
    case Cell::Bool: return Kind::Integer;  // 0 or 1
    default: return Kind::String;
    }
}

// A column's kind once a cell of kind `value` joins it.
Kind Widen(Kind field, Kind value) {
    if (field == Kind::String || field == value) return field;
    if (field == Kind::DateTime && (value == Kind::Date || value == Kind::Time)) return field;
    if (field == Kind::Real && (value == Kind::Integer || value == Kind::Integer64)) return field;
    if (field == Kind::Integer64 && value == Kind::Integer) return field;
    if ((field == Kind::Date || field == Kind::Time) && value == Kind::DateTime) return Kind::DateTime;
    if ((field == Kind::Integer || field == Kind::Integer64) && value == Kind::Real) return Kind::Real;
    if (field == Kind::Integer && value == Kind::Integer64) return Kind::Integer64;
    return Kind::String;
}

// A broken-down date and time, as a date field holds it.
struct Stamp {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0;
    float second = 0;
};

// Days since 1899-12-30 (a date cell's number) as a date and time; none
// when beyond ten thousand years either way.
std::optional<Stamp> StampOf(const std::string& value, int& wholeSecond) {
    const double days = Atof(value);
    if (!(std::fabs(days) < MaxDays)) return std::nullopt;
    double seconds = days * double(SecondsPerDay);
    if (std::fabs(seconds - std::round(seconds)) < 1e-3) seconds = std::round(seconds);
    const std::int64_t unix = std::int64_t(seconds) - DaysFrom1900To1970 * SecondsPerDay;
    if (unix < -TenThousandLeapYears || unix > TenThousandLeapYears) throw Damaged{};
    std::int64_t daysSince = unix / SecondsPerDay, rest = unix % SecondsPerDay;
    while (rest < 0) {
        rest += SecondsPerDay;
        --daysSince;
    }
    Stamp s;
    s.hour = int(rest / 3600);
    s.minute = int(rest % 3600 / 60);
    wholeSecond = int(rest % 60);
    const auto leap = [](std::int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; };
    const auto leapsThrough = [](std::int64_t y) { return y / 4 - y / 100 + y / 400; };
    std::int64_t y = 1970;
    while (daysSince < 0 || daysSince >= (leap(y) ? 366 : 365)) {
        std::int64_t next = y + daysSince / 365;
        if (daysSince < 0) --next;
        daysSince -= (next - y) * 365 + leapsThrough(next - 1) - leapsThrough(y - 1);
        y = next;
    }
    static constexpr int Months[2][12] = {{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
                                          {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31}};
    const int* lengths = Months[leap(y) ? 1 : 0];
    int month = 0;
    while (daysSince >= lengths[month]) daysSince -= lengths[month++];
    s.year = int(y);
    s.month = month + 1;
    s.day = int(daysSince) + 1;
    s.second = float(double(wholeSecond) + std::fmod(seconds, 1.0));
    return s;
}

std::string Printed(const char* format, auto... values) {
    char text[64];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

// printf's "%.15g" and "%06.3f", in the "C" locale.
std::string Real15(double v) {
    char text[64];
    const auto r = std::to_chars(text, text + sizeof text, v, std::chars_format::general, 15);
    return std::string(text, r.ptr);
}
std::string Seconds3(float second) {
    char text[64];
    const auto r = std::to_chars(text, text + sizeof text, double(second), std::chars_format::fixed, 3);
    std::string s(text, r.ptr);
    const std::size_t sign = s[0] == '-' ? 1 : 0;
    if (s.size() < 6) s.insert(sign, 6 - s.size(), '0');
    return s;
}

int Millis(float second) { return int((second - float(int(second))) * 1000 + 0.5); }

// A date-time as GDAL prints it in a text field.
std::string DateTimeText(const Stamp& s) {
    if (Millis(s.second) != 0)
        return Printed("%04d/%02d/%02d %02d:%02d:", s.year, s.month, s.day, s.hour, s.minute) + Seconds3(s.second);
    if (std::isnan(s.second) || s.second < 0.0f || s.second > 62.0f) throw Damaged{};  // GDAL fails on it
    return Printed("%04d/%02d/%02d %02d:%02d:%02d", s.year, s.month, s.day, s.hour, s.minute, int(s.second));
}

// A stored value, in the form its kind holds it.
struct Stored {
    std::int64_t integer = 0;
    double real = 0;
    std::string text;
    Stamp stamp;
    bool set = false;
};

// Shared strings, held as one text.
struct SharedStrings {
    std::string text;
    std::vector<std::size_t> ends;
    std::size_t Count() const { return ends.size(); }
    std::string_view At(std::size_t i) const {
        const std::size_t start = i == 0 ? 0 : ends[i - 1];
        return std::string_view(text).substr(start, ends[i] - start);
    }
};

struct SheetEntry {
    std::string name, part;
};

// Where a part's bytes come from, for the tokenizer.
XmlPull::Source SourceOf(std::shared_ptr<ZipPart> part) {
    return [part](char* out, std::size_t size) { return part->Read(out, size); };
}

// A package's parts listed and its workbook-wide parts read.
struct Package {
    std::string path;
    ZipReader zip;
    std::vector<SheetEntry> sheets;
    SharedStrings strings;
    std::vector<Cell> styles;  // per cell format (xf)

    explicit Package(const std::string& file);
    std::shared_ptr<ZipPart> Part(const std::string& name) const {
        std::unique_ptr<ZipPart> p = zip.Open(name);
        return p ? std::shared_ptr<ZipPart>(std::move(p)) : nullptr;
    }
};

bool EndsWithNoCase(const std::string& s, const char* suffix) {
    const std::size_t n = std::strlen(suffix);
    return s.size() >= n && SameText(std::string_view(s).substr(s.size() - n), suffix);
}

Package::Package(const std::string& file) : path(file), zip(file) {
    // As GDAL knows a package: a zip whose first part is one of a package's
    // (or that is called .xlsx), with a worksheet's content type declared.
    const std::string& first = zip.FirstName();
    {
        std::FILE* f = std::fopen(file.c_str(), "rb");
        unsigned char head[31] = {};
        const std::size_t got = f ? std::fread(head, 1, sizeof head, f) : 0;
        if (f) std::fclose(f);
        if (got <= 30 || std::memcmp(head, "PK\x03\x04", 4) != 0) throw Damaged{};
    }
    const bool packageFirst = first.rfind("xl/", 0) == 0 || first.rfind("_rels/", 0) == 0 ||
                              first.rfind("docProps/", 0) == 0 || first == "[Content_Types].xml";
    if (!packageFirst && !EndsWithNoCase(file, ".xlsx") && !EndsWithNoCase(file, ".xlsm")) throw Damaged{};
    const auto types = Part("[Content_Types].xml");
    if (!types) throw Damaged{};
    std::string head(ContentTypesLooked, '\0');
    std::size_t have = 0;
    while (have < head.size())
        if (const std::size_t got = types->Read(head.data() + have, head.size() - have)) have += got;
        else break;
    head.resize(have);
    head.resize(std::strlen(head.c_str()));
    if (head.find(WorksheetType) == std::string::npos) throw Damaged{};
    const auto workbook = Part("xl/workbook.xml");
    const auto rels = Part("xl/_rels/workbook.xml.rels");
    if (!workbook || !rels) throw Damaged{};

    std::map<std::string, std::string, std::less<>> targets;
    for (XmlPull x(SourceOf(rels), false);;) {
        const XmlPull::Token t = x.Next();
        if (t == XmlPull::Token::Done) break;
        if (t != XmlPull::Token::Start || x.Name() != "Relationship") continue;
        const auto* id = x.Attribute("Id");
        const auto* type = x.Attribute("Type");
        const auto* target = x.Attribute("Target");
        if (id && type && target && type->find("/worksheet") != std::string_view::npos)
            targets[std::string(*id)] = std::string(*target);
    }
    std::vector<std::string> used;
    for (XmlPull x(SourceOf(workbook), false);;) {
        const XmlPull::Token t = x.Next();
        if (t == XmlPull::Token::Done) break;
        if (t != XmlPull::Token::Start) continue;
        std::string_view name = x.Name();
        if (const auto colon = name.find(':'); colon != std::string_view::npos) name.remove_prefix(colon + 1);
        if (name != "sheet") continue;
        const auto* sheetName = x.Attribute("name");
        const auto* id = x.Attribute("r:id");
        if (!sheetName || !id) continue;
        const auto target = targets.find(*id);
        if (target == targets.end() || std::find(used.begin(), used.end(), *id) != used.end()) continue;
        used.emplace_back(*id);
        std::string part = target->second;
        if (part.empty()) continue;
        if (part[0] == '/') {
            // From the package's root; only one slash goes (GDAL finds no
            // part at "//xl/...").
            if (part.find_first_not_of('/') == std::string::npos) continue;
            part.erase(0, 1);
        } else {
            part = "xl/" + part;
        }
        // "a/../b" is "b", as GDAL finds parts ("./" stays, and finds none).
        for (std::size_t up; (up = part.find("/../")) != std::string::npos && up != 0;) {
            const std::size_t slash = part.rfind('/', up - 1);
            part.erase(slash == std::string::npos ? 0 : slash + 1,
                       up + 4 - (slash == std::string::npos ? 0 : slash + 1));
        }
        sheets.push_back({std::string(*sheetName), part});
    }

    if (const auto shared = Part("xl/sharedStrings.xml")) {
        // Every <t> inside an <si>, runs and phonetic runs alike, makes its text.
        XmlPull x(SourceOf(shared), true);
        int depth = 0, siDepth = -1, tDepth = -1;
        for (;;) {
            const XmlPull::Token t = x.Next();
            if (t == XmlPull::Token::Done) break;
            if (t == XmlPull::Token::Start) {
                if (siDepth < 0 && x.Name() == "si") siDepth = depth;
                else if (siDepth >= 0 && tDepth < 0 && x.Name() == "t") tDepth = depth;
                ++depth;
            } else if (t == XmlPull::Token::End) {
                --depth;
                if (depth == tDepth) tDepth = -1;
                else if (depth == siDepth) {
                    siDepth = -1;
                    strings.ends.push_back(strings.text.size());
                }
            } else if (tDepth >= 0) {
                strings.text.append(x.Text());
            }
        }
    }

    if (const auto styleSheet = Part("xl/styles.xml")) {
        std::map<int, Cell> formats;
        bool inCellFormats = false;
        for (XmlPull x(SourceOf(styleSheet), false);;) {
            const XmlPull::Token t = x.Next();
            if (t == XmlPull::Token::Done) break;
            if (t == XmlPull::Token::End) {
                if (x.Name() == "cellXfs") inCellFormats = false;
                continue;
            }
            if (t != XmlPull::Token::Start) continue;
            if (x.Name() == "numFmt") {
                const auto* code = x.Attribute("formatCode");
                const auto* idText = x.Attribute("numFmtId");
                const int id = idText ? Atoi(*idText) : -1;
                if (!code || id < 164) continue;
                // What the code shows: a day or a year, an hour.
                const auto has = [&](const char* a, const char* b) {
                    return code->find(a) != std::string_view::npos || code->find(b) != std::string_view::npos;
                };
                const bool date = has("DD", "dd") || has("YY", "yy");
                const bool time = has("HH", "hh");
                formats[id] = date && time ? (has("SS.000", "ss.000") ? Cell::DateTimeMs : Cell::DateTime)
                              : date       ? Cell::Date
                              : time       ? Cell::Time
                                           : Cell::Float;
            } else if (x.Name() == "cellXfs") {
                inCellFormats = true;
            } else if (inCellFormats && x.Name() == "xf") {
                const auto* idText = x.Attribute("numFmtId");
                const int id = idText ? Atoi(*idText) : -1;
                Cell cell = Cell::Float;
                if (id >= 14 && id <= 17) cell = Cell::Date;
                else if (id >= 18 && id <= 21) cell = Cell::Time;
                else if (id == 22) cell = Cell::DateTime;
                else if (id >= 164)
                    if (const auto f = formats.find(id); f != formats.end()) cell = f->second;
                styles.push_back(cell);
            }
        }
    }
}

// A field as the sheet's reading builds it.
struct LiveField {
    Kind kind = Kind::String;
    bool unknown = false;  // named by the first row, no value below it yet
};

// What the first pass learns of a sheet.
struct Layout {
    struct Field {
        std::string name;
        long created = 0;                            // the first record it is part of
        std::vector<std::pair<long, Kind>> changes;  // from which record, which kind
        Kind Final() const { return changes.back().second; }
    };
    std::vector<Field> fields;
    long records = 0;
};

// One pass over a sheet, as GDAL's driver reads it: the state it keeps, the
// records it makes (handed to `emit`, or only counted), and the fields'
// kinds as they change.
class SheetPass {
public:
    // `layout`: filled by a first pass (null `known`), used by a second.
    SheetPass(const Package& package, const std::string& part, Layout* learning, const Layout* known)
        : package_(package), learning_(learning), known_(known) {
        if (auto p = package.Part(part)) xml_.emplace(SourceOf(std::move(p)), true);
    }

    // Reads on until a record is ready (true, in `row`) or the sheet ends.
    bool Next(std::vector<Value>& row) {
        while (ready_.empty()) {
            if (!xml_ || done_) return false;
            Step();
        }
        row = std::move(ready_.front());
        ready_.pop_front();
        return true;
    }
    // The first pass: to the end, nothing kept but the layout.
    void Run() {
        std::vector<Value> row;
        while (Next(row)) {}
    }
    long Records() const { return records_; }

private:
    enum class State { Default, SheetData, Row, Cell, Value };
    struct Frame {
        State state;
        int depth;
    };

    void Push(State s) { stack_.push_back({s, depth_}); }

    void Step() {
        switch (xml_->Next()) {
        case XmlPull::Token::Done: done_ = true; break;
        case XmlPull::Token::Start:
            StartElement();
            ++depth_;
            break;
        case XmlPull::Token::End:
            --depth_;
            EndElement();
            if (stack_.back().depth == depth_ && stack_.size() > 1) stack_.pop_back();
            break;
        case XmlPull::Token::Text:
            if (stack_.back().state == State::Value) value_.append(xml_->Text());
            break;
        }
    }

    void StartElement() {
        const std::string_view name = xml_->Name();
        switch (stack_.back().state) {
        case State::Default:
            if (name == "sheetData") {
                firstValues_.clear();
                firstCells_.clear();
                line_ = 0;
                Push(State::SheetData);
            }
            break;
        case State::SheetData:
            if (name == "row") StartRow();
            break;
        case State::Row:
            if (name == "c") StartCell();
            break;
        case State::Cell:
            if (value_.empty() && (name == "v" || name == "t")) Push(State::Value);
            break;
        case State::Value: break;
        }
    }

    void EndElement() {
        const Frame& top = stack_.back();
        if (top.depth != depth_) return;
        switch (top.state) {
        case State::SheetData: EndSheetData(); break;
        case State::Row: EndRow(); break;
        case State::Cell: EndCell(); break;
        default: break;
        }
    }

    void StartRow() {
        Push(State::Row);
        column_ = 0;
        values_.clear();
        cells_.clear();
        const auto* r = xml_->Attribute("r");
        int number = r ? Atoi(*r) : 0;
        if (number <= 0) throw Damaged{};  // "Invalid row"
        --number;
        const int fields = std::max(int(firstValues_.size()), active_ ? int(fields_.size()) : 0);
        if (number > line_ && (number - line_ > MaxRowGap || (fields > 0 && number - line_ > CellBudget / fields)))
            throw Damaged{};
        // Rows skipped are empty records.
        while (line_ < number) {
            const int before = line_;
            EndRow();
            column_ = 0;
            values_.clear();
            cells_.clear();
            if (before == line_) break;
        }
    }

    void StartCell() {
        Push(State::Cell);
        if (const auto* r = xml_->Attribute("r"); r && !r->empty() && (*r)[0] >= 'A' && (*r)[0] <= 'Z') {
            int col = (*r)[0] - 'A';
            for (std::size_t i = 1; i < r->size() && (*r)[i] >= 'A' && (*r)[i] <= 'Z' && col <= MaxColumnIndex; ++i)
                col = (col + 1) * 26 + ((*r)[i] - 'A');
            col = std::min(col, MaxColumnIndex);
            for (; column_ < col; ++column_) {
                values_.emplace_back();
                cells_.push_back(Cell::None);
            }
        }
        cell_ = Cell::Float;
        const auto* s = xml_->Attribute("s");
        const int style = s ? Atoi(*s) : -1;
        if (style >= 0 && std::size_t(style) < package_.styles.size()) cell_ = package_.styles[std::size_t(style)];
        if (const auto* t = xml_->Attribute("t")) {
            if (SameText(*t, "s")) cell_ = Cell::Lookup;
            else if (SameText(*t, "inlineStr")) cell_ = Cell::String;
            else if (SameText(*t, "b")) cell_ = Cell::Bool;
        }
        value_.clear();
    }

    void EndCell() {
        if (cell_ == Cell::Lookup) {
            const int index = Atoi(value_);
            if (index >= 0 && std::size_t(index) < package_.strings.Count())
                value_ = package_.strings.At(std::size_t(index));
            cell_ = Cell::String;
        }
        values_.push_back(std::move(value_));
        value_.clear();
        cells_.push_back(cell_);
        ++column_;
    }

    void EndSheetData() {
        if (!active_) return;
        if (line_ == 1 && !firstValues_.empty()) {
            // A sheet of one row: that row is the only record.
            for (std::size_t i = 0; i < firstValues_.size(); ++i) {
                AddField("Field" + std::to_string(i + 1), KindOf(firstValues_[i], firstCells_[i]), false);
            }
            values_ = firstValues_;
            cells_ = firstCells_;
            MakeRecord();
        }
        active_ = false;
    }

    void AddField(std::string name, Kind kind, bool unknown) {
        if (fields_.size() >= std::size_t(MaxFields)) throw Damaged{};
        fields_.push_back({kind, unknown});
        if (learning_) learning_->fields.push_back({std::move(name), records_, {{records_, kind}}});
    }

    void SetKind(std::size_t i, Kind kind) {
        fields_[i].kind = kind;
        if (learning_) learning_->fields[i].changes.emplace_back(records_, kind);
    }

    void EndRow() {
        if (!active_) return;
        if (line_ == 0) {
            firstValues_ = values_;
            firstCells_ = cells_;
        }
        if (line_ == 1) {
            for (std::size_t i = 0; i < firstValues_.size(); ++i) {
                std::string name = firstValues_[i].empty() ? "Field" + std::to_string(i + 1) : firstValues_[i];
                if (i < values_.size() && !values_[i].empty())
                    AddField(std::move(name), KindOf(values_[i], cells_[i]), false);
                else AddField(std::move(name), Kind::String, true);
            }
        }
        if (line_ >= 1) {
            if (values_.size() > fields_.size()) {
                if (records_ > 0 && long(values_.size() - fields_.size()) > CellBudget / records_) throw Damaged{};
                for (std::size_t i = fields_.size(); i < values_.size(); ++i) {
                    AddField("Field" + std::to_string(i + 1), KindOf(values_[i], cells_[i]), false);
                }
            }
            for (std::size_t i = 0; i < values_.size(); ++i) {
                if (values_[i].empty()) continue;
                const Kind kind = KindOf(values_[i], cells_[i]);
                if (fields_[i].unknown) {
                    fields_[i].unknown = false;
                    SetKind(i, kind);
                } else if (const Kind wider = Widen(fields_[i].kind, kind); wider != fields_[i].kind) {
                    SetKind(i, wider);
                }
            }
            MakeRecord();
        }
        ++line_;
    }

    void MakeRecord() {
        if (known_) {
            std::vector<Value> row(known_->fields.size());
            for (std::size_t i = 0; i < values_.size() && i < row.size(); ++i)
                if (!values_[i].empty()) row[i] = ValueOf(i);
            ready_.push_back(std::move(row));
        } else {
            // The first pass still checks what GDAL would fail on.
            for (std::size_t i = 0; i < values_.size() && i < fields_.size(); ++i)
                if (!values_[i].empty() && IsDateCell(cells_[i])) static_cast<void>(Store(i));
            ready_.emplace_back();
        }
        ++records_;
    }

    // The value as the field's kind of the moment stores it.
    Stored Store(std::size_t i) const {
        Stored s;
        const std::string& text = values_[i];
        const Kind kind = fields_[i].kind;
        if (IsDateCell(cells_[i])) {
            int wholeSecond = 0;
            const std::optional<Stamp> stamp = StampOf(text, wholeSecond);
            if (!stamp) return s;
            s.set = true;
            if (IsDate(kind)) {
                s.stamp = *stamp;
            } else if (cells_[i] == Cell::Time) {
                s.text = Printed("%02d:%02d:%02d", stamp->hour, stamp->minute, wholeSecond);
            } else if (cells_[i] == Cell::Date) {
                s.text = Printed("%04d/%02d/%02d", stamp->year, stamp->month, stamp->day);
            } else {
                s.text = DateTimeText(*stamp);
            }
            return s;
        }
        s.set = true;
        switch (kind) {
        case Kind::Integer: s.integer = std::clamp<std::int64_t>(Atoll(text), INT32_MIN, INT32_MAX); break;
        case Kind::Integer64: s.integer = Atoll(text); break;
        case Kind::Real: s.real = Atof(text); break;
        default: s.text = text; break;
        }
        return s;
    }

    // The value as read at the end: stored as the kind of the moment, then
    // carried through the kinds the field took after this record.
    Value ValueOf(std::size_t i) const {
        Stored s = Store(i);
        if (!s.set) return Value();
        const Layout::Field& field = known_->fields[i];
        Kind now = fields_[i].kind;
        for (const auto& [from, kind] : field.changes) {
            if (from <= records_ || kind == now) continue;
            if (kind == Kind::String && now != Kind::String) {
                s.text = TextOf(now, s);
            } else if (kind == Kind::Real && (now == Kind::Integer || now == Kind::Integer64)) {
                s.real = double(s.integer);
            }
            now = kind;
        }
        switch (now) {
        case Kind::Integer: return Value(s.integer);
        case Kind::Integer64: return Value(double(s.integer));
        case Kind::Real: return Value(s.real);
        case Kind::Date: return Value(Printed("%04d-%02d-%02d", s.stamp.year, s.stamp.month, s.stamp.day));
        case Kind::Time: return Value(Printed("%02d:%02d:%02d", s.stamp.hour, s.stamp.minute, int(s.stamp.second)));
        case Kind::DateTime:
            return Value(Printed("%04d-%02d-%02d %02d:%02d:%02d", s.stamp.year, s.stamp.month, s.stamp.day,
                                 s.stamp.hour, s.stamp.minute, int(s.stamp.second)));
        case Kind::String: return Value(std::move(s.text));
        }
        return Value();
    }

    // A stored value as GDAL prints it when its field becomes text.
    static std::string TextOf(Kind kind, const Stored& s) {
        switch (kind) {
        case Kind::Integer: return std::to_string(std::int32_t(s.integer));
        case Kind::Integer64: return std::to_string(s.integer);
        case Kind::Real: return Real15(s.real);
        case Kind::Date: return Printed("%04d/%02d/%02d", s.stamp.year, s.stamp.month, s.stamp.day);
        case Kind::Time:
            if (Millis(s.stamp.second) != 0 || std::isnan(s.stamp.second))
                return Printed("%02d:%02d:", s.stamp.hour, s.stamp.minute) + Seconds3(s.stamp.second);
            return Printed("%02d:%02d:%02d", s.stamp.hour, s.stamp.minute, int(s.stamp.second));
        case Kind::DateTime: return DateTimeText(s.stamp);
        case Kind::String: return s.text;
        }
        return s.text;
    }

    const Package& package_;
    Layout* learning_;
    const Layout* known_;
    std::optional<XmlPull> xml_;
    bool done_ = false;
    bool active_ = true;  // until the sheet's data ends: what follows is not read
    std::vector<Frame> stack_{{State::Default, 0}};
    int depth_ = 0;
    int line_ = 0, column_ = 0;
    std::vector<std::string> values_, firstValues_;
    std::vector<Cell> cells_, firstCells_;
    std::string value_;
    Cell cell_ = Cell::Float;
    std::vector<LiveField> fields_;
    long records_ = 0;
    std::deque<std::vector<Value>> ready_;
};

// The first pass over a sheet, kept for the file's version: a run reads a
// sheet twice in a row (a sample, then all of it).
class Layouts {
public:
    static std::shared_ptr<const Layout> Get(const Package& package, const std::string& part) {
        const FileVersion version = FileVersion::Of(package.path);
        {
            const std::lock_guard lock(mutex_);
            for (const Slot& s : Slots())
                if (s.path == package.path && s.part == part && s.version == version) return s.layout;
        }
        auto layout = std::make_shared<Layout>();
        SheetPass pass(package, part, layout.get(), nullptr);
        pass.Run();
        layout->records = pass.Records();
        const std::lock_guard lock(mutex_);
        auto& slots = Slots();
        slots.push_front({package.path, part, version, layout});
        if (slots.size() > Kept) slots.pop_back();
        return layout;
    }

private:
    static constexpr std::size_t Kept = 4;
    struct Slot {
        std::string path, part;
        FileVersion version;
        std::shared_ptr<const Layout> layout;
    };
    static inline std::mutex mutex_;
    static std::deque<Slot>& Slots() {
        static std::deque<Slot> slots;
        return slots;
    }
};

// Runs `f`; a damaged part becomes 3274 naming the file.
template <typename F>
auto Guarded(const std::string& path, F&& f) {
    try {
        return f();
    } catch (const Damaged&) {
    } catch (const XmlError&) {
    } catch (const ZipError&) {}
    throw Error(base::err::UnreadableFile, path);
}

class XlsxCursor final : public TableCursor {
public:
    XlsxCursor(std::shared_ptr<const Package> package, std::string part)
        : package_(std::move(package)), part_(std::move(part)) {
        layout_ = Guarded(package_->path, [&] { return Layouts::Get(*package_, part_); });
        for (const Layout::Field& f : layout_->fields) {
            switch (f.Final()) {
            case Kind::Integer: fields_.push_back({f.name, dbLong, 0}); break;
            case Kind::Integer64:
            case Kind::Real: fields_.push_back({f.name, dbDouble, 0}); break;
            case Kind::Date:
            case Kind::DateTime: fields_.push_back({f.name, dbDate, 0}); break;
            default: fields_.push_back({f.name, dbText, DefaultTextSize}); break;
            }
        }
        CleanFieldNames(fields_);
    }

    const std::vector<FieldDef>& Fields() const override { return fields_; }
    long Count() override { return layout_->records; }

    bool Seek(long row) override {
        row = std::max(row, 0L);
        if (row >= layout_->records) {
            pastEnd_ = true;
            return true;
        }
        pastEnd_ = false;
        if (!pass_ || row < next_) Restart();
        std::vector<Value> skipped;
        while (next_ < row) Read(skipped);
        return true;
    }

    bool Next(std::vector<Value>& row) override {
        if (pastEnd_) return false;
        if (!pass_) Restart();
        if (!Read(row)) {
            pastEnd_ = true;
            return false;
        }
        return true;
    }

private:
    void Restart() {
        pass_ = Guarded(package_->path,
                        [&] { return std::make_unique<SheetPass>(*package_, part_, nullptr, layout_.get()); });
        next_ = 0;
    }

    bool Read(std::vector<Value>& row) {
        const bool got = Guarded(package_->path, [&] { return pass_->Next(row); });
        if (got) {
            ++next_;
            row.resize(fields_.size());
        }
        return got;
    }

    std::shared_ptr<const Package> package_;
    std::string part_;
    std::shared_ptr<const Layout> layout_;
    std::vector<FieldDef> fields_;
    std::unique_ptr<SheetPass> pass_;
    long next_ = 0;
    bool pastEnd_ = false;
};

class XlsxSource final : public SourceDatabase {
public:
    explicit XlsxSource(const std::string& path) : path_(path) { Load(); }

    std::vector<std::string> TableNames() override {
        std::vector<std::string> names;
        for (const SheetEntry& s : package_->sheets) names.push_back(s.name + "$");
        return names;
    }

    std::unique_ptr<TableCursor> OpenTable(const std::string& name) override {
        // A file rewritten since it was opened is read as it is now.
        if (FileVersion::Of(path_) != version_) Load();
        for (const SheetEntry& s : package_->sheets)
            if (SameText(s.name, name) || SameText(s.name + "$", name))
                return std::make_unique<XlsxCursor>(package_, s.part);
        throw Error(base::err::ObjectNotFound, name);
    }

private:
    void Load() {
        version_ = FileVersion::Of(path_);
        package_ = Guarded(path_, [&] {
            auto package = std::make_shared<Package>(path_);
            // Sheets left empty at the end are not tables, the first aside.
            while (package->sheets.size() > 1) {
                if (Layouts::Get(*package, package->sheets.back().part)->records > 0) break;
                package->sheets.pop_back();
            }
            return std::shared_ptr<const Package>(std::move(package));
        });
    }

    std::string path_;
    FileVersion version_;
    std::shared_ptr<const Package> package_;
};

class XlsxDriver final : public Driver {
public:
    std::unique_ptr<SourceDatabase> Open(const std::string& path) override {
        RealFilePath(path);  // a virtual path is refused before anything else is said of it
        CheckFileKind(path);
        std::error_code ec;
        if (!std::filesystem::exists(path, ec)) throw Error(base::err::FileNotFound, path);
        // Parts of more than 8 GiB once inflated are refused before the check
        // would spend minutes on them: no table of points comes near (a
        // million rows of ten columns are some 400 MB).
        std::uint64_t unpacked = 0;
        try {
            unpacked = ZipReader(path).UnpackedSize();
        } catch (const ZipError&) {
            throw Error(base::err::UnreadableFile, path);
        }
        if (unpacked > MaxUnpacked) throw Error(base::err::UnreadableFile, path);
        // Every part read goes through the first pass: the second reads the
        // same bytes again, through the same code.
        CheckFileInChild(
            "xlsx", path,
            [&] {
                XlsxSource source(path);
                for (const std::string& name : source.TableNames()) source.OpenTable(name);
                return true;
            },
            unpacked);
        return std::make_unique<XlsxSource>(path);
    }
};

}  // namespace

std::shared_ptr<Driver> MakeXlsxDriver() { return std::make_shared<XlsxDriver>(); }

std::unique_ptr<SourceDatabase> OpenXlsxInProcess(const std::string& path) {
    return std::make_unique<XlsxSource>(path);
}

}  // namespace store::detail
