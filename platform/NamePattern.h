// SPDX-License-Identifier: MIT
// NamePattern: a file mask or a regular expression matched against names as list files hold
// them, behind one header for every OS.
#pragma once

#include <memory>
#include <string_view>

namespace dirscribe::platform {

class NamePattern {
  public:
    virtual ~NamePattern() = default;
    // True when `name` (in the list files' encoding: UTF-8 bytes on Linux, the ANSI code page
    // on Windows) matches.
    virtual bool Matches(std::string_view name) const = 0;
};

// A file mask as the listing takes it ('*' and '?', letters without regard to case, a final
// ".*" also matching names without a dot), given in UTF-8.
std::unique_ptr<NamePattern> MakeMaskPattern(std::string_view mask);

// A regular expression (ECMAScript) found anywhere in the name, letters without regard to
// case, given in UTF-8. Throws std::regex_error when it is not a valid expression.
std::unique_ptr<NamePattern> MakeRegexPattern(std::string_view expression);

}  // namespace dirscribe::platform
