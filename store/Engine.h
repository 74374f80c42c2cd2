#pragma once
// The database engine: workspaces, databases, table definitions and record
// sets, under the verbs of the classic data-access objects so that callers
// read like the procedures they implement.
//
//   store::Database db = store::OpenDatabase(store::ParamDbPath());
//   store::Recordset rs = db.OpenRecordset("SELECT * FROM Datums WHERE Lock = 'N'");
//   while (!rs.Eof()) { names.push_back(rs.Field("nom").Value().Text()); rs.MoveNext(); }
//
// The engine's own files are SQLite databases; other formats are read through
// the drivers of Driver.h. Table and column names match without regard to
// case. Every failure is an EngineError (or a conversion error of Value).
//
// A record set reads its whole result when it opens, so it holds no lock on
// the file afterwards and its record count is always exact. A set drawn from
// a single table (by name, or "SELECT * | columns FROM table [WHERE ...]
// [ORDER BY ...]") is updatable through the table's rowid; any other is
// read-only.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "store/Criterion.h"
#include "store/Driver.h"
#include "store/EngineError.h"
#include "store/Value.h"

namespace store {

namespace detail {
struct DatabaseImpl;
struct RecordsetData;
}  // namespace detail

// Locale text of the general sort order, as the batch outputs are created with.
inline constexpr const char* dbLangGeneral = ";LANGID=0x0409;CP=1252;COUNTRY=0";

// One column of a record set: valid while its record set is open.
class Field {
public:
    const std::string& Name() const;
    int Type() const;  // dbText, dbDouble, ...
    int Size() const;
    // The current record's value (the edit buffer during AddNew or Edit);
    // 3021 without a current record.
    store::Value Value() const;

private:
    friend class Recordset;
    Field(const detail::RecordsetData& data, std::size_t index) : data_(&data), index_(index) {}
    const detail::RecordsetData* data_;
    std::size_t index_;
};

class Recordset {
public:
    Recordset(Recordset&&) noexcept;
    Recordset& operator=(Recordset&&) noexcept;
    ~Recordset();

    // A fresh record set stands on its first record. Moving with no record
    // to move to fails with 3021; a pending AddNew or Edit is dropped.
    void MoveFirst();
    void MoveLast();
    void MoveNext();
    bool Eof() const;
    long RecordCount() const;

    int FieldCount() const;
    store::Field Field(const std::string& name) const;  // 3265 when unknown
    store::Field Field(int index) const;

    // Positions on the first matching record; on no match NoMatch() is true
    // and the position is unchanged. Criterion text: see Criterion.h.
    void FindFirst(const std::string& criterion);
    void FindFirst(const Criterion& criterion);
    bool NoMatch() const;

    bool Updatable() const;
    void AddNew();
    void Edit();
    // Converts to the column's type at once (6, 13, 3163 for a text too long).
    void SetField(const std::string& name, const store::Value& value);
    void SetField(int index, const store::Value& value);
    void Update();  // 3020 without AddNew or Edit
    void CancelUpdate();
    void Delete();  // the position then lies between records until a move
    void Close();

private:
    friend class Database;
    explicit Recordset(std::unique_ptr<detail::RecordsetData> data);
    detail::RecordsetData& Data() const;
    std::unique_ptr<detail::RecordsetData> data_;
};

// A table definition: an existing table's description, or one being built.
struct TableDef {
    std::string Name;
    std::string Connect;          // driver + ";DATABASE=" + path for a linked table
    std::string SourceTableName;  // the linked table's name in its source
    std::vector<FieldDef> Fields;

    FieldDef CreateField(const std::string& name, int type, int size = 0) const { return {name, type, size}; }
    void Append(const FieldDef& field);  // 3191 when the name is there already
};

// The table definitions of a database, read afresh on every call.
class TableDefs {
public:
    int Count() const;
    TableDef Item(int index) const;  // 3265 out of range
    TableDef Item(const std::string& name) const;
    // Creates the table, or the link when Connect is set (3010 when the name
    // exists, 3264 without fields, 3125 for a bad name).
    void Append(const TableDef& table);
    void Delete(const std::string& name);

private:
    friend class Database;
    explicit TableDefs(std::shared_ptr<detail::DatabaseImpl> db) : db_(std::move(db)) {}
    std::shared_ptr<detail::DatabaseImpl> db_;
};

// A shared handle: copies refer to the same open database.
class Database {
public:
    explicit Database(std::shared_ptr<detail::DatabaseImpl> impl) : impl_(std::move(impl)) {}

    const std::string& Name() const;
    // A table name or a SELECT statement; `params` bind the statement's '?'.
    Recordset OpenRecordset(const std::string& source, const std::vector<store::Value>& params = {});
    // A whole table read once from first to last record without holding it
    // in memory, for tables of millions of rows. Read-only.
    std::unique_ptr<TableCursor> OpenForwardOnly(const std::string& table);
    // Runs one action statement; returns the number of rows it changed.
    int Execute(const std::string& sql, const std::vector<store::Value>& params = {});
    store::TableDefs TableDefs() const { return store::TableDefs(impl_); }
    TableDef CreateTableDef(const std::string& name) const { return TableDef{name, {}, {}, {}}; }
    // Releases the file; the database and its record sets are unusable after (3420).
    void Close();

    const std::shared_ptr<detail::DatabaseImpl>& Impl() const { return impl_; }  // for the store

private:
    std::shared_ptr<detail::DatabaseImpl> impl_;
};

// Keeps every change made through one database between its start and
// Commit together: destroyed before Commit (an exception on the way, say), it
// rolls them back and the file is as it was. It takes the file's write lock
// at once, so another process writing meanwhile is reported here (3260,
// after the engine's wait) rather than halfway through. Record sets keep
// what they read or wrote meanwhile: reopen them after a rollback.
class Transaction {
public:
    explicit Transaction(Database& db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void Commit();

private:
    std::shared_ptr<detail::DatabaseImpl> db_;
    bool open_ = false;
};

class Workspace {
public:
    // An existing file (3024 when missing; never creates it). A connect text
    // such as "Excel 8.0;" names the driver for other formats.
    Database OpenDatabase(const std::string& path, const std::string& connect = {}) const;
    // A new, empty file in the engine's format; 3204 when the file exists.
    Database CreateDatabase(const std::string& path, const std::string& locale) const;
};

Workspace& Workspaces(int index);  // only the first, 0, exists

inline Database OpenDatabase(const std::string& path, const std::string& connect = {}) {
    return Workspaces(0).OpenDatabase(path, connect);
}
inline Database CreateDatabase(const std::string& path, const std::string& locale) {
    return Workspaces(0).CreateDatabase(path, locale);
}

}  // namespace store
