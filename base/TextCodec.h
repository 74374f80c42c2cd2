#pragma once
// Single-byte and legacy code pages to UTF-8, for
// formats whose libraries hand out raw bytes (dBase files).

#include <iconv.h>

#include <string>
#include <string_view>

namespace base {

// The iconv name of a dBase code page as shapelib reports it: "LDID/<n>"
// from the header's language driver byte, or the text of a .cpg file
// ("1252", "UTF-8", "CP850", "ISO-8859-1"...). Unknown or absent gives
// "CP1252", the Windows code page dBase 5.0 files are written in.
std::string DbaseCharset(const char* codePage);

// Decodes text from one charset to UTF-8. Bytes the charset does not define
// become U+FFFD rather than cutting the text short.
class TextDecoder {
public:
    explicit TextDecoder(const std::string& charset);
    ~TextDecoder();
    TextDecoder(const TextDecoder&) = delete;
    TextDecoder& operator=(const TextDecoder&) = delete;

    const std::string& Charset() const { return charset_; }
    std::string ToUtf8(std::string_view bytes);

private:
    std::string charset_;
    iconv_t cd_;
};

}  // namespace base
