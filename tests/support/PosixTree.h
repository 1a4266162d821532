// SPDX-License-Identifier: MIT
// Named builders of what only POSIX trees hold: symbolic links, link loops and folders an
// ordinary user may not read. Each throws when it cannot make what it names.
#pragma once

#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

#include "support/TempTree.h"

namespace dirscribe::test {

// A symbolic link at `link` to `target` (a file or a folder; relative to the link's folder).
inline void MakeLink(const std::filesystem::path& link, const std::filesystem::path& target) {
    std::filesystem::create_symlink(target, link);
}
// A symbolic link to a name that is not there.
inline void MakeBrokenLink(const std::filesystem::path& link) {
    std::filesystem::create_symlink("nowhere", link);
}
// Two symbolic links in one folder that point at each other: neither leads anywhere.
inline void MakeLinkLoop(const std::filesystem::path& a, const std::filesystem::path& b) {
    std::filesystem::create_symlink(b.filename(), a);
    std::filesystem::create_symlink(a.filename(), b);
}
// A symbolic link to the folder it lies in: a walk that followed it would never end.
inline void MakeLinkToOwnFolder(const std::filesystem::path& link) {
    std::filesystem::create_symlink(".", link);
}
// Makes `folder` (if it is not there yet) and takes every permission away from it, so that an
// ordinary user (see RunUnprivileged) can neither list nor enter it. TempDir removes it.
inline void MakeUnreadableFolder(const std::filesystem::path& folder) {
    MakeDir(folder);
    if (chmod(folder.c_str(), 0) != 0)
        throw std::system_error(errno, std::generic_category(), folder.string());
}

}  // namespace dirscribe::test
