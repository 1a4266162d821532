// SPDX-License-Identifier: MIT
// Temporary folder trees for tests on POSIX systems.
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <system_error>

#include "platform/linux/PathTools.h"
#include "support/TempTree.h"
#include "support/Unprivileged.h"

namespace fs = std::filesystem;

namespace dirscribe::test {

TempDir::TempDir() {
    std::string tmpl = (fs::temp_directory_path() / "dirscribe-test-XXXXXX").string();
    if (mkdtemp(tmpl.data()) == nullptr) throw std::system_error(errno, std::generic_category());
    path_ = tmpl;
    // Let an unprivileged child of RunUnprivileged in.
    chmod(path_.c_str(), 0755);
}

TempDir::~TempDir() {
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(
             path_, fs::directory_options::skip_permission_denied, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_directory(ec) && !it->is_symlink(ec)) chmod(it->path().c_str(), 0755);
    }
    // A second pass catches folders that were unreadable during the first.
    chmod(path_.c_str(), 0755);
    for (auto& p : fs::recursive_directory_iterator(path_, ec)) {
        if (p.is_directory(ec) && !p.is_symlink(ec)) chmod(p.path().c_str(), 0755);
    }
    fs::remove_all(path_, ec);
}

std::int64_t LocalTime(int year, int month, int day, int hour, int minute, int second) {
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    tm.tm_isdst = -1;
    return static_cast<std::int64_t>(mktime(&tm));
}

void MakeFile(const fs::path& path, std::int64_t size, std::int64_t mtime) {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) throw std::system_error(errno, std::generic_category(), path.string());
    if (size > 0 && ftruncate(fd, size) != 0) {
        int err = errno;
        close(fd);
        throw std::system_error(err, std::generic_category(), path.string());
    }
    close(fd);
    SetMtime(path, mtime);
}

void SetMtime(const fs::path& path, std::int64_t mtime) {
    struct timespec times[2];
    times[0].tv_sec = mtime;
    times[0].tv_nsec = 0;
    times[1] = times[0];
    if (utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0)
        throw std::system_error(errno, std::generic_category(), path.string());
}

int RunUnprivileged(int (*fn)(void*), void* arg) {
    pid_t pid = fork();
    if (pid < 0) throw std::system_error(errno, std::generic_category(), "fork");
    if (pid == 0) {
        if (geteuid() == 0) {
            // 65534 is "nobody" on Debian.
            if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0) _exit(120);
        }
        _exit(fn(arg));
    }
    int status = 0;
    if (platform::linuxos::RetryOnInterrupt([&] { return waitpid(pid, &status, 0); }) < 0)
        throw std::system_error(errno, std::generic_category(), "waitpid");
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace dirscribe::test
