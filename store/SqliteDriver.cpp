// The engine's own file format, SQLite 3: connections, prepared statements,
// error mapping, and the driver through which linked tables read such files.

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <map>
#include <mutex>
#include <string_view>

#include "store/EngineError.h"
#include "base/Text.h"
#include "store/detail/Sqlite.h"

namespace store::detail {

namespace {

constexpr int BusyTimeoutMs = 2000;  // another process committing
constexpr std::size_t MaxCachedStatements = 64;
constexpr int DefaultTextSize = 255;
constexpr int MaxTextSize = 255;
constexpr const char* ApplicationId = "PRAGMA application_id = 1414676822";  // "TRAV"

std::shared_ptr<WriteCounter> CounterFor(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::make_shared<WriteCounter>(0);
    static std::mutex mutex;
    static std::map<std::pair<dev_t, ino_t>, std::weak_ptr<WriteCounter>> counters;
    const std::lock_guard lock(mutex);
    auto& slot = counters[{st.st_dev, st.st_ino}];
    auto counter = slot.lock();
    if (!counter) {
        counter = std::make_shared<WriteCounter>(0);
        slot = counter;
    }
    return counter;
}

// SQLite's own texts are English: what its primary result codes mean, in French.
const char* CodeText(int rc) {
    switch (rc & 0xff) {
    case SQLITE_PERM: return "accès refusé";
    case SQLITE_ABORT: return "opération abandonnée";
    case SQLITE_INTERRUPT: return "opération interrompue";
    case SQLITE_IOERR: return "erreur de lecture ou d'écriture sur le disque";
    case SQLITE_FULL: return "disque plein";
    case SQLITE_PROTOCOL: return "verrouillage du fichier impossible";
    case SQLITE_TOOBIG: return "valeur trop grande";
    case SQLITE_CONSTRAINT: return "contrainte non respectée";
    case SQLITE_MISMATCH: return "type de données incompatible";
    case SQLITE_MISUSE: return "appel incorrect du moteur";
    case SQLITE_NOLFS: return "fichier trop grand pour ce système";
    case SQLITE_AUTH: return "autorisation refusée";
    case SQLITE_RANGE: return "numéro de paramètre hors limites";
    default: return nullptr;
    }
}

// The name in "table x already exists", "no such column: \"x\"" and the like,
// without the quotes SQLite keeps from the statement.
std::string NameIn(std::string_view text) {
    if (text.size() >= 2 && (text.front() == '"' || text.front() == '\'' || text.front() == '[' || text.front() == '`'))
        text = text.substr(1, text.size() - 2);
    return std::string(text);
}

[[noreturn]] void Raise(sqlite3* db, int rc, const std::string& path) {
    switch (rc & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED: throw Error(base::err::Locked);
    case SQLITE_READONLY: throw Error(base::err::ReadOnly);
    case SQLITE_CANTOPEN: throw Error(base::err::CannotOpen, path);
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT: throw Error(base::err::BadFormat, path);
    // Said as memory, as for any allocation that fails: a batch run stops
    // rather than refusing the record at hand as faulty.
    case SQLITE_NOMEM: throw EngineError(base::err::OutOfMemory, base::OutOfMemoryText);
    case SQLITE_ERROR: break;
    default: {
        const char* text = CodeText(rc);
        throw Error(base::err::Engine, text ? text : "code " + std::to_string(rc & 0xff));
    }
    }
    const std::string_view message = db ? sqlite3_errmsg(db) : "";
    constexpr std::string_view noTable = "no such table: ", twice = "duplicate column name: ",
                               noColumn = "no such column: ", near = "near ", exists = " already exists";
    if (message.starts_with(noTable)) throw Error(base::err::UnknownTable, NameIn(message.substr(noTable.size())));
    if (message.starts_with(twice)) throw Error(base::err::FieldTwice, NameIn(message.substr(twice.size())));
    if (message.starts_with(noColumn))
        throw Error(base::err::TooFewParameters,
                    "colonne inconnue « " + NameIn(message.substr(noColumn.size())) + " »");
    if (message.ends_with(exists)) {
        std::string_view what = message.substr(0, message.size() - exists.size());
        what = what.substr(std::min(what.size(), what.find(' ') + 1));  // "table x", "index x"
        throw Error(base::err::TableExists, NameIn(what));
    }
    // "near "FROM": syntax error"
    if (message.starts_with(near) && message.ends_with(": syntax error")) {
        const std::string_view token = message.substr(near.size(), message.size() - near.size() - 14);
        throw Error(base::err::SyntaxError, "près de « " + NameIn(token) + " »");
    }
    if (message == "incomplete input") throw Error(base::err::SyntaxError, "instruction incomplète");
    throw Error(base::err::SyntaxError, "instruction refusée par le moteur");
}

bool OnlyBlanks(const char* text) {
    for (; *text; ++text)
        if (*text != ' ' && *text != '\t' && *text != '\n' && *text != '\r' && *text != ';') return false;
    return true;
}

}  // namespace

void SqliteCloser::operator()(sqlite3* db) const { sqlite3_close_v2(db); }
void StatementFinalizer::operator()(sqlite3_stmt* stmt) const { sqlite3_finalize(stmt); }

Connection::Connection(const std::string& path, Mode mode) : path_(path) {
    if (mode == Mode::CreateNew) {
        // O_EXCL claims the name atomically, so two creators cannot both win.
        const int fd = ::open(path.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
        if (fd < 0) throw Error(errno == EEXIST ? base::err::DatabaseExists : base::err::CannotOpen, path);
        ::close(fd);
    } else {
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0) throw Error(base::err::FileNotFound, path);
        if (!S_ISREG(st.st_mode)) throw Error(base::err::NotAFile, path);  // a FIFO would block the open
    }
    sqlite3* raw = nullptr;
    // No SQLITE_OPEN_CREATE: a file that vanished meanwhile is not made anew.
    // No mutex: a connection is used by one thread at a time (the parameter
    // database has one per thread), and a million-row table would otherwise
    // take and release a lock at every call.
    const int rc = sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    db_.reset(raw);
    if (rc != SQLITE_OK) Raise(raw, rc, path);
    sqlite3_extended_result_codes(raw, 0);
    sqlite3_busy_timeout(raw, BusyTimeoutMs);
    // Opening is lazy: reading the schema now reports a file that is no database.
    Exec(mode == Mode::CreateNew ? ApplicationId : "SELECT count(*) FROM sqlite_master");
    writes_ = CounterFor(path);
}

void Connection::Exec(const char* sql) {
    const int rc = sqlite3_exec(db_.get(), sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) Fail(rc);
}

std::int64_t Connection::TotalChanges() const { return sqlite3_total_changes64(db_.get()); }
std::int64_t Connection::LastRowid() const { return sqlite3_last_insert_rowid(db_.get()); }

void Connection::Fail(int rc) const { Raise(db_.get(), rc, path_); }

Query::Query(Connection& conn, const std::string& sql) : conn_(conn) {
    auto& cache = conn.statements_;
    if (auto it = cache.find(sql); it != cache.end() && !it->second.inUse) {
        slot_ = &it->second;
        slot_->inUse = true;
        stmt_ = slot_->stmt.get();
        return;
    }
    sqlite3_stmt* raw = nullptr;
    const char* tail = nullptr;
    const int rc = sqlite3_prepare_v2(conn.Handle(), sql.c_str(), int(sql.size()) + 1, &raw, &tail);
    StatementPtr stmt(raw);
    if (rc != SQLITE_OK) conn.Fail(rc);
    if (!raw) throw Error(base::err::SyntaxError, "instruction vide");
    // One statement per call: text after it would otherwise be ignored silently.
    if (!OnlyBlanks(tail)) throw Error(base::err::SyntaxError, "caractères après la fin de l'instruction");
    stmt_ = raw;
    if (cache.size() >= MaxCachedStatements)
        std::erase_if(cache, [](const auto& entry) { return !entry.second.inUse; });
    if (cache.size() < MaxCachedStatements && !cache.contains(sql)) {
        slot_ = &cache[sql];
        slot_->stmt = std::move(stmt);
        slot_->inUse = true;
    } else {
        owned_ = std::move(stmt);
    }
}

Query::~Query() {
    if (!stmt_) return;
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
    if (slot_) slot_->inUse = false;
}

void Query::CheckCount(std::size_t given) const {
    const int wanted = sqlite3_bind_parameter_count(stmt_);
    if (int(given) != wanted)
        throw Error(base::err::TooFewParameters, std::to_string(given) + " valeur(s) pour " + std::to_string(wanted));
}

void Query::Bind(const std::vector<Value>& params, bool lasting) {
    CheckCount(params.size());
    for (int i = 0; i < int(params.size()); ++i) {
        const Value& v = params[std::size_t(i)];
        int rc = SQLITE_OK;
        switch (v.GetKind()) {
        case Value::Kind::Null: rc = sqlite3_bind_null(stmt_, i + 1); break;
        case Value::Kind::Integer: rc = sqlite3_bind_int64(stmt_, i + 1, v.Int64()); break;
        case Value::Kind::Double: rc = sqlite3_bind_double(stmt_, i + 1, v.Double()); break;
        case Value::Kind::Text: {
            const std::string& text = *v.IfText();
            rc = sqlite3_bind_text(stmt_, i + 1, text.data(), int(text.size()),
                                   lasting ? SQLITE_STATIC : SQLITE_TRANSIENT);
            break;
        }
        }
        if (rc != SQLITE_OK) conn_.Fail(rc);
    }
}

void Query::BindTexts(const std::vector<std::string_view>& texts) {
    CheckCount(texts.size());
    for (int i = 0; i < int(texts.size()); ++i) {
        const std::string_view text = texts[std::size_t(i)];
        const int rc = sqlite3_bind_text(stmt_, i + 1, text.data(), int(text.size()), SQLITE_STATIC);
        if (rc != SQLITE_OK) conn_.Fail(rc);
    }
}

void Query::Reset() { sqlite3_reset(stmt_); }

void Query::Abandon() {
    if (slot_) stmt_ = nullptr;  // an uncached one is still finalized here
    slot_ = nullptr;
}

bool Query::Step() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    conn_.Fail(rc);
}

int Query::ColumnCount() const { return sqlite3_column_count(stmt_); }

Value Query::Column(int i) const {
    switch (sqlite3_column_type(stmt_, i)) {
    case SQLITE_INTEGER: return Value(std::int64_t{sqlite3_column_int64(stmt_, i)});
    case SQLITE_FLOAT: return Value(sqlite3_column_double(stmt_, i));
    case SQLITE_NULL: return Value();
    default: break;
    }
    const auto* text = static_cast<const char*>(sqlite3_column_blob(stmt_, i));
    return Value(std::string(text ? text : "", std::size_t(sqlite3_column_bytes(stmt_, i))));
}

FieldDef Query::ColumnDef(int i) const {
    return FieldFromDecl(sqlite3_column_name(stmt_, i), sqlite3_column_decltype(stmt_, i));
}

std::string DeclaredType(const FieldDef& field) {
    switch (field.Type) {
    case dbBoolean: return "BIT";
    case dbByte: return "BYTE";
    case dbInteger: return "SMALLINT";
    case dbLong: return "INTEGER";
    case dbCurrency: return "CURRENCY";
    case dbSingle: return "SINGLE";
    case dbDouble: return "REAL";
    case dbDate: return "DATETIME";
    case dbMemo: return "LONGTEXT COLLATE NOCASE";  // "TEXT" in the name gives text affinity
    case dbText:
        if (field.Size >= 0 && field.Size <= MaxTextSize)
            return "TEXT(" + std::to_string(field.Size ? field.Size : DefaultTextSize) + ") COLLATE NOCASE";
        break;
    default: break;
    }
    throw Error(base::err::BadFieldType);
}

FieldDef FieldFromDecl(std::string name, const char* decl) {
    FieldDef f{std::move(name), 0, 0};
    if (!decl || !*decl) return f;
    const std::string upper = base::AsciiUpper(decl);
    const auto paren = upper.find('(');
    std::string base = upper.substr(0, paren);
    while (!base.empty() && base.back() == ' ') base.pop_back();
    static const std::map<std::string, int, std::less<>> types{
        {"BIT", dbBoolean},      {"BOOLEAN", dbBoolean},   {"BYTE", dbByte},     {"TINYINT", dbByte},
        {"SMALLINT", dbInteger}, {"SHORT", dbInteger},     {"INTEGER", dbLong},  {"INT", dbLong},
        {"LONG", dbLong},        {"CURRENCY", dbCurrency}, {"SINGLE", dbSingle}, {"REAL", dbDouble},
        {"DOUBLE", dbDouble},    {"FLOAT", dbDouble},      {"DATETIME", dbDate}, {"DATE", dbDate},
        {"TEXT", dbText},        {"VARCHAR", dbText},      {"CHAR", dbText},     {"LONGTEXT", dbMemo},
        {"MEMO", dbMemo},        {"CLOB", dbMemo}};
    if (auto it = types.find(base); it != types.end()) {
        f.Type = it->second;
    } else if (upper.find("INT") != std::string::npos) {  // SQLite's affinity rules
        f.Type = dbLong;
    } else if (upper.find("CHAR") != std::string::npos || upper.find("TEXT") != std::string::npos) {
        f.Type = dbText;
    } else {
        f.Type = dbDouble;
    }
    if (f.Type == dbText) {
        f.Size = DefaultTextSize;
        if (paren != std::string::npos) {
            int size = 0;
            const char* first = upper.c_str() + paren + 1;
            if (std::from_chars(first, upper.c_str() + upper.size(), size).ec == std::errc() && size > 0) f.Size = size;
        }
    }
    return f;
}

std::vector<std::string> NativeTableNames(Connection& conn) {
    Query q(conn,
            "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite!_%' ESCAPE '!' "
            "AND name <> ? COLLATE NOCASE ORDER BY rowid");
    q.Bind({Value(LinksTable)});
    std::vector<std::string> names;
    while (q.Step()) names.push_back(q.Column(0).Text());
    return names;
}

std::string NativeTableName(Connection& conn, const std::string& name) {
    for (auto& table : NativeTableNames(conn))
        if (SameText(table, name)) return table;
    return {};
}

std::vector<FieldDef> NativeFields(Connection& conn, const std::string& table) {
    Query q(conn, "SELECT name, type FROM pragma_table_info(?)");
    q.Bind({Value(table)});
    std::vector<FieldDef> fields;
    while (q.Step()) {
        FieldDef f = FieldFromDecl(q.Column(0).Text(), q.Column(1).Text().c_str());
        if (f.Type == 0) f = {f.Name, dbText, DefaultTextSize};
        fields.push_back(std::move(f));
    }
    return fields;
}

std::string QuoteName(const std::string& name) {
    std::string quoted = "\"";
    for (char c : name) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

namespace {

class SqliteCursor final : public TableCursor {
public:
    SqliteCursor(std::shared_ptr<Connection> conn, const std::string& table)
        : conn_(std::move(conn)), table_(table), fields_(NativeFields(*conn_, table)),
          query_(std::make_unique<Query>(*conn_, "SELECT * FROM " + QuoteName(table))) {}

    const std::vector<FieldDef>& Fields() const override { return fields_; }

    bool Next(std::vector<Value>& row) override {
        // A finished statement would start again if stepped once more.
        if (done_ || !query_->Step()) {
            done_ = true;
            return false;
        }
        row.resize(fields_.size());
        for (std::size_t i = 0; i < row.size(); ++i) row[i] = query_->Column(int(i));
        return true;
    }

    long Count() override {
        Query q(*conn_, "SELECT COUNT(*) FROM " + QuoteName(table_));
        return q.Step() ? long(q.Column(0).Double()) : 0;
    }

    // OFFSET skips inside SQLite, in the order the plain SELECT reads: rowids
    // may have gaps, so a rowid range would not name the n-th row.
    bool Seek(long row) override {
        query_.reset();  // its cached statement serves the new query
        query_ = std::make_unique<Query>(*conn_, "SELECT * FROM " + QuoteName(table_) + " LIMIT -1 OFFSET ?");
        query_->Bind({Value(std::int64_t(std::max(row, 0L)))});
        done_ = false;
        return true;
    }

private:
    std::shared_ptr<Connection> conn_;  // outlives query_
    std::string table_;
    std::vector<FieldDef> fields_;
    std::unique_ptr<Query> query_;
    bool done_ = false;
};

class SqliteSource final : public SourceDatabase {
public:
    explicit SqliteSource(const std::string& path)
        : conn_(std::make_shared<Connection>(path, Connection::Mode::OpenExisting)) {}

    std::vector<std::string> TableNames() override { return NativeTableNames(*conn_); }

    std::unique_ptr<TableCursor> OpenTable(const std::string& name) override {
        const std::string table = NativeTableName(*conn_, name);
        if (table.empty()) throw Error(base::err::ObjectNotFound, name);
        return std::make_unique<SqliteCursor>(conn_, table);
    }

private:
    std::shared_ptr<Connection> conn_;
};

class SqliteDriver final : public Driver {
public:
    std::unique_ptr<SourceDatabase> Open(const std::string& path) override {
        return std::make_unique<SqliteSource>(path);
    }
};

}  // namespace

std::unique_ptr<TableCursor> MakeSqliteCursor(std::shared_ptr<Connection> conn, const std::string& table) {
    return std::make_unique<SqliteCursor>(std::move(conn), table);
}

std::shared_ptr<Driver> MakeSqliteDriver() { return std::make_shared<SqliteDriver>(); }

}  // namespace store::detail
