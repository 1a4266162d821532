// SPDX-License-Identifier: MIT
// NamePattern: masks and regular expressions as --find matches names, on every system.
#include "platform/NamePattern.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/FileSystem.h"

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
    // The expression in UTF-8; the name as lists hold it (the ANSI code page on Windows).
    const bool windows = kPathSeparator == '\\';
    EXPECT_TRUE(
        MakeRegexPattern("caf\xC3\xA9")->Matches(windows ? "CAF\xC9.txt" : "CAF\xC3\x89.txt"));
    for (const char* bad : {"(", "a{1001}", "(a)\\1", "(?=a)", "a{1000}{1000}"})
        EXPECT_THROW(MakeRegexPattern(bad), PatternError) << bad;
}

TEST(NamePatternTest, NoExpressionOrNameCanExhaustTimeOrStack) {
    // Expressions that backtracking engines take exponential time or deep recursion for,
    // against names far longer than a list line of the text formats.
    const std::string deep = std::string(30000, '(') + "a" + std::string(30000, ')');
    const std::string longName(100000, 'a');
    const struct {
        std::string expression;
        std::string name;
        bool matches;
    } cases[] = {
        {"(a|aa)*b", longName, false},    {"(a+a+)+b", longName, false},
        {"(a*)*$", longName + "b", true}, {deep, longName, true},
        {"^(.)*a$", longName, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MakeRegexPattern(c.expression)->Matches(c.name), c.matches)
            << c.expression.substr(0, 20);
    }
    // An expression too large to compile is refused, not compiled without end.
    EXPECT_THROW(MakeRegexPattern("((((((a{1000}){1000}){1000}){1000}){1000}){1000})"),
                 PatternError);
}

}  // namespace
}  // namespace dirscribe::platform
