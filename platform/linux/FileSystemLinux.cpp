// SPDX-License-Identifier: MIT
// FileSystemPosix: folders read once into a sorted arena of names, files stat'ed relative to
// their folder's descriptor; on volumes that take parallel reads well, helper threads read
// folders ahead of the walker.
#include "platform/linux/FileSystemLinux.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <optional>
#include <set>
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
// opened from the nearest folder above that is still open, so a deep tree never runs out of
// descriptors. Fewer when the process may open fewer files.
constexpr int kMaxOpenFolders = 64;

bool OutOfDescriptors(int err) {
    return err == EMFILE || err == ENFILE;
}

// How many more files the process may open now: its limit less those open.
int FreeDescriptors() {
    constexpr rlim_t kCeiling = rlim_t{1} << 20;
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return 1024;
    const auto soft = static_cast<int>(
        limit.rlim_cur == RLIM_INFINITY ? kCeiling : std::min(limit.rlim_cur, kCeiling));
    int open = 0;
    if (DIR* dir = opendir("/proc/self/fd")) {
        while (readdir(dir) != nullptr) ++open;
        closedir(dir);
        open -= 3;  // ".", ".." and the folder's own descriptor
    } else {
        open = 16;
    }
    return std::max(0, soft - open);
}

// What all folders of one walk share.
struct WalkState {
    dev_t device = 0;
    bool knowDevice = false;
    int openFolders = 0;
    int walkerShare = kMaxOpenFolders;        // the walker's folders keep at most this many open
    std::multiset<linuxos::FolderId> onPath;  // the folders open on the walk's way down
    linuxos::ReadBuffers buffers;
    std::unique_ptr<linuxos::Prefetcher> prefetcher;
    // The start folder, opened once when the walk begins: the folder judged is the one listed.
    int startFd = -1;
    std::string startPath;  // the path it was opened by, and the one the walk uses for it
    std::string startCanonical;
    std::optional<linuxos::FolderId> startId;

    // The start folder's descriptor for the folder opened by `path`, or -1.
    int StartFdFor(const std::string& path) const {
        return startFd >= 0 && (path == startPath || path == startCanonical) ? startFd : -1;
    }
    void CloseStart() {
        if (startFd >= 0) linuxos::Sys().close(startFd);
        startFd = -1;
    }
    // The walker is out of descriptors: reading ahead gives back all of its own and ends.
    bool GiveBackReadAhead() {
        if (!prefetcher) return false;
        prefetcher->GiveBackDescriptors();
        prefetcher.reset();
        return true;
    }
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
    // The start folder, by its path (ending in "/"; a link there is followed). The walk's
    // start folder is the one opened when the walk began.
    PosixFolder(std::shared_ptr<WalkState> state, std::string path)
        : state_(std::move(state)), name_(std::move(path)) {
        const int startFd = state_->StartFdFor(name_);
        if (startFd >= 0) expected_ = state_->startId;
        if (state_->prefetcher) Adopt(state_->prefetcher->TakeStart(name_, startFd));
        if (node_) {
            if (startFd >= 0) state_->CloseStart();
        } else if (startFd >= 0) {
            SetDescriptor(std::exchange(state_->startFd, -1));
            id_ = expected_;
        } else {
            Open(WithDescriptors([&] { return OpenSelf(); }));
        }
        EnterPath();
    }

    // The sub-folder `name` of `parent`, opened relative to it (a link there is not followed),
    // which must be the folder the parent's listing found there.
    PosixFolder(PosixFolder& parent, std::string_view name)
        : state_(parent.state_), parent_(&parent), name_(name) {
        expected_ = parent.JudgedId(name_);
        if (state_->prefetcher && parent.node_) {
            Adopt(state_->prefetcher->TakeChild(*parent.node_, name, [&] { return Path(); }));
        }
        if (!node_) Open(parent.OpenSubFolder(name_));
        EnterPath();
    }

    ~PosixFolder() override {
        if (id_) state_->onPath.erase(state_->onPath.find(*id_));
        if (node_ && state_->prefetcher) state_->prefetcher->Finish(*node_);
        CloseDescriptor();
    }

    std::unique_ptr<Folder> OpenChild(std::string_view name) override {
        return std::make_unique<PosixFolder>(*this, name);
    }

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
        if (kind == EntryKind::Link) return LinkKind(entry, record);
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
                if ((record->flags & linuxos::kSubFolder) != 0) {
                    return SubFolderOnDevice({state_->device, listing_->inodes[entry.index]});
                }
                if ((record->flags & linuxos::kOtherVolume) != 0) return SubFolderKind::OtherVolume;
                if (record->kind == EntryKind::Link) return LinkKind(entry, record);
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
        if (S_ISLNK(st.st_mode)) return LinkKind(entry, record);
        if (!S_ISDIR(st.st_mode)) return SubFolderKind::NotFolder;
        if (state_->knowDevice && st.st_dev != state_->device) return SubFolderKind::OtherVolume;
        // Kept, so that the folder opened later is known to be this one. Helpers never read a
        // folder's record nor the inodes once the listing is published.
        if (record != nullptr) {
            auto& inodes = listing_->inodes;
            if (inodes.size() != listing_->records.size()) inodes.resize(listing_->records.size());
            inodes[entry.index] = st.st_ino;
            record->flags |= linuxos::kSubFolder;
        }
        return SubFolderOnDevice({st.st_dev, st.st_ino});
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

    // Records which folder this is among those open on the way down, so that a way back to
    // one of them (a folder mounted into itself) is not taken.
    void EnterPath() {
        if (node_) id_ = node_->id;
        if (!expected_) expected_ = id_;
        if (id_) state_->onPath.insert(*id_);
    }

    // What the listing found under `name`, a sub-folder on the volume being listed.
    std::optional<linuxos::FolderId> JudgedId(const std::string& name) const {
        const auto& records = listing_->records;
        const auto it = std::lower_bound(records.begin(), records.end(), name,
                                         [&](const Record& record, const std::string& n) {
                                             return linuxos::NameLess(listing_->NameOf(record), n);
                                         });
        if (it == records.end() || listing_->NameOf(*it) != name) return std::nullopt;
        const auto index = static_cast<std::size_t>(it - records.begin());
        if ((it->flags & linuxos::kSubFolder) == 0 || index >= listing_->inodes.size())
            return std::nullopt;
        return linuxos::FolderId{state_->device, listing_->inodes[index]};
    }

    // Runs `open` (which returns a descriptor, or -1 with errno set). Short of descriptors,
    // the folders above give theirs back (they are opened again when needed), then reading
    // ahead gives back its own, and `open` is tried again: a folder is never unreadable only
    // because too many were open.
    template <class Open>
    int WithDescriptors(Open&& open) {
        int fd = open();
        if (fd >= 0 || !OutOfDescriptors(errno)) return fd;
        bool gaveBack = false;
        for (PosixFolder* folder = parent_; folder != nullptr; folder = folder->parent_) {
            gaveBack = gaveBack || folder->fd_ >= 0;
            folder->CloseDescriptor();
        }
        if (gaveBack) {
            fd = open();
            if (fd >= 0 || !OutOfDescriptors(errno)) return fd;
        }
        if (!state_->GiveBackReadAhead()) return fd;
        return open();
    }

    // Opens this folder (again): relative to the nearest folder above that is open, or by its
    // path. -1 with errno set on failure; kFolderReplaced when it is no longer the folder it was.
    int OpenSelf() {
        const PosixFolder* base = parent_;
        while (base != nullptr && base->fd_ < 0) base = base->parent_;
        int fd = -1;
        if (parent_ == nullptr) {
            fd = linuxos::OpenFolderPath(name_, false);
        } else if (base == nullptr) {
            fd = linuxos::OpenFolderPath(Path(), true);
        } else {
            fd = linuxos::OpenFolderPath(PathBelow(base), true, base->fd_);
        }
        if (fd < 0 || !expected_) return fd;
        struct stat st {};
        if (linuxos::Sys().fstat(fd, &st) == 0 &&
            linuxos::FolderId{st.st_dev, st.st_ino} != *expected_) {
            linuxos::Sys().close(fd);
            errno = linuxos::kFolderReplaced;
            return -1;
        }
        return fd;
    }

    // A link is named among the sub-folders when it leads to a folder, and never entered. One
    // that leads nowhere is a file's matter: the files' pass reports it.
    SubFolderKind LinkKind(const Entry& entry, const Record* record) {
        struct stat st {};
        if (StatEntry(entry, record, st, 0) != 0 || !S_ISDIR(st.st_mode))
            return SubFolderKind::NotFolder;
        return SubFolderKind::FolderLink;
    }

    // A sub-folder on the volume being listed: walked, unless it is a folder already open on
    // the way down, reached again.
    SubFolderKind SubFolderOnDevice(const linuxos::FolderId& id) const {
        return state_->onPath.count(id) != 0 ? SubFolderKind::Loop : SubFolderKind::Folder;
    }

    // Takes a folder read ahead: its entries, attributes and details, or the failure met
    // reading it, are handed over as they are, and reported when the walker asks for them.
    void Adopt(std::shared_ptr<FolderNode> node) {
        if (!node) return;
        node_ = std::move(node);
        if (node_->openError != 0) {
            openError_ = node_->openError;
            return;
        }
        // Helpers may still be reading its files' details: the listing stays in the node.
        listing_ = &node_->listing;
        listingNumber_ = NewListingNumber();
        read_ = ReadState::Complete;
        readError_ = listing_->readError;
    }

    // Takes the result of opening this folder: a descriptor, or -1 with errno set.
    void Open(int fd) {
        if (fd < 0) {
            openError_ = errno;
            return;
        }
        SetDescriptor(fd);
        struct stat st {};
        if (linuxos::Sys().fstat(fd_, &st) != 0) return;
        id_ = linuxos::FolderId{st.st_dev, st.st_ino};
        if (expected_ && *id_ != *expected_) {
            // Another folder (or a link's target) put where the listing found this one.
            CloseDescriptor();
            id_.reset();
            openError_ = linuxos::kFolderReplaced;
        }
    }

    // Makes sure the folder is open: the first attempt's failure is reported, then a retry (or
    // a folder whose descriptor was given back) opens it by its path afresh.
    void EnsureOpen() {
        if (fd_ >= 0) return;
        if (openError_ != 0) {
            const int err = std::exchange(openError_, 0);
            throw FailureFromErrno(err);
        }
        SetDescriptor(WithDescriptors([&] { return OpenSelf(); }));
        if (fd_ < 0) throw FailureFromErrno(errno);
    }

    // Opens the sub-folder `name` relative to this folder; -1 with errno set on failure. With
    // many folders open, this one then gives its descriptor back, so that on the way down a
    // deep tree only the folders near its top keep theirs (and each is opened from its parent,
    // not by a path as long as the tree is deep).
    int OpenSubFolder(const std::string& name) {
        const int fd = WithDescriptors([&] {
            if (fd_ < 0) {
                const int self = OpenSelf();
                if (self < 0) return -1;
                SetDescriptor(self);
            }
            return linuxos::OpenAt(fd_, name.c_str(), true);
        });
        const int saved = errno;
        if (state_->openFolders > state_->walkerShare) CloseDescriptor();
        errno = saved;
        return fd;
    }

    // The path of this folder from `base`, one of the folders above it.
    std::string PathBelow(const PosixFolder* base) const {
        std::string path;
        for (const PosixFolder* folder = this; folder != base; folder = folder->parent_) {
            path.insert(0, folder->name_).insert(0, 1, '/');
        }
        return path.substr(1);
    }

    // The folder's path, ending in "/", put together from the names up to the start folder.
    std::string Path() const {
        std::vector<const PosixFolder*> chain;
        std::size_t length = 0;
        for (const PosixFolder* folder = this; folder != nullptr; folder = folder->parent_) {
            chain.push_back(folder);
            length += folder->name_.size() + 1;
        }
        std::string path;
        path.reserve(length);
        for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
            path += (*it)->name_;
            if ((*it)->parent_ != nullptr) path += '/';
        }
        return path;
    }

    // Reads every entry once. An error after some entries leaves those listed and is reported
    // at the end of the listing; an error before any entry fails at once.
    void Read() {
        const bool again = read_ != ReadState::NotRead;
        read_ = ReadState::Failed;
        EnsureOpen();
        if (again && linuxos::Sys().lseek(fd_, 0, SEEK_SET) != 0) {
            CloseDescriptor();
            EnsureOpen();
        }
        // Names handed out earlier must stay valid, so an earlier arena is kept, not reused.
        if (listing_ == &own_ && !own_.names->empty()) oldNames_.push_back(std::move(own_.names));
        listing_ = &own_;
        own_.names = std::make_unique<std::string>();
        listingNumber_ = NewListingNumber();
        const int err = linuxos::ReadListing(fd_, state_->buffers, own_);
        readError_ = own_.readError;
        if (err != 0) throw FailureFromErrno(err);
        read_ = ReadState::Complete;
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

    // Reports, once, the error that cut the listing short; the next BeginAll or BeginFiles then
    // reads the folder again (a Retry reads what the listing missed).
    void ReportReadError(bool& reported) {
        if (readError_ == 0 || reported) return;
        reported = true;
        read_ = ReadState::Failed;
        throw FailureFromErrno(readError_);
    }

    void Fill(Entry& entry, std::uint32_t index) const {
        const Record& record = listing_->records[index];
        entry.name = listing_->NameOf(record);
        entry.kind = record.kind;
        entry.index = index;
        entry.listing = listingNumber_;
    }

    // The record behind an entry, or null when the entry did not come from the current
    // listing (then it is looked up by name).
    Record* RecordOf(const Entry& entry) {
        if (entry.listing != listingNumber_ || entry.index >= listing_->records.size()) {
            return nullptr;
        }
        return &listing_->records[entry.index];
    }

    void StoreDetails(std::uint32_t index, const struct stat& st) {
        listing_->PrepareResults();
        listing_->details[index] = DetailsFromStat(st);
        listing_->records[index].flags |= linuxos::kHasDetails;
    }

    // Stats an entry relative to the folder, which is opened for it when it has no descriptor
    // (given back, or read ahead by a helper). Returns 0 or the errno value.
    int StatEntry(const Entry& entry, const Record* record, struct stat& st, int flags) {
        if (fd_ < 0) {
            const int fd = WithDescriptors([&] { return OpenSelf(); });
            if (fd < 0) return errno;
            SetDescriptor(fd);
        }
        std::string fallback;
        const char* name = nullptr;
        const int dirFd = fd_;
        if (record != nullptr) {
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
    PosixFolder* parent_ = nullptr;  // null for the start folder
    std::string name_;               // the name in the parent; the start folder's whole path
    std::shared_ptr<FolderNode> node_;
    std::optional<linuxos::FolderId> id_;
    std::optional<linuxos::FolderId> expected_;  // which folder this must be, once known
    int fd_ = -1;
    int openError_ = 0;
    ReadState read_ = ReadState::NotRead;
    int readError_ = 0;
    bool allEndReported_ = false;
    bool filesEndReported_ = false;
    Listing own_;                      // the listing when the walker reads the folder itself
    Listing* listing_ = &own_;         // that, or the node's when it was read ahead
    std::uint32_t listingNumber_ = 0;  // of *listing_, once there is one
    std::vector<std::unique_ptr<std::string>> oldNames_;
    std::size_t allCursor_ = 0;
    std::size_t fileCursor_ = 0;
    std::optional<linuxos::MaskMatcher> mask_;
};

class PosixFileSystem final : public FileSystem {
  public:
    explicit PosixFileSystem(int readThreads) : readThreads_(readThreads) {}

    ~PosixFileSystem() override {
        state_->prefetcher.reset();
        state_->CloseStart();
    }

    FolderTexts BeginWalk(const std::string& startPath) override {
        FolderTexts texts;
        struct stat st {};
        state_->knowDevice = false;
        state_->CloseStart();
        state_->startId.reset();
        // The start folder is looked up once: the folder whose volume is judged here is the
        // one listed. One that cannot be opened is still looked at, for its headings.
        int fd = linuxos::OpenFolderPath(startPath, false);
        if (fd >= 0 && linuxos::Sys().fstat(fd, &st) != 0) {
            linuxos::Sys().close(fd);
            fd = -1;
        }
        if (fd < 0 && linuxos::Sys().stat(startPath.c_str(), &st) != 0) {
            texts.path = startPath;
            texts.driveLessPath = startPath;
            texts.folderName = LastComponent(startPath);
            return texts;
        }
        state_->device = st.st_dev;
        state_->knowDevice = true;
        state_->walkerShare = kMaxOpenFolders;
        if (fd >= 0) {
            state_->startFd = fd;
            state_->startId = linuxos::FolderId{st.st_dev, st.st_ino};
            state_->startPath = startPath;
        }

        std::string canonical = startPath;
        if (char* resolved = linuxos::Sys().realpath(startPath.c_str())) {
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
        texts.folderName = below.empty() ? LastComponent(mountPoint) : LastComponent(canonical);
        texts.path = canonical;
        if (texts.path.back() != '/') texts.path += '/';
        state_->startCanonical = texts.path;
        return texts;
    }

    void Prefetch(std::string_view mask, bool files) override {
        state_->prefetcher.reset();
        if (!state_->knowDevice) return;
        const int threads =
            readThreads_ >= 0 ? readThreads_ : linuxos::PrefetchThreadsFor(state_->device);
        // The walker and the helpers share the descriptors the process may still open: the
        // walker keeps a few, the helpers use the rest; a handful are left for the program.
        const int free = FreeDescriptors();
        const int budget = free - std::min(8, free / 4);
        state_->walkerShare = std::clamp(budget / 4, 2, kMaxOpenFolders);
        const int helperShare = budget - state_->walkerShare;
        if (threads <= 0 || helperShare < 1) return;
        std::unique_ptr<linuxos::MaskMatcher> matcher;
        if (files && linuxos::MaskMatcher::IsUsable(mask))
            matcher = std::make_unique<linuxos::MaskMatcher>(mask);
        state_->prefetcher = std::make_unique<linuxos::Prefetcher>(
            threads, std::move(matcher), state_->device, state_->knowDevice, helperShare);
    }

    void StopReadingAhead() override { state_->prefetcher.reset(); }

    // Opens the folder and reads its first entries only: a huge folder is read once, by the walk.
    void CheckReadable(const std::string& path) override {
        const int fd = linuxos::OpenFolderPath(path, false);
        if (fd < 0) throw FailureFromErrno(errno);
        alignas(8) char buffer[4096];
        const ssize_t got = linuxos::RetryOnInterrupt(
            [&] { return linuxos::Sys().getDents64(fd, buffer, sizeof buffer); });
        const int err = errno;
        linuxos::Sys().close(fd);
        if (got < 0) throw FailureFromErrno(err);
    }

    void EndWalk() override {
        StopReadingAhead();
        state_->CloseStart();
    }

    std::unique_ptr<Folder> OpenFolder(const std::string& path) override {
        return std::make_unique<PosixFolder>(state_, path);
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
