// Parsing and matching of find criteria.

#include "store/Criterion.h"

#include "store/EngineError.h"

namespace store {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

Criterion ParseCriterion(const std::string& text) {
    const auto fail = [&text]() { return Error(base::err::CriterionSyntax, text); };
    std::size_t i = 0;
    const auto skipBlanks = [&] {
        while (i < text.size() && IsBlank(text[i])) ++i;
    };

    Criterion c;
    skipBlanks();
    if (i < text.size() && text[i] == '[') {
        const auto close = text.find(']', i);
        if (close == std::string::npos) throw fail();
        c.column = text.substr(i + 1, close - i - 1);
        i = close + 1;
    } else {
        const auto start = i;
        while (i < text.size() && !IsBlank(text[i]) && text[i] != '=') ++i;
        c.column = text.substr(start, i - start);
    }
    skipBlanks();
    if (c.column.empty() || i >= text.size() || text[i] != '=') throw fail();
    ++i;
    skipBlanks();
    if (i < text.size() && (text[i] == '\'' || text[i] == '"')) {
        const char quote = text[i++];
        std::string literal;
        for (;;) {
            if (i >= text.size()) throw fail();
            if (text[i] == quote) {
                if (i + 1 < text.size() && text[i + 1] == quote) {
                    literal += quote;
                    i += 2;
                    continue;
                }
                ++i;
                break;
            }
            literal += text[i++];
        }
        skipBlanks();
        if (i != text.size()) throw fail();
        c.value = Value(std::move(literal));
    } else {
        double number = 0;
        if (!ParseNumber(std::string_view(text).substr(i), number)) throw fail();
        c.value = Value(number);
    }
    return c;
}

bool Matches(const Value& field, const Value& wanted) {
    if (field.IsNull() || wanted.IsNull()) return false;
    if (wanted.GetKind() == Value::Kind::Text) return SameText(field.Text(), wanted.Text());
    double number = 0;
    if (field.GetKind() == Value::Kind::Text) {
        try {
            if (!ParseNumber(field.Text(), number)) return false;
        } catch (const base::RuntimeError&) {
            return false;  // a text beyond the double range equals no criterion number
        }
    } else {
        number = field.Double();
    }
    return number == wanted.Double();
}

}  // namespace store
