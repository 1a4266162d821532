// SPDX-License-Identifier: MIT
// OutputFile: what list files do alike on every system; the handles themselves are each
// system's (OutputFilePosix.cpp, OutputFileWin32.cpp).
#include "platform/OutputFile.h"

#include <utility>

namespace dirscribe::platform {

OutputFile::~OutputFile() {
    if (IsOpen() && ownsHandle_) Release(handle_);
}

OutputFile::OutputFile(OutputFile&& other) noexcept
    : handle_(std::exchange(other.handle_, kNoHandle)),
      ownsHandle_(other.ownsHandle_),
      emptyPending_(std::exchange(other.emptyPending_, false)),
      path_(std::move(other.path_)),
      identity_(other.identity_) {}

OutputFile& OutputFile::operator=(OutputFile&& other) noexcept {
    if (this != &other) {
        if (IsOpen() && ownsHandle_) Release(handle_);
        handle_ = std::exchange(other.handle_, kNoHandle);
        ownsHandle_ = other.ownsHandle_;
        emptyPending_ = std::exchange(other.emptyPending_, false);
        path_ = std::move(other.path_);
        identity_ = other.identity_;
    }
    return *this;
}

OutputFile OutputFile::Adopt(Handle handle, bool owns, std::string path) {
    OutputFile file;
    file.handle_ = handle;
    file.ownsHandle_ = owns;
    file.path_ = std::move(path);
    if (file.IsOpen()) file.identity_ = IdentityOf(handle);
    return file;
}

OutputFile OutputFile::StandardOutput() {
    return Adopt(StandardOutputHandle(), false, "standard output");
}

}  // namespace dirscribe::platform
