// SPDX-License-Identifier: MIT
// Utf8: one decoder of UTF-8 characters, strict about what a valid sequence is.
#include "base/Utf8.h"

namespace dirscribe {

namespace {

bool IsContinuation(unsigned char b) {
    return (b & 0xC0) == 0x80;
}

}  // namespace

char32_t DecodeCharacter(std::string_view text, std::size_t pos, std::size_t& length) {
    const auto at = [&](std::size_t i) { return static_cast<unsigned char>(text[pos + i]); };
    const unsigned char b0 = at(0);
    const std::size_t rest = text.size() - pos;
    length = 1;
    if (b0 < 0x80) return b0;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        if (rest >= 2 && IsContinuation(at(1))) {
            length = 2;
            return (char32_t{b0 & 0x1Fu} << 6) | (at(1) & 0x3Fu);
        }
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        // E0 would be an overlong form below A0; ED followed by A0 or more is a surrogate.
        const unsigned char low = b0 == 0xE0 ? 0xA0 : 0x80;
        const unsigned char high = b0 == 0xED ? 0x9F : 0xBF;
        if (rest >= 3 && at(1) >= low && at(1) <= high && IsContinuation(at(2))) {
            length = 3;
            return (char32_t{b0 & 0x0Fu} << 12) | (char32_t{at(1) & 0x3Fu} << 6) | (at(2) & 0x3Fu);
        }
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        // F0 would be overlong below 90; F4 beyond 8F would pass U+10FFFF.
        const unsigned char low = b0 == 0xF0 ? 0x90 : 0x80;
        const unsigned char high = b0 == 0xF4 ? 0x8F : 0xBF;
        if (rest >= 4 && at(1) >= low && at(1) <= high && IsContinuation(at(2)) &&
            IsContinuation(at(3))) {
            length = 4;
            return (char32_t{b0 & 0x07u} << 18) | (char32_t{at(1) & 0x3Fu} << 12) |
                   (char32_t{at(2) & 0x3Fu} << 6) | (at(3) & 0x3Fu);
        }
    }
    return kInvalidUtf8Byte + b0;
}

std::size_t CharacterLength(std::string_view text, std::size_t pos) {
    if (static_cast<unsigned char>(text[pos]) < 0x80) return 1;
    std::size_t length = 1;
    DecodeCharacter(text, pos, length);
    return length;
}

std::size_t CharacterCount(std::string_view text) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); i += CharacterLength(text, i)) ++count;
    return count;
}

std::size_t LeadingCharacters(std::string_view text, std::size_t count) {
    std::size_t i = 0;
    for (std::size_t n = 0; n < count && i < text.size(); ++n) i += CharacterLength(text, i);
    return i;
}

}  // namespace dirscribe
