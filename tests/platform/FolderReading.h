// SPDX-License-Identifier: MIT
// Helpers of the file-system tests: reading a folder's listings into plain texts.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "base/Failure.h"
#include "platform/FileSystem.h"

namespace dirscribe::test {

using platform::Entry;
using platform::FileSystem;
using platform::Folder;

// Begins a walk at `path` and opens it as the start folder.
inline std::unique_ptr<Folder> OpenTop(FileSystem& fileSystem, const std::string& path) {
    fileSystem.BeginWalk(path);
    return fileSystem.OpenFolder(path);
}

// The names the first pass gives, joined by "|".
inline std::string AllNames(Folder& folder) {
    std::string names;
    folder.BeginAll();
    for (Entry entry; folder.NextAll(entry);)
        names.append(names.empty() ? "" : "|").append(entry.name);
    return names;
}

// The names the second pass gives for `mask`, joined by "|".
inline std::string FileNames(Folder& folder, std::string_view mask) {
    std::string names;
    folder.BeginFiles(mask);
    for (Entry entry; folder.NextFile(entry);)
        names.append(names.empty() ? "" : "|").append(entry.name);
    return names;
}

// The number of the failure `action` throws, or 0.
inline int FailureNumberOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const Failure& failure) {
        return failure.Number();
    }
    return 0;
}

}  // namespace dirscribe::test
