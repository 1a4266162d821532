// SPDX-License-Identifier: MIT
// InputFile: a list file open for reading, as the catalogue search reads lists.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "base/Failure.h"
#include "platform/OutputFile.h"

namespace dirscribe::platform {

// A list file open for reading. Not copyable; the destructor closes it.
class InputFile {
  public:
    InputFile() = default;
    ~InputFile();
    InputFile(InputFile&& other) noexcept;
    InputFile& operator=(InputFile&& other) noexcept;
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // Opens `path` for reading; "-" is standard input, read whatever it is. Anything else but
    // a regular file (a folder, a device, a pipe that may never get a writer) is refused at
    // once, without waiting. Throws Failure with a description naming the file.
    static InputFile Open(const std::string& path);

    // Reads at most `size` bytes into `data`; 0 at the end of the file. Throws Failure.
    std::size_t Read(char* data, std::size_t size);

    const std::string& Path() const { return path_; }
    // The file's identity (empty for standard input that is not a file).
    std::optional<FileIdentity> Identity() const { return identity_; }

  private:
#ifdef _WIN32
    using Handle = void*;
#else
    using Handle = int;
#endif
    // Each system's own: closes a handle without reporting.
    static void Release(Handle handle);
    Handle handle_{};
    bool open_ = false;
    bool owns_ = false;
    std::string path_;
    std::optional<FileIdentity> identity_;
};

// The identity of what standard output writes to, when that is a regular file (so that
// output is not written into a list being read).
std::optional<FileIdentity> StandardOutputFileIdentity();

}  // namespace dirscribe::platform
