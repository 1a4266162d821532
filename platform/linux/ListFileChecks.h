// SPDX-License-Identifier: MIT
// ListFileChecks: which files may be list files, and who holds one locked.
#pragma once

#include <sys/stat.h>

#include <string>

namespace dirscribe::platform::linuxos {

// Throws a list-file Failure naming the file when `st` is not a kind of file a list may go
// to: a regular file, a terminal, the null device, a pipe with a reader, or the process's
// standard output. `fd` is the open descriptor (-1 before opening: a terminal or a pipe is
// then let through, to be opened without waiting and looked at once open).
void CheckListFileKind(const struct stat& st, int fd, const std::string& path);

// The end of the message for a list file another holder has locked: " (process N)" for
// another process that holds the flock lock on the file of `st`, as the system lists it;
// empty when it cannot be told. Null when the holder is this process itself (the file is
// open in it under another name).
const char* LockHolderText(const struct stat& st, std::string& text);

}  // namespace dirscribe::platform::linuxos
