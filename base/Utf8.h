// SPDX-License-Identifier: MIT
// Utf8: what one character of the program's text (UTF-8) is, for every layer that counts,
// cuts or matches characters.
#pragma once

#include <cstddef>
#include <string_view>

namespace dirscribe {

// The value DecodeCharacter gives a byte that starts no valid sequence: this plus the byte.
inline constexpr char32_t kInvalidUtf8Byte = 0x80000000;

// Decodes the character at text[pos] (pos < text.size()) and sets `length` to its bytes. A
// valid sequence is a shortest form of U+0000..U+10FFFF other than a surrogate; any other byte
// (a stray continuation byte, an overlong or cut sequence, F5..FF) is one character of its
// own, kInvalidUtf8Byte + the byte, with length 1.
char32_t DecodeCharacter(std::string_view text, std::size_t pos, std::size_t& length);

// Bytes of the character at text[pos], as DecodeCharacter counts them.
std::size_t CharacterLength(std::string_view text, std::size_t pos);

// Number of characters of a text.
std::size_t CharacterCount(std::string_view text);

// Bytes of the first `count` characters of a text (all of it when it has fewer).
std::size_t LeadingCharacters(std::string_view text, std::size_t count);

}  // namespace dirscribe
