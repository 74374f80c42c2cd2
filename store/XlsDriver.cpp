// Excel 97 workbooks read through FreeXL: each worksheet is a table named
// like the classic Excel driver names it, the sheet's name followed by "$".
// The first row gives the field names, the rows below it the records.
//
// A column is Long when every value in it is a whole number (of at most 15
// digits, so that its text is the same either way), Double when every value
// is a number, Text otherwise; FreeXL's INT and DOUBLE cells are both numbers
// (Excel does not tell them apart), a DOUBLE cell holding 3.0 is whole. Where the classic driver guessed a column's type
// from its first rows and read the values of the other type as Null, a
// column mixing numbers and texts here reads as text, numbers included, so
// that nothing typed in the sheet is lost (a coordinate typed "4,35" in a
// column of numbers, for one). Dates come from FreeXL as text and stay text.
//
// FreeXL trusts the records it parses: a damaged workbook can make it read
// out of bounds. A workbook is read once from end to end in a child process
// before it is read here, as Access files are.

#include <freexl.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <unordered_set>

#include "store/detail/Drivers.h"
#include "base/Text.h"
#include "store/EngineError.h"
#include "store/detail/Isolated.h"

namespace store::detail {

namespace {

constexpr std::size_t MaxNameLength = 64;
constexpr int DefaultTextSize = 255;
// An Excel 97 sheet holds at most this many rows and columns; larger
// dimensions come from a damaged file.
constexpr unsigned MaxSheetRows = 65536;
constexpr unsigned MaxSheetColumns = 256;
// Whole numbers below this keep their digits in a double's 15-digit text.
constexpr double WholeLimit = 1e15;

struct XlsCloser {
    void operator()(const void* handle) const { freexl_close(handle); }
};
using XlsPtr = std::unique_ptr<const void, XlsCloser>;

// One cell as a value: Null for blank and missing cells and for cells FreeXL
// cannot read.
Value Cell(const void* xls, unsigned row, unsigned short col) {
    FreeXL_CellValue cell{};
    if (freexl_get_cell_value(xls, row, col, &cell) != FREEXL_OK) return Value();
    switch (cell.type) {
    case FREEXL_CELL_INT: return Value(double(cell.value.int_value));
    case FREEXL_CELL_DOUBLE: return Value(cell.value.double_value);
    case FREEXL_CELL_TEXT:
    case FREEXL_CELL_SST_TEXT:
    case FREEXL_CELL_DATE:
    case FREEXL_CELL_DATETIME:
    case FREEXL_CELL_TIME: return cell.value.text_value ? Value(std::string(cell.value.text_value)) : Value();
    default: return Value();
    }
}

// The workbook stays loaded while any of its sheets is read; FreeXL keeps one
// active sheet per handle, so each read selects its own first.
struct Workbook {
    XlsPtr handle;
    std::vector<std::string> sheets;  // FreeXL's names, without "$"

    bool Select(unsigned sheet, unsigned& rows, unsigned short& cols) const {
        rows = 0;
        cols = 0;
        if (freexl_select_active_worksheet(handle.get(), static_cast<unsigned short>(sheet)) != FREEXL_OK ||
            freexl_worksheet_dimensions(handle.get(), &rows, &cols) != FREEXL_OK)
            return false;
        if (cols == 0) rows = 0;  // no field, so no record
        return rows <= MaxSheetRows && cols <= MaxSheetColumns;
    }
};

class XlsCursor final : public TableCursor {
public:
    XlsCursor(std::shared_ptr<const Workbook> book, unsigned sheet) : book_(std::move(book)), sheet_(sheet) {
        if (!book_->Select(sheet_, rows_, cols_)) throw Error(base::err::BadFormat, book_->sheets[sheet_]);
        const void* xls = book_->handle.get();
        std::vector<bool> text(cols_, false), any(cols_, false), fraction(cols_, false);
        for (unsigned r = 1; r < rows_; ++r)
            for (unsigned short c = 0; c < cols_; ++c) {
                const Value v = Cell(xls, r, c);
                any[c] = any[c] || !v.IsNull();
                text[c] = text[c] || v.GetKind() == Value::Kind::Text;
                if (v.GetKind() == Value::Kind::Double) {
                    const double d = v.Double();
                    fraction[c] = fraction[c] || d != std::trunc(d) || std::fabs(d) >= WholeLimit;
                }
            }
        for (unsigned short c = 0; c < cols_; ++c) {
            const Value head = rows_ > 0 ? Cell(xls, 0, c) : Value();
            const bool number = any[c] && !text[c];
            const int type = !number ? dbText : fraction[c] ? dbDouble : dbLong;
            fields_.push_back({head.Text(), type, number ? 0 : DefaultTextSize});
        }
        CleanFieldNames(fields_);
    }

    const std::vector<FieldDef>& Fields() const override { return fields_; }

    bool Next(std::vector<Value>& row) override {
        if (next_ >= rows_) return false;
        unsigned rows = 0;
        unsigned short cols = 0;
        if (!book_->Select(sheet_, rows, cols)) return false;
        row.assign(fields_.size(), Value());
        for (unsigned short c = 0; c < cols_; ++c) {
            Value v = Cell(book_->handle.get(), next_, c);
            if (v.IsNull()) continue;
            if (fields_[c].Type == dbText) v = Value(v.Text());
            else if (fields_[c].Type == dbLong) v = Value(std::int64_t(v.Double()));
            row[c] = std::move(v);
        }
        ++next_;
        return true;
    }

    long Count() override { return rows_ > 0 ? long(rows_) - 1 : 0; }

    bool Seek(long row) override {
        next_ = unsigned(std::clamp(row, 0L, long(rows_))) + 1;
        return true;
    }

private:
    std::shared_ptr<const Workbook> book_;
    unsigned sheet_;
    unsigned rows_ = 0;
    unsigned short cols_ = 0;
    unsigned next_ = 1;  // row 0 holds the names
    std::vector<FieldDef> fields_;
};

class XlsSource final : public SourceDatabase {
public:
    explicit XlsSource(const std::string& path) {
        const void* raw = nullptr;
        const int rc = freexl_open(path.c_str(), &raw);
        auto book = std::make_shared<Workbook>();
        book->handle.reset(raw);  // closed even when the open failed half-way
        if (rc != FREEXL_OK || !raw) throw Error(base::err::BadFormat, path);
        unsigned count = 0;
        if (freexl_get_info(raw, FREEXL_BIFF_SHEET_COUNT, &count) != FREEXL_OK) throw Error(base::err::BadFormat, path);
        for (unsigned i = 0; i < count; ++i) {
            const char* name = nullptr;
            if (freexl_get_worksheet_name(raw, static_cast<unsigned short>(i), &name) != FREEXL_OK || !name)
                throw Error(base::err::BadFormat, path);
            book->sheets.emplace_back(name);
        }
        book_ = std::move(book);
    }

    std::vector<std::string> TableNames() override {
        std::vector<std::string> names;
        for (const auto& sheet : book_->sheets) names.push_back(sheet + "$");
        return names;
    }

    std::unique_ptr<TableCursor> OpenTable(const std::string& name) override {
        // "Points$" as listed; "Points" too, as the classic driver also took it.
        for (unsigned i = 0; i < book_->sheets.size(); ++i)
            if (SameText(book_->sheets[i] + "$", name) || SameText(book_->sheets[i], name))
                return std::make_unique<XlsCursor>(book_, i);
        throw Error(base::err::ObjectNotFound, name);
    }

private:
    std::shared_ptr<const Workbook> book_;
};

bool ReadsToTheEnd(const std::string& path) {
    XlsSource source(path);
    std::vector<Value> row;
    for (const std::string& name : source.TableNames())
        for (const auto cursor = source.OpenTable(name); cursor->Next(row);) {}
    return true;
}

class XlsDriver final : public Driver {
public:
    std::unique_ptr<SourceDatabase> Open(const std::string& path) override {
        CheckFileKind(path);
        std::error_code ec;
        if (!std::filesystem::exists(path, ec)) throw Error(base::err::FileNotFound, path);
        CheckFileInChild("xls", path, [&] { return ReadsToTheEnd(path); });
        return std::make_unique<XlsSource>(path);
    }
};

}  // namespace

std::string EngineFieldName(const std::string& name) {
    std::string clean;
    for (char c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '.') c = '#';
        else if (u < 0x20 || c == '!' || c == '`' || c == '[' || c == ']') c = '_';
        clean += c;
    }
    clean.erase(0, clean.find_first_not_of(' '));
    if (clean.size() > MaxNameLength) {
        std::size_t cut = MaxNameLength;  // never inside a UTF-8 sequence
        while (cut > 0 && (static_cast<unsigned char>(clean[cut]) & 0xC0) == 0x80) --cut;
        clean.resize(cut);
    }
    return clean;
}

void CleanFieldNames(std::vector<FieldDef>& fields) {
    // Keyed on the ASCII-lowered name, as names match without regard to case;
    // a damaged file may declare tens of thousands of columns.
    std::unordered_set<std::string> taken;
    const auto key = [](const std::string& name) { return base::AsciiLower(name); };
    for (std::size_t i = 0; i < fields.size(); ++i) {
        std::string name = EngineFieldName(fields[i].Name);
        // Unnamed and repeated columns take their position's name, as F1, F2...
        if (name.empty() || taken.count(key(name))) name = "F" + std::to_string(i + 1);
        for (int n = 2; taken.count(key(name)); ++n) name = "F" + std::to_string(i + 1) + "_" + std::to_string(n);
        taken.insert(key(name));
        fields[i].Name = std::move(name);
    }
}

std::shared_ptr<Driver> MakeXlsDriver() { return std::make_shared<XlsDriver>(); }

}  // namespace store::detail
