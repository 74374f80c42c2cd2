#pragma once
// Double quotes around a text, any quote inside doubled: the form delimited
// text files and SQL identifiers share.

#include <cstddef>
#include <string>
#include <string_view>

namespace batch {

inline void AppendQuoted(std::string& out, std::string_view text) {
    out += '"';
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

inline std::string Quoted(const std::string& text) {
    std::string q;
    AppendQuoted(q, text);
    return q;
}

// "INSERT INTO "table" VALUES (?, ?, ...)" for a whole record of `columns` values.
inline std::string InsertStatement(const std::string& table, std::size_t columns) {
    std::string sql = "INSERT INTO " + Quoted(table) + " VALUES (";
    for (std::size_t k = 0; k < columns; ++k) sql += k ? ", ?" : "?";
    return sql + ")";
}

}  // namespace batch
