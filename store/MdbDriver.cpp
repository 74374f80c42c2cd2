// Access databases (Jet 3 and Jet 4 .mdb files) read through libmdb, and the
// driver of the empty name, which tells such files from the engine's own
// SQLite files by their first bytes.
//
// libmdb hands every bound value out as text formatted with the C library's
// locale (a decimal comma under a French one, 16 digits that do not always
// round-trip a double), and a Null the same way as an empty text. So nothing
// is bound: after each fetch the row is cracked again, which gives each
// field's Null flag and where its bytes lie on the current page, and numbers
// are decoded from those bytes. libmdb still turns text into UTF-8.
//
// libmdb trusts the page structure it walks: a damaged file can make it read
// past its buffers or loop for ever. Before a Jet file is used, it is read
// once from end to end in a child process; a file that kills or stalls the
// child is refused as damaged. The verdict is kept per file version.

// glib first: mdbtools.h would include it inside its extern "C" block.
#include <glib.h>
#include <mdbtools.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "store/detail/CLocale.h"
#include "store/detail/Drivers.h"
#include "store/EngineError.h"
#include "store/detail/Isolated.h"

namespace store::detail {

namespace {

constexpr std::size_t TextBufferSize = 65536;  // libmdb's buffer for one text or memo value
constexpr int OffsetMask = 0x1fff;             // a row's start on its page, without its flags
constexpr int GuidTextSize = 38;               // "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}"

struct MdbCloser {
    void operator()(MdbHandle* mdb) const { mdb_close(mdb); }
};
using MdbPtr = std::unique_ptr<MdbHandle, MdbCloser>;

struct TableCloser {
    void operator()(MdbTableDef* table) const { mdb_free_tabledef(table); }
};
using TablePtr = std::unique_ptr<MdbTableDef, TableCloser>;

struct GFree {
    void operator()(char* text) const { g_free(text); }
};
using GString = std::unique_ptr<char, GFree>;

MdbPtr OpenMdb(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) throw Error(base::err::FileNotFound, path);
    const CLocaleScope c;
    MdbPtr mdb(mdb_open(path.c_str(), MDB_NOFLAGS));
    if (!mdb || !mdb->f || !mdb->fmt) throw Error(base::err::BadFormat, path);
    mdb_set_bind_size(mdb.get(), TextBufferSize);
    if (!mdb_read_catalog(mdb.get(), MDB_TABLE)) throw Error(base::err::BadFormat, path);
    return mdb;
}

std::vector<MdbCatalogEntry*> Tables(MdbHandle& mdb) {
    std::vector<MdbCatalogEntry*> tables;
    if (!mdb.catalog) return tables;
    for (guint i = 0; i < mdb.catalog->len; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb.catalog, i));
        if (entry && entry->object_type == MDB_TABLE) tables.push_back(entry);
    }
    return tables;
}

FieldDef Describe(const MdbHandle& mdb, const MdbColumn& col) {
    FieldDef f{col.name, dbText, 0};
    switch (col.col_type) {
    case MDB_BOOL: f.Type = dbBoolean; break;
    case MDB_BYTE: f.Type = dbByte; break;
    case MDB_INT: f.Type = dbInteger; break;
    case MDB_LONGINT:
    case MDB_COMPLEX: f.Type = dbLong; break;
    case MDB_MONEY: f.Type = dbCurrency; break;
    case MDB_FLOAT: f.Type = dbSingle; break;
    case MDB_DOUBLE:
    case MDB_NUMERIC: f.Type = dbDouble; break;
    case MDB_DATETIME: f.Type = dbDate; break;
    case MDB_TEXT:
        // Jet 3 counts characters, later versions bytes of UCS-2.
        f.Size = mdb.f->jet_version == MDB_VER_JET3 ? col.col_size : col.col_size / 2;
        break;
    case MDB_REPID: f.Size = GuidTextSize; break;
    default: f.Type = dbMemo; break;  // memo; binary and OLE objects read as Null
    }
    return f;
}

template <class T>
T Raw(const unsigned char* bytes) {
    T v;
    std::memcpy(&v, bytes, sizeof v);  // the files are little-endian, like the machines we run on
    return v;
}

class MdbCursor final : public TableCursor {
public:
    MdbCursor(const std::string& path, const std::string& name) : mdb_(OpenMdb(path)) {
        const CLocaleScope c;
        for (MdbCatalogEntry* entry : Tables(*mdb_))
            if (name == entry->object_name) table_.reset(mdb_read_table(entry));
        if (!table_) throw Error(base::err::ObjectNotFound, name);
        const GPtrArray* columns = mdb_read_columns(table_.get());
        if (!columns || columns->len != table_->num_cols) throw Error(base::err::BadFormat, path);
        for (guint i = 0; i < columns->len; ++i) {
            columns_.push_back(static_cast<MdbColumn*>(g_ptr_array_index(columns, i)));
            fields_.push_back(Describe(*mdb_, *columns_.back()));
        }
        mdb_rewind_table(table_.get());
        // A row takes at least its two-byte slot in a page's offset table: a
        // damaged page map cannot make us read more rows than that.
        std::error_code ec;
        maxRows_ = std::filesystem::file_size(path, ec) / 2;
    }

    const std::vector<FieldDef>& Fields() const override { return fields_; }

    bool Next(std::vector<Value>& row) override {
        if (done_ || columns_.empty() || read_ >= maxRows_) return false;
        const CLocaleScope c;
        if (!mdb_fetch_row(table_.get())) {
            done_ = true;
            return false;
        }
        ++read_;
        row.assign(fields_.size(), Value());
        // The fetch has just read the row before cur_row on the current page.
        int start = 0;
        std::size_t size = 0;
        if (table_->cur_row == 0 || mdb_find_row(mdb_.get(), int(table_->cur_row) - 1, &start, &size) != 0) return true;
        std::vector<MdbField> cracked(columns_.size());
        if (mdb_crack_row(table_.get(), start & OffsetMask, size, cracked.data()) < 0) return true;
        for (const MdbField& f : cracked)
            if (f.colnum >= 0 && std::size_t(f.colnum) < columns_.size())
                row[std::size_t(f.colnum)] = Decode(*columns_[std::size_t(f.colnum)], f);
        return true;
    }

private:
    Value Decode(const MdbColumn& col, const MdbField& f) const {
        // A Boolean keeps its value in the Null bit: set means False.
        if (col.col_type == MDB_BOOL) return Value(f.is_null ? 0 : -1);
        if (f.is_null) return Value();
        const auto pageSize = std::size_t(mdb_->fmt->pg_size);
        if (f.start < 0 || f.siz < 0 || std::size_t(f.start) + std::size_t(f.siz) > pageSize) return Value();
        const unsigned char* p = mdb_->pg_buf + f.start;
        const auto has = [&](std::size_t n) { return std::size_t(f.siz) >= n; };
        switch (col.col_type) {
        case MDB_BYTE: return has(1) ? Value(int{p[0]}) : Value();
        case MDB_INT: return has(2) ? Value(int{Raw<std::int16_t>(p)}) : Value();
        case MDB_LONGINT:
        case MDB_COMPLEX: return has(4) ? Value(int{Raw<std::int32_t>(p)}) : Value();
        case MDB_FLOAT: return has(4) ? Value(double{Raw<float>(p)}) : Value();
        case MDB_DOUBLE:
        case MDB_DATETIME: return has(8) ? Value(Raw<double>(p)) : Value();  // dates: days since 30/12/1899
        case MDB_MONEY: return has(8) ? Value(double(Raw<std::int64_t>(p)) / 10000.0) : Value();
        case MDB_NUMERIC: {
            if (!has(17)) return Value();
            const GString text(mdb_numeric_to_string(mdb_.get(), f.start, col.col_scale, col.col_prec));
            double v = 0;
            return text && ParseNumber(text.get(), v) ? Value(v) : Value();
        }
        case MDB_REPID: {
            if (!has(16)) return Value();
            const GString text(mdb_uuid_to_string(mdb_->pg_buf, f.start));
            return text ? Value(std::string(text.get())) : Value();
        }
        case MDB_TEXT:
        case MDB_MEMO: {
            const GString text(mdb_col_to_string(mdb_.get(), mdb_->pg_buf, f.start, col.col_type, f.siz));
            return Value(std::string(text ? text.get() : ""));
        }
        default: return Value();
        }
    }

    MdbPtr mdb_;  // a handle of its own: libmdb keeps the current page in it
    TablePtr table_;
    std::vector<MdbColumn*> columns_;  // owned by table_
    std::vector<FieldDef> fields_;
    std::uintmax_t maxRows_ = 0;
    std::uintmax_t read_ = 0;
    bool done_ = false;
};

class MdbSource final : public SourceDatabase {
public:
    explicit MdbSource(const std::string& path) : path_(path) {
        const MdbPtr mdb = OpenMdb(path);
        // System tables included, in catalog order, as the classic engine lists them.
        for (MdbCatalogEntry* entry : Tables(*mdb)) names_.emplace_back(entry->object_name);
    }

    std::vector<std::string> TableNames() override { return names_; }

    std::unique_ptr<TableCursor> OpenTable(const std::string& name) override {
        const auto it = std::find_if(names_.begin(), names_.end(), [&](const auto& n) { return SameText(n, name); });
        if (it == names_.end()) throw Error(base::err::ObjectNotFound, name);
        return std::make_unique<MdbCursor>(path_, *it);
    }

private:
    std::string path_;
    std::vector<std::string> names_;
};

bool ReadsToTheEnd(const std::string& path) {
    MdbSource source(path);
    std::vector<Value> row;
    for (const std::string& name : source.TableNames()) {
        const std::unique_ptr<TableCursor> cursor = source.OpenTable(name);
        while (cursor->Next(row)) {}
    }
    return true;
}

class AccessDriver final : public Driver {
public:
    explicit AccessDriver(std::shared_ptr<Driver> native) : native_(std::move(native)) {}

    std::unique_ptr<SourceDatabase> Open(const std::string& path) override {
        CheckFileKind(path);
        switch (SniffFile(path)) {
        case FileKind::Missing: throw Error(base::err::FileNotFound, path);
        case FileKind::Jet:
            CheckFileInChild("mdb", path, [&] { return ReadsToTheEnd(path); });
            return std::make_unique<MdbSource>(path);
        default: return native_->Open(path);  // SQLite names what else it refuses
        }
    }

private:
    std::shared_ptr<Driver> native_;
};

}  // namespace

FileKind SniffFile(const std::string& path) {
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (!std::filesystem::exists(status)) return FileKind::Missing;
    if (!std::filesystem::is_regular_file(status)) return FileKind::Other;  // never read a FIFO: it may block
    std::ifstream in(path, std::ios::binary);
    char head[20] = {};
    in.read(head, sizeof head);
    const std::string_view bytes(head, std::size_t(in.gcount()));
    if (bytes.substr(0, 16) == std::string_view("SQLite format 3\0", 16)) return FileKind::Sqlite;
    // Page 0 of a Jet file: type 0, then the engine's signature.
    if (bytes.size() >= 19 && bytes.substr(0, 4) == std::string_view("\0\1\0\0", 4) &&
        (bytes.substr(4, 15) == "Standard Jet DB" || bytes.substr(4, 15) == "Standard ACE DB"))
        return FileKind::Jet;
    return FileKind::Other;
}

std::shared_ptr<Driver> MakeAccessDriver(std::shared_ptr<Driver> native) {
    return std::make_shared<AccessDriver>(std::move(native));
}

}  // namespace store::detail
