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
std::string ReplaceAll(std::string text, const std::string& from, const std::string& to);

// The text of the expected list `name` with `start` put in for {START}, `driveLess` for
// {DRIVELESS} and `sep` for {SEP}.
std::string ExpectedList(const std::string& name, const std::string& start,
                         const std::string& driveLess, const std::string& sep = kSep);

}  // namespace dirscribe::test
