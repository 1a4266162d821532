// SPDX-License-Identifier: MIT
// OutputFilePosix: list files as plain descriptors, locked with flock while a run writes them.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

#include "platform/OutputFile.h"
#include "platform/linux/Errors.h"
#include "platform/linux/ListFileChecks.h"
#include "platform/linux/PathTools.h"

namespace dirscribe::platform {

using linuxos::ListFileFailure;
using linuxos::RetryOnInterrupt;

FileIdentity OutputFile::IdentityOf(Handle handle) {
    struct stat st {};
    if (fstat(handle, &st) != 0) return {};
    return FileIdentity{static_cast<std::uint64_t>(st.st_dev),
                        static_cast<std::uint64_t>(st.st_ino)};
}

void OutputFile::Release(Handle handle) {
    close(handle);
}

OutputFile::Handle OutputFile::StandardOutputHandle() {
    return STDOUT_FILENO;
}

OutputFile OutputFile::Open(const std::string& path, Mode mode) {
    // A pipe is refused before it is opened; one that appears in its place in the meantime
    // cannot block the open either (O_NONBLOCK) and is refused once open. The file is not
    // emptied (no O_TRUNC) before it is known to be a regular file that no other run holds.
    struct stat st {};
    if (stat(path.c_str(), &st) == 0) linuxos::CheckListFileKind(st, -1, path);
    const int flags =
        O_WRONLY | O_CREAT | O_CLOEXEC | O_NONBLOCK | (mode == Mode::Append ? O_APPEND : 0);
    const int fd = RetryOnInterrupt([&] { return open(path.c_str(), flags, 0666); });
    if (fd < 0) throw ListFileFailure(errno, "open", path);
    OutputFile file = Adopt(fd, true, path);
    if (fstat(fd, &st) != 0) throw ListFileFailure(errno, "open", path);
    linuxos::CheckListFileKind(st, fd, path);
    if (S_ISREG(st.st_mode)) {
        if (RetryOnInterrupt([&] { return flock(fd, LOCK_EX | LOCK_NB); }) != 0) {
            if (errno != EWOULDBLOCK) throw ListFileFailure(errno, "lock", path);
            throw Failure(FailureNo::FileAlreadyOpen,
                          "cannot open list file '" + path + "': another run is writing it" +
                              linuxos::LockHolderText(st),
                          true);
        }
        file.emptyPending_ = mode == Mode::Write;
    }
    const int status = fcntl(fd, F_GETFL);
    if (status == -1 || fcntl(fd, F_SETFL, status & ~O_NONBLOCK) != 0)
        throw ListFileFailure(errno, "open", path);
    return file;
}

void OutputFile::EmptyIfPending() {
    if (!emptyPending_) return;
    if (RetryOnInterrupt([&] { return ftruncate(handle_, 0); }) != 0)
        throw ListFileFailure(errno, "empty", path_);
    emptyPending_ = false;
}

void OutputFile::Write(std::string& buffer) {
    if (!IsOpen()) throw ListFileFailure(EBADF, "write", path_);
    EmptyIfPending();
    std::size_t done = 0;
    while (done < buffer.size()) {
        const ssize_t wrote = write(handle_, buffer.data() + done, buffer.size() - done);
        if (wrote > 0) {
            done += static_cast<std::size_t>(wrote);
            continue;
        }
        if (wrote < 0 && errno == EINTR) continue;
        // A write that takes nothing and reports nothing would loop for ever.
        const int err = wrote < 0 ? errno : EIO;
        buffer.erase(0, done);
        throw ListFileFailure(err, "write", path_);
    }
    buffer.clear();
}

void OutputFile::Close() {
    if (!IsOpen()) return;
    EmptyIfPending();  // a new list without a line
    const int fd = std::exchange(handle_, kNoHandle);
    if (!ownsHandle_) return;
    // close is not repeated after EINTR: Linux has released the descriptor either way.
    if (close(fd) != 0 && errno != EINTR) throw ListFileFailure(errno, "close", path_);
}

void AppendListText(std::string_view text, std::string& out) {
    out.append(text);
}

}  // namespace dirscribe::platform
