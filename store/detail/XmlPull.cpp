#include "store/detail/XmlPull.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace store::detail {

namespace {

constexpr std::size_t Block = std::size_t(1) << 16;
// A text longer than this comes in pieces, so that one huge cell cannot
// make the buffer grow without bound.
constexpr std::size_t MaxTextPiece = std::size_t(1) << 20;
constexpr std::size_t MaxDepth = 1024;

bool Space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

bool NameStart(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':' || c >= 0x80;
}
bool NameChar(unsigned char c) { return NameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.'; }

void AppendUtf8(std::string& out, unsigned long cp) {
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

bool XmlChar(unsigned long cp) {
    if (cp < 0x20) return cp == 0x9 || cp == 0xA || cp == 0xD;
    if (cp >= 0xD800 && cp <= 0xDFFF) return false;
    return cp != 0xFFFE && cp != 0xFFFF && cp <= 0x10FFFF;
}

// The first `c` in [p, end), or null: most runs looked through are a few
// bytes long, shorter than a call to memchr is worth.
const char* Find(const char* p, const char* end, char c) {
    for (const char* stop = std::min(end, p + 16); p < stop; ++p)
        if (*p == c) return p;
    return p < end ? static_cast<const char*>(std::memchr(p, c, std::size_t(end - p))) : nullptr;
}

// Equal names, the first bytes compared before a call to memcmp.
bool Same(std::string_view a, std::string_view b) {
    return a.size() == b.size() && (a.empty() || (a[0] == b[0] && std::memcmp(a.data(), b.data(), a.size()) == 0));
}

// Whether `s` is UTF-8 holding only characters XML allows.
bool ValidText(std::string_view s) {
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const auto* end = p + s.size();
    // Eight bytes at a time while all are printable ASCII: no high bit, none
    // below a space.
    constexpr std::uint64_t High = 0x8080808080808080ull, Spaces = 0x2020202020202020ull;
    for (std::uint64_t w; end - p >= 8; p += 8) {
        std::memcpy(&w, p, sizeof w);
        if (((w | ((w | High) - Spaces)) & High) != High || (w & High)) break;
    }
    while (p < end) {
        const unsigned char c = *p;
        if (c < 0x80) {
            if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') return false;
            ++p;
            continue;
        }
        int n = 0;
        unsigned long cp = 0, min = 0;
        if ((c & 0xE0) == 0xC0) n = 1, cp = c & 0x1F, min = 0x80;
        else if ((c & 0xF0) == 0xE0) n = 2, cp = c & 0x0F, min = 0x800;
        else if ((c & 0xF8) == 0xF0) n = 3, cp = c & 0x07, min = 0x10000;
        else return false;
        if (end - p <= n) return false;
        for (int i = 1; i <= n; ++i) {
            if ((p[i] & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (p[i] & 0x3F);
        }
        if (cp < min || !XmlChar(cp)) return false;
        p += n + 1;
    }
    return true;
}

bool AllSpace(std::string_view s) { return std::all_of(s.begin(), s.end(), Space); }

}  // namespace

XmlPull::XmlPull(Source source, bool textIsToken) : source_(std::move(source)), textIsToken_(textIsToken) {
    buf_.resize(Block);
}

void XmlPull::Fail(const char* why) { throw XmlError(why); }

bool XmlPull::Fill() {
    if (eof_) return false;
    if (pos_ > 0) {
        std::memmove(buf_.data(), buf_.data() + pos_, end_ - pos_);
        end_ -= pos_;
        pos_ = 0;
    }
    if (end_ == buf_.size()) buf_.resize(buf_.size() * 2);
    const std::size_t got = source_(buf_.data() + end_, buf_.size() - end_);
    if (got == 0) {
        eof_ = true;
        return false;
    }
    end_ += got;
    return true;
}

bool XmlPull::Ensure(std::size_t bytes) {
    while (end_ - pos_ < bytes)
        if (!Fill()) return false;
    return true;
}

// The offset from pos_ where `what` starts, at or after `from`, reading on
// as needed; npos at the end of the document.
std::size_t XmlPull::FindFrom(std::size_t from, std::string_view what) {
    for (;;) {
        const std::string_view have(buf_.data() + pos_, end_ - pos_);
        const std::size_t at = have.find(what, from);
        if (at != std::string_view::npos) return at;
        if (have.size() > MaxSilentBytes) Fail("markup too long");
        from = have.size() >= what.size() ? have.size() - what.size() + 1 : 0;
        if (!Fill()) return std::string_view::npos;
    }
}

void XmlPull::Consume(std::size_t bytes) {
    pos_ += bytes;
    silent_ += bytes;
    if (silent_ > MaxSilentBytes) Fail("too much data without a token");
}

const std::string_view* XmlPull::Attribute(std::string_view name) const {
    for (std::size_t i = 0; i < attrs_.size(); ++i)
        if (Same(views_[2 * i], name)) return &views_[2 * i + 1];
    return nullptr;
}

XmlPull::Token XmlPull::Next() {
    attrs_.clear();
    views_.clear();
    if (pendingEnd_) {
        pendingEnd_ = false;
        stack_.resize(starts_.back());
        starts_.pop_back();
        if (starts_.empty()) rootDone_ = true;
        silent_ = 0;
        return Token::End;  // name_ still names the element, in the unchanged buffer
    }
    if (first_) {
        first_ = false;
        if (Ensure(3) && std::memcmp(buf_.data() + pos_, "\xEF\xBB\xBF", 3) == 0) pos_ += 3;
    }
    for (;;) {
        if (pos_ == end_ && !Fill()) {
            if (!rootDone_) Fail(started_ ? "unclosed element" : "no element");
            return Token::Done;
        }
        if (buf_[pos_] != '<') {
            if (const Token t = CharacterData(); t != Token::Done) return t;
            continue;
        }
        if (const Token t = Markup(); t != Token::Done) return t;
    }
}

// Text up to the next '<': a token inside the root, whitespace outside it.
XmlPull::Token XmlPull::CharacterData() {
    std::size_t at = 0;
    bool cut = false;
    for (;;) {
        const char* from = buf_.data() + pos_ + at;
        const char* lt = Find(from, buf_.data() + end_, '<');
        if (lt) {
            at = std::size_t(lt - (buf_.data() + pos_));
            break;
        }
        at = end_ - pos_;
        if (at >= MaxTextPiece) {
            cut = true;
            break;
        }
        if (!Fill()) break;
    }
    std::size_t size = at;
    if (cut) {
        // Never inside a reference, a UTF-8 sequence or a "\r\n".
        const std::string_view raw(buf_.data() + pos_, size);
        const std::size_t amp = raw.rfind('&');
        if (amp != std::string_view::npos && raw.find(';', amp) == std::string_view::npos) size = amp;
        while (size > 0 && (static_cast<unsigned char>(buf_[pos_ + size - 1]) & 0xC0) == 0x80) --size;
        if (size > 0 && static_cast<unsigned char>(buf_[pos_ + size - 1]) >= 0xC0) --size;
        if (size > 0 && buf_[pos_ + size - 1] == '\r') --size;
        if (size == 0) Fail("unbreakable text");
    }
    const std::string_view raw(buf_.data() + pos_, size);
    const bool inside = started_ && !rootDone_;
    if (!inside) {
        if (!AllSpace(raw)) Fail("text outside the root element");
        Consume(size);
        return Token::Done;
    }
    if (raw.find_first_of("&\r") == std::string_view::npos) {
        if (!ValidText(raw)) Fail("invalid character");
        text_ = raw;
    } else {
        decoded_.clear();
        Decode(raw, false, decoded_);
        text_ = decoded_;
    }
    Consume(size);
    if (textIsToken_) silent_ = 0;
    return Token::Text;
}

// Resolves references and line ends; checks the characters.
void XmlPull::Decode(std::string_view raw, bool attribute, std::string& out) const {
    if (!ValidText(raw)) Fail("invalid character");
    for (std::size_t i = 0; i < raw.size(); ++i) {
        // Plain characters in runs.
        std::size_t plain = i;
        while (plain < raw.size() && raw[plain] != '&' && raw[plain] != '\r' && raw[plain] != '<' &&
               (!attribute || (raw[plain] != '\n' && raw[plain] != '\t')))
            ++plain;
        out.append(raw.data() + i, plain - i);
        if ((i = plain) == raw.size()) break;
        const char c = raw[i];
        if (c == '\r') {
            if (i + 1 < raw.size() && raw[i + 1] == '\n') ++i;
            out += attribute ? ' ' : '\n';
        } else if (attribute && (c == '\n' || c == '\t')) {
            out += ' ';
        } else if (c == '&') {
            const std::size_t semi = raw.find(';', i);
            if (semi == std::string_view::npos) Fail("unterminated reference");
            const std::string_view ref = raw.substr(i + 1, semi - i - 1);
            if (ref == "lt") out += '<';
            else if (ref == "gt") out += '>';
            else if (ref == "amp") out += '&';
            else if (ref == "quot") out += '"';
            else if (ref == "apos") out += '\'';
            else if (ref.size() >= 2 && ref[0] == '#') {
                const bool hex = ref[1] == 'x';
                const std::string_view digits = ref.substr(hex ? 2 : 1);
                if (digits.empty() || digits.size() > 8) Fail("bad character reference");
                unsigned long cp = 0;
                for (char d : digits) {
                    int v = -1;
                    if (d >= '0' && d <= '9') v = d - '0';
                    else if (hex && d >= 'a' && d <= 'f') v = d - 'a' + 10;
                    else if (hex && d >= 'A' && d <= 'F') v = d - 'A' + 10;
                    if (v < 0) Fail("bad character reference");
                    cp = cp * (hex ? 16 : 10) + unsigned(v);
                }
                if (!XmlChar(cp)) Fail("reference to a character XML refuses");
                AppendUtf8(out, cp);
            } else {
                Fail("unknown entity");
            }
            i = semi;
        } else if (attribute && c == '<') {
            Fail("'<' in an attribute value");
        } else {
            out += c;
        }
    }
}

std::size_t XmlPull::NameEnd(std::size_t at) const {
    if (at >= end_ || !NameStart(static_cast<unsigned char>(buf_[at]))) Fail("bad name");
    while (at < end_ && NameChar(static_cast<unsigned char>(buf_[at]))) ++at;
    return at;
}

XmlPull::Token XmlPull::Markup() {
    if (!Ensure(2)) Fail("cut short");
    const char c = buf_[pos_ + 1];
    if (c == '/') return EndTag();
    if (c == '?') {
        const std::size_t close = FindFrom(2, "?>");
        if (close == std::string_view::npos) Fail("unterminated instruction");
        const std::string_view body(buf_.data() + pos_ + 2, close - 2);
        if (body.substr(0, 3) == "xml" && (body.size() == 3 || Space(body[3]))) Declaration(body);
        Consume(close + 2);
        return Token::Done;
    }
    if (c == '!') {
        if (!Ensure(4)) Fail("cut short");
        if (std::memcmp(buf_.data() + pos_, "<!--", 4) == 0) {
            const std::size_t close = FindFrom(4, "-->");
            if (close == std::string_view::npos) Fail("unterminated comment");
            Consume(close + 3);
            return Token::Done;
        }
        if (Ensure(9) && std::memcmp(buf_.data() + pos_, "<![CDATA[", 9) == 0) {
            if (!started_ || rootDone_) Fail("CDATA outside the root element");
            const std::size_t close = FindFrom(9, "]]>");
            if (close == std::string_view::npos) Fail("unterminated CDATA section");
            const std::string_view raw(buf_.data() + pos_ + 9, close - 9);
            if (!ValidText(raw)) Fail("invalid character");
            decoded_.clear();
            for (std::size_t i = 0; i < raw.size(); ++i) {
                if (raw[i] == '\r') {
                    if (i + 1 < raw.size() && raw[i + 1] == '\n') ++i;
                    decoded_ += '\n';
                } else {
                    decoded_ += raw[i];
                }
            }
            text_ = decoded_;
            Consume(close + 3);
            if (textIsToken_) silent_ = 0;
            return Token::Text;
        }
        Fail("document type declarations are refused");
    }
    return StartTag();
}

// The XML declaration: only UTF-8 is read.
void XmlPull::Declaration(std::string_view body) {
    const std::size_t at = body.find("encoding");
    if (at == std::string_view::npos) return;
    std::size_t q = body.find_first_of("\"'", at);
    if (q == std::string_view::npos) Fail("bad declaration");
    const std::size_t close = body.find(body[q], q + 1);
    if (close == std::string_view::npos) Fail("bad declaration");
    std::string name(body.substr(q + 1, close - q - 1));
    for (char& ch : name) ch = char(std::toupper(static_cast<unsigned char>(ch)));
    if (name != "UTF-8" && name != "UTF8" && name != "US-ASCII") Fail("unsupported encoding");
}

XmlPull::Token XmlPull::StartTag() {
    if (rootDone_) Fail("junk after the root element");
    // The whole tag in the buffer first: '>' may appear in quoted values.
    std::size_t i = 1;
    char quote = 0;
    for (;; ++i) {
        if (pos_ + i >= end_) {
            if (end_ - pos_ > MaxSilentBytes) Fail("tag too long");
            if (!Fill()) Fail("unterminated tag");
        }
        const char ch = buf_[pos_ + i];
        if (quote) {
            if (ch == quote) quote = 0;
        } else if (ch == '"' || ch == '\'') {
            quote = ch;
        } else if (ch == '>') {
            break;
        }
    }
    if (i > MaxSilentBytes) Fail("tag too long");
    const std::size_t tagEnd = pos_ + i;  // the '>'
    std::size_t at = NameEnd(pos_ + 1);
    if (at > tagEnd) Fail("bad tag");
    name_ = std::string_view(buf_.data() + pos_ + 1, at - pos_ - 1);
    values_.clear();
    bool selfClosing = false;
    for (;;) {
        const bool spaced = at < tagEnd && Space(buf_[at]);
        while (at < tagEnd && Space(buf_[at])) ++at;
        if (at == tagEnd) break;
        if (buf_[at] == '/') {
            if (at + 1 != tagEnd) Fail("bad tag");
            selfClosing = true;
            break;
        }
        if (!spaced) Fail("attributes must be separated by spaces");
        const std::size_t nameStart = at;
        at = NameEnd(at);
        if (at > tagEnd) Fail("bad attribute");
        const std::size_t nameSize = at - nameStart;
        while (at < tagEnd && Space(buf_[at])) ++at;
        if (at >= tagEnd || buf_[at] != '=') Fail("attribute without a value");
        ++at;
        while (at < tagEnd && Space(buf_[at])) ++at;
        if (at >= tagEnd || (buf_[at] != '"' && buf_[at] != '\'')) Fail("unquoted attribute value");
        const char q = buf_[at];
        const char* close = Find(buf_.data() + at + 1, buf_.data() + tagEnd, q);
        if (!close) Fail("unterminated attribute value");
        const std::size_t valueStart = values_.size();
        Decode(std::string_view(buf_.data() + at + 1, std::size_t(close - (buf_.data() + at + 1))), true, values_);
        attrs_.push_back({nameStart, nameSize, valueStart, values_.size() - valueStart});
        at = std::size_t(close - buf_.data()) + 1;
    }
    for (std::size_t a = 0; a < attrs_.size(); ++a) {
        views_.emplace_back(buf_.data() + attrs_[a].name, attrs_[a].nameSize);
        views_.emplace_back(values_.data() + attrs_[a].value, attrs_[a].valueSize);
        for (std::size_t b = 0; b < a; ++b)
            if (views_[2 * b] == views_[2 * a]) Fail("attribute given twice");
    }
    if (starts_.size() >= MaxDepth) Fail("elements nested too deep");
    started_ = true;
    starts_.push_back(stack_.size());
    stack_.append(name_);
    stack_ += '\0';
    // name_ and the views point into the buffer, which stays as it is until
    // the next call; the pending end of a self-closing tag reads nothing.
    pos_ = tagEnd + 1;
    silent_ = 0;
    pendingEnd_ = selfClosing;
    return Token::Start;
}

XmlPull::Token XmlPull::EndTag() {
    const char* gt = Find(buf_.data() + pos_ + 2, buf_.data() + end_, '>');
    const std::size_t close = gt ? std::size_t(gt - (buf_.data() + pos_)) : FindFrom(2, ">");
    if (close == std::string_view::npos) Fail("unterminated end tag");
    std::size_t at = NameEnd(pos_ + 2);
    const std::size_t nameEnd = at;
    while (at < pos_ + close && Space(buf_[at])) ++at;
    if (at != pos_ + close) Fail("bad end tag");
    name_ = std::string_view(buf_.data() + pos_ + 2, nameEnd - pos_ - 2);
    if (starts_.empty()) Fail("end tag without a start");
    const std::string_view open(stack_.data() + starts_.back(), stack_.size() - starts_.back() - 1);
    if (!Same(open, name_)) Fail("mismatched end tag");
    stack_.resize(starts_.back());
    starts_.pop_back();
    if (starts_.empty()) rootDone_ = true;
    pos_ += close + 1;
    silent_ = 0;
    return Token::End;
}

}  // namespace store::detail
