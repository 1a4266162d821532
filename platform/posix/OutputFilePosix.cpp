// OutputFilePosix: list files as plain descriptors.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

#include "platform/OutputFile.h"
#include "platform/posix/Errors.h"

namespace dirscribe::platform {

using posix::ListFileFailure;
using posix::RetryOnInterrupt;

namespace {

constexpr const char* kStandardOutputName = "standard output";

FileIdentity IdentityOf(int fd) {
    struct stat st {};
    if (fstat(fd, &st) != 0) return {};
    return FileIdentity{static_cast<std::uint64_t>(st.st_dev),
                        static_cast<std::uint64_t>(st.st_ino)};
}

}  // namespace

OutputFile::~OutputFile() {
    if (IsOpen() && ownsHandle_) close(handle_);
}

OutputFile::OutputFile(OutputFile&& other) noexcept
    : handle_(std::exchange(other.handle_, kNoHandle)),
      ownsHandle_(other.ownsHandle_),
      path_(std::move(other.path_)),
      identity_(other.identity_) {}

OutputFile& OutputFile::operator=(OutputFile&& other) noexcept {
    if (this != &other) {
        if (IsOpen() && ownsHandle_) close(handle_);
        handle_ = std::exchange(other.handle_, kNoHandle);
        ownsHandle_ = other.ownsHandle_;
        path_ = std::move(other.path_);
        identity_ = other.identity_;
    }
    return *this;
}

OutputFile OutputFile::Open(const std::string& path, Mode mode) {
    const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (mode == Mode::Write ? O_TRUNC : O_APPEND);
    const int fd = RetryOnInterrupt([&] { return open(path.c_str(), flags, 0666); });
    if (fd < 0) throw ListFileFailure(errno, "open", path);
    OutputFile file;
    file.handle_ = fd;
    file.ownsHandle_ = true;
    file.path_ = path;
    file.identity_ = IdentityOf(fd);
    return file;
}

OutputFile OutputFile::StandardOutput() {
    OutputFile file;
    file.handle_ = STDOUT_FILENO;
    file.ownsHandle_ = false;
    file.path_ = kStandardOutputName;
    file.identity_ = IdentityOf(STDOUT_FILENO);
    return file;
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
