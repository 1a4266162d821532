// Links, link loops and unreadable folders for the tests.
#include <sys/stat.h>

#include <cerrno>
#include <system_error>

#include "support/PosixTree.h"
#include "support/TempTree.h"

namespace fs = std::filesystem;

namespace dirscribe::test {

void MakeLink(const fs::path& link, const fs::path& target) {
    fs::create_symlink(target, link);
}

void MakeBrokenLink(const fs::path& link) {
    fs::create_symlink("nowhere", link);
}

void MakeLinkLoop(const fs::path& a, const fs::path& b) {
    fs::create_symlink(b.filename(), a);
    fs::create_symlink(a.filename(), b);
}

void MakeLinkToOwnFolder(const fs::path& link) {
    fs::create_symlink(".", link);
}

void MakeUnreadableFolder(const fs::path& folder) {
    MakeDir(folder);
    if (chmod(folder.c_str(), 0) != 0)
        throw std::system_error(errno, std::generic_category(), folder.string());
}

}  // namespace dirscribe::test
