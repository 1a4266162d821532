// SPDX-License-Identifier: MIT
// Fuzz target: the first line a regular expression (and a mask), the rest a name. Neither may
// crash, and a match may take no more than time linear in the name.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/NamePattern.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::size_t end = text.find('\n');
    if (end == std::string_view::npos) return 0;
    const std::string_view pattern = text.substr(0, end);
    const std::string_view name = text.substr(end + 1);
    try {
        (void)dirscribe::platform::MakeRegexPattern(pattern)->Matches(name);
    } catch (const dirscribe::platform::PatternError&) {
    }
    (void)dirscribe::platform::MakeMaskPattern(pattern)->Matches(name);
    return 0;
}
