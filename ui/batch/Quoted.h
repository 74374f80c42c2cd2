#pragma once
// Double quotes around a text, any quote inside doubled: the form delimited
// text files and SQL identifiers share.

#include <string>

namespace batch {

inline void AppendQuoted(std::string& out, const std::string& text) {
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

}  // namespace batch
