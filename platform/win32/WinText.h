// SPDX-License-Identifier: MIT
// WinText: the program's UTF-8 texts and Windows' UTF-16 ones, converted at the OS boundary.
#pragma once

#include <string>
#include <string_view>

namespace dirscribe::platform::win32 {

// UTF-8 to UTF-16. A byte that starts no valid sequence becomes U+FFFD.
std::wstring Wide(std::string_view text);
// UTF-16 to UTF-8. A lone surrogate becomes U+FFFD.
std::string Utf8(std::wstring_view text);

// A path the Win32 file functions accept whatever its length: `folder` (a folder path, or any
// path when `leaf` is empty) followed by `leaf` (a name or a mask, taken as it is). Paths
// shorter than MAX_PATH stay as they are; longer ones get the folder made absolute and the
// "\\?\" (or "\\?\UNC\") prefix, which lifts the limit.
std::wstring SystemPath(std::wstring folder, std::wstring_view leaf = {});
// The same for a UTF-8 path.
std::wstring SystemPath(std::string_view path);

// Whether a name ends in "." or " ", which the system's clean-up of a path would strip: such a
// name is reached only through the "\\?\" form ("." and ".." are no such names).
bool NeedsVerbatim(std::wstring_view name);

// `folder` (ending in "\\") made absolute and clean, in the "\\?\" form, to which names
// are then appended as they are; `folder` as it is when it cannot be made so.
std::wstring VerbatimFolder(const std::wstring& folder);

}  // namespace dirscribe::platform::win32
