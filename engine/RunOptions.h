// SPDX-License-Identifier: MIT
// RunOptions: the flag word of one listing run.
#pragma once

#include <cstdint>

namespace dirscribe {

using RunOptions = std::uint16_t;

// The walker skips each folder's file pass, so only folders are written.
inline constexpr RunOptions RunDirsOnly = 2;
// Where WriteListLine puts each line; it looks at these in this order and takes the first set.
inline constexpr RunOptions RunNewList = 8;    // into the new list
inline constexpr RunOptions RunAppend = 0x10;  // into the append file
inline constexpr RunOptions RunBoth = 0x20;    // into the new list, then into the append file

// True when the run writes a new list (New List or Both).
constexpr bool NewListWanted(RunOptions o) {
    return (o & (RunNewList | RunBoth)) != 0;
}
// True when the run appends to a list (Append or Both).
constexpr bool AppendWanted(RunOptions o) {
    return (o & (RunAppend | RunBoth)) != 0;
}

}  // namespace dirscribe
