// SPDX-License-Identifier: MIT
// FaultyFileSystem: the real file system with failures put in where a test wants them, for
// what a disk will not do on demand.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/FileSystem.h"

namespace dirscribe::test {

enum class FsOp { BeginAll, NextAll, ReadKind, BeginFiles, NextFile, ReadDetails };

// One planned failure: operation `op` in a folder whose path ends with `folderSuffix` (and,
// for per-entry operations, on the entry named `entry`, or for Next* after that entry was
// returned; empty = the first call) fails `times` times with `number`.
struct FsFault {
    FsOp op;
    std::string folderSuffix;
    std::string entry;
    int number;
    int times = 1;
    int calls = 0;  // failures given so far
};

class FaultyFileSystem final : public platform::FileSystem {
  public:
    explicit FaultyFileSystem(std::unique_ptr<platform::FileSystem> real)
        : real_(std::move(real)) {}

    std::vector<FsFault> faults;
    // Whether the real file system may read ahead with its helper threads (then files are
    // stat'ed before beforeBeginFiles runs).
    bool readAhead = false;
    // Called before the second pass of a folder begins.
    std::function<void(const std::string& folderPath)> beforeBeginFiles;

    platform::FolderTexts BeginWalk(const std::string& startPath) override {
        return real_->BeginWalk(startPath);
    }
    void Prefetch(std::string_view mask, bool files) override {
        if (readAhead) real_->Prefetch(mask, files);
    }
    void StopReadingAhead() override { real_->StopReadingAhead(); }
    void EndWalk() override { real_->EndWalk(); }
    std::unique_ptr<platform::Folder> OpenFolder(const std::string& path) override;

    // Throws the planned failure for this call, if any.
    void MaybeFail(FsOp op, const std::string& folder, std::string_view entry);

  private:
    std::unique_ptr<platform::FileSystem> real_;
};

}  // namespace dirscribe::test
