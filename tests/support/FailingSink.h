// SPDX-License-Identifier: MIT
// FailingSink: list files on a made-up disk that fails writes and closes when told to, as a
// full or broken disk does.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "base/Failure.h"
#include "engine/ListFiles.h"

namespace dirscribe::test {

// What the sinks on it have written, and the failures to come.
struct FakeDisk {
    std::map<std::string, std::string> files;  // the bytes written, by path
    int writesBeforeFailing = 0;  // writes that succeed before failWrites begins to count
    int failWrites = 0;           // then this many writes fail
    int failCloses = 0;           // the next closes that fail
    int failureNumber = FailureNo::DiskFull;
    bool halfWritten = true;  // a failing write puts the first half of its bytes on the disk
};

// A list file on a FakeDisk, `id` telling which file it is whatever the path.
class FailingSink final : public ListSink {
  public:
    FailingSink(FakeDisk& disk, std::string path, std::uint64_t id)
        : disk_(disk), path_(std::move(path)), id_(id) {}

    void Write(std::string& buffer) override {
        if (disk_.writesBeforeFailing > 0) {
            --disk_.writesBeforeFailing;
        } else if (disk_.failWrites > 0) {
            --disk_.failWrites;
            const std::size_t written = disk_.halfWritten ? buffer.size() / 2 : 0;
            disk_.files[path_] += buffer.substr(0, written);
            buffer.erase(0, written);
            throw Failure(disk_.failureNumber, "cannot write list file '" + path_ + "': refused",
                          true);
        }
        disk_.files[path_] += buffer;
        buffer.clear();
    }
    void Close() override {
        if (disk_.failCloses > 0) {
            --disk_.failCloses;
            throw Failure(FailureNo::DeviceIO, "cannot close '" + path_ + "'", true);
        }
    }
    platform::FileIdentity Identity() const override { return {1, id_}; }
    // Cuts what this sink wrote back to its last line end (a disk cuts its own bytes only).
    void CutToLastLine() noexcept override {
        std::string& file = disk_.files[path_];
        const std::size_t end = file.rfind('\n');
        file.resize(end == std::string::npos ? 0 : end + 1);
    }

  private:
    FakeDisk& disk_;
    std::string path_;
    std::uint64_t id_;
};

// Opens every path as a file of its own on `disk`.
inline ListFiles::Opener OpenerOn(FakeDisk& disk) {
    return [&disk](const std::string& path, platform::OutputFile::Mode) {
        return std::make_unique<FailingSink>(disk, path, std::hash<std::string>{}(path));
    };
}

}  // namespace dirscribe::test
