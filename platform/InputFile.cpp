// SPDX-License-Identifier: MIT
// InputFile: what the list files read on every system share: their ownership of the handle.
#include "platform/InputFile.h"

#include <utility>

namespace dirscribe::platform {

InputFile::~InputFile() {
    if (open_ && owns_) Release(handle_);
}

InputFile::InputFile(InputFile&& other) noexcept
    : handle_(other.handle_),
      open_(std::exchange(other.open_, false)),
      owns_(other.owns_),
      path_(std::move(other.path_)),
      identity_(other.identity_) {}

InputFile& InputFile::operator=(InputFile&& other) noexcept {
    if (this != &other) {
        if (open_ && owns_) Release(handle_);
        handle_ = other.handle_;
        open_ = std::exchange(other.open_, false);
        owns_ = other.owns_;
        path_ = std::move(other.path_);
        identity_ = other.identity_;
    }
    return *this;
}

}  // namespace dirscribe::platform
