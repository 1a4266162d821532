// SPDX-License-Identifier: MIT
// Chains of nested folders deeper than a path may be long, for tests of very deep trees.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <stdexcept>
#include <string>

namespace dirscribe::test {

// Makes `depth` nested folders named `name` below `top` (each made relative to the one above,
// as the whole path may be far longer than PATH_MAX) with a file "deep.txt" of 7 bytes at the
// bottom. Throws when the system refuses.
inline void MakeDeepChain(const std::filesystem::path& top, const std::string& name, int depth) {
    int fd = open(top.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (int i = 0; fd >= 0 && i < depth; ++i) {
        const int next = mkdirat(fd, name.c_str(), 0755) == 0
                             ? openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)
                             : -1;
        close(fd);
        fd = next;
    }
    const int file = fd >= 0 ? openat(fd, "deep.txt", O_WRONLY | O_CREAT | O_CLOEXEC, 0644) : -1;
    const bool written = file >= 0 && write(file, "content", 7) == 7;
    if (file >= 0) close(file);
    if (fd >= 0) close(fd);
    if (!written) throw std::runtime_error("cannot make a chain of folders in " + top.string());
}

// Removes a chain MakeDeepChain made when the test ends, however it ends: the library's
// remove_all cannot reach below PATH_MAX, and rm takes seconds for a deep chain. It goes
// down to the bottom, then up through "..", removing each folder from its parent.
struct DeepChainRemover {
    std::filesystem::path top;  // the folder the chain was made in
    std::string name;
    ~DeepChainRemover() {
        int fd = open(top.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        int levels = 0;
        for (int next = fd; next >= 0; ++levels) {
            next = openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (next < 0) break;
            close(fd);
            fd = next;
        }
        if (fd < 0) return;
        unlinkat(fd, "deep.txt", 0);
        for (; levels > 0; --levels) {
            const int parent = openat(fd, "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            close(fd);
            fd = parent;
            if (fd < 0 || unlinkat(fd, name.c_str(), AT_REMOVEDIR) != 0) break;
        }
        if (fd >= 0) close(fd);
    }
};

}  // namespace dirscribe::test
