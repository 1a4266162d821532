// SPDX-License-Identifier: MIT
// MaskMatcher: file masks with '*' and '?', matched without regard to case.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace dirscribe::platform::linuxos {

// A file mask compiled once and matched against many names. '*' stands for any run of
// characters, '?' for exactly one character (a UTF-8 sequence is one character, so is a byte
// that is not valid UTF-8). Letters match without regard to case (ASCII, and beyond ASCII the
// simple case mappings of Unicode). As on Windows, a mask ending in ".*" also matches the names
// that the mask without those two characters matches, so "*.*" matches every name and "a*.*"
// matches "abc". An empty mask matches nothing.
class MaskMatcher {
  public:
    explicit MaskMatcher(std::string_view mask);

    // True when `name` matches the mask.
    bool Matches(std::string_view name) const;

    // True when a mask may be used at all: a mask cannot contain '/' or a NUL character.
    static bool IsUsable(std::string_view mask);

  private:
    // A compiled mask unit: a star, a question mark, or one case-folded character.
    static constexpr char32_t kStar = 0xFFFFFFFF;
    static constexpr char32_t kAny = 0xFFFFFFFE;
    using Pattern = std::vector<char32_t>;

    static Pattern Compile(std::string_view mask);
    static bool MatchPattern(const Pattern& pattern, std::string_view name);

    Pattern pattern_;
    Pattern alternative_;  // the mask without a final ".*", when it had one
    bool hasAlternative_ = false;
    bool matchesAll_ = false;
    bool matchesNone_ = false;
};

// The case-folded form of a character (simple case folding: lower case of the upper case).
char32_t FoldCase(char32_t c);

}  // namespace dirscribe::platform::linuxos
