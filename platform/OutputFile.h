// SPDX-License-Identifier: MIT
// OutputFile: one list file open for writing or appending.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

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
    // first bytes are written or at Close: a run that gives up before leaves it as it was (a
    // file that was not there is taken away again).
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
    // Makes the `size` bytes at `data` (whole lines not written yet) known as this file's, so
    // that WriteWaitingLines can still write them when the program is ended from a signal
    // handler. They must stay as they are until the next call, a Write or Close; 0: none.
    void ShowWaiting(const char* data, std::size_t size) noexcept;
    // Writes what every open list file showed as waiting (at most a pipe's worth to a pipe that
    // does not take it at once). Safe in a signal handler: for the last moment of a program
    // that ends while the walk is stuck on a device that does not answer.
    static void WriteWaitingLines() noexcept;

    // Takes back what Write put in a regular file after the last line end ("\n") it wrote:
    // the half line a full disk took. Bytes the file held before it was opened stay. Best
    // effort: a file that cannot be cut stays as it is.
    void CutToLastLine() noexcept;

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
    // Closes a file this object made and never wrote a byte to, and takes it away again.
    void ReleaseAndRemove() noexcept;
    static FileIdentity IdentityOf(Handle handle);
    static Handle StandardOutputHandle();
    // Writes bytes as WriteWaitingLines does, each system its own way.
    static void WriteAtTheEnd(Handle handle, const char* data, std::size_t size) noexcept;
    // Gives back this file's place among the files with lines waiting.
    void ForgetWaiting() noexcept;

    // Empties the file if that is still to be done (Write mode, see Open).
    void EmptyIfPending();
    // Counts bytes just written, for CutToLastLine.
    void NoteWritten(std::string_view bytes) {
        const std::size_t end = bytes.rfind('\n');
        partialLine_ =
            end == std::string_view::npos ? partialLine_ + bytes.size() : bytes.size() - end - 1;
    }

    Handle handle_ = kNoHandle;
    bool ownsHandle_ = true;
    bool emptyPending_ = false;
    std::uint64_t partialLine_ = 0;  // bytes written since the last line end written
    int waitingSlot_ = -1;           // its place among the files with lines waiting, once any
    bool created_ = false;           // Open made the file: it was not there before
    bool wroteAny_ = false;          // Write has put a byte in it
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
