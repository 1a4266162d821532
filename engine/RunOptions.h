// SPDX-License-Identifier: MIT
// RunOptions: the flag word of one listing run.
#pragma once

#include <cstdint>

namespace dirscribe {

using RunOptions = std::uint16_t;

inline constexpr RunOptions RunDirsOnly = 2;   // folders are listed, files are not
inline constexpr RunOptions RunNewList = 8;    // every line goes to the new-list file only
inline constexpr RunOptions RunAppend = 0x10;  // every line goes to the append file only
inline constexpr RunOptions RunBoth =
    0x20;  // every line goes to the new list, then the append file

// True when the run writes a new list (New List or Both).
constexpr bool NewListWanted(RunOptions o) {
    return (o & (RunNewList | RunBoth)) != 0;
}
// True when the run appends to a list (Append or Both).
constexpr bool AppendWanted(RunOptions o) {
    return (o & (RunAppend | RunBoth)) != 0;
}

}  // namespace dirscribe
