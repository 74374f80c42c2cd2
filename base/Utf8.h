#pragma once
// Counting and cutting UTF-8 text by characters, not bytes: field sizes are
// in characters.

#include <cstddef>
#include <string>
#include <string_view>

namespace base {

// Whether the bytes are well-formed UTF-8 as the Unicode standard defines it:
// no overlong form, no encoded surrogate, nothing above U+10FFFF.
bool ValidUtf8(std::string_view text);
// The length of the well-formed sequence `text` begins with, 0 when it begins
// with none (or is empty).
std::size_t WellFormedLength(std::string_view text);
// Characters of valid UTF-8 text.
std::size_t CharacterCount(std::string_view utf8);
// The first `n` characters of UTF-8 text.
std::string FirstCharacters(const std::string& utf8, std::size_t n);

}  // namespace base
