#pragma once
// Internal to the store: RAII over SQLite connections and statements, and the
// mapping between field types and SQLite declared types. Callers of the store
// use Engine.h instead.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "store/Driver.h"
#include "store/Value.h"

struct sqlite3;
struct sqlite3_stmt;

namespace store::detail {

struct SqliteCloser {
    void operator()(sqlite3* db) const;
};
struct StatementFinalizer {
    void operator()(sqlite3_stmt* stmt) const;
};
using StatementPtr = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

// Counts the writes this process makes to one file, whichever connection
// makes them; connections to the same file (same device and inode) share it.
using WriteCounter = std::atomic<std::uint64_t>;

// The table that records linked tables in the engine's own files.
inline constexpr const char* LinksTable = "travena_links";

class Connection {
public:
    enum class Mode { OpenExisting, CreateNew };
    Connection(const std::string& path, Mode mode);

    sqlite3* Handle() const { return db_.get(); }
    const std::string& Path() const { return path_; }
    const std::shared_ptr<WriteCounter>& Writes() const { return writes_; }
    void NoteWrite() { writes_->fetch_add(1, std::memory_order_release); }

    // Runs statements that return no rows (transaction control, pragmas).
    void Exec(const char* sql);
    std::int64_t TotalChanges() const;
    std::int64_t LastRowid() const;
    [[noreturn]] void Fail(int rc) const;

private:
    friend class Query;
    struct Slot {
        StatementPtr stmt;
        bool inUse = false;
    };
    std::unique_ptr<sqlite3, SqliteCloser> db_;  // declared first: closed last
    std::string path_;
    std::shared_ptr<WriteCounter> writes_;
    std::unordered_map<std::string, Slot> statements_;  // prepared once, by SQL text
};

// One use of a prepared statement: taken from the connection's cache (or
// prepared apart when the cached one is in use), reset on destruction so it
// holds no lock afterwards.
class Query {
public:
    Query(Connection& conn, const std::string& sql);
    ~Query();
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;

    // `lasting`: the texts outlive every Step of this query, and are bound
    // without a copy (the query unbinds everything when it ends).
    void Bind(const std::vector<Value>& params, bool lasting = false);
    // Texts only, bound in place: they must outlive every Step until Reset.
    void BindTexts(const std::vector<std::string_view>& texts);
    // Ready to run again; the bindings stay until bound anew.
    void Reset();
    // Its connection has closed, taking a cached statement with it.
    void Abandon();
    bool Step();  // true while a row is there
    int ColumnCount() const;
    Value Column(int i) const;
    FieldDef ColumnDef(int i) const;  // Type 0 when no declared type tells

private:
    void CheckCount(std::size_t given) const;  // 3061 unless one value per parameter

    Connection& conn_;
    sqlite3_stmt* stmt_ = nullptr;
    Connection::Slot* slot_ = nullptr;
    StatementPtr owned_;
};

// "TEXT(50)", "REAL", "SMALLINT", ...; 3259 for a type the engine cannot create.
std::string DeclaredType(const FieldDef& field);
// Type and size from a declared type; Type 0 when there is none.
FieldDef FieldFromDecl(std::string name, const char* decl);

// Tables of an engine file in creation order, without SQLite's own and the links table.
std::vector<std::string> NativeTableNames(Connection& conn);
// The stored spelling of a table name given in any case; empty when absent.
std::string NativeTableName(Connection& conn, const std::string& name);
std::vector<FieldDef> NativeFields(Connection& conn, const std::string& table);

// The driver of the engine's own files, registered under the empty name.
std::shared_ptr<Driver> MakeSqliteDriver();
// Reads `table` (its stored name) once to the end through `conn`.
std::unique_ptr<TableCursor> MakeSqliteCursor(std::shared_ptr<Connection> conn, const std::string& table);

// "name" with inner quotes doubled: identifiers only, never values.
std::string QuoteName(const std::string& name);

}  // namespace store::detail
