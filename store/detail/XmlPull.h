#pragma once
// Internal to the store: a pull tokenizer for the XML of a workbook's parts,
// read block by block from a stream so that a sheet of any length takes the
// same memory. It gives element starts (with their attributes), ends and
// character data, names as written (prefixes kept: no namespace
// processing), texts and attribute values decoded: the five predefined
// entities, character references, CDATA sections, line ends made "\n", and
// attribute values' tabs and line ends made spaces.
//
// It checks what makes a document well-formed as far as a reader can be
// misled by it: names, matching start and end tags, one root element, no
// text outside it, valid UTF-8 holding only the characters XML allows,
// known entities only. A document type declaration is refused outright (its
// entities could expand without bound; no workbook has one), as is any
// encoding but UTF-8, and any run of more than MaxSilentBytes that gives no
// token (a tag, comment or instruction that long is a damaged or hostile
// file). Every refusal throws XmlError.

#include <cstddef>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace store::detail {

struct XmlError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class XmlPull {
public:
    // Fills up to `size` bytes, returns how many; 0 at the end.
    using Source = std::function<std::size_t(char* out, std::size_t size)>;
    enum class Token { Start, End, Text, Done };

    static constexpr std::size_t MaxSilentBytes = 10 * 8192;

    // `textIsToken`: whether character data inside the root element counts
    // as a token for MaxSilentBytes (it does where a reader takes texts).
    XmlPull(Source source, bool textIsToken);

    // The next token; Done once the root element has ended and the rest of
    // the document is read. What the accessors give lasts until the next call.
    Token Next();
    // Start and End: the element's name.
    std::string_view Name() const { return name_; }
    // Start: the attribute's decoded value, or null when absent.
    const std::string_view* Attribute(std::string_view name) const;
    // Text: a piece of character data (a long text may come in several).
    std::string_view Text() const { return text_; }

private:
    struct Attr {
        std::size_t name, nameSize, value, valueSize;  // name in buf_, value in values_
    };

    bool Fill();  // false at the end of the source
    bool Ensure(std::size_t bytes);
    std::size_t FindFrom(std::size_t from, std::string_view what);
    void Consume(std::size_t bytes);
    Token Markup();
    Token StartTag();
    Token EndTag();
    Token CharacterData();
    void SkipUntil(std::string_view end);
    void Declaration(std::string_view body);
    std::size_t NameEnd(std::size_t at) const;
    void Decode(std::string_view raw, bool attribute, std::string& out) const;
    [[noreturn]] static void Fail(const char* why);

    Source source_;
    bool textIsToken_;
    std::vector<char> buf_;
    std::size_t pos_ = 0, end_ = 0;
    bool eof_ = false, started_ = false, rootDone_ = false, pendingEnd_ = false, first_ = true;
    std::size_t silent_ = 0;  // bytes taken since the last token
    std::string stack_;       // open elements' names, each ended by '\0'
    std::vector<std::size_t> starts_;
    std::string_view name_, text_;
    std::string decoded_, values_;
    std::vector<Attr> attrs_;
    std::vector<std::string_view> views_;
};

}  // namespace store::detail
