// SPDX-License-Identifier: MIT
// Fuzz target: any bytes as a list, read line by line as the catalogue search reads lists.
// Lines no format writes are refused one by one; nothing may crash or read out of bounds.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "engine/ListReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::size_t seen = 0;
    dirscribe::ListReader reader([&](const dirscribe::ListedEntry& entry) {
        // Every view must be readable.
        seen += entry.name.size() + entry.folder.size() + entry.size.size() + entry.date.size() +
                entry.volume.size();
    });
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find('\n', start);
        try {
            reader.Line(text.substr(start, end == std::string_view::npos ? end : end - start));
        } catch (const dirscribe::ListReadError&) {
        }
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    try {
        reader.Finish();
    } catch (const dirscribe::ListReadError&) {
    }
    return seen == SIZE_MAX ? 1 : 0;
}
