// Well-formed UTF-8 as the Unicode standard defines it: what the text import
// takes as UTF-8 and what the workbook writer copies into its XML.

#include <gtest/gtest.h>

#include "base/Utf8.h"

namespace {

TEST(Utf8, OnlyWellFormedSequencesPass) {
    const struct {
        const char* bytes;
        bool valid;
    } cases[] = {
        {"plain", true},
        {"\xC3\xA9t\xC3\xA9", true},  // été
        {"\xE2\x82\xAC", true},       // U+20AC
        {"\xEF\xBF\xBF", true},       // U+FFFF: well-formed, though XML forbids it
        {"\xF0\x90\x80\x80", true},   // U+10000
        {"\xF4\x8F\xBF\xBF", true},   // U+10FFFF
        {"\xED\x9F\xBF", true},       // U+D7FF, just below the surrogates
        {"\xC0\xAF", false},          // overlong "/"
        {"\xE0\x80\xAF", false},      // overlong "/"
        {"\xF0\x80\x80\xAF", false},  // overlong "/"
        {"\xED\xA0\x80", false},      // U+D800, a surrogate
        {"\xED\xBF\xBF", false},      // U+DFFF
        {"\xF4\x90\x80\x80", false},  // above U+10FFFF
        {"\xF5\x80\x80\x80", false},
        {"\xC3", false},  // cut short
        {"\x80", false},  // a continuation alone
    };
    for (const auto& c : cases) EXPECT_EQ(base::ValidUtf8(c.bytes), c.valid) << c.bytes;
}

}  // namespace
