// Named builders of what only POSIX trees hold: symbolic links, link loops and folders an
// ordinary user may not read. Each throws when it cannot make what it names.
#pragma once

#include <filesystem>

namespace dirscribe::test {

// A symbolic link at `link` to `target` (a file or a folder; relative to the link's folder).
void MakeLink(const std::filesystem::path& link, const std::filesystem::path& target);
// A symbolic link to a name that is not there.
void MakeBrokenLink(const std::filesystem::path& link);
// Two symbolic links in one folder that point at each other: neither leads anywhere.
void MakeLinkLoop(const std::filesystem::path& a, const std::filesystem::path& b);
// A symbolic link to the folder it lies in: a walk that followed it would never end.
void MakeLinkToOwnFolder(const std::filesystem::path& link);
// Makes `folder` (if it is not there yet) and takes every permission away from it, so that an
// ordinary user (see RunUnprivileged) can neither list nor enter it. TempDir removes it.
void MakeUnreadableFolder(const std::filesystem::path& folder);

}  // namespace dirscribe::test
