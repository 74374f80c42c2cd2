#pragma once
// Internal to the store: what a Database handle shares with its record sets.

#include <memory>
#include <string>

#include "store/Driver.h"
#include "store/EngineError.h"
#include "store/detail/Sqlite.h"

namespace store::detail {

struct DatabaseImpl {
    std::string name;
    std::unique_ptr<Connection> conn;        // the engine's own file
    std::unique_ptr<SourceDatabase> source;  // any other format, read-only

    bool Closed() const { return !conn && !source; }
    void CheckOpen() const {
        if (Closed()) throw Error(base::err::ObjectClosed);
    }
    // The SQLite connection, for whatever writes or runs SQL.
    Connection& Native() const {
        CheckOpen();
        if (!conn) throw Error(base::err::ReadOnly);
        return *conn;
    }
};

std::shared_ptr<DatabaseImpl> OpenNative(const std::string& path);

}  // namespace store::detail
