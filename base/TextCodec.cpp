// Code pages to UTF-8 through the C library's iconv.

#include "base/TextCodec.h"

#include <cerrno>
#include <cstdlib>
#include <utility>

namespace base {

namespace {

constexpr const char* DefaultCharset = "CP1252";

// dBase language driver ids and the code page each stands for.
constexpr std::pair<int, int> LanguageDrivers[] = {
    {0x01, 437}, {0x02, 850},  {0x03, 1252}, {0x04, 10000}, {0x08, 865},  {0x09, 437},  {0x0A, 850},  {0x0B, 437},
    {0x0D, 437}, {0x0E, 850},  {0x0F, 437},  {0x10, 850},   {0x11, 437},  {0x12, 850},  {0x13, 932},  {0x14, 850},
    {0x15, 437}, {0x16, 850},  {0x17, 865},  {0x18, 437},   {0x19, 437},  {0x1A, 850},  {0x1B, 437},  {0x1C, 863},
    {0x1D, 850}, {0x1F, 852},  {0x22, 852},  {0x23, 852},   {0x24, 860},  {0x25, 850},  {0x26, 866},  {0x37, 850},
    {0x40, 852}, {0x4D, 936},  {0x4E, 949},  {0x4F, 950},   {0x50, 874},  {0x57, 1252}, {0x58, 1252}, {0x59, 1252},
    {0x64, 852}, {0x65, 866},  {0x66, 865},  {0x67, 861},   {0x6A, 737},  {0x6B, 857},  {0x6C, 863},  {0x78, 950},
    {0x79, 949}, {0x7A, 936},  {0x7B, 932},  {0x7C, 874},   {0x7D, 1255}, {0x7E, 1256}, {0x86, 737},  {0x87, 852},
    {0x88, 857}, {0xC8, 1250}, {0xC9, 1251}, {0xCA, 1254},  {0xCB, 1253}, {0xCC, 1257},
};

std::string CodePageCharset(int codePage) {
    if (codePage == 10000) return "MACINTOSH";
    if (codePage == 65001) return "UTF-8";
    return "CP" + std::to_string(codePage);
}

bool AllDigits(const std::string& text) {
    if (text.empty()) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

void AppendUtf8(std::string& out, unsigned code) {
    if (code < 0x80) {
        out += char(code);
    } else if (code < 0x800) {
        out += char(0xC0 | (code >> 6));
        out += char(0x80 | (code & 0x3F));
    } else {
        out += char(0xE0 | (code >> 12));
        out += char(0x80 | ((code >> 6) & 0x3F));
        out += char(0x80 | (code & 0x3F));
    }
}

constexpr unsigned Replacement = 0xFFFD;

}  // namespace

std::string DbaseCharset(const char* codePage) {
    std::string cp;
    for (const char* p = codePage ? codePage : ""; *p; ++p)
        if (*p != ' ' && *p != '\r' && *p != '\n' && *p != '\t') cp += char(*p >= 'a' && *p <= 'z' ? *p - 32 : *p);
    if (cp.rfind("LDID/", 0) == 0) {
        const int id = std::atoi(cp.c_str() + 5);
        for (const auto& [ldid, page] : LanguageDrivers)
            if (ldid == id) return CodePageCharset(page);
        return DefaultCharset;
    }
    if (cp.empty()) return DefaultCharset;
    if (cp == "UTF-8" || cp == "UTF8") return "UTF-8";
    if (AllDigits(cp)) {
        // ESRI writes ISO 8859 parts as 8859<n>, Windows code pages as plain numbers.
        if (cp.size() == 5 && cp.rfind("8859", 0) == 0) return "ISO-8859-" + cp.substr(4);
        return CodePageCharset(std::atoi(cp.c_str()));
    }
    if (cp.rfind("ANSI", 0) == 0 && AllDigits(cp.substr(4))) return CodePageCharset(std::atoi(cp.c_str() + 4));
    return cp;
}

TextDecoder::TextDecoder(const std::string& charset) : charset_(charset) {
    cd_ = ::iconv_open("UTF-8", charset_.c_str());
    if (cd_ == iconv_t(-1)) {
        charset_ = DefaultCharset;
        cd_ = ::iconv_open("UTF-8", charset_.c_str());
    }
}

TextDecoder::~TextDecoder() {
    if (cd_ != iconv_t(-1)) ::iconv_close(cd_);
}

std::string TextDecoder::ToUtf8(std::string_view bytes) {
    std::string out;
    if (cd_ == iconv_t(-1)) {  // no converter at all: Latin-1 is the closest guess
        for (unsigned char c : bytes) AppendUtf8(out, c);
        return out;
    }
    ::iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    char buffer[1024];
    while (inLeft > 0) {
        char* next = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t rc = ::iconv(cd_, &in, &inLeft, &next, &outLeft);
        out.append(buffer, std::size_t(next - buffer));
        if (rc != std::size_t(-1)) continue;
        if (errno == E2BIG) continue;
        // EILSEQ or EINVAL: a byte without a character; mark it and go on.
        AppendUtf8(out, Replacement);
        ++in;
        --inLeft;
        ::iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    }
    return out;
}

}  // namespace base
