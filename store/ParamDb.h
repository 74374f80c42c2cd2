#pragma once
// The parameter database, SystGéo.mdb: its path, its tables, every statement
// and find criterion run against it, and the cached reading of single rows
// behind the parameter loaders.
//
// Names are never spliced into SQL: statements bind them as parameters and
// criteria carry them as values, so a name holding an apostrophe works and
// nothing typed can change a statement. The text columns compare without
// regard to case; trailing blanks count.

#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>

#include "base/PerThread.h"
#include "store/AppFiles.h"
#include "store/Criterion.h"
#include "store/Engine.h"

namespace store {

// The override of SetParamDbPath, else the file ParamDbInUse() names
// (store/ParamDbLocation.h: beside the executable, or the user's copy of the
// installed one).
std::string ParamDbPath();
// Whether `path` names the parameter database, by any name (see SameFile):
// no output may replace it.
bool IsParamDatabase(const std::string& path);
// Points every later load at another file (tests, tools); empty restores the
// default. Cached records of the former file are dropped.
void SetParamDbPath(const std::string& path);
// The path SetParamDbPath set, empty for the default.
std::string ParamDbOverride();

// While it lives, the loads of the calling thread read `path` instead of
// ParamDbPath(): a library converter's own database, whatever the process
// has chosen. Made outside any ParamReadScope of the thread; scopes nest.
class ParamDbPathScope {
public:
    explicit ParamDbPathScope(const std::string& path);
    ~ParamDbPathScope();
    ParamDbPathScope(const ParamDbPathScope&) = delete;
    ParamDbPathScope& operator=(const ParamDbPathScope&) = delete;

private:
    std::string path_;
    const std::string* previous_;
};

namespace sql {
// '?' is bound to the name.
inline constexpr const char* EllipsoideByName = "SELECT * FROM Ellipsoides WHERE Nom = ?";
inline constexpr const char* DatumByName = "SELECT * FROM Datums WHERE Nom = ?";
inline constexpr const char* ProjectionByName = "SELECT * FROM Projections WHERE Nom = ?";
// The rows that refer to a datum or an ellipsoid, '?' bound to its name.
inline constexpr const char* ProjectionsOfDatum = "SELECT * FROM Projections WHERE Datum = ?";
inline constexpr const char* DatumsOfEllipsoide = "SELECT * FROM Datums WHERE Ellipsoide = ?";
inline constexpr const char* UnlockedProjections = "SELECT * FROM Projections WHERE Lock = 'N'";
inline constexpr const char* UnlockedDatums = "SELECT * FROM Datums WHERE Lock = 'N'";
inline constexpr const char* AllTypes = "SELECT * FROM Types";
inline constexpr const char* AllEllipsoides = "SELECT * FROM Ellipsoides";
inline constexpr const char* AllProjections = "SELECT * FROM Projections";
inline constexpr const char* AllDatums = "SELECT * FROM Datums";
inline constexpr const char* UtmProjections = "SELECT * FROM Projections WHERE Code = 'UTM'";
// Bound to the new name, then the old one.
inline constexpr const char* RenameDatum = "UPDATE Projections SET Datum = ? WHERE Datum = ?";
inline constexpr const char* RenameEllipsoide = "UPDATE Datums SET Ellipsoide = ? WHERE Ellipsoide = ?";
}  // namespace sql

// Find criteria: Nom = 'NAME', Datum = 'NAME', Ellipsoide = 'NAME', Numéro = NUMBER.
Criterion NomIs(const std::string& name);
Criterion DatumIs(const std::string& name);
Criterion EllipsoideIs(const std::string& name);
Criterion NumeroIs(int number);

// Renaming cascades, run once the renamed row is saved; they return the
// number of rows that now refer to the new name.
int RenameDatumInProjections(Database& db, const std::string& newName, const std::string& oldName);
int RenameEllipsoideInDatums(Database& db, const std::string& newName, const std::string& oldName);

// The four tables of store/ParamSchema.h, empty, in a new database.
void CreateParamTables(Database& db);

// A consistent, cheap view of the parameter database for a stretch of work.
//
// The outermost scope of a thread checks that the file is still the one the
// cache was read from (same inode, size and time), begins a read transaction
// on the thread's cached connection (its shared lock keeps other processes
// from committing meanwhile) and compares SQLite's data_version and the
// program's own write counter with what the cache saw. Nested scopes, and
// loads inside a scope, only read the write counter. A missing file is
// reported by every load, not by the scope.
class ParamReadScope {
public:
    ParamReadScope();
    ~ParamReadScope();
    ParamReadScope(const ParamReadScope&) = delete;
    ParamReadScope& operator=(const ParamReadScope&) = delete;
};

enum class ParamTable { Ellipsoides, Datums, Projections };

namespace detail {
// Inside a scope: the generation of the thread's cached records (changes
// whenever they may be stale); throws the scope's error (3024 for a missing file).
std::uint64_t ParamGeneration();
// Inside a scope: the rows of `table` whose Nom is `name`; 3021 naming the
// set and its table when there is none.
Recordset FindParamRow(ParamTable table, const std::string& name);
}  // namespace detail

// The record Read makes of the first row named `name`, cached per thread
// (and per table and reader) until the database changes. A failed read (3021
// when no row has the name) caches nothing.
template <ParamTable Table, auto Read>
auto& ParamCache() {
    using Record = decltype(Read(std::declval<Recordset&>()));
    struct Cache {
        std::uint64_t generation = 0;
        std::unordered_map<std::string, Record> records;
    };
    return base::PerThread<Cache>();
}

template <ParamTable Table, auto Read>
auto LoadParam(const std::string& name) {
    ParamReadScope scope;
    auto& cache = ParamCache<Table, Read>();
    const std::uint64_t generation = detail::ParamGeneration();
    if (cache.generation != generation) {
        cache.records.clear();
        cache.generation = generation;
    }
    if (const auto it = cache.records.find(name); it != cache.records.end()) return it->second;
    Recordset rs = detail::FindParamRow(Table, name);
    auto record = Read(rs);
    cache.records.emplace(name, record);
    return record;
}

}  // namespace store
