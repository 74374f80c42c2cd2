#pragma once
// Small ASCII text helpers every layer shares: trimming, searching, case and
// a path's ending. Bytes outside ASCII are left as they are, so UTF-8 text
// passes through unharmed.

#include <string>
#include <string_view>

namespace base {

// `text` without the characters of `blanks` it begins with.
constexpr std::string_view TrimStart(std::string_view text, std::string_view blanks = " ") {
    const auto first = text.find_first_not_of(blanks);
    return first == std::string_view::npos ? std::string_view() : text.substr(first);
}

// `text` without the characters of `blanks` it ends with.
constexpr std::string_view TrimEnd(std::string_view text, std::string_view blanks = " ") {
    const auto last = text.find_last_not_of(blanks);
    return last == std::string_view::npos ? std::string_view() : text.substr(0, last + 1);
}

// `text` without the characters of `blanks` at either end.
constexpr std::string_view Trim(std::string_view text, std::string_view blanks = " ") {
    return TrimEnd(TrimStart(text, blanks), blanks);
}

constexpr bool Contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

constexpr char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
constexpr char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

inline std::string AsciiLower(std::string text) {
    for (char& c : text) c = AsciiLower(c);
    return text;
}

inline std::string AsciiUpper(std::string text) {
    for (char& c : text) c = AsciiUpper(c);
    return text;
}

// « text », the French quotation marks every message puts around a name.
inline std::string Guillemets(std::string_view text) { return "« " + std::string(text) + " »"; }

// What follows the last dot of the path's last component, in lower case:
// "csv" for "Relevés/Points.CSV"; "" when that component has no dot.
inline std::string PathEnding(std::string_view path) {
    const auto dot = path.find_last_of("./");
    if (dot == std::string_view::npos || path[dot] != '.') return {};
    return AsciiLower(std::string(path.substr(dot + 1)));
}

}  // namespace base
