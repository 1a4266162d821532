// SPDX-License-Identifier: MIT
// WinErrors: how the Windows layer turns Win32 error codes into the program's numbered failures.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/Failure.h"

namespace dirscribe::platform::win32 {

// The failure number the walker and the run know a Win32 error by: file not found -> 53;
// path not found, bad drive or network path -> 76; access denied, sharing or lock violation,
// write protection -> 75; bad name, name too long, not a folder -> 52; disk full -> 61; device
// not ready, no medium -> 71; everything else -> 57 (the walker asks the user about those).
int FailureNumberFromError(std::uint32_t error);

// The system's text for a Win32 error ("Access is denied."), in UTF-8, without the line end.
std::string ErrorText(std::uint32_t error);

// A failure whose description is the system's text for `error`.
Failure FailureFromError(std::uint32_t error);

// A failure of a list-file operation: "cannot <action> list file '<path>': <system text>",
// marked as coming from a list file.
Failure ListFileFailure(std::uint32_t error, std::string_view action, const std::string& path);

}  // namespace dirscribe::platform::win32
