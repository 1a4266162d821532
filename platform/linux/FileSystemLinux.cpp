// FileSystemPosix: folders read once into a sorted arena of names, files stat'ed relative to
// their folder's descriptor; on volumes that take parallel reads well, helper threads read
// folders ahead of the walker.
#include "platform/linux/FileSystemLinux.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <utility>
#include <vector>

#include "platform/linux/Errors.h"
#include "platform/linux/FolderListing.h"
#include "platform/linux/MaskMatcher.h"
#include "platform/linux/MountTable.h"
#include "platform/linux/PathTools.h"
#include "platform/linux/Prefetcher.h"
#include "platform/linux/SystemCalls.h"
#include "platform/linux/Volumes.h"

namespace dirscribe::platform {

namespace {

using linuxos::FailureFromErrno;
using linuxos::FolderNode;
using linuxos::Listing;
using linuxos::Record;

// Folders past this many open descriptors give theirs back once read, and their sub-folders are
// opened by full path instead, so a deep tree never runs out of descriptors.
constexpr int kMaxOpenFolders = 64;

// What all folders of one walk share.
struct WalkState {
    dev_t device = 0;
    bool knowDevice = false;
    int openFolders = 0;
    linuxos::ReadBuffers buffers;
    std::unique_ptr<linuxos::Prefetcher> prefetcher;
};

FileDetails DetailsFromStat(const struct stat& st) {
    return FileDetails{static_cast<std::int64_t>(st.st_size),
                       static_cast<std::int64_t>(st.st_mtim.tv_sec)};
}

std::string_view LastComponent(std::string_view path) {
    while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
    if (path == "/") return path;
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

class PosixFolder final : public Folder {
  public:
    // A folder the walker reads itself, operation by operation.
    PosixFolder(std::shared_ptr<WalkState> state, const std::string& path, int parentFd,
                std::string_view name, bool hasParent)
        : state_(std::move(state)), path_(path), noFollow_(hasParent) {
        if (parentFd >= 0 && !name.empty()) {
            const std::string nameText(name);
            SetDescriptor(linuxos::OpenAt(parentFd, nameText.c_str(), true));
        } else {
            SetDescriptor(linuxos::OpenFolderPath(path_, noFollow_));
        }
        if (fd_ < 0) openError_ = errno;
    }

    // A folder read ahead: its entries, attributes and details, or the failure met reading
    // it, are handed over as they are, and reported when the walker asks for them.
    PosixFolder(std::shared_ptr<WalkState> state, std::shared_ptr<FolderNode> node, bool hasParent)
        : state_(std::move(state)),
          path_(node->path),
          noFollow_(hasParent),
          node_(std::move(node)) {
        if (node_->openError != 0) {
            openError_ = node_->openError;
        } else {
            // Helpers may still be reading its files' details: the listing stays in the node.
            listing_ = &node_->listing;
            read_ = ReadState::Complete;
            readError_ = listing_->readError;
        }
    }

    ~PosixFolder() override {
        if (node_ && state_->prefetcher) state_->prefetcher->Finish(*node_);
        CloseDescriptor();
    }

    int Descriptor() const { return fd_; }
    FolderNode* Node() const { return node_.get(); }

    void BeginAll() override {
        if (read_ != ReadState::Complete) Read();
        allCursor_ = 0;
        allEndReported_ = false;
    }

    bool NextAll(Entry& entry) override {
        if (allCursor_ < listing_->records.size()) {
            Fill(entry, static_cast<std::uint32_t>(allCursor_++));
            return true;
        }
        ReportReadError(allEndReported_);
        return false;
    }

    SubFolderKind ReadKind(const Entry& entry) override {
        Record* record = RecordOf(entry);
        const EntryKind kind = record != nullptr ? record->kind : entry.kind;
        if (kind != EntryKind::Folder && kind != EntryKind::Unknown)
            return SubFolderKind::NotFolder;
        // Folders' records are complete once listed; files' are not looked at here, as helpers
        // may be writing them.
        if (record != nullptr) {
            if ((record->flags & linuxos::kKindFailed) != 0) {
                // Reported once; a Retry reads the attributes again.
                record->flags &= static_cast<std::uint8_t>(~linuxos::kKindFailed);
                throw FailureFromErrno(listing_->errors[entry.index]);
            }
            if ((record->flags & linuxos::kKindKnown) != 0) {
                if ((record->flags & linuxos::kSubFolder) != 0) return SubFolderKind::Folder;
                if ((record->flags & linuxos::kOtherVolume) != 0) return SubFolderKind::OtherVolume;
                return SubFolderKind::NotFolder;
            }
        }
        struct stat st {};
        if (const int err = StatEntry(entry, record, st, AT_SYMLINK_NOFOLLOW); err != 0) {
            throw FailureFromErrno(err);
        }
        // What was learnt is kept only in a listing the walker owns alone: in one read ahead,
        // helpers may be reading this record's kind for its chunk of files right now, so it
        // stays Unknown there and NextFile looks again once the chunk is done.
        if (record != nullptr && kind == EntryKind::Unknown && !SharedWithHelpers()) {
            record->kind = linuxos::KindFromMode(st.st_mode);
            if (S_ISREG(st.st_mode)) StoreDetails(entry.index, st);
        }
        if (!S_ISDIR(st.st_mode)) return SubFolderKind::NotFolder;
        if (state_->knowDevice && st.st_dev != state_->device) return SubFolderKind::OtherVolume;
        return SubFolderKind::Folder;
    }

    void BeginFiles(std::string_view mask) override {
        if (!linuxos::MaskMatcher::IsUsable(mask)) {
            throw Failure(FailureNo::BadFileName, "Invalid file mask (a mask cannot contain '/')");
        }
        if (read_ != ReadState::Complete) Read();
        mask_.emplace(mask);
        fileCursor_ = 0;
        filesEndReported_ = false;
    }

    bool NextFile(Entry& entry) override {
        if (!mask_) return false;
        constexpr std::uint8_t kKnown =
            linuxos::kHasDetails | linuxos::kDetailsFailed | linuxos::kNotAFile;
        auto& records = listing_->records;
        while (fileCursor_ < records.size()) {
            const auto index = static_cast<std::uint32_t>(fileCursor_++);
            Record& record = records[index];
            if (record.kind == EntryKind::Folder || record.kind == EntryKind::Other) continue;
            if (!mask_->Matches(listing_->NameOf(record))) continue;
            if (record.kind == EntryKind::Link || record.kind == EntryKind::Unknown) {
                // Only links to ordinary files are listed. A link that cannot be followed is
                // listed too: reading its details then tells why (a broken one is not found).
                Await(index);
                if ((record.flags & linuxos::kNotAFile) != 0) continue;
                if ((record.flags & kKnown) == 0) {
                    struct stat st {};
                    Entry probe;
                    Fill(probe, index);
                    if (StatEntry(probe, &record, st, 0) == 0) {
                        if (!S_ISREG(st.st_mode)) continue;
                        StoreDetails(index, st);
                    }
                }
            }
            Fill(entry, index);
            return true;
        }
        ReportReadError(filesEndReported_);
        return false;
    }

    FileDetails ReadDetails(const Entry& entry) override {
        Record* record = RecordOf(entry);
        if (record != nullptr) Await(entry.index);
        if (record != nullptr && entry.index < listing_->details.size()) {
            if ((record->flags & linuxos::kHasDetails) != 0) return listing_->details[entry.index];
            if ((record->flags & linuxos::kDetailsFailed) != 0) {
                // Reported once; a Retry reads them again.
                record->flags &= static_cast<std::uint8_t>(~linuxos::kDetailsFailed);
                throw FailureFromErrno(listing_->errors[entry.index]);
            }
        }
        struct stat st {};
        if (const int err = StatEntry(entry, record, st, 0); err != 0) throw FailureFromErrno(err);
        return DetailsFromStat(st);
    }

    void DoneReading() override {
        if (fd_ >= 0 && state_->openFolders > kMaxOpenFolders) CloseDescriptor();
        // A listing read ahead goes with its node, which helpers may still be using.
        if (listing_ == &own_) {
            own_.details = {};
            own_.errors = {};
        }
    }

  private:
    enum class ReadState : std::uint8_t { NotRead, Complete, Failed };

    void SetDescriptor(int fd) {
        fd_ = fd;
        if (fd_ >= 0) ++state_->openFolders;
    }

    void CloseDescriptor() {
        if (fd_ < 0) return;
        // Not retried on EINTR: Linux has released the descriptor either way.
        linuxos::Sys().close(fd_);
        fd_ = -1;
        --state_->openFolders;
    }

    void Open() {
        if (fd_ >= 0) return;
        if (openError_ != 0) {
            // The first attempt's error is reported; a retry opens by path afresh.
            const int err = std::exchange(openError_, 0);
            throw FailureFromErrno(err);
        }
        SetDescriptor(linuxos::OpenFolderPath(path_, noFollow_));
        if (fd_ < 0) throw FailureFromErrno(errno);
    }

    // Reads every entry once. An error after some entries leaves those listed and is reported
    // at the end of the listing; an error before any entry fails at once.
    void Read() {
        const bool again = read_ != ReadState::NotRead;
        read_ = ReadState::Failed;
        Open();
        if (again && lseek(fd_, 0, SEEK_SET) != 0) {
            CloseDescriptor();
            Open();
        }
        // Names handed out earlier must stay valid, so an earlier arena is kept, not reused.
        if (listing_ == &own_ && !own_.names->empty()) oldNames_.push_back(std::move(own_.names));
        listing_ = &own_;
        own_.names = std::make_unique<std::string>();
        const int err = linuxos::ReadListing(fd_, state_->buffers, own_);
        readError_ = own_.readError;
        if (err != 0) throw FailureFromErrno(err);
        read_ = readError_ == 0 ? ReadState::Complete : ReadState::Failed;
    }

    // True while helpers may still read the listing's file records (it was read ahead).
    bool SharedWithHelpers() const { return node_ && listing_ == &node_->listing; }

    // Waits until the details of record `index` are read ahead (or reads them now), when the
    // folder's files are being read by helpers.
    void Await(std::uint32_t index) {
        if (SharedWithHelpers() && state_->prefetcher) {
            state_->prefetcher->AwaitRecord(*node_, index);
        }
    }

    void ReportReadError(bool& reported) {
        if (readError_ == 0 || reported) return;
        reported = true;
        throw FailureFromErrno(readError_);
    }

    void Fill(Entry& entry, std::uint32_t index) const {
        const Record& record = listing_->records[index];
        entry.name = listing_->NameOf(record);
        entry.kind = record.kind;
        entry.index = index;
    }

    // The record behind an entry, or null when the entry did not come from the current
    // listing (then it is looked up by name).
    Record* RecordOf(const Entry& entry) {
        if (entry.index >= listing_->records.size()) return nullptr;
        Record& record = listing_->records[entry.index];
        if (entry.name.data() != listing_->CNameOf(record)) return nullptr;
        return &record;
    }

    void StoreDetails(std::uint32_t index, const struct stat& st) {
        listing_->PrepareResults();
        listing_->details[index] = DetailsFromStat(st);
        listing_->records[index].flags |= linuxos::kHasDetails;
    }

    // Stats an entry relative to the open folder; by full path when the folder has no
    // descriptor (given back, or read ahead by a helper). Returns 0 or the errno value.
    int StatEntry(const Entry& entry, const Record* record, struct stat& st, int flags) {
        std::string fallback;
        const char* name = nullptr;
        int dirFd = fd_;
        if (dirFd < 0) {
            fallback.assign(path_).append(entry.name);
            name = fallback.c_str();
            dirFd = AT_FDCWD;
        } else if (record != nullptr) {
            name = listing_->CNameOf(*record);
        } else {
            fallback.assign(entry.name);
            name = fallback.c_str();
        }
        const int result = linuxos::RetryOnInterrupt(
            [&] { return linuxos::Sys().fstatAt(dirFd, name, &st, flags); });
        return result == 0 ? 0 : errno;
    }

    std::shared_ptr<WalkState> state_;
    std::string path_;
    bool noFollow_ = false;
    std::shared_ptr<FolderNode> node_;
    int fd_ = -1;
    int openError_ = 0;
    ReadState read_ = ReadState::NotRead;
    int readError_ = 0;
    bool allEndReported_ = false;
    bool filesEndReported_ = false;
    Listing own_;               // the listing when the walker reads the folder itself
    Listing* listing_ = &own_;  // that, or the node's when it was read ahead
    std::vector<std::unique_ptr<std::string>> oldNames_;
    std::size_t allCursor_ = 0;
    std::size_t fileCursor_ = 0;
    std::optional<linuxos::MaskMatcher> mask_;
};

class PosixFileSystem final : public FileSystem {
  public:
    explicit PosixFileSystem(int readThreads) : readThreads_(readThreads) {}

    ~PosixFileSystem() override { state_->prefetcher.reset(); }

    FolderTexts BeginWalk(const std::string& startPath) override {
        FolderTexts texts;
        struct stat st {};
        state_->knowDevice = false;
        if (stat(startPath.c_str(), &st) != 0) {
            texts.driveLessPath = startPath;
            texts.folderName = LastComponent(startPath);
            return texts;
        }
        state_->device = st.st_dev;
        state_->knowDevice = true;

        std::string canonical = startPath;
        if (char* resolved = realpath(startPath.c_str(), nullptr)) {
            canonical = resolved;
            free(resolved);
        }
        const auto mount = linuxos::FindMount(canonical);
        const std::string mountPoint = mount ? mount->target : std::string("/");
        std::string_view below = canonical;
        if (mountPoint != "/") below.remove_prefix(std::min(mountPoint.size(), below.size()));
        while (!below.empty() && below.back() == '/') below.remove_suffix(1);
        texts.driveLessPath.assign(below).push_back('/');
        if (texts.driveLessPath.front() != '/') texts.driveLessPath.insert(0, 1, '/');

        if (below.empty()) {
            texts.folderName = LastComponent(mountPoint);
        } else {
            std::string_view given = LastComponent(startPath);
            if (given.empty() || given == "." || given == "..") given = LastComponent(canonical);
            texts.folderName = given;
        }
        return texts;
    }

    void Prefetch(std::string_view mask, bool files) override {
        state_->prefetcher.reset();
        if (!state_->knowDevice) return;
        const int threads =
            readThreads_ >= 0 ? readThreads_ : linuxos::PrefetchThreadsFor(state_->device);
        if (threads <= 0) return;
        std::unique_ptr<linuxos::MaskMatcher> matcher;
        if (files && linuxos::MaskMatcher::IsUsable(mask))
            matcher = std::make_unique<linuxos::MaskMatcher>(mask);
        state_->prefetcher = std::make_unique<linuxos::Prefetcher>(
            threads, std::move(matcher), state_->device, state_->knowDevice);
    }

    void StopReadingAhead() override { state_->prefetcher.reset(); }

    std::unique_ptr<Folder> OpenFolder(const std::string& path, Folder* parent,
                                       std::string_view name) override {
        auto* posixParent = dynamic_cast<PosixFolder*>(parent);
        if (state_->prefetcher) {
            std::shared_ptr<FolderNode> node;
            if (posixParent == nullptr) {
                node = state_->prefetcher->TakeStart(path);
            } else if (posixParent->Node() != nullptr) {
                node = state_->prefetcher->TakeChild(*posixParent->Node(), name, path);
            }
            if (node)
                return std::make_unique<PosixFolder>(state_, std::move(node), parent != nullptr);
        }
        const int parentFd = posixParent != nullptr ? posixParent->Descriptor() : -1;
        return std::make_unique<PosixFolder>(state_, path, parentFd, name, parent != nullptr);
    }

  private:
    int readThreads_;
    std::shared_ptr<WalkState> state_ = std::make_shared<WalkState>();
};

}  // namespace

std::unique_ptr<FileSystem> MakeFileSystem() {
    return linuxos::MakeFileSystem(-1);
}

namespace linuxos {

std::unique_ptr<FileSystem> MakeFileSystem(int readThreads) {
    return std::make_unique<PosixFileSystem>(readThreads);
}

}  // namespace linuxos

}  // namespace dirscribe::platform
