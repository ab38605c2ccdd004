// UTF-8 / UTF-16 conversions and the small text rules the areas share.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ledra::common {

// UTF-16 code units to UTF-8. Unpaired surrogates become U+FFFD.
std::string utf16ToUtf8(std::u16string_view text);
// UTF-16LE bytes (an odd last byte is dropped) to UTF-8, cut before the first NUL unit.
std::string utf16leBytesToUtf8(std::span<const std::byte> bytes);
// UTF-8 to UTF-16; invalid sequences (overlong forms, encoded surrogates, a sequence cut
// short by the end of the text) become U+FFFD, one per byte that starts no character.
std::u16string utf8ToUtf16(std::string_view text);

// Splits on a single character, keeping empty pieces ("a|b|" gives "a", "b", "").
// An empty text gives no pieces.
std::vector<std::string_view> split(std::string_view text, char separator);

// ASCII-only case-insensitive search.
bool containsNoCase(std::string_view haystack, std::string_view needle);
// Position of needle in haystack, ASCII case-insensitive; npos when absent.
std::size_t findNoCase(std::string_view haystack, std::string_view needle, std::size_t from = 0);

}  // namespace ledra::common
