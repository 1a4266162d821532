// SPDX-License-Identifier: MIT
// OutputFilePosix: list files as plain descriptors, locked with flock while a run writes them.
#include <fcntl.h>
#include <limits.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
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

void OutputFile::ReleaseAndRemove() noexcept {
    // Taken away while still locked, so no other run can have begun writing it.
    unlink(path_.c_str());
    close(handle_);
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
    // A new file is made only once it is known not to be there, so that a run that gives up
    // before its first byte can take it away again.
    bool created = false;
    int fd = RetryOnInterrupt([&] { return open(path.c_str(), flags & ~O_CREAT); });
    if (fd < 0 && errno == ENOENT) {
        fd = RetryOnInterrupt([&] { return open(path.c_str(), flags | O_EXCL, 0666); });
        created = fd >= 0;
        // A link to a file not there yet (O_EXCL never follows one), or a file made meanwhile.
        if (fd < 0 && errno == EEXIST)
            fd = RetryOnInterrupt([&] { return open(path.c_str(), flags, 0666); });
    }
    if (fd < 0 && errno == ENXIO) {
        throw Failure(FailureNo::PathFileAccess,
                      "cannot open list file '" + path + "': it is a pipe without a reader", true);
    }
    if (fd < 0) throw ListFileFailure(errno, "open", path);
    OutputFile file = Adopt(fd, true, path);
    file.created_ = created;
    if (fstat(fd, &st) != 0) throw ListFileFailure(errno, "open", path);
    linuxos::CheckListFileKind(st, fd, path);
    if (S_ISREG(st.st_mode)) {
        if (RetryOnInterrupt([&] { return flock(fd, LOCK_EX | LOCK_NB); }) != 0) {
            if (errno != EWOULDBLOCK) throw ListFileFailure(errno, "lock", path);
            std::string holder;
            const char* text = linuxos::LockHolderText(st, holder);
            throw Failure(FailureNo::FileAlreadyOpen,
                          "cannot open list file '" + path + "': " +
                              (text != nullptr ? "another run is writing it" + std::string(text)
                                               : std::string("it is open already in this run")),
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
        const ssize_t wrote = RetryOnInterrupt(
            [&] { return write(handle_, buffer.data() + done, buffer.size() - done); });
        if (wrote > 0) {
            wroteAny_ = true;
            NoteWritten(std::string_view(buffer.data() + done, static_cast<std::size_t>(wrote)));
            done += static_cast<std::size_t>(wrote);
            continue;
        }
        // A write that takes nothing and reports nothing would loop for ever.
        const int err = wrote < 0 ? errno : EIO;
        buffer.erase(0, done);
        throw ListFileFailure(err, "write", path_);
    }
    buffer.clear();
}

void OutputFile::CutToLastLine() noexcept {
    if (!IsOpen() || partialLine_ == 0) return;
    struct stat st {};
    if (fstat(handle_, &st) != 0 || !S_ISREG(st.st_mode)) return;
    // Where this descriptor wrote last (the end, when appending).
    const off_t end = lseek(handle_, 0, SEEK_CUR);
    if (end < 0 || static_cast<std::uint64_t>(end) < partialLine_) return;
    const off_t cut = end - static_cast<off_t>(partialLine_);
    if (RetryOnInterrupt([&] { return ftruncate(handle_, cut); }) != 0) return;
    lseek(handle_, cut, SEEK_SET);
    partialLine_ = 0;
}

void OutputFile::WriteAtTheEnd(Handle handle, const char* data, std::size_t size) noexcept {
    struct stat st {};
    const bool regular = fstat(handle, &st) == 0 && S_ISREG(st.st_mode);
    while (size > 0) {
        std::size_t piece = size;
        if (!regular) {
            // A pipe or terminal may be what the program waits on: only what it takes at once,
            // in pieces it takes whole, each ending with a line.
            pollfd ready{handle, POLLOUT, 0};
            if (poll(&ready, 1, 0) != 1 || (ready.revents & POLLOUT) == 0) return;
            piece = std::min<std::size_t>(size, PIPE_BUF);
            if (piece < size) {
                while (piece > 0 && data[piece - 1] != '\n') --piece;
                if (piece == 0) return;
            }
        }
        const ssize_t wrote = write(handle, data, piece);
        // Not RetryOnInterrupt: a pipe is polled again before the next try, as nothing here may
        // wait on it.
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) return;
        data += wrote;
        size -= static_cast<std::size_t>(wrote);
    }
}

void OutputFile::Close() {
    if (!IsOpen()) return;
    ForgetWaiting();
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
