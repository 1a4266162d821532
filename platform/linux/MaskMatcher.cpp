// SPDX-License-Identifier: MIT
// MaskMatcher: file masks with '*' and '?', matched without regard to case.
#include "platform/linux/MaskMatcher.h"

#include <locale.h>
#include <wctype.h>

#include <array>

#include "base/Utf8.h"

namespace dirscribe::platform::linuxos {

namespace {

// A UTF-8 locale object for towupper_l/towlower_l, made once; null when the system has none,
// and then only ASCII letters fold.
locale_t Utf8Locale() {
    static const locale_t locale = [] {
        locale_t made = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
        if (made == static_cast<locale_t>(nullptr)) {
            made = newlocale(LC_CTYPE_MASK, "C.utf8", static_cast<locale_t>(nullptr));
        }
        return made;
    }();
    return locale;
}

char32_t FoldWithLocale(char32_t c) {
    locale_t locale = Utf8Locale();
    if (locale == static_cast<locale_t>(nullptr)) return c;
    auto upper = towupper_l(static_cast<wint_t>(c), locale);
    return static_cast<char32_t>(towlower_l(upper, locale));
}

// Characters below U+0800 (all one- and two-byte sequences) are folded through a table built
// once, so that names in Latin, Greek or Cyrillic scripts cost no library call per character.
constexpr char32_t kTableSize = 0x800;

const std::array<char32_t, kTableSize>& FoldTable() {
    static const auto table = [] {
        std::array<char32_t, kTableSize> made{};
        for (char32_t c = 0; c < kTableSize; ++c) {
            made[c] = c < 0x80 ? ((c >= 'A' && c <= 'Z') ? c + 32 : c) : FoldWithLocale(c);
        }
        return made;
    }();
    return table;
}

}  // namespace

char32_t FoldCase(char32_t c) {
    if (c < kTableSize) return FoldTable()[c];
    if (c >= kInvalidUtf8Byte) return c;
    return FoldWithLocale(c);
}

MaskMatcher::MaskMatcher(std::string_view mask) {
    if (mask.empty()) {
        matchesNone_ = true;
        return;
    }
    pattern_ = Compile(mask);
    if (mask.size() >= 2 && mask.substr(mask.size() - 2) == ".*") {
        alternative_ = Compile(mask.substr(0, mask.size() - 2));
        hasAlternative_ = true;
    }
    const Pattern star{kStar};
    matchesAll_ = pattern_ == star || (hasAlternative_ && alternative_ == star);
}

bool MaskMatcher::IsUsable(std::string_view mask) {
    return mask.find('/') == std::string_view::npos && mask.find('\0') == std::string_view::npos;
}

MaskMatcher::Pattern MaskMatcher::Compile(std::string_view mask) {
    Pattern pattern;
    pattern.reserve(mask.size());
    for (std::size_t pos = 0; pos < mask.size();) {
        std::size_t length = 1;
        const char32_t c = DecodeCharacter(mask, pos, length);
        pos += length;
        if (c == '*') {
            // Runs of stars match what one star matches.
            if (pattern.empty() || pattern.back() != kStar) pattern.push_back(kStar);
        } else if (c == '?') {
            pattern.push_back(kAny);
        } else {
            pattern.push_back(FoldCase(c));
        }
    }
    return pattern;
}

bool MaskMatcher::Matches(std::string_view name) const {
    if (matchesNone_) return false;
    if (matchesAll_) return true;
    return MatchPattern(pattern_, name) || (hasAlternative_ && MatchPattern(alternative_, name));
}

// The usual greedy matcher: on a mismatch go back to the last star and let it take one more
// character. Only the last star is ever revisited, so the work stays proportional to the
// product of the lengths at worst and never grows exponentially.
bool MaskMatcher::MatchPattern(const Pattern& pattern, std::string_view name) {
    constexpr auto kNone = static_cast<std::size_t>(-1);
    std::size_t p = 0;
    std::size_t n = 0;
    std::size_t afterStar = kNone;  // pattern position just after the last star seen
    std::size_t starFrom = 0;       // name position that star's run currently ends at
    while (n < name.size()) {
        if (p < pattern.size()) {
            const char32_t unit = pattern[p];
            if (unit == kStar) {
                afterStar = ++p;
                starFrom = n;
                continue;
            }
            std::size_t length = 1;
            const char32_t c = DecodeCharacter(name, n, length);
            if (unit == kAny || unit == FoldCase(c)) {
                ++p;
                n += length;
                continue;
            }
        }
        if (afterStar == kNone) return false;
        std::size_t length = 1;
        DecodeCharacter(name, starFrom, length);
        starFrom += length;
        n = starFrom;
        p = afterStar;
    }
    while (p < pattern.size() && pattern[p] == kStar) ++p;
    return p == pattern.size();
}

}  // namespace dirscribe::platform::linuxos
