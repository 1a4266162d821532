// SPDX-License-Identifier: MIT
// PathTools: stat, realpath and getcwd with their results as strings.
#include "platform/linux/PathTools.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace dirscribe::platform::linuxos {

bool IsBlockDevice(const std::string& path) {
    struct stat st {};
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISBLK(st.st_mode);
}

bool IsFolderPath(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string RealPathOr(const std::string& path, const std::string& otherwise) {
    std::unique_ptr<char, decltype(&free)> resolved(realpath(path.c_str(), nullptr), &free);
    return resolved ? std::string(resolved.get()) : otherwise;
}

std::string CurrentFolder() {
    std::unique_ptr<char, decltype(&free)> cwd(getcwd(nullptr, 0), &free);
    return cwd ? std::string(cwd.get()) : std::string();
}

}  // namespace dirscribe::platform::linuxos
