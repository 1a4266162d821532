// SPDX-License-Identifier: MIT
// ListFileChecks: the kinds of files a list may go to, lock holders from /proc/locks, and two
// names of one list file.
#include "platform/linux/ListFileChecks.h"

#include <sys/sysmacros.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "base/Failure.h"
#include "platform/OutputFile.h"

namespace dirscribe::platform {

namespace linuxos {

namespace {

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

const char* KindName(mode_t mode) {
    if (S_ISFIFO(mode)) return "a pipe";
    if (S_ISSOCK(mode)) return "a socket";
    if (S_ISDIR(mode)) return "a folder";
    return "a device";
}

}  // namespace

void CheckListFileKind(const struct stat& st, int fd, const std::string& path) {
    if (S_ISREG(st.st_mode)) return;
    // Standard output may be anything the caller made it (a pipe among them).
    struct stat out {};
    if (fstat(STDOUT_FILENO, &out) == 0 && SameFile(st, out)) return;
    if (S_ISCHR(st.st_mode)) {
        struct stat null {};
        if (stat("/dev/null", &null) == 0 && S_ISCHR(null.st_mode) && null.st_rdev == st.st_rdev)
            return;
        if (fd < 0 || isatty(fd)) return;
    }
    // A folder is left to open() to refuse with the system's own words; a pipe is opened
    // without waiting, which fails at once when nobody reads it.
    if ((S_ISDIR(st.st_mode) || S_ISFIFO(st.st_mode)) && fd < 0) return;
    if (S_ISFIFO(st.st_mode)) return;  // open: it has a reader (a process substitution)
    throw Failure(FailureNo::PathFileAccess,
                  "cannot open list file '" + path + "': it is " + KindName(st.st_mode) +
                      ", not a regular file",
                  true);
}

const char* LockHolderText(const struct stat& st, std::string& text) {
    text.clear();
    const std::string self = std::to_string(getpid());
    bool selfHolds = false;
    // Lines such as "1: FLOCK  ADVISORY  WRITE 4242 08:01:1234 0 EOF".
    std::ifstream locks("/proc/locks");
    std::string line;
    while (std::getline(locks, line)) {
        std::istringstream fields(line);
        std::string number, type, advisory, access, pid, where;
        if (!(fields >> number >> type >> advisory >> access >> pid >> where)) continue;
        if (type != "FLOCK" || access != "WRITE") continue;
        const auto colon1 = where.find(':');
        const auto colon2 = where.find(':', colon1 + 1);
        if (colon1 == std::string::npos || colon2 == std::string::npos) continue;
        const auto maj = std::strtoul(where.substr(0, colon1).c_str(), nullptr, 16);
        const auto min =
            std::strtoul(where.substr(colon1 + 1, colon2 - colon1 - 1).c_str(), nullptr, 16);
        const auto inode = std::strtoull(where.substr(colon2 + 1).c_str(), nullptr, 10);
        if (maj != major(st.st_dev) || min != minor(st.st_dev) || inode != st.st_ino) continue;
        if (pid == self) {
            selfHolds = true;
            continue;
        }
        text = " (process " + pid + ")";
        return text.c_str();
    }
    return selfHolds ? nullptr : text.c_str();
}

}  // namespace linuxos

bool SameListFile(const std::string& first, const std::string& second) {
    struct stat a {};
    struct stat b {};
    const bool hasA = stat(first.c_str(), &a) == 0;
    const bool hasB = stat(second.c_str(), &b) == 0;
    if (hasA || hasB) return hasA && hasB && linuxos::SameFile(a, b);
    // Neither is there yet: one place if the folders are one and the names equal.
    auto split = [](const std::string& path) {
        const auto slash = path.find_last_of('/');
        if (slash == std::string::npos) return std::pair<std::string, std::string>(".", path);
        return std::pair<std::string, std::string>(path.substr(0, slash + 1),
                                                   path.substr(slash + 1));
    };
    const auto [folderA, nameA] = split(first);
    const auto [folderB, nameB] = split(second);
    return nameA == nameB && stat(folderA.c_str(), &a) == 0 && stat(folderB.c_str(), &b) == 0 &&
           linuxos::SameFile(a, b);
}

}  // namespace dirscribe::platform
