// OutputFilePosix: list files as plain descriptors.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

#include "platform/OutputFile.h"
#include "platform/linux/Errors.h"
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
    const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (mode == Mode::Write ? O_TRUNC : O_APPEND);
    const int fd = RetryOnInterrupt([&] { return open(path.c_str(), flags, 0666); });
    if (fd < 0) throw ListFileFailure(errno, "open", path);
    return Adopt(fd, true, path);
}

void OutputFile::Write(std::string& buffer) {
    if (!IsOpen()) throw ListFileFailure(EBADF, "write", path_);
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
    const int fd = std::exchange(handle_, kNoHandle);
    if (!ownsHandle_) return;
    // close is not repeated after EINTR: Linux has released the descriptor either way.
    if (close(fd) != 0 && errno != EINTR) throw ListFileFailure(errno, "close", path_);
}

void AppendListText(std::string_view text, std::string& out) {
    out.append(text);
}

}  // namespace dirscribe::platform
