// SPDX-License-Identifier: MIT
// One count of characters for every layer: valid sequences are one character, every byte of a
// malformed one is a character of its own.
#include "base/Utf8.h"

#include <gtest/gtest.h>

#include <string>

namespace dirscribe {
namespace {

TEST(Utf8, MalformedBytesAreCharactersOfTheirOwn) {
    struct Case {
        std::string text;
        std::size_t characters;
    };
    const Case cases[] = {
        {"", 0},
        {"abc", 3},
        {"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", 3},  // é € and an emoji
        {"e\xCC\x81", 2},                             // a combining mark is a character
        {"\xC0\x80", 2},                              // an overlong pair
        {"\xE0\x80\x80", 3},                          // an overlong triple
        {"\xED\xA0\x80", 3},                          // an encoded surrogate
        {"\xF4\x90\x80\x80", 4},                      // beyond U+10FFFF
        {"\xF5\x80\x80\x80", 4},                      // a lead byte no sequence has
        {"\xE2\x82", 2},                              // cut off at the end
        {"\xE2\x82x", 3},                             // cut off before a letter
        {"\x80\xBF", 2},                              // stray continuation bytes
        {"\xFF\xFE", 2},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.characters, CharacterCount(c.text)) << c.text;
        EXPECT_EQ(c.text.size(), LeadingCharacters(c.text, c.characters)) << c.text;
    }
    std::size_t length = 0;
    EXPECT_EQ(0x1F600u, DecodeCharacter("\xF0\x9F\x98\x80", 0, length));
    EXPECT_EQ(4u, length);
    EXPECT_EQ(kInvalidUtf8Byte + 0xF4, DecodeCharacter("\xF4\x90\x80\x80", 0, length));
    EXPECT_EQ(1u, length);
    // The first characters are never cut through a sequence.
    EXPECT_EQ(3u, LeadingCharacters("a\xC3\xA9z", 2));
    EXPECT_EQ(1u, LeadingCharacters("a\xC3\xA9z", 1));
}

}  // namespace
}  // namespace dirscribe
