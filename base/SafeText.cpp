// SPDX-License-Identifier: MIT
// SafeText: control characters masked with "?".
#include "base/SafeText.h"

#include <cstdint>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace dirscribe {

namespace {

constexpr std::uint64_t kOnes = 0x0101010101010101;
constexpr std::uint64_t kHighBits = kOnes * 0x80;

// Whether any of the eight bytes of `word` is a control character: a byte below 0x20 (its
// value minus 0x20 borrows into the high bit, which the byte itself has clear) or 0x7F (zero
// once 0x7F is taken away by exclusive or). Exact for the word as a whole.
bool WordHasControl(std::uint64_t word) {
    const std::uint64_t below = (word - kOnes * 0x20) & ~word & kHighBits;
    const std::uint64_t del = word ^ (kOnes * 0x7F);
    const std::uint64_t isDel = (del - kOnes) & ~del & kHighBits;
    return (below | isDel) != 0;
}

#ifdef __SSE2__
// Marks the control characters among the sixteen bytes at `data`: at most 0x1F (the unsigned
// minimum with 0x1F leaves such a byte as it is) or 0x7F.
__m128i ControlsIn(const char* data) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data));
    const __m128i low = _mm_cmpeq_epi8(_mm_min_epu8(bytes, _mm_set1_epi8(0x1F)), bytes);
    const __m128i del = _mm_cmpeq_epi8(bytes, _mm_set1_epi8(0x7F));
    return _mm_or_si128(low, del);
}

bool BlockHasControl(const char* data) {
    return _mm_movemask_epi8(ControlsIn(data)) != 0;
}
#endif

// The place from which the text must be looked at byte by byte for a control character (its
// size when it holds none). Every list line passes here and nearly none holds one, so the text
// is looked at sixteen or eight bytes at a time.
std::size_t FirstToLookAt(const char* data, std::size_t size, std::size_t from) {
    std::size_t i = from;
#ifdef __SSE2__
    // Sixty-four bytes with one test, then the sixteen that hold the first control character.
    for (; i + 64 <= size; i += 64) {
        const __m128i any =
            _mm_or_si128(_mm_or_si128(ControlsIn(data + i), ControlsIn(data + i + 16)),
                         _mm_or_si128(ControlsIn(data + i + 32), ControlsIn(data + i + 48)));
        if (_mm_movemask_epi8(any) != 0) break;
    }
    for (; i + 16 <= size; i += 16) {
        if (BlockHasControl(data + i)) return i;
    }
    // The last bytes of a text of sixteen or more: its last sixteen, read again in part.
    if (i < size && size - from >= 16) {
        return BlockHasControl(data + size - 16) ? size - 16 : size;
    }
#endif
    for (; i + 8 <= size; i += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, data + i, 8);
        if (WordHasControl(word)) break;
    }
    return i;
}

}  // namespace

bool HasControls(std::string_view text) {
    for (std::size_t i = FirstToLookAt(text.data(), text.size(), 0); i < text.size(); ++i) {
        if (IsControl(text[i])) return true;
    }
    return false;
}

bool MaskControls(std::string& text, std::size_t from) {
    char* const data = text.data();
    const std::size_t size = text.size();
    bool any = false;
    for (std::size_t i = FirstToLookAt(data, size, from); i < size; ++i) {
        if (IsControl(data[i])) {
            data[i] = '?';
            any = true;
        }
    }
    return any;
}

std::string MaskedControls(std::string_view text) {
    std::string out(text);
    MaskControls(out);
    return out;
}

std::string TerminalSafe(std::string_view text, bool keepLineEnds) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
            static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
            out += '?';
            ++i;
        } else {
            out += IsControl(text[i]) && !(keepLineEnds && text[i] == '\n') ? '?' : text[i];
        }
    }
    return out;
}

}  // namespace dirscribe
