#pragma once
// Counting and cutting UTF-8 text by characters, not bytes: field sizes are
// in characters.

#include <cstddef>
#include <string>
#include <string_view>

namespace base {

bool ValidUtf8(std::string_view text);
// Characters of valid UTF-8 text.
std::size_t CharacterCount(std::string_view utf8);
// The first `n` characters of UTF-8 text.
std::string FirstCharacters(const std::string& utf8, std::size_t n);

}  // namespace base
