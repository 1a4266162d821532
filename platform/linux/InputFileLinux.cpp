// SPDX-License-Identifier: MIT
// InputFileLinux: list files read through plain descriptors, opened without blocking so that a
// pipe without a writer is refused rather than waited for.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/InputFile.h"
#include "platform/linux/Errors.h"
#include "platform/linux/PathTools.h"

namespace dirscribe::platform {

using linuxos::RetryOnInterrupt;

namespace {

Failure ReadFailure(int err, std::string_view action, const std::string& path) {
    return Failure(
        linuxos::FailureNumberFromErrno(err),
        "cannot " + std::string(action) + " list file '" + path + "': " + linuxos::ErrnoText(err));
}

const char* KindName(mode_t mode) {
    if (S_ISDIR(mode)) return "a folder";
    if (S_ISFIFO(mode)) return "a pipe";
    if (S_ISSOCK(mode)) return "a socket";
    return "a device";
}

FileIdentity IdentityOf(const struct stat& st) {
    return FileIdentity{static_cast<std::uint64_t>(st.st_dev),
                        static_cast<std::uint64_t>(st.st_ino)};
}

}  // namespace

void InputFile::Release(Handle handle) {
    close(handle);
}

InputFile InputFile::Open(const std::string& path) {
    InputFile file;
    file.path_ = path;
    struct stat st {};
    if (path == "-") {
        file.handle_ = STDIN_FILENO;
        file.open_ = true;
        if (fstat(STDIN_FILENO, &st) == 0 && S_ISREG(st.st_mode)) file.identity_ = IdentityOf(st);
        return file;
    }
    // O_NONBLOCK: opening a FIFO without a writer returns at once (and is refused below).
    const int fd = RetryOnInterrupt(
        [&] { return open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK); });
    if (fd < 0) throw ReadFailure(errno, "open", path);
    file.handle_ = fd;
    file.open_ = true;
    file.owns_ = true;
    if (fstat(fd, &st) != 0) throw ReadFailure(errno, "open", path);
    if (!S_ISREG(st.st_mode)) {
        throw Failure(FailureNo::PathFileAccess, "cannot read list file '" + path + "': it is " +
                                                     KindName(st.st_mode) + ", not a regular file");
    }
    file.identity_ = IdentityOf(st);
    return file;
}

std::size_t InputFile::Read(char* data, std::size_t size) {
    const ssize_t got = RetryOnInterrupt([&] { return read(handle_, data, size); });
    if (got < 0) throw ReadFailure(errno, "read", path_);
    return static_cast<std::size_t>(got);
}

std::optional<FileIdentity> StandardOutputFileIdentity() {
    struct stat st {};
    if (fstat(STDOUT_FILENO, &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    return IdentityOf(st);
}

}  // namespace dirscribe::platform
