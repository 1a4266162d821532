// SPDX-License-Identifier: MIT
// RegionalWin32: the user's Windows date and time pictures turned into the program's patterns.
#pragma once

#include <string_view>

#include "platform/Regional.h"

namespace dirscribe::platform::win32 {

// Translates a Windows date or time picture (LOCALE_SSHORTDATE, LOCALE_STIMEFORMAT; UTF-8) into
// pattern tokens: d dd ddd dddd, M MM MMM MMMM, y yy yyyy (three or more y are the whole year),
// h hh H HH m mm s ss, t tt (the designator: width 1 for "t", its first character only; width 2
// for "tt"), 'quoted text' ('' stands for a quote, inside quotes or out). A lone "y" is written
// with two digits, as there is no token for the year without its century and leading zero; the
// era (g, gg) is left out. Every other character is literal text.
DateTimePattern PatternFromPicture(std::string_view picture);

}  // namespace dirscribe::platform::win32
