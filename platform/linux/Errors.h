// SPDX-License-Identifier: MIT
// Errors: how the POSIX layer turns errno values into the program's numbered failures.
#pragma once

#include <cerrno>
#include <string>
#include <string_view>

#include "base/Failure.h"

namespace dirscribe::platform::linuxos {

// Not a value of the system's: the walk's own, for a folder that, when opened, was no longer
// the folder its parent's listing found there (replaced in between, say by a link). Reported
// as not found, with a text of its own.
inline constexpr int kFolderReplaced = -1;

// The failure number the walker and the run know an errno value by:
// ENOENT, ENOTDIR -> 53; EACCES, EPERM, EBUSY, ELOOP, EROFS, ETXTBSY, EISDIR -> 75;
// ENAMETOOLONG, EILSEQ, EINVAL -> 52; ENOSPC, EDQUOT, EFBIG -> 61; ENOMEDIUM, ENXIO, ENODEV -> 71;
// EIO and everything else -> 57 (the walker asks the user about those).
int FailureNumberFromErrno(int err);

// The system's text for an errno value ("Permission denied").
std::string ErrnoText(int err);

// A failure whose description is the system's text for `err`.
Failure FailureFromErrno(int err);

// A failure whose description is `context` + ": " + the system's text for `err`.
Failure FailureFromErrno(int err, std::string_view context);

// A failure of a list-file operation: "cannot <action> list file '<path>': <system text>",
// marked as coming from a list file.
Failure ListFileFailure(int err, std::string_view action, const std::string& path);

}  // namespace dirscribe::platform::linuxos
