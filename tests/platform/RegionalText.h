// SPDX-License-Identifier: MIT
// Helpers of the regional-settings and local-time tests: patterns and times as short texts.
#pragma once

#include <cstdio>
#include <string>

#include "platform/Regional.h"

namespace dirscribe::test {

// A pattern as short text: "{M2}" is a month of two digits padded with zeros, "{d2_}" a day
// padded with blanks, "{t}" the AM/PM designator, "[/]" a literal.
inline std::string Describe(const platform::DateTimePattern& pattern) {
    using Kind = platform::DateTimeToken::Kind;
    std::string text;
    for (const auto& token : pattern) {
        if (token.kind == Kind::Literal) {
            text += "[" + token.text + "]";
            continue;
        }
        static const char* const kNames[] = {"",  "d", "M", "MMM", "MMMM", "y",   "H",
                                             "h", "m", "s", "t",   "ddd",  "dddd"};
        text += "{";
        text += kNames[static_cast<int>(token.kind)];
        if (token.width != 1) text += std::to_string(token.width);
        if (token.pad != '0') text += token.pad == ' ' ? "_" : std::string(1, token.pad);
        text += "}";
    }
    return text;
}

// A local time as "2003-05-17 21:41:07 w6" (w: day of the week, 0 = Sunday).
inline std::string Text(const platform::CivilTime& t) {
    char text[64];
    std::snprintf(text, sizeof text, "%d-%02d-%02d %02d:%02d:%02d w%d", t.year, t.month, t.day,
                  t.hour, t.minute, t.second, t.weekday);
    return text;
}

}  // namespace dirscribe::test
