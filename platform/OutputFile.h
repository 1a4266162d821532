// SPDX-License-Identifier: MIT
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
    // A regular file is locked for as long as it is open, so that one run at a time writes
    // it; a file another run holds is refused at once. Anything but a regular file, a
    // terminal, the null device or the process's own standard output is refused without
    // waiting (a pipe without a reader). A file opened for writing is emptied only when the
    // first bytes are written or at Close: a run that gives up before leaves it as it was.
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

    // Empties the file if that is still to be done (Write mode, see Open).
    void EmptyIfPending();

    Handle handle_ = kNoHandle;
    bool ownsHandle_ = true;
    bool emptyPending_ = false;
    std::string path_;
    FileIdentity identity_;
};

// True when two list-file names reach one file; for files not there yet, when they name one
// place (the same folder and the same name). Never throws: what cannot be looked at is not
// the same.
bool SameListFile(const std::string& first, const std::string& second);

// Converts a line from the program's text (UTF-8) into the bytes a list file holds, appending
// to `out` (on Windows the ANSI code page; elsewhere the bytes as they are).
void AppendListText(std::string_view text, std::string& out);

}  // namespace dirscribe::platform
