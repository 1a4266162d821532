// SPDX-License-Identifier: MIT
// Expected lists: the lists of tests/engine/expected, in which the places that depend on where
// the tree lies are written {START}, {DRIVELESS} and {SEP}.
#pragma once

#include <filesystem>
#include <string>

#include "support/TempTree.h"

namespace dirscribe::test {

// The file of an expected list, by its name.
inline std::filesystem::path ExpectedListFile(const std::string& name) {
    return std::filesystem::path(DIRSCRIBE_EXPECTED_DIR) / name;
}

// `text` with every `from` replaced by `to`.
inline std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
    for (auto at = text.find(from); !from.empty() && at != std::string::npos;
         at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

// The text of the expected list `name` with `start` put in for {START}, `driveLess` for
// {DRIVELESS} and `sep` for {SEP}.
inline std::string ExpectedList(const std::string& name, const std::string& start,
                                const std::string& driveLess, const std::string& sep = kSep) {
    const std::string text = ReadFile(ExpectedListFile(name));
    return ReplaceAll(ReplaceAll(ReplaceAll(text, "{START}", start), "{DRIVELESS}", driveLess),
                      "{SEP}", sep);
}

}  // namespace dirscribe::test
