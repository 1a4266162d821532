// ListFiles: the list files a run has open, known by number, with buffered line output.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/OutputFile.h"

namespace dirscribe {

// Where the bytes of one list file go. The real one is an OutputFile; tests put in sinks
// that fail on demand.
class ListSink {
  public:
    virtual ~ListSink() = default;
    // Writes the whole buffer and empties it; on failure removes what was written, keeps the
    // rest and throws Failure.
    virtual void Write(std::string& buffer) = 0;
    // Closes, reporting a failure. Called once the buffer is written.
    virtual void Close() = 0;
    // Which file this is, whatever path reached it.
    virtual platform::FileIdentity Identity() const = 0;
};

using FileNumber = std::int16_t;

class ListFiles {
  public:
    // Makes the sink for a path; the default opens a platform::OutputFile.
    using Opener = std::function<std::unique_ptr<ListSink>(const std::string& path,
                                                           platform::OutputFile::Mode mode)>;

    explicit ListFiles(std::size_t bufferSize = std::size_t{1} << 20);
    ~ListFiles();
    ListFiles(const ListFiles&) = delete;
    ListFiles& operator=(const ListFiles&) = delete;

    // Replaces how files are opened (tests).
    void SetOpener(Opener opener) { opener_ = std::move(opener); }
    // How files are opened now, for an opener that changes a little of it.
    const Opener& CurrentOpener() const { return opener_; }
    // A file name that stands for standard output ("-" for the command-line tool); empty: none.
    void SetStandardOutputName(std::string name) { stdoutName_ = std::move(name); }

    // The lowest number not in use, 1 or more.
    FileNumber FreeFile() const;
    // Opens a list file under `number`. Fails with 55 when the number is in use or the file is
    // already open under another number (also when reached by another path).
    void Open(FileNumber number, const std::string& path, platform::OutputFile::Mode mode);
    // True when a new list of that name would replace an existing file.
    bool Exists(const std::string& path) const;
    bool IsOpen(FileNumber number) const;

    // Writes text + CR LF to the file `first` and then, unless it is 0, to `second`. Either
    // both receive the line or neither does, so a repeated call never doubles a line. A failure
    // of the disk shows when a buffer is written out, at the line that needed the room.
    void WriteLine(std::string_view text, FileNumber first, FileNumber second = 0);

    // Writes out and closes every open file. A file whose writing or closing fails stays open
    // (so that a repeated call tries it again) and the first failure is thrown after the others
    // were closed.
    void CloseAll();
    // Closes every open file without reporting anything, writing out what still can be.
    void Abandon() noexcept;

  private:
    struct Slot {
        FileNumber number = 0;
        std::string path;
        std::unique_ptr<ListSink> sink;
        std::string buffer;
    };
    Slot* Find(FileNumber number);
    const Slot* Find(FileNumber number) const;
    void MakeRoom(Slot& slot, std::size_t bytes);

    std::size_t bufferSize_;
    std::vector<Slot> slots_;
    Opener opener_;
    std::string stdoutName_;
};

}  // namespace dirscribe
