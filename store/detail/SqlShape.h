#pragma once
// The shape of an SQL statement, enough to tell a SELECT over one table
// (whose rows can be written back by rowid) from anything else. The
// statement itself goes to SQLite unchanged; this only reads it, outside
// quotes and parentheses.

#include <optional>
#include <string>

namespace store::detail {

// A name without its brackets, backquotes or double quotes ("a""b" is a"b).
std::string Unquoted(const std::string& name);

// SELECT, WITH or VALUES: a statement rather than a table name.
bool IsStatement(const std::string& text);

// A SELECT over one table with an optional WHERE or ORDER BY tail.
struct SingleTable {
    std::string list, table, tail, afterSelect;
};
std::optional<SingleTable> MatchSingleTable(const std::string& text);

// "*" or plain column names: what an update by rowid can write back.
bool PlainColumns(const std::string& list);

}  // namespace store::detail
