// dBase files read through shapelib. The database is a folder and each .dbf
// file in it a table, named by its file title.
//
// shapelib reads a blank number as 0 unless asked first, parses numbers with
// the C library's atof (locale-dependent: "595032.295" reads as 595032 under
// a French locale) and hands out text in the file's code page. So records are
// taken whole (DBFReadTuple) and each field decoded here: blank fields are
// Null, numbers go through the engine's locale-free parser, and text is
// decoded from the code page the header or a .cpg file names.

#include <shapefil.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string_view>

#include "base/Errors.h"
#include "base/Text.h"
#include "store/detail/Drivers.h"
#include "store/EngineError.h"
#include "base/TextCodec.h"

namespace store::detail {

namespace {

namespace fs = std::filesystem;

constexpr int MaxLongWidth = 9;              // wider integers may not fit 32 bits
constexpr double DaysTo1899_12_30 = 693899;  // from 01/03/0000 to day 0 of the engine's dates

struct DbfCloser {
    void operator()(DBFInfo* dbf) const { DBFClose(dbf); }
};
using DbfPtr = std::unique_ptr<DBFInfo, DbfCloser>;

DbfPtr OpenDbf(const std::string& path) {
    SAHooks hooks;
    SASetupDefaultHooks(&hooks);
    hooks.Error = [](const char*) {};  // failures come back as a null handle or tuple
    DbfPtr dbf(DBFOpenLL(path.c_str(), "rb", &hooks));
    if (!dbf || dbf->nRecordLength <= 0 || dbf->nFields < 0) throw Error(base::err::BadFormat, path);
    return dbf;
}

std::string_view Trimmed(std::string_view s, bool leading) {
    s = base::TrimEnd(s, std::string_view(" \0", 2));
    return leading ? base::TrimStart(s) : s;
}

// Days since 30/12/1899 of a "YYYYMMDD" date, the engine's dates.
bool DateSerial(std::string_view text, double& serial) {
    if (text.size() != 8 || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    const auto num = [&](std::size_t at, std::size_t n) {
        int v = 0;
        for (char c : text.substr(at, n)) v = v * 10 + (c - '0');
        return v;
    };
    const int y = num(0, 4), m = num(4, 2), d = num(6, 2);
    if (y < 1 || m < 1 || m > 12 || d < 1 || d > 31) return false;
    // Days from the civil date (proleptic Gregorian), counted from 01/03/0000.
    const int yy = m <= 2 ? y - 1 : y;
    const int era = yy / 400, yoe = yy - era * 400;
    const int doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    serial = double(era) * 146097 + doe - DaysTo1899_12_30;
    return true;
}

class DbfCursor final : public TableCursor {
public:
    explicit DbfCursor(const std::string& path)
        : dbf_(OpenDbf(path)), decoder_(base::DbaseCharset(DBFGetCodePage(dbf_.get()))) {
        DBFInfo& d = *dbf_;
        for (int i = 0; i < d.nFields; ++i) {
            char name[XBASE_FLDNAME_LEN_READ + 1] = {};
            int width = 0, decimals = 0;
            DBFGetFieldInfo(dbf_.get(), i, name, &width, &decimals);
            const char native = DBFGetNativeFieldType(dbf_.get(), i);
            FieldDef f{decoder_.ToUtf8(Trimmed(name, true)), dbText, width};
            if (native == 'N' || native == 'F') {
                f = {f.Name, decimals == 0 && width <= MaxLongWidth ? dbLong : dbDouble, 0};
            } else if (native == 'L') {
                f = {f.Name, dbBoolean, 0};
            } else if (native == 'D') {
                f = {f.Name, dbDate, 0};
            } else if (native == 'M') {
                f = {f.Name, dbMemo, 0};  // the text lives in a .dbt file, not read
            }
            fields_.push_back(std::move(f));
        }
        CleanFieldNames(fields_);
        // A damaged header may promise more records than the file holds.
        std::error_code ec;
        const auto size = fs::file_size(path, ec);
        const auto body = ec || size < std::uintmax_t(d.nHeaderLength) ? 0 : size - std::uintmax_t(d.nHeaderLength);
        records_ = int(
            std::min<std::uintmax_t>(std::uintmax_t(std::max(d.nRecords, 0)), body / std::uintmax_t(d.nRecordLength)));
    }

    const std::vector<FieldDef>& Fields() const override { return fields_; }

    bool Next(std::vector<Value>& row) override {
        const DBFInfo& d = *dbf_;
        const char* tuple = NextTuple();
        if (!tuple) return false;
        row.assign(fields_.size(), Value());
        for (std::size_t i = 0; i < fields_.size(); ++i) {
            const int offset = d.panFieldOffset[i], size = d.panFieldSize[i];
            if (offset < 0 || size < 0 || offset + size > d.nRecordLength) continue;
            row[i] = Decode(i, std::string_view(tuple + offset, std::size_t(size)));
        }
        return true;
    }

    // Deleted records make the n-th row's record unknown without a pass:
    // the first pass notes where every CheckpointRows-th row lies, so that
    // going back reads from the nearest note rather than from the start.
    bool Seek(long row) override {
        const std::size_t note = std::min(std::size_t(std::max(row, 0L) / CheckpointRows), checkpoints_.size() - 1);
        if (row < row_ || long(note) * CheckpointRows > row_) {
            next_ = checkpoints_[note];
            row_ = long(note) * CheckpointRows;
        }
        while (row_ < row && NextTuple()) {}
        return true;
    }

private:
    static constexpr long CheckpointRows = 1024;

    // The next record not deleted (hidden as the classic driver hides it), counted as a row.
    const char* NextTuple() {
        for (; next_ < records_; ++next_) {
            const char* tuple = DBFReadTuple(dbf_.get(), next_);
            if (!tuple) break;
            if (tuple[0] == '*') continue;
            if (row_ % CheckpointRows == 0 && std::size_t(row_ / CheckpointRows) == checkpoints_.size())
                checkpoints_.push_back(next_);
            ++next_;
            ++row_;
            return tuple;
        }
        next_ = records_;
        return nullptr;
    }

    Value Decode(std::size_t i, std::string_view raw) {
        const FieldDef& f = fields_[i];
        const std::string_view text = Trimmed(raw, f.Type != dbText);
        if (text.empty()) return Value();
        switch (f.Type) {
        case dbLong:
        case dbDouble: {
            double v = 0;
            try {
                if (text.front() == '*' || !ParseNumber(text, v)) return Value();  // '*': overflowed field
            } catch (const base::RuntimeError&) {
                return Value();
            }
            // A Long only when it fits: casting a number past 32 bits is undefined.
            if (f.Type == dbLong && v >= -2147483648.0 && v <= 2147483647.0 && v == std::trunc(v)) return Value(int(v));
            return Value(v);
        }
        case dbBoolean: {
            const char c = text.front();
            if (c == 'T' || c == 't' || c == 'Y' || c == 'y') return Value(-1);
            if (c == 'F' || c == 'f' || c == 'N' || c == 'n') return Value(0);
            return Value();  // '?': not set
        }
        case dbDate: {
            double serial = 0;
            return DateSerial(text, serial) ? Value(serial) : Value();
        }
        case dbMemo: return Value();
        default: return Value(decoder_.ToUtf8(text));
        }
    }

    DbfPtr dbf_;
    base::TextDecoder decoder_;
    std::vector<FieldDef> fields_;
    int records_ = 0;
    int next_ = 0;                     // the record to read next
    long row_ = 0;                     // the rows read before it
    std::vector<int> checkpoints_{0};  // the record of row k * CheckpointRows
};

class DbfSource final : public SourceDatabase {
public:
    explicit DbfSource(const std::string& path) {
        CheckFileKind(path, true);
        std::error_code ec;
        // The folder is the database; a .dbf file's path stands for its folder.
        const bool file = fs::is_regular_file(path, ec) && SameText(fs::path(path).extension().string(), ".dbf");
        folder_ = file ? fs::path(path).parent_path() : fs::path(path);
        if (folder_.empty()) folder_ = ".";
        if (!fs::is_directory(folder_, ec)) throw Error(base::err::FileNotFound, path);
    }

    std::vector<std::string> TableNames() override {
        std::vector<std::string> names;
        for (const auto& file : Files()) names.push_back(file.stem().string());
        return names;
    }

    std::unique_ptr<TableCursor> OpenTable(const std::string& name) override {
        for (const auto& file : Files())
            if (SameText(file.stem().string(), name)) return std::make_unique<DbfCursor>(file.string());
        throw Error(base::err::ObjectNotFound, name);
    }

private:
    // The folder's .dbf files by name, read afresh: the folder may change.
    std::vector<fs::path> Files() const {
        std::vector<fs::path> files;
        std::error_code ec;
        for (fs::directory_iterator it(folder_, ec), end; !ec && it != end; it.increment(ec)) {
            const fs::path& p = it->path();
            if (SameText(p.extension().string(), ".dbf") && it->is_regular_file(ec)) files.push_back(p);
        }
        std::sort(files.begin(), files.end());
        return files;
    }

    fs::path folder_;
};

class DbfDriver final : public Driver {
public:
    std::unique_ptr<SourceDatabase> Open(const std::string& path) override { return std::make_unique<DbfSource>(path); }
};

}  // namespace

std::shared_ptr<Driver> MakeDbfDriver() { return std::make_shared<DbfDriver>(); }

}  // namespace store::detail
