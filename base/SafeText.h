// SPDX-License-Identifier: MIT
// SafeText: control characters in names, which would forge lines of a list or a report, or
// reach a terminal as escape sequences.
#pragma once

#include <string>
#include <string_view>

namespace dirscribe {

// Whether `c` is a control character: 0x00-0x1F or 0x7F.
constexpr bool IsControl(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u < 0x20 || u == 0x7F;
}

// Whether the text holds a control character.
bool HasControls(std::string_view text);

// Replaces every control character of `text` from `from` on by "?". Returns whether there was
// one. Text without any is only read.
bool MaskControls(std::string& text, std::size_t from = 0);

// The text with every control character as "?".
std::string MaskedControls(std::string_view text);

// The text as it may be shown on a terminal: control characters, and the C1 controls U+0080 to
// U+009F of UTF-8 text (some terminals take U+009B for the start of an escape sequence), each
// as one "?". With `keepLineEnds` a line feed stays (messages of several lines).
std::string TerminalSafe(std::string_view text, bool keepLineEnds = false);

}  // namespace dirscribe
