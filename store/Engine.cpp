// Databases, table definitions and record sets over the engine's own SQLite
// files, and read-only ones over other drivers.
//
// A record set is materialised when it opens: the rows live in memory with
// the rowid of each (for sets drawn from one table), so moves are free, the
// record count is exact, and no statement is left half-read holding a lock.
// Edits go back to the file by rowid through statements the connection keeps
// prepared.

#include "store/Engine.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include "base/Text.h"
#include "base/Utf8.h"
#include "store/detail/Drivers.h"
#include "store/detail/EngineImpl.h"
#include "store/detail/SqlShape.h"

namespace store {

namespace detail {

struct RecordsetData {
    enum class Mode { Browse, Add, Edit };

    std::shared_ptr<DatabaseImpl> db;
    std::vector<FieldDef> fields;
    std::string table;  // the updatable source table; empty when read-only
    std::vector<std::int64_t> rowids;
    std::vector<Value> values;  // row after row, fields.size() values each
    std::size_t rows = 0;
    std::size_t pos = 0;
    bool afterDelete = false;  // pos already names the record after the deleted one
    bool noMatch = false;
    Mode mode = Mode::Browse;
    std::vector<Value> buffer;
    std::vector<bool> dirty;

    std::size_t Width() const { return fields.size(); }

    std::size_t Current() const {
        db->CheckOpen();
        if (afterDelete) throw Error(base::err::RecordDeleted);
        if (pos >= rows) throw Error(base::err::NoCurrentRecord);
        return pos;
    }

    std::size_t Index(const std::string& name) const {
        for (std::size_t i = 0; i < fields.size(); ++i)
            if (SameText(fields[i].Name, name)) return i;
        throw Error(base::err::NotInCollection);
    }

    std::size_t Index(int index) const {
        if (index < 0 || std::size_t(index) >= fields.size()) throw Error(base::err::NotInCollection);
        return std::size_t(index);
    }

    void CheckUpdatable() const {
        db->CheckOpen();
        if (table.empty()) throw Error(base::err::ReadOnly);
    }

    // Leaving a record drops its pending edit, as the classic engine does.
    void StopEditing() { mode = Mode::Browse; }
};

std::shared_ptr<DatabaseImpl> OpenNative(const std::string& path) {
    auto impl = std::make_shared<DatabaseImpl>();
    impl->name = path;
    impl->conn = std::make_unique<Connection>(path, Connection::Mode::OpenExisting);
    return impl;
}

}  // namespace detail

namespace {

using detail::Connection;
using detail::DatabaseImpl;
using detail::IsStatement;
using detail::MatchSingleTable;
using detail::PlainColumns;
using detail::Query;
using detail::QuoteName;
using detail::RecordsetData;
using detail::SingleTable;

constexpr std::size_t MaxNameLength = 64;

std::string Trimmed(const std::string& text) {
    return std::string(base::TrimEnd(base::TrimStart(text, " \t\r\n"), " \t\r\n;"));
}

// A type for columns without a declared one, from the first value they hold.
void InferTypes(RecordsetData& d) {
    for (std::size_t c = 0; c < d.Width(); ++c) {
        FieldDef& f = d.fields[c];
        if (f.Type != 0) continue;
        f = {f.Name, dbText, 0};
        for (std::size_t r = 0; r < d.rows; ++r) {
            const Value& v = d.values[r * d.Width() + c];
            if (v.IsNull()) continue;
            if (v.GetKind() == Value::Kind::Integer) f.Type = dbLong;
            if (v.GetKind() == Value::Kind::Double) f.Type = dbDouble;
            break;
        }
    }
}

std::unique_ptr<RecordsetData> ReadQuery(std::shared_ptr<DatabaseImpl> db, Query& q, const std::string& table) {
    auto d = std::make_unique<RecordsetData>();
    d->db = std::move(db);
    d->table = table;
    const int first = table.empty() ? 0 : 1;  // column 0 holds the rowid
    for (int i = first; i < q.ColumnCount(); ++i) d->fields.push_back(q.ColumnDef(i));
    while (q.Step()) {
        if (first) d->rowids.push_back(q.Column(0).Int64());
        for (int i = first; i < q.ColumnCount(); ++i) d->values.push_back(q.Column(i));
        ++d->rows;
    }
    InferTypes(*d);
    return d;
}

std::unique_ptr<RecordsetData> ReadCursor(std::shared_ptr<DatabaseImpl> db, TableCursor& cursor) {
    auto d = std::make_unique<RecordsetData>();
    d->db = std::move(db);
    d->fields = cursor.Fields();
    std::vector<Value> row;
    while (cursor.Next(row)) {
        row.resize(d->Width());
        std::move(row.begin(), row.end(), std::back_inserter(d->values));
        ++d->rows;
    }
    InferTypes(*d);
    return d;
}

// --- Linked tables: rows of the links table in the engine's own files.

struct Link {
    std::string name, connect, source;
};

std::vector<Link> Links(Connection& conn) {
    std::vector<Link> links;
    {
        Query has(conn, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ? COLLATE NOCASE");
        has.Bind({Value(detail::LinksTable)});
        if (!has.Step()) return links;
    }
    Query q(conn, std::string("SELECT name, connect, source FROM ") + detail::LinksTable + " ORDER BY rowid");
    while (q.Step()) links.push_back({q.Column(0).Text(), q.Column(1).Text(), q.Column(2).Text()});
    return links;
}

std::optional<Link> FindLink(Connection& conn, const std::string& name) {
    for (auto& link : Links(conn))
        if (SameText(link.name, name)) return link;
    return std::nullopt;
}

std::unique_ptr<TableCursor> OpenLinkSource(const std::string& connect, const std::string& sourceTable) {
    // The cursor may read through its source's connection: keep both together.
    struct Owning final : TableCursor {
        std::unique_ptr<SourceDatabase> source;  // declared first: outlives the cursor
        std::unique_ptr<TableCursor> cursor;
        const std::vector<FieldDef>& Fields() const override { return cursor->Fields(); }
        bool Next(std::vector<Value>& row) override { return cursor->Next(row); }
    };
    const ConnectString c = ParseConnect(connect);
    auto owning = std::make_unique<Owning>();
    owning->source = FindDriver(c.driver)->Open(c.database);
    owning->cursor = owning->source->OpenTable(sourceTable);
    return owning;
}

// --- Names and statements.

std::vector<std::string> TableNames(DatabaseImpl& db) {
    db.CheckOpen();
    if (db.source) return db.source->TableNames();
    std::vector<std::string> names = detail::NativeTableNames(*db.conn);
    for (auto& link : Links(*db.conn)) names.push_back(link.name);
    return names;
}

void CheckName(const std::string& name) {
    const bool bad =
        name.empty() || name.size() > MaxNameLength || name.front() == ' ' ||
        std::any_of(name.begin(), name.end(), [](char c) {
            return (static_cast<unsigned char>(c) < 0x20) || c == '.' || c == '!' || c == '`' || c == '[' || c == ']';
        });
    if (bad) throw Error(base::err::BadName, name);
}

// A value in the form the column stores, failing the way an assignment does.
Value Coerced(const FieldDef& field, const Value& v) {
    if (v.IsNull()) return v;
    switch (field.Type) {
    case dbBoolean: return Value(v.Double() != 0 ? -1 : 0);
    case dbByte: {
        const std::int16_t b = v.Int16();
        if (b < 0 || b > 255) throw base::OverflowError();
        return Value(int{b});
    }
    case dbInteger: return Value(int{v.Int16()});
    case dbLong: return Value(v.Int32());
    case dbSingle: return Value(double(v.Float()));
    case dbCurrency:
    case dbDouble:
    case dbDate: return Value(v.Double());
    case dbText:
        if (field.Size > 0 && base::CharacterCount(v.Text()) > std::size_t(field.Size))
            throw Error(base::err::FieldTooSmall, field.Name);
        return Value(v.Text());
    case dbMemo: return Value(v.Text());
    default: return v;
    }
}

}  // namespace

// --- Field

const std::string& Field::Name() const { return data_->fields[index_].Name; }
int Field::Type() const { return data_->fields[index_].Type; }
int Field::Size() const { return data_->fields[index_].Size; }

Value Field::Value() const {
    if (data_->mode != RecordsetData::Mode::Browse) {
        data_->db->CheckOpen();
        return data_->buffer[index_];
    }
    return data_->values[data_->Current() * data_->Width() + index_];
}

// --- Recordset

Recordset::Recordset(std::unique_ptr<RecordsetData> data) : data_(std::move(data)) {}
Recordset::Recordset(Recordset&&) noexcept = default;
Recordset& Recordset::operator=(Recordset&&) noexcept = default;
Recordset::~Recordset() = default;

RecordsetData& Recordset::Data() const {
    if (!data_) throw Error(base::err::ObjectClosed);
    data_->db->CheckOpen();
    return *data_;
}

void Recordset::MoveFirst() {
    RecordsetData& d = Data();
    d.StopEditing();
    if (d.rows == 0) throw Error(base::err::NoCurrentRecord);
    d.pos = 0;
    d.afterDelete = false;
}

void Recordset::MoveLast() {
    RecordsetData& d = Data();
    d.StopEditing();
    if (d.rows == 0) throw Error(base::err::NoCurrentRecord);
    d.pos = d.rows - 1;
    d.afterDelete = false;
}

void Recordset::MoveNext() {
    RecordsetData& d = Data();
    d.StopEditing();
    if (d.afterDelete) {
        d.afterDelete = false;
        return;
    }
    if (d.pos >= d.rows) throw Error(base::err::NoCurrentRecord);
    ++d.pos;
}

bool Recordset::Eof() const { return Data().pos >= Data().rows; }
long Recordset::RecordCount() const { return long(Data().rows); }
int Recordset::FieldCount() const { return int(Data().Width()); }
Field Recordset::Field(const std::string& name) const { return store::Field(Data(), Data().Index(name)); }
Field Recordset::Field(int index) const { return store::Field(Data(), Data().Index(index)); }

void Recordset::FindFirst(const std::string& criterion) { FindFirst(ParseCriterion(criterion)); }

void Recordset::FindFirst(const Criterion& criterion) {
    RecordsetData& d = Data();
    std::size_t column = 0;
    try {
        column = d.Index(criterion.column);
    } catch (const EngineError&) {
        throw Error(base::err::UnknownField, criterion.column);
    }
    d.StopEditing();
    for (std::size_t r = 0; r < d.rows; ++r)
        if (Matches(d.values[r * d.Width() + column], criterion.value)) {
            d.pos = r;
            d.afterDelete = false;
            d.noMatch = false;
            return;
        }
    d.noMatch = true;
}

bool Recordset::NoMatch() const { return Data().noMatch; }
bool Recordset::Updatable() const { return !Data().table.empty(); }

void Recordset::AddNew() {
    RecordsetData& d = Data();
    d.CheckUpdatable();
    d.buffer.assign(d.Width(), Value());
    d.dirty.assign(d.Width(), false);
    d.mode = RecordsetData::Mode::Add;
}

void Recordset::Edit() {
    RecordsetData& d = Data();
    d.CheckUpdatable();
    const std::size_t row = d.Current();
    const auto first = d.values.begin() + std::ptrdiff_t(row * d.Width());
    d.buffer.assign(first, first + std::ptrdiff_t(d.Width()));
    d.dirty.assign(d.Width(), false);
    d.mode = RecordsetData::Mode::Edit;
}

void Recordset::SetField(const std::string& name, const store::Value& value) {
    SetField(int(Data().Index(name)), value);
}

void Recordset::SetField(int index, const store::Value& value) {
    RecordsetData& d = Data();
    const std::size_t i = d.Index(index);
    if (d.mode == RecordsetData::Mode::Browse) throw Error(base::err::UpdateWithoutEdit);
    d.buffer[i] = Coerced(d.fields[i], value);
    d.dirty[i] = true;
}

void Recordset::Update() {
    RecordsetData& d = Data();
    if (d.mode == RecordsetData::Mode::Browse) throw Error(base::err::UpdateWithoutEdit);
    Connection& conn = d.db->Native();
    std::string columns, sets;
    std::vector<store::Value> params;
    for (std::size_t i = 0; i < d.Width(); ++i) {
        if (!d.dirty[i]) continue;
        const std::string name = QuoteName(d.fields[i].Name);
        columns += (params.empty() ? "" : ", ") + name;
        sets += (params.empty() ? "" : ", ") + name + " = ?";
        params.push_back(d.buffer[i]);
    }
    const std::string table = QuoteName(d.table);
    if (d.mode == RecordsetData::Mode::Add) {
        std::string sql = "INSERT INTO " + table + " DEFAULT VALUES";
        if (!params.empty()) {
            std::string list;
            for (std::size_t i = 0; i < params.size(); ++i) list += i ? ", ?" : "?";
            sql = "INSERT INTO " + table + " (" + columns + ") VALUES (" + list + ")";
        }
        Query q(conn, sql);
        q.Bind(params);
        q.Step();
        conn.NoteWrite();
        // The new record joins the end of the set; the position stays where it was.
        const bool atEnd = d.pos >= d.rows;
        d.rowids.push_back(conn.LastRowid());
        std::move(d.buffer.begin(), d.buffer.end(), std::back_inserter(d.values));
        ++d.rows;
        if (atEnd) d.pos = d.rows;
    } else if (!params.empty()) {
        const std::size_t row = d.Current();
        params.push_back(Value(d.rowids[row]));
        Query q(conn, "UPDATE " + table + " SET " + sets + " WHERE _rowid_ = ?");
        q.Bind(params);
        const auto before = conn.TotalChanges();
        q.Step();
        conn.NoteWrite();
        if (conn.TotalChanges() == before) throw Error(base::err::RecordDeleted);  // gone from the file
        std::move(d.buffer.begin(), d.buffer.end(), d.values.begin() + std::ptrdiff_t(row * d.Width()));
    }
    d.mode = RecordsetData::Mode::Browse;
}

void Recordset::CancelUpdate() {
    RecordsetData& d = Data();
    if (d.mode == RecordsetData::Mode::Browse) throw Error(base::err::UpdateWithoutEdit);
    d.mode = RecordsetData::Mode::Browse;
}

void Recordset::Delete() {
    RecordsetData& d = Data();
    d.CheckUpdatable();
    d.StopEditing();
    const std::size_t row = d.Current();
    Connection& conn = d.db->Native();
    {
        Query q(conn, "DELETE FROM " + QuoteName(d.table) + " WHERE _rowid_ = ?");
        q.Bind({Value(d.rowids[row])});
        q.Step();
        conn.NoteWrite();
    }
    const auto first = d.values.begin() + std::ptrdiff_t(row * d.Width());
    d.values.erase(first, first + std::ptrdiff_t(d.Width()));
    d.rowids.erase(d.rowids.begin() + std::ptrdiff_t(row));
    --d.rows;
    d.afterDelete = true;
}

void Recordset::Close() { data_.reset(); }

// --- TableDef and TableDefs

void TableDef::Append(const FieldDef& field) {
    for (const auto& f : Fields)
        if (SameText(f.Name, field.Name)) throw Error(base::err::FieldTwice, field.Name);
    Fields.push_back(field);
}

int TableDefs::Count() const { return int(TableNames(*db_).size()); }

TableDef TableDefs::Item(int index) const {
    const std::vector<std::string> names = TableNames(*db_);
    if (index < 0 || std::size_t(index) >= names.size()) throw Error(base::err::NotInCollection);
    return Item(names[std::size_t(index)]);
}

TableDef TableDefs::Item(const std::string& name) const {
    db_->CheckOpen();
    TableDef def;
    if (db_->source) {
        const auto names = db_->source->TableNames();
        const auto it = std::find_if(names.begin(), names.end(), [&](const auto& n) { return SameText(n, name); });
        if (it == names.end()) throw Error(base::err::NotInCollection);
        def.Name = *it;
        def.Fields = db_->source->OpenTable(*it)->Fields();
        return def;
    }
    Connection& conn = *db_->conn;
    if (const auto link = FindLink(conn, name)) {
        def = {link->name, link->connect, link->source, OpenLinkSource(link->connect, link->source)->Fields()};
        return def;
    }
    def.Name = detail::NativeTableName(conn, name);
    if (def.Name.empty()) throw Error(base::err::NotInCollection);
    def.Fields = detail::NativeFields(conn, def.Name);
    return def;
}

void TableDefs::Append(const TableDef& table) {
    Connection& conn = db_->Native();
    CheckName(table.Name);
    for (const auto& existing : TableNames(*db_))
        if (SameText(existing, table.Name)) throw Error(base::err::TableExists, table.Name);
    if (!table.Connect.empty()) {
        OpenLinkSource(table.Connect, table.SourceTableName);  // fails now rather than on first read
        conn.Exec((std::string("CREATE TABLE IF NOT EXISTS ") + detail::LinksTable +
                   " (name TEXT COLLATE NOCASE, connect TEXT, source TEXT)")
                      .c_str());
        Query q(conn, std::string("INSERT INTO ") + detail::LinksTable + " VALUES (?, ?, ?)");
        q.Bind({Value(table.Name), Value(table.Connect), Value(table.SourceTableName)});
        q.Step();
        conn.NoteWrite();
        return;
    }
    if (table.Fields.empty()) throw Error(base::err::NoFields, table.Name);
    std::string sql = "CREATE TABLE " + QuoteName(table.Name) + " (";
    for (std::size_t i = 0; i < table.Fields.size(); ++i) {
        const FieldDef& f = table.Fields[i];
        CheckName(f.Name);
        for (std::size_t j = 0; j < i; ++j)
            if (SameText(table.Fields[j].Name, f.Name)) throw Error(base::err::FieldTwice, f.Name);
        sql += (i ? ", " : "") + QuoteName(f.Name) + " " + detail::DeclaredType(f);
    }
    Query q(conn, sql + ")");
    q.Step();
    conn.NoteWrite();
}

void TableDefs::Delete(const std::string& name) {
    Connection& conn = db_->Native();
    if (FindLink(conn, name)) {
        {
            Query q(conn, std::string("DELETE FROM ") + detail::LinksTable + " WHERE name = ?");
            q.Bind({Value(name)});
            q.Step();
        }
        // With its last link gone, the file holds only the user's tables again.
        if (Links(conn).empty()) Query(conn, std::string("DROP TABLE ") + detail::LinksTable).Step();
    } else {
        const std::string table = detail::NativeTableName(conn, name);
        if (table.empty()) throw Error(base::err::NotInCollection);
        Query q(conn, "DROP TABLE " + QuoteName(table));
        q.Step();
    }
    conn.NoteWrite();
}

// --- Database

const std::string& Database::Name() const { return impl_->name; }

Recordset Database::OpenRecordset(const std::string& source, const std::vector<store::Value>& params) {
    impl_->CheckOpen();
    const std::string text = Trimmed(source);
    const bool statement = IsStatement(text);
    const std::optional<SingleTable> single = statement ? MatchSingleTable(text) : std::nullopt;
    const bool wholeTable = !statement || (single && Trimmed(single->list) == "*" && single->tail.empty());
    const std::string tableName = statement ? (single ? single->table : std::string()) : text;

    if (impl_->source) {  // drivers read whole tables only
        if (!wholeTable) throw Error(base::err::NotSupported);
        for (const auto& name : impl_->source->TableNames())
            if (SameText(name, tableName)) return Recordset(ReadCursor(impl_, *impl_->source->OpenTable(name)));
        throw Error(base::err::UnknownTable, tableName);
    }
    Connection& conn = *impl_->conn;
    if (wholeTable)
        if (const auto link = FindLink(conn, tableName))
            return Recordset(ReadCursor(impl_, *OpenLinkSource(link->connect, link->source)));
    if (!statement) {
        const std::string table = detail::NativeTableName(conn, text);
        if (table.empty()) throw Error(base::err::UnknownTable, text);
        Query q(conn, "SELECT _rowid_, * FROM " + QuoteName(table));
        return Recordset(ReadQuery(impl_, q, table));
    }
    if (single && PlainColumns(single->list)) {
        try {
            Query q(conn, "SELECT _rowid_, " + single->afterSelect);
            q.Bind(params);
            return Recordset(ReadQuery(impl_, q, single->table));
        } catch (const EngineError&) {
            // A view, a table without rowid, or a fault the plain query below reports.
        }
    }
    Query q(conn, text);
    q.Bind(params);
    return Recordset(ReadQuery(impl_, q, {}));
}

std::unique_ptr<TableCursor> Database::OpenForwardOnly(const std::string& table) {
    impl_->CheckOpen();
    const std::string name = Trimmed(table);
    if (impl_->source) {
        for (const auto& each : impl_->source->TableNames())
            if (SameText(each, name)) return impl_->source->OpenTable(each);
        throw Error(base::err::UnknownTable, name);
    }
    Connection& conn = *impl_->conn;
    if (const auto link = FindLink(conn, name)) return OpenLinkSource(link->connect, link->source);
    const std::string stored = detail::NativeTableName(conn, name);
    if (stored.empty()) throw Error(base::err::UnknownTable, name);
    // Shares ownership of the database, so the connection outlives the cursor.
    return detail::MakeSqliteCursor(std::shared_ptr<Connection>(impl_, impl_->conn.get()), stored);
}

int Database::Execute(const std::string& sql, const std::vector<store::Value>& params) {
    Connection& conn = impl_->Native();
    Query q(conn, Trimmed(sql));
    q.Bind(params, true);  // `params` outlives `q`
    const auto before = conn.TotalChanges();
    while (q.Step()) {}
    conn.NoteWrite();
    return int(conn.TotalChanges() - before);
}

void Database::Close() {
    impl_->conn.reset();
    impl_->source.reset();
}

// --- Transaction

Transaction::Transaction(Database& db) : db_(db.Impl()) {
    db_->Native().Exec("BEGIN IMMEDIATE");
    open_ = true;
}

Transaction::~Transaction() {
    if (!open_ || db_->Closed()) return;
    try {
        db_->conn->Exec("ROLLBACK");
    } catch (const EngineError&) {
        // SQLite has already rolled back what a failed statement left behind.
    }
    db_->conn->NoteWrite();  // readers that cached rows written meanwhile look again
}

void Transaction::Commit() {
    Connection& conn = db_->Native();
    conn.Exec("COMMIT");
    open_ = false;
    conn.NoteWrite();
}

// --- Workspace

Database Workspace::OpenDatabase(const std::string& path, const std::string& connect) const {
    const std::string driver = ParseConnect(connect).driver;
    // An Access file under the empty driver name reads through libmdb.
    if (driver.empty() && detail::SniffFile(path) != detail::FileKind::Jet) return Database(detail::OpenNative(path));
    auto impl = std::make_shared<DatabaseImpl>();
    impl->name = path;
    impl->source = FindDriver(driver)->Open(path);
    return Database(std::move(impl));
}

Database Workspace::CreateDatabase(const std::string& path, const std::string&) const {
    // Every text column compares without regard to case (COLLATE NOCASE), which
    // is what the general sort order of the locale text asks for.
    auto impl = std::make_shared<DatabaseImpl>();
    impl->name = path;
    impl->conn = std::make_unique<Connection>(path, Connection::Mode::CreateNew);
    return Database(std::move(impl));
}

Workspace& Workspaces(int index) {
    static Workspace first;
    if (index != 0) throw Error(base::err::NotInCollection);
    return first;
}

}  // namespace store
