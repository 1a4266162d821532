// MaskMatcher: file masks with '*' and '?', matched without regard to case.
#include "platform/posix/MaskMatcher.h"

#include <locale.h>
#include <wctype.h>

#include <array>

namespace dirscribe::platform::posix {

namespace {

constexpr char32_t kInvalidByte = 0x80000000;

bool IsContinuation(unsigned char b) {
    return (b & 0xC0) == 0x80;
}

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
    return kInvalidByte + b0;
}

char32_t FoldCase(char32_t c) {
    if (c < kTableSize) return FoldTable()[c];
    if (c >= kInvalidByte) return c;
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
    constexpr std::size_t kNone = static_cast<std::size_t>(-1);
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

}  // namespace dirscribe::platform::posix
