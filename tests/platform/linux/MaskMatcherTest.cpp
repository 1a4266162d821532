// SPDX-License-Identifier: MIT
// Tests of file masks: wildcards, case, characters of several bytes.
#include "platform/linux/MaskMatcher.h"

#include <locale.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace dirscribe::platform::linuxos {
namespace {

struct Case {
    const char* mask;
    std::vector<std::string> matching;
    std::vector<std::string> notMatching;
};

void Check(const std::vector<Case>& cases) {
    for (const auto& c : cases) {
        const MaskMatcher matcher(c.mask);
        for (const auto& name : c.matching)
            EXPECT_TRUE(matcher.Matches(name)) << c.mask << " " << name;
        for (const auto& name : c.notMatching) {
            EXPECT_FALSE(matcher.Matches(name)) << c.mask << " " << name;
        }
    }
}

TEST(MaskMatcher, WildcardsAndAsciiCase) {
    Check({
        {"*.mp3", {"a.mp3", "A.MP3", "x.y.Mp3", ".mp3"}, {"a.mp3x", "mp3", "a.mp"}},
        {"?", {"x", "Q"}, {"xy"}},
        {"?b?", {"abc", "ABC"}, {"ab", "abcd"}},
        {"*a*b*c*", {"xxAxxbxxcxx", "abc"}, {"cba", "ab"}},
        {"*", {"anything", "no dot", "a.b"}, {}},
        {"*.*", {"noext", "a.b", "a.b.c"}, {}},
        {"a*.*", {"abc", "a.b", "a", "A.TXT"}, {"ba", "b.a"}},
        {"file.*", {"file", "file.txt", "FILE.TAR.GZ"}, {"files", "afile.txt"}},
        {"", {}, {"", "a", "*"}},
    });
}

TEST(MaskMatcher, CharactersOfSeveralBytesCountOnce) {
    Check({
        {"?", {"\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "\xFF"}, {"e\xCC\x81"}},
        // A combining mark, an overlong pair and a cut-off sequence are two characters each.
        {"??", {"e\xCC\x81", "\xC0\x80", "\xE2\x82"}, {"\xC3\xA9"}},
        {"???", {"\xED\xA0\x80"}, {}},       // an encoded surrogate is three stray bytes
        {"\xC3?", {"\xC3x"}, {"\xC3\x83"}},  // a stray byte is not the letter
    });
}

TEST(MaskMatcher, CaseBeyondAscii) {
    locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    if (utf8 == static_cast<locale_t>(nullptr)) GTEST_SKIP() << "no C.UTF-8 locale: ASCII only";
    freelocale(utf8);
    Check({
        {"\xC3\x89*",
         {"\xC3\xA9"
          "cole",
          "\xC3\x89"
          "COLE"},
         {"ecole"}},                                                              // É/é
        {"\xD0\x9F\xD0\xA0*.TXT", {"\xD0\xBF\xD1\x80\xD0\xB8.txt"}, {"np.txt"}},  // ПР/пр
        {"\xCE\xA9", {"\xCF\x89"}, {}},                                           // Ω/ω
        {"k", {"\xE2\x84\xAA"}, {}},                                              // Kelvin
        {"stra\xC3\x9F"
         "e",
         {"STRA\xC3\x9F"
          "E"},
         {"STRASSE"}},  // no full case folding
    });
}

TEST(MaskMatcher, ManyStarsDoNotBacktrackWithoutEnd) {
    const MaskMatcher matcher("*a*a*a*a*a*a*a*a*a*a*a*a*b");
    EXPECT_FALSE(matcher.Matches(std::string(255, 'a')));
    EXPECT_TRUE(matcher.Matches(std::string(254, 'a') + "b"));
}

TEST(MaskMatcher, UsableMasks) {
    EXPECT_TRUE(MaskMatcher::IsUsable("*.*"));
    EXPECT_TRUE(MaskMatcher::IsUsable(""));
    EXPECT_FALSE(MaskMatcher::IsUsable("music/*.mp3"));
    EXPECT_FALSE(MaskMatcher::IsUsable(std::string_view("a\0b", 3)));
}

}  // namespace
}  // namespace dirscribe::platform::linuxos
