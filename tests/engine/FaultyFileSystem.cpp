// SPDX-License-Identifier: MIT
// FaultyFileSystem: forwards to the real file system, failing where planned.
#include "FaultyFileSystem.h"

namespace dirscribe::test {

namespace {

class FaultyFolder final : public platform::Folder {
  public:
    FaultyFolder(FaultyFileSystem& fs, std::unique_ptr<platform::Folder> real, std::string path)
        : fs_(fs), real_(std::move(real)), path_(std::move(path)) {}

    void BeginAll() override {
        fs_.MaybeFail(FsOp::BeginAll, path_, {});
        real_->BeginAll();
        last_.clear();
        cut_ = false;
    }
    bool NextAll(platform::Entry& e) override {
        if (cut_) return false;
        Next(FsOp::NextAll);
        bool more = real_->NextAll(e);
        if (more) last_ = std::string(e.name);
        return more;
    }
    platform::SubFolderKind ReadKind(const platform::Entry& e) override {
        fs_.MaybeFail(FsOp::ReadKind, path_, e.name);
        return real_->ReadKind(e);
    }
    void BeginFiles(std::string_view mask) override {
        if (fs_.beforeBeginFiles) fs_.beforeBeginFiles(path_);
        fs_.MaybeFail(FsOp::BeginFiles, path_, {});
        real_->BeginFiles(mask);
        last_.clear();
        cut_ = false;
    }
    bool NextFile(platform::Entry& e) override {
        if (cut_) return false;
        Next(FsOp::NextFile);
        bool more = real_->NextFile(e);
        if (more) last_ = std::string(e.name);
        return more;
    }
    platform::FileDetails ReadDetails(const platform::Entry& e) override {
        fs_.MaybeFail(FsOp::ReadDetails, path_, e.name);
        return real_->ReadDetails(e);
    }
    void DoneReading() override { real_->DoneReading(); }
    std::unique_ptr<platform::Folder> OpenChild(std::string_view name) override {
        std::string path = path_;
        path.append(name).push_back(platform::kPathSeparator);
        return std::make_unique<FaultyFolder>(fs_, real_->OpenChild(name), std::move(path));
    }

  private:
    // A listing that fails in the middle breaks off there, as the systems' own do: the rest
    // of it comes only from a new Begin.
    void Next(FsOp op) {
        try {
            fs_.MaybeFail(op, path_, last_);
        } catch (const Failure&) {
            cut_ = true;
            throw;
        }
    }

    FaultyFileSystem& fs_;
    std::unique_ptr<platform::Folder> real_;
    std::string path_;
    std::string last_;
    bool cut_ = false;
};

}  // namespace

std::unique_ptr<platform::Folder> FaultyFileSystem::OpenFolder(const std::string& path) {
    return std::make_unique<FaultyFolder>(*this, real_->OpenFolder(path), path);
}

void FaultyFileSystem::MaybeFail(FsOp op, const std::string& folder, std::string_view entry) {
    for (auto& f : faults) {
        if (f.op != op || f.calls >= f.times) continue;
        if (folder.size() < f.folderSuffix.size() ||
            folder.compare(folder.size() - f.folderSuffix.size(), f.folderSuffix.size(),
                           f.folderSuffix) != 0) {
            continue;
        }
        if (f.entry != entry) continue;
        ++f.calls;
        throw Failure(f.number, "planned failure " + std::to_string(f.number));
    }
}

}  // namespace dirscribe::test
