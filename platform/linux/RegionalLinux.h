// SPDX-License-Identifier: MIT
// RegionalPosix: the locale's date and time formats turned into the program's patterns.
#pragma once

#include <string_view>

#include "platform/Regional.h"

namespace dirscribe::platform::linuxos {

// Translates a strftime format (as nl_langinfo(D_FMT) and T_FMT give it) into pattern tokens.
// Understood: %d %e %m %y %Y %H %I %k %l %M %S %p %P %r %R %T %D %F %b %h %B %a %A %n %t %%,
// the E and O modifiers (ignored), the flags '-' (no padding), '_' (blanks) and '0' (zeros), and
// a field width. %r stands for `ampmFormat` (the locale's T_FMT_AMPM). %n becomes a blank, as a
// list line cannot hold a line break. Anything else is kept as literal text.
DateTimePattern PatternFromStrftime(std::string_view format,
                                    std::string_view ampmFormat = "%I:%M:%S %p");

}  // namespace dirscribe::platform::linuxos
