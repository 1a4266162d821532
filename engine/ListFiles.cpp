// SPDX-License-Identifier: MIT
// ListFiles: numbered list files with large buffers and reported failures.
#include "engine/ListFiles.h"

#include <algorithm>

#include "base/Failure.h"
#include "base/SafeText.h"
#include "platform/FileSystem.h"

namespace dirscribe {

namespace {

class OutputFileSink final : public ListSink {
  public:
    explicit OutputFileSink(platform::OutputFile file) : file_(std::move(file)) {}
    void Write(std::string& buffer) override { file_.Write(buffer); }
    void Close() override { file_.Close(); }
    platform::FileIdentity Identity() const override { return file_.Identity(); }
    void CutToLastLine() noexcept override { file_.CutToLastLine(); }
    void ShowWaiting(const char* data, std::size_t size) noexcept override {
        file_.ShowWaiting(data, size);
    }

  private:
    platform::OutputFile file_;
};

}  // namespace

ListFiles::ListFiles(std::size_t bufferSize) : bufferSize_(bufferSize) {
    opener_ = [this](const std::string& path, platform::OutputFile::Mode mode) {
        if (!stdoutName_.empty() && path == stdoutName_) {
            return std::unique_ptr<ListSink>(
                new OutputFileSink(platform::OutputFile::StandardOutput()));
        }
        return std::unique_ptr<ListSink>(
            new OutputFileSink(platform::OutputFile::Open(path, mode)));
    };
}

ListFiles::~ListFiles() {
    Abandon();
}

ListFiles::Slot* ListFiles::Find(FileNumber number) {
    for (auto& s : slots_) {
        if (s.number == number) return &s;
    }
    return nullptr;
}

const ListFiles::Slot* ListFiles::Find(FileNumber number) const {
    for (const auto& s : slots_) {
        if (s.number == number) return &s;
    }
    return nullptr;
}

FileNumber ListFiles::FreeFile() const {
    FileNumber n = 1;
    while (Find(n) != nullptr) ++n;
    return n;
}

bool ListFiles::IsOpen(FileNumber number) const {
    return number != 0 && Find(number) != nullptr;
}

bool ListFiles::Exists(const std::string& path) const {
    if (!stdoutName_.empty() && path == stdoutName_) return false;
    return platform::ListFileExists(path);
}

bool ListFiles::SameFile(const std::string& first, const std::string& second) const {
    if (first == second) return true;
    if (!stdoutName_.empty() && (first == stdoutName_ || second == stdoutName_)) return false;
    return platform::SameListFile(first, second);
}

void ListFiles::Open(FileNumber number, const std::string& path, platform::OutputFile::Mode mode) {
    if (number <= 0 || Find(number) != nullptr) {
        throw Failure(FailureNo::FileAlreadyOpen,
                      "list file number " + std::to_string(number) + " is already in use", true);
    }
    for (const auto& s : slots_) {
        if (s.path == path) {
            throw Failure(FailureNo::FileAlreadyOpen, "list file '" + path + "' is already open",
                          true);
        }
    }
    auto sink = opener_(path, mode);
    const auto identity = sink->Identity();
    for (const auto& s : slots_) {
        // Two paths to one file would interleave two lists in it.
        if (identity != platform::FileIdentity{} && s.sink->Identity() == identity) {
            // A run opens its new list before its append file, so the file reached twice here
            // is opened for appending and is left as it is.
            sink.reset();
            throw Failure(FailureNo::FileAlreadyOpen,
                          "list file '" + path + "' is already open as '" + s.path + "'", true);
        }
    }
    if (slots_.empty()) cut_ = false;
    Slot slot;
    slot.number = number;
    slot.path = path;
    slot.sink = std::move(sink);
    slot.buffer.reserve(bufferSize_ + 256);
    slots_.push_back(std::move(slot));
}

void ListFiles::MakeRoom(Slot& slot, std::size_t bytes) {
    if (!slot.buffer.empty() && slot.buffer.size() + bytes > bufferSize_) Flush(slot);
}

void ListFiles::Flush(Slot& slot) {
    // Bytes on their way out are not also written at the end, should the program end now.
    slot.sink->ShowWaiting(nullptr, 0);
    while (!slot.buffer.empty()) {
        try {
            slot.sink->Write(slot.buffer);
        } catch (const Failure& failure) {
            if (!onWriteFailure_) throw;
            // The sink has taken what it wrote out of the buffer: a Retry writes only the rest,
            // and no byte twice.
            const auto lines =
                static_cast<std::size_t>(std::count(slot.buffer.begin(), slot.buffer.end(), '\n'));
            switch (onWriteFailure_(failure, slot.buffer.size(), lines, false)) {
                case AbortRetryIgnore::Retry:
                    continue;
                case AbortRetryIgnore::Ignore:
                    slot.buffer.clear();
                    break;
                case AbortRetryIgnore::Abort:
                    // A half line would run into whatever is appended next; the run ends
                    // with the list's last whole line.
                    slot.sink->CutToLastLine();
                    slot.buffer.clear();
                    slot.givenUp = true;
                    throw ListWriteAborted{failure};
            }
        }
    }
}

void ListFiles::WriteLine(std::string_view text, FileNumber first, FileNumber second) {
    Slot* a = Find(first);
    if (a == nullptr) {
        throw Failure(FailureNo::BadFileName,
                      "list file number " + std::to_string(first) + " is not open", true);
    }
    Slot* b = nullptr;
    if (second != 0) {
        b = Find(second);
        if (b == nullptr) {
            throw Failure(FailureNo::BadFileName,
                          "list file number " + std::to_string(second) + " is not open", true);
        }
    }
    if (cutShort_ != nullptr && !cut_ && cutShort_()) {
        cut_ = true;  // once: the footer is written after it
        throw RunCutShort{};
    }
    // Room first in both, then the line into both: a failure leaves neither with the line.
    const std::size_t bytes = text.size() + 2;
    MakeRoom(*a, bytes);
    if (b != nullptr) MakeRoom(*b, bytes);
    // A control character in a name would forge lines or columns of its own.
    const std::size_t at = a->buffer.size();
    platform::AppendListText(text, a->buffer);
    const bool masked = MaskControls(a->buffer, at);
    a->buffer += "\r\n";
    a->sink->ShowWaiting(a->buffer.data(), a->buffer.size());
    if (b != nullptr) {
        const std::size_t bAt = b->buffer.size();
        platform::AppendListText(text, b->buffer);
        if (masked) MaskControls(b->buffer, bAt);
        b->buffer += "\r\n";
        b->sink->ShowWaiting(b->buffer.data(), b->buffer.size());
    }
}

void ListFiles::CloseAll() {
    std::vector<Slot> slots = std::move(slots_);
    slots_.clear();
    std::vector<Slot> kept;
    bool failed = false;
    Failure first(0, "");
    // Gives up the files from `from` on with those kept, then passes the abort on.
    auto giveUp = [&](std::size_t from) {
        for (std::size_t j = from; j < slots.size(); ++j) kept.push_back(std::move(slots[j]));
        slots_ = std::move(kept);
        Abandon();
    };
    for (std::size_t i = 0; i < slots.size(); ++i) {
        Slot& slot = slots[i];
        try {
            Flush(slot);
        } catch (const Failure& f) {
            if (!failed) first = f;
            failed = true;
            kept.push_back(std::move(slot));
            continue;
        } catch (const ListWriteAborted&) {
            giveUp(i);
            throw;
        }
        try {
            slot.sink->Close();
        } catch (const Failure& f) {
            // The file is closed either way, so a repeated call could only report success:
            // what the system lost at the close is reported now, once.
            if (!onWriteFailure_) {
                if (!failed) first = f;
                failed = true;
            } else if (onWriteFailure_(f, 0, 0, true) == AbortRetryIgnore::Abort) {
                giveUp(i + 1);
                throw ListWriteAborted{f};
            }
        }
    }
    slots_ = std::move(kept);
    if (failed) throw first;
}

void ListFiles::Abandon() noexcept {
    for (auto& slot : slots_) {
        try {
            if (!slot.givenUp && !slot.buffer.empty()) slot.sink->Write(slot.buffer);
        } catch (...) {
            // Reported already, or nobody left to report to.
        }
        // Destroyed without Close: a new list that got no byte is not emptied.
        slot.sink.reset();
    }
    slots_.clear();
}

}  // namespace dirscribe
