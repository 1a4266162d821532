// SPDX-License-Identifier: MIT
// FileSystemWin32: how the Windows layer reads an entry's attributes, apart from reading them.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/FileSystem.h"

namespace dirscribe::platform::win32 {

// Whether the listings return an entry with these attributes: hidden and system entries are
// never returned.
bool IsListed(std::uint32_t attributes);

// What the listing tells of an entry: a reparse point that stands for another name (a junction,
// a symbolic link, a volume mount point) is a link; other reparse points, such as the
// placeholders of cloud storage, are what their attributes say.
EntryKind EntryKindOf(std::uint32_t attributes, std::uint32_t reparseTag);

// What the first pass makes of an entry. A folder link is never walked; a junction that is the
// mount point of another volume is listed but not entered (`isVolumeMountPoint` is asked only
// for junctions).
SubFolderKind SubFolderKindOf(std::uint32_t attributes, std::uint32_t reparseTag,
                              const std::function<bool()>& isVolumeMountPoint);

// The heading texts of a start folder (ending in "\"): the drive-less path is the path
// without its first two characters, the folder name its last component ("C:\" gives "\" and
// "C:").
FolderTexts TextsOfStartFolder(const std::string& startPath);

}  // namespace dirscribe::platform::win32
