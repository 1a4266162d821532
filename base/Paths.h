// SPDX-License-Identifier: MIT
// Paths: questions about path texts alone, the same for every layer and system.
#pragma once

#include <string_view>

namespace dirscribe {

// True when `path` is `root` or lies below it, both written with `separator`. An empty root
// holds nothing; a root that ends in the separator ("/", "C:\") holds what begins with it.
inline bool IsUnder(std::string_view path, std::string_view root, char separator = '/') {
    if (root.empty()) return false;
    if (root.size() > 1 && root.back() == separator && path == root.substr(0, root.size() - 1))
        return true;  // "C:" lies in "C:\"
    if (path.substr(0, root.size()) != root) return false;
    return path.size() == root.size() || root.back() == separator || path[root.size()] == separator;
}

}  // namespace dirscribe
