// SPDX-License-Identifier: MIT
// PathTools: the small file and path calls the Linux layer, the drive list and the tray
// control share.
#pragma once

#include <dirent.h>

#include <cerrno>
#include <memory>
#include <string>

namespace dirscribe::platform::linuxos {

// Calls `call` again while it fails with EINTR; returns its last result.
template <class Call>
auto RetryOnInterrupt(Call&& call) {
    for (;;) {
        auto result = call();
        if (!(result == -1 && errno == EINTR)) return result;
    }
}

// True when `path` names a block device (links followed).
bool IsBlockDevice(const std::string& path);

// True when `path` names a folder (links followed); false also when it cannot be looked at.
bool IsFolderPath(const std::string& path);

// `path` with every link and "." or ".." resolved; `otherwise` when it cannot be resolved.
std::string RealPathOr(const std::string& path, const std::string& otherwise);
inline std::string RealPath(const std::string& path) {
    return RealPathOr(path, path);
}

// The current folder; empty when the process has none (it was removed, or is out of reach).
std::string CurrentFolder();

// A folder stream from opendir, closed when it goes.
struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};
using DirStream = std::unique_ptr<DIR, DirCloser>;

}  // namespace dirscribe::platform::linuxos
