// OutputFile: one list file open for writing or appending.
#pragma once

#include <cstdint>
#include <string>

#include "base/Failure.h"

namespace dirscribe::platform {

// Tells whether two open files are the same file, whatever path reached them.
struct FileIdentity {
    std::uint64_t volume = 0;
    std::uint64_t file = 0;
    bool operator==(const FileIdentity&) const = default;
};

// An open list file. Not copyable; the destructor closes without reporting. Failures carry
// FromListFile() and a description naming the file.
class OutputFile {
  public:
    enum class Mode { Write, Append };

    OutputFile() = default;
    ~OutputFile();
    OutputFile(OutputFile&& other) noexcept;
    OutputFile& operator=(OutputFile&& other) noexcept;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Opens `path`: Write creates it or empties it, Append creates it or writes at its end.
    static OutputFile Open(const std::string& path, Mode mode);
    // The process's standard output (never closed by Close).
    static OutputFile StandardOutput();

    bool IsOpen() const { return handle_ != kNoHandle; }
    const std::string& Path() const { return path_; }
    FileIdentity Identity() const { return identity_; }

    // Writes the whole buffer and empties it. On failure what was written is removed from the
    // buffer, the rest stays, and Failure is thrown.
    void Write(std::string& buffer);
    // Closes the file, reporting a failure of the close.
    void Close();

  private:
#ifdef _WIN32
    using Handle = void*;
    static inline Handle const kNoHandle = reinterpret_cast<void*>(static_cast<intptr_t>(-1));
#else
    using Handle = int;
    static constexpr Handle kNoHandle = -1;
#endif
    // A file object for a handle already open (kNoHandle gives one that is not open).
    static OutputFile Adopt(Handle handle, bool owns, std::string path);
    // Each system's own: closing without reporting, the identity of an open handle, and the
    // handle of standard output.
    static void Release(Handle handle);
    static FileIdentity IdentityOf(Handle handle);
    static Handle StandardOutputHandle();

    Handle handle_ = kNoHandle;
    bool ownsHandle_ = true;
    std::string path_;
    FileIdentity identity_;
};

// Converts a line from the program's text (UTF-8) into the bytes a list file holds, appending
// to `out` (on Windows the ANSI code page; elsewhere the bytes as they are).
void AppendListText(std::string_view text, std::string& out);

}  // namespace dirscribe::platform
