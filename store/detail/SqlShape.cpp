#include "store/detail/SqlShape.h"

#include <algorithm>
#include <string_view>

#include "store/Value.h"

namespace store::detail {

namespace {

bool IsWordChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '$' ||
           static_cast<unsigned char>(c) >= 0x80;
}
bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool IsQuote(char c) { return c == '\'' || c == '"' || c == '[' || c == '`'; }

// The word starting at `pos`, if any.
std::string_view WordAt(std::string_view sql, std::size_t pos) {
    std::size_t end = pos;
    while (end < sql.size() && IsWordChar(sql[end])) ++end;
    return sql.substr(std::min(pos, sql.size()), end - std::min(pos, sql.size()));
}

std::size_t SkipSpaces(std::string_view sql, std::size_t pos) {
    while (pos < sql.size() && IsSpace(sql[pos])) ++pos;
    return pos;
}

// Past a quoted name or text starting at `pos` ('...', "...", [...], `...`).
std::size_t SkipQuoted(std::string_view sql, std::size_t pos) {
    const char close = sql[pos] == '[' ? ']' : sql[pos];
    for (++pos; pos < sql.size(); ++pos) {
        if (sql[pos] != close) continue;
        if (close == ']' || pos + 1 >= sql.size() || sql[pos + 1] != close) return pos + 1;
        ++pos;  // a doubled quote
    }
    return pos;
}

// Where `word` stands outside quotes and parentheses, from `pos` on; npos if nowhere.
std::size_t FindTopLevelWord(std::string_view sql, std::size_t pos, std::string_view word) {
    int depth = 0;
    while (pos < sql.size()) {
        const char c = sql[pos];
        if (IsQuote(c)) {
            pos = SkipQuoted(sql, pos);
        } else if (IsWordChar(c)) {
            const std::string_view w = WordAt(sql, pos);
            if (depth == 0 && SameText(w, word)) return pos;
            pos += w.size();
        } else {
            depth += c == '(' ? 1 : c == ')' ? -1 : 0;
            ++pos;
        }
    }
    return std::string_view::npos;
}

}  // namespace

std::string Unquoted(const std::string& name) {
    if (name.size() >= 2 &&
        ((name.front() == '[' && name.back() == ']') || (name.front() == '`' && name.back() == '`')))
        return name.substr(1, name.size() - 2);
    if (name.size() >= 2 && name.front() == '"' && name.back() == '"') {
        std::string inner;
        for (std::size_t i = 1; i + 1 < name.size(); ++i) {
            inner += name[i];
            if (name[i] == '"') ++i;  // a doubled quote
        }
        return inner;
    }
    return name;
}

bool IsStatement(const std::string& text) {
    const std::string_view first = WordAt(text, 0);
    return SameText(first, "SELECT") || SameText(first, "WITH") || SameText(first, "VALUES");
}

std::optional<SingleTable> MatchSingleTable(const std::string& text) {
    const std::string_view sql = text;
    const std::size_t selectEnd = WordAt(sql, 0).size();
    if (!SameText(sql.substr(0, selectEnd), "SELECT")) return std::nullopt;
    const std::size_t listStart = SkipSpaces(sql, selectEnd);
    const std::size_t from = FindTopLevelWord(sql, listStart, "FROM");
    if (listStart == selectEnd || from == std::string_view::npos) return std::nullopt;
    const std::size_t nameStart = SkipSpaces(sql, from + 4);
    std::size_t nameEnd = nameStart;
    if (nameStart < sql.size() && IsQuote(sql[nameStart]) && sql[nameStart] != '\'') {
        nameEnd = SkipQuoted(sql, nameStart);
    } else {
        while (nameEnd < sql.size() && !IsSpace(sql[nameEnd]) && !IsQuote(sql[nameEnd]) &&
               std::string_view(",;().").find(sql[nameEnd]) == std::string_view::npos)
            ++nameEnd;
    }
    if (nameEnd == nameStart) return std::nullopt;
    const std::string_view tail = sql.substr(SkipSpaces(sql, nameEnd));
    const std::string_view keyword = WordAt(tail, 0);
    const bool orderBy = SameText(keyword, "ORDER") && SameText(WordAt(tail, SkipSpaces(tail, 5)), "BY");
    if (!tail.empty() && !SameText(keyword, "WHERE") && !orderBy) return std::nullopt;
    return SingleTable{std::string(sql.substr(listStart, from - listStart)),
                       Unquoted(std::string(sql.substr(nameStart, nameEnd - nameStart))), std::string(tail),
                       std::string(sql.substr(listStart))};
}

bool PlainColumns(const std::string& list) {
    const std::string_view items = list;
    std::size_t pos = SkipSpaces(items, 0);
    if (items.substr(pos, 1) == "*") return SkipSpaces(items, pos + 1) == items.size();
    for (;;) {
        if (pos >= items.size()) return false;
        if (items[pos] == '[') {
            pos = SkipQuoted(items, pos);
        } else {
            const std::string_view word = WordAt(items, pos);
            if (word.empty() || (word[0] >= '0' && word[0] <= '9')) return false;
            pos += word.size();
        }
        pos = SkipSpaces(items, pos);
        if (pos == items.size()) return true;
        if (items[pos] != ',') return false;
        pos = SkipSpaces(items, pos + 1);
    }
}

}  // namespace store::detail
