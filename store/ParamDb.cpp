// Location, schema and statements of the parameter database, and the
// per-thread cached connection that the read scopes manage.

#include "store/ParamDb.h"

#include <array>
#include <atomic>
#include <initializer_list>
#include <mutex>
#include <optional>

#include "store/ParamDbLocation.h"
#include "store/ParamSchema.h"
#include "store/detail/EngineImpl.h"
#include "store/detail/FileVersion.h"

namespace store {

namespace {

struct PathSetting {
    std::mutex mutex;
    std::string path;  // empty: the default
    std::atomic<std::uint64_t> generation{1};
};

PathSetting& Setting() {
    static PathSetting setting;
    return setting;
}

// The path of the thread's innermost ParamDbPathScope, null when none.
thread_local const std::string* threadPath = nullptr;

// Through the connection's prepared statements: scopes begin and end often.
void Run(detail::Connection& conn, const char* sql) {
    detail::Query q(conn, sql);
    q.Step();
}

class ParamState {
public:
    int depth = 0;

    void Enter() {
        error_.reset();
        const std::uint64_t pathGeneration = Setting().generation.load(std::memory_order_acquire);
        const std::string* own = threadPath;
        const bool moved = own ? !ownPath_ || *own != path_ : ownPath_ || pathGeneration != pathGeneration_;
        pathGeneration_ = pathGeneration;
        if (moved) {
            Drop();
            path_ = own ? *own : ParamDbPath();
            ownPath_ = own != nullptr;
        }
        const detail::FileVersion version = detail::FileVersion::Of(path_);
        if (!version.Exists()) {
            Drop();
            error_ = Error(base::err::FileNotFound, path_);
            return;
        }
        try {
            if (!db_ || version != version_) {
                Drop();
                db_ = detail::OpenNative(path_);
                writes_ = db_->conn->Writes().get();
                version_ = version;
            }
            BeginRead();
        } catch (const EngineError& e) {
            Drop();
            error_ = e;
        }
    }

    void Leave() {
        if (!reading_) return;
        reading_ = false;
        try {
            Run(*db_->conn, "COMMIT");
        } catch (...) {
            // An engine error, or memory running out: the next scope starts
            // from a fresh connection (a scope's end must not throw).
            Drop();
        }
    }

    std::uint64_t Generation() {
        if (!error_ && (Setting().generation.load(std::memory_order_relaxed) != pathGeneration_ ||
                        writes_->load(std::memory_order_acquire) != writesSeen_)) {
            Leave();
            Enter();
        }
        if (error_) throw *error_;
        return generation_;
    }

    Database Db() const { return Database(db_); }

private:
    void BeginRead() {
        detail::Connection& conn = *db_->conn;
        Run(conn, "BEGIN");
        reading_ = true;
        const std::uint64_t writes = writes_->load(std::memory_order_acquire);
        std::int64_t version = 0;
        {
            // Reading it takes the shared lock, held until the scope ends.
            detail::Query q(conn, "PRAGMA data_version");
            q.Step();
            version = q.Column(0).Int64();
        }
        if (version != dataVersion_ || writes != writesSeen_) {
            ++generation_;
            dataVersion_ = version;
            writesSeen_ = writes;
        }
    }

    void Drop() {
        reading_ = false;
        db_.reset();  // closing the connection ends its transaction
        writes_ = nullptr;
        dataVersion_ = -1;
        ++generation_;
    }

    std::uint64_t pathGeneration_ = 0;
    std::string path_;
    bool ownPath_ = false;  // path_ is a ParamDbPathScope's
    std::shared_ptr<detail::DatabaseImpl> db_;
    detail::WriteCounter* writes_ = nullptr;  // owned by db_'s connection
    detail::FileVersion version_;             // of the file db_ opened
    std::int64_t dataVersion_ = -1;
    std::uint64_t writesSeen_ = 0;
    std::uint64_t generation_ = 1;
    std::optional<EngineError> error_;
    bool reading_ = false;
};

ParamState& State() { return base::PerThread<ParamState>(); }

FieldDef Definition(const schema::Column& c) {
    switch (c.kind) {
    case schema::Kind::Text: return {c.name, dbText, c.size};
    case schema::Kind::Integer: return {c.name, dbInteger, 0};
    default: return {c.name, dbDouble, 0};
    }
}

template <std::size_t N>
TableDef Table(const char* name, const std::array<schema::Column, N>& columns) {
    TableDef t{name, {}, {}, {}};
    for (const schema::Column& c : columns) t.Fields.push_back(Definition(c));
    return t;
}

}  // namespace

std::string ParamDbOverride() {
    PathSetting& s = Setting();
    const std::lock_guard lock(s.mutex);
    return s.path;
}

std::string ParamDbPath() {
    std::string path = ParamDbOverride();
    return path.empty() ? ParamDbInUse().path : path;
}

bool IsParamDatabase(const std::string& path) { return SameFile(path, ParamDbPath()); }

void SetParamDbPath(const std::string& path) {
    PathSetting& s = Setting();
    const std::lock_guard lock(s.mutex);
    s.path = path;
    s.generation.fetch_add(1, std::memory_order_release);
}

ParamDbPathScope::ParamDbPathScope(const std::string& path) : path_(path), previous_(threadPath) {
    threadPath = &path_;
}

ParamDbPathScope::~ParamDbPathScope() { threadPath = previous_; }

Criterion NomIs(const std::string& name) { return {"Nom", Value(name)}; }
Criterion DatumIs(const std::string& name) { return {"Datum", Value(name)}; }
Criterion EllipsoideIs(const std::string& name) { return {"Ellipsoide", Value(name)}; }
Criterion NumeroIs(int number) { return {"Num\xC3\xA9ro", Value(number)}; }

int RenameDatumInProjections(Database& db, const std::string& newName, const std::string& oldName) {
    return db.Execute(sql::RenameDatum, {Value(newName), Value(oldName)});
}

int RenameEllipsoideInDatums(Database& db, const std::string& newName, const std::string& oldName) {
    return db.Execute(sql::RenameEllipsoide, {Value(newName), Value(oldName)});
}

void CreateParamTables(Database& db) {
    for (const TableDef& t : {Table("Ellipsoides", schema::Ellipsoides), Table("Datums", schema::Datums),
                              Table("Projections", schema::Projections), Table("Types", schema::Types)})
        db.TableDefs().Append(t);
}

ParamReadScope::ParamReadScope() {
    ParamState& s = State();
    if (s.depth++ > 0) return;
    try {
        s.Enter();
    } catch (...) {
        --s.depth;
        throw;
    }
}

ParamReadScope::~ParamReadScope() {
    ParamState& s = State();
    if (--s.depth == 0) s.Leave();
}

namespace detail {

std::uint64_t ParamGeneration() { return State().Generation(); }

Recordset FindParamRow(ParamTable table, const std::string& name) {
    const char* statement = table == ParamTable::Ellipsoides ? sql::EllipsoideByName
                            : table == ParamTable::Datums    ? sql::DatumByName
                                                             : sql::ProjectionByName;
    Recordset rs = State().Db().OpenRecordset(statement, {Value(name)});
    if (rs.Eof()) {
        const char* what = table == ParamTable::Ellipsoides ? "L'ellipsoïde « "
                           : table == ParamTable::Datums    ? "Le datum « "
                                                            : "La projection « ";
        const char* where = table == ParamTable::Ellipsoides ? "Ellipsoides"
                            : table == ParamTable::Datums    ? "Datums"
                                                             : "Projections";
        throw EngineError(base::err::NoCurrentRecord,
                          what + name + " » n'existe pas dans la base de paramètres (table " + where + ").");
    }
    return rs;
}

}  // namespace detail

}  // namespace store
