// SPDX-License-Identifier: MIT
// ListFiles: the list files a run has open, known by number, with buffered line output.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/FrontEnd.h"
#include "platform/OutputFile.h"

namespace dirscribe {

// Thrown through the walker and the run when the user gave up on a list file that cannot be
// written (Abort), or when a second stop asks the run to end at once. Not a Failure, so that
// no handler on the way takes it for one more failure to report or retry.
struct ListWriteAborted {
    Failure failure;
};
struct RunCutShort {};

// Where the bytes of one list file go. The real one is an OutputFile; tests put in sinks
// that fail on demand.
class ListSink {
  public:
    virtual ~ListSink() = default;
    // Writes the whole buffer and empties it; on failure removes what was written, keeps the
    // rest and throws Failure.
    virtual void Write(std::string& buffer) = 0;
    // Closes, reporting a failure. Called once the buffer is written. Not called when a run
    // gives up: then the sink is only destroyed (a new list not written to stays as it was).
    virtual void Close() = 0;
    // Which file this is, whatever path reached it.
    virtual platform::FileIdentity Identity() const = 0;
    // Takes back the bytes written after the last line end (a line the disk took half of),
    // where the file allows it. Never throws.
    virtual void CutToLastLine() noexcept {}
    // The whole lines waiting in the buffer (`size` bytes at `data`, valid until the next
    // call): written even when the program is ended in the middle of a step (see
    // platform::OutputFile::ShowWaiting).
    virtual void ShowWaiting(const char* /*data*/, std::size_t /*size*/) noexcept {}
};

using FileNumber = std::int16_t;

class ListFiles {
  public:
    // Makes the sink for a path; the default opens a platform::OutputFile.
    using Opener = std::function<std::unique_ptr<ListSink>(const std::string& path,
                                                           platform::OutputFile::Mode mode)>;

    // Lines are gathered per file and written in pieces of about `bufferSize` bytes: a quarter
    // of a mebibyte keeps the system calls few (a list of a million files takes some 400) and
    // the buffer in the processor's caches.
    explicit ListFiles(std::size_t bufferSize = std::size_t{1} << 18);
    ~ListFiles();
    ListFiles(const ListFiles&) = delete;
    ListFiles& operator=(const ListFiles&) = delete;

    // Decides what happens when a buffer cannot be written: Retry writes what is left of it
    // again, Ignore drops that (`bytes` bytes, the ends of `lines` lines) and goes on, Abort
    // cuts the file back to the end of its last whole line, writes nothing more to it and
    // throws ListWriteAborted. `closing` tells a failed close (nothing is left to write then;
    // Retry goes on as Ignore does). Without one, the failure is thrown to the caller.
    using WriteFailureHandler = std::function<AbortRetryIgnore(
        const Failure& failure, std::size_t bytes, std::size_t lines, bool closing)>;
    void SetWriteFailureHandler(WriteFailureHandler handler) {
        onWriteFailure_ = std::move(handler);
    }
    // A test made before every line: the first time it says yes, WriteLine throws RunCutShort
    // without writing (a second Ctrl-C); the lines after it (the footer) are written. Null: none.
    void SetCutShortTest(bool (*test)()) { cutShort_ = test; }

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
    // True when two names reach one file (or, for files not there yet, one place), so that a
    // run must not open both: one of them would be emptied or written twice.
    bool SameFile(const std::string& first, const std::string& second) const;
    bool IsOpen(FileNumber number) const;

    // Writes text + CR LF to the file `first` and then, unless it is 0, to `second`. Either
    // both receive the line or neither does, so a repeated call never doubles a line. A failure
    // of the disk shows when a buffer is written out, at the line that needed the room.
    void WriteLine(std::string_view text, FileNumber first, FileNumber second = 0);

    // Writes out and closes every open file. Without a failure handler, a file whose writing
    // fails stays open (so that a repeated call tries it again) and the first failure is thrown
    // after the others were closed; a failed close is thrown as well, the file then closed.
    void CloseAll();
    // Closes every open file without reporting anything, writing out what still can be (but
    // nothing to a file given up on with Abort). A new list that got no byte is left as it was.
    void Abandon() noexcept;

  private:
    struct Slot {
        FileNumber number = 0;
        std::string path;
        std::unique_ptr<ListSink> sink;
        std::string buffer;
        bool givenUp = false;  // Abort was the answer to a failed write: nothing more goes in
    };
    Slot* Find(FileNumber number);
    const Slot* Find(FileNumber number) const;
    void MakeRoom(Slot& slot, std::size_t bytes);
    // Writes the slot's buffer out, asking the failure handler when there is one.
    void Flush(Slot& slot);

    std::size_t bufferSize_;
    std::vector<Slot> slots_;
    Opener opener_;
    std::string stdoutName_;
    WriteFailureHandler onWriteFailure_;
    bool (*cutShort_)() = nullptr;
    bool cut_ = false;  // RunCutShort was thrown since the first file was opened
};

}  // namespace dirscribe
