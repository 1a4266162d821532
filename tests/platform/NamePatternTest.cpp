// SPDX-License-Identifier: MIT
// NamePattern: masks and regular expressions as --find matches names, on every system.
#include "platform/NamePattern.h"

#include <gtest/gtest.h>

#include <regex>

namespace dirscribe::platform {
namespace {

TEST(NamePatternTest, MasksAsTheWalkMatchesThem) {
    const struct {
        const char* mask;
        const char* name;
        bool matches;
    } cases[] = {
        {"*.iso", "disc.ISO", true},
        {"*.iso", "disc.isos", false},
        {"*.iso", ".iso", true},
        {"*.iso", "iso", false},
        {"*.ISO", "a.b.iso", true},
        {"*.*", "noextension", true},
        {"*", "", true},
        {"a*.*", "abc", true},
        {"blue*.mp3", "Blue Train.MP3", true},
        {"blue*.mp3", "train blue.mp3", false},
        {"?.txt", "a.txt", true},
        {"?.txt", "ab.txt", false},
        {"notes.txt", "NOTES.TXT", true},
        {"", "x", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MakeMaskPattern(c.mask)->Matches(c.name), c.matches) << c.mask << " " << c.name;
    }
}

TEST(NamePatternTest, RegularExpressionsAreSearchedWithoutRegardToCase) {
    const auto pattern = MakeRegexPattern("^blue .*\\.mp3$");
    EXPECT_TRUE(pattern->Matches("Blue Train.MP3"));
    EXPECT_FALSE(pattern->Matches("a blue train.mp3"));
    EXPECT_TRUE(MakeRegexPattern("train")->Matches("blue TRAIN.mp3"));
    EXPECT_THROW(MakeRegexPattern("("), std::regex_error);
}

}  // namespace
}  // namespace dirscribe::platform
