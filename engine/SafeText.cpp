// SPDX-License-Identifier: MIT
// SafeText: control characters masked with "?".
#include "engine/SafeText.h"

#include <algorithm>

namespace dirscribe {

bool HasControls(std::string_view text) {
    return std::any_of(text.begin(), text.end(), IsControl);
}

bool MaskControls(std::string& text, std::size_t from) {
    bool any = false;
    for (std::size_t i = from; i < text.size(); ++i) {
        if (IsControl(text[i])) {
            text[i] = '?';
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

std::string TerminalSafe(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
            static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
            out += '?';
            ++i;
        } else {
            out += IsControl(text[i]) ? '?' : text[i];
        }
    }
    return out;
}

}  // namespace dirscribe
