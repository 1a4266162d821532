// SPDX-License-Identifier: MIT
// ListFileChecks: which files may be list files, and who holds one locked.
#pragma once

#include <sys/stat.h>

#include <string>

namespace dirscribe::platform::linuxos {

// Throws a list-file Failure naming the file when `st` is not a kind of file a list may go
// to: a regular file, a terminal, the null device, or the process's standard output. `fd` is
// the open descriptor (-1 before opening: a terminal is then let through to be looked at
// once open).
void CheckListFileKind(const struct stat& st, int fd, const std::string& path);

// " (process N)" for the process that holds the flock lock on the file of `st`, as the system
// lists it; empty when it cannot be told.
std::string LockHolderText(const struct stat& st);

}  // namespace dirscribe::platform::linuxos
