#include "base/Utf8.h"

namespace base {

namespace {

// The well-formed sequences of the Unicode standard (its table 3-7): a lead
// byte, the range its second byte must fall in, then continuation bytes.
// This leaves out overlong forms (C0, C1, E0 80..9F, F0 80..8F), encoded
// surrogates (ED A0..BF) and codes above U+10FFFF (F4 90.., F5..FF).
struct Lead {
    std::size_t length;       // 0: the byte opens no sequence
    unsigned char low, high;  // of the second byte
};

Lead LeadOf(unsigned char b) {
    if (b < 0x80) return {1, 0, 0};
    if (b >= 0xC2 && b <= 0xDF) return {2, 0x80, 0xBF};
    if (b == 0xE0) return {3, 0xA0, 0xBF};
    if (b == 0xED) return {3, 0x80, 0x9F};
    if (b >= 0xE1 && b <= 0xEF) return {3, 0x80, 0xBF};
    if (b == 0xF0) return {4, 0x90, 0xBF};
    if (b >= 0xF1 && b <= 0xF3) return {4, 0x80, 0xBF};
    if (b == 0xF4) return {4, 0x80, 0x8F};
    return {0, 0, 0};
}

}  // namespace

std::size_t WellFormedLength(std::string_view s) {
    if (s.empty()) return 0;
    const Lead lead = LeadOf(static_cast<unsigned char>(s[0]));
    if (lead.length == 0 || lead.length > s.size()) return 0;
    if (lead.length > 1) {
        const auto second = static_cast<unsigned char>(s[1]);
        if (second < lead.low || second > lead.high) return 0;
    }
    for (std::size_t k = 2; k < lead.length; ++k)
        if ((static_cast<unsigned char>(s[k]) & 0xC0) != 0x80) return 0;
    return lead.length;
}

bool ValidUtf8(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        // Nearly every byte of a table is ASCII, a sequence of its own.
        if (static_cast<unsigned char>(s[i]) < 0x80) {
            ++i;
            continue;
        }
        const std::size_t n = WellFormedLength(s.substr(i));
        if (n == 0) return false;
        i += n;
    }
    return true;
}

std::size_t CharacterCount(std::string_view utf8) {
    std::size_t n = 0;
    for (char c : utf8) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return n;
}

std::string FirstCharacters(const std::string& utf8, std::size_t n) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < utf8.size(); ++i)
        if ((static_cast<unsigned char>(utf8[i]) & 0xC0) != 0x80 && count++ == n) return utf8.substr(0, i);
    return utf8;
}

}  // namespace base
