// SPDX-License-Identifier: MIT
// FileSystemPosix: the Linux file system, with a choice of how many threads read ahead.
#pragma once

#include <memory>

#include "platform/FileSystem.h"

namespace dirscribe::platform::linuxos {

// The file system read with `readThreads` helper threads ahead of the walker (0: the walker
// reads everything itself; -1: as many as suit the volume being listed).
std::unique_ptr<FileSystem> MakeFileSystem(int readThreads);

}  // namespace dirscribe::platform::linuxos
