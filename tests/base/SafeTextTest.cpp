// SPDX-License-Identifier: MIT
// SafeText: the masking of control characters against a byte-by-byte reading, wherever in a
// text (and in whichever of its eight-byte words) the character stands.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "base/SafeText.h"

namespace dirscribe {
namespace {

std::string MaskedOneByOne(std::string text, std::size_t from) {
    for (std::size_t i = from; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c == 0x7F) text[i] = '?';
    }
    return text;
}

void ExpectLikeOneByOne(const std::string& text, std::size_t from) {
    std::string masked = text;
    const bool any = MaskControls(masked, from);
    const std::string expected = MaskedOneByOne(text, from);
    EXPECT_EQ(masked, expected) << "from " << from;
    EXPECT_EQ(any, masked != text) << "from " << from;
    if (from == 0) {
        EXPECT_EQ(HasControls(text), any);
    }
}

TEST(SafeTextTest, EachBorderByteAtEveryPlaceOfEveryLength) {
    // Each side of both borders, the NUL, and bytes with the high bit set (UTF-8 letters).
    const unsigned char bytes[] = {0x00, 0x01, 0x09, 0x1F, 0x20, 0x21, 0x3F,
                                   0x7E, 0x7F, 0x80, 0x9F, 0xA0, 0xC3, 0xFF};
    // Every length up to 25, then the lengths about the 64-byte steps.
    std::vector<std::size_t> lengths{63, 64, 65, 79, 80, 81, 127, 128, 129, 143};
    for (std::size_t length = 1; length <= 25; ++length) lengths.push_back(length);
    for (const std::size_t length : lengths) {
        for (std::size_t at = 0; at < length; ++at) {
            for (const unsigned char b : bytes) {
                std::string text(length, 'a');
                text[at] = static_cast<char>(b);
                ExpectLikeOneByOne(text, 0);
                ExpectLikeOneByOne(text, at);
                ExpectLikeOneByOne(text, at + 1);  // the byte itself is before `from`
            }
        }
    }
}

TEST(SafeTextTest, RandomTextsMaskLikeOneByOne) {
    std::mt19937 random(22);
    for (int round = 0; round < 20000; ++round) {
        std::string text(random() % 150, ' ');
        for (char& c : text) {
            // Mostly printable, as names are, with now and then any byte at all.
            c = static_cast<char>(random() % 8 == 0 ? random() % 256 : 0x20 + random() % 0x60);
        }
        ExpectLikeOneByOne(text, text.empty() ? 0 : random() % (text.size() + 1));
    }
}

}  // namespace
}  // namespace dirscribe
