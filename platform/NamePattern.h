// SPDX-License-Identifier: MIT
// NamePattern: a file mask or a regular expression matched against names as list files hold
// them, behind one header for every OS.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>
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

// A pattern that cannot be used, with the reason.
class PatternError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// A regular expression (RE2 syntax: no back-references or look-around) found anywhere in the
// name, letters without regard to case, given in UTF-8. Matching takes time linear in the
// name's length and needs no stack, whatever the expression and the name. Throws PatternError
// when it is not a valid expression or too large to be compiled.
std::unique_ptr<NamePattern> MakeRegexPattern(std::string_view expression);

// A name as a list file holds it, in UTF-8: on Windows converted from the ANSI code page into
// `scratch`; elsewhere the bytes as they are.
std::string_view ListTextAsUtf8(std::string_view text, std::string& scratch);

}  // namespace dirscribe::platform
