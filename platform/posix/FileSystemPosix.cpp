// FileSystemPosix: folders read once into a sorted arena of names, files stat'ed relative to
// their folder's descriptor.
#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/posix/Errors.h"
#include "platform/posix/MaskMatcher.h"
#include "platform/posix/Volumes.h"

namespace dirscribe::platform {

namespace {

using posix::FailureFromErrno;
using posix::RetryOnInterrupt;

// Folders past this many open descriptors give theirs back once read, and their sub-folders are
// opened by full path instead, so a deep tree never runs out of descriptors.
constexpr int kMaxOpenFolders = 64;
constexpr std::size_t kReadBufferSize = std::size_t{64} * 1024;
constexpr int kFolderOpenFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

// One entry of a folder: where its name lies in the arena and what the listing said of it.
struct Record {
    std::uint32_t offset = 0;
    std::uint16_t length = 0;
    EntryKind kind = EntryKind::Unknown;
    std::uint8_t flags = 0;
};
constexpr std::uint8_t kHasDetails = 1;  // details_ holds the entry's size and time

unsigned char Upper(unsigned char c) {
    return (c >= 'a' && c <= 'z') ? c - 32 : c;
}

// The first sixteen bytes of a name, upper-cased, as two numbers: nearly all names differ
// there (even "Track 01 ..." and "Track 02 ..."), so sorting compares numbers and rarely the
// names themselves. Names hold no NUL, so the zero padding of a short name sorts it before any
// longer name it begins.
struct SortKey {
    std::uint64_t high = 0;
    std::uint64_t low = 0;
    std::uint32_t index = 0;
};

std::uint64_t KeyWord(std::string_view name, std::size_t from) {
    std::uint64_t word = 0;
    for (std::size_t i = from; i < from + 8; ++i) {
        const unsigned char c = i < name.size() ? Upper(static_cast<unsigned char>(name[i])) : 0;
        word = (word << 8) | c;
    }
    return word;
}

// What all folders of one file system share: the volume being listed, the count of open
// descriptors, and buffers reused from folder to folder.
struct WalkState {
    dev_t device = 0;
    bool knowDevice = false;
    int openFolders = 0;
    std::vector<char> readBuffer;
    std::vector<SortKey> sortKeys;
};

// The order an NTFS drive lists names in, near enough: byte-wise after upper-casing ASCII
// letters; names equal in that way are ordered by their plain bytes.
bool NameLess(std::string_view a, std::string_view b) {
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const unsigned char ca = Upper(static_cast<unsigned char>(a[i]));
        const unsigned char cb = Upper(static_cast<unsigned char>(b[i]));
        if (ca != cb) return ca < cb;
    }
    if (a.size() != b.size()) return a.size() < b.size();
    return a < b;
}

EntryKind KindFromDirentType(unsigned char type) {
    switch (type) {
        case DT_DIR:
            return EntryKind::Folder;
        case DT_REG:
            return EntryKind::File;
        case DT_LNK:
            return EntryKind::Link;
        case DT_UNKNOWN:
            return EntryKind::Unknown;
        default:
            return EntryKind::Other;
    }
}

EntryKind KindFromMode(mode_t mode) {
    if (S_ISDIR(mode)) return EntryKind::Folder;
    if (S_ISREG(mode)) return EntryKind::File;
    if (S_ISLNK(mode)) return EntryKind::Link;
    return EntryKind::Other;
}

FileDetails DetailsFromStat(const struct stat& st) {
    return FileDetails{static_cast<std::int64_t>(st.st_size),
                       static_cast<std::int64_t>(st.st_mtim.tv_sec)};
}

int OpenAt(int dirFd, const char* name, bool noFollow) {
    const int flags = kFolderOpenFlags | (noFollow ? O_NOFOLLOW : 0);
    return RetryOnInterrupt([&] { return openat(dirFd, name, flags); });
}

// Opens a folder by its path, also when the path is longer than the system accepts in one
// call: then it goes down in pieces, each shorter than PATH_MAX. With `noFollowLast` a link in
// the last place is not opened (ENOTDIR), as a folder link must never be walked. Returns -1
// with errno set on failure.
int OpenFolderPath(std::string_view path, bool noFollowLast) {
    int base = AT_FDCWD;
    std::size_t pos = 0;
    std::string piece;
    const auto closeBase = [&] {
        if (base != AT_FDCWD) {
            const int saved = errno;
            close(base);
            errno = saved;
        }
    };
    while (path.size() - pos >= PATH_MAX) {
        const std::size_t cut = path.rfind('/', pos + PATH_MAX - 2);
        if (cut == std::string_view::npos || cut <= pos) {
            closeBase();
            errno = ENAMETOOLONG;
            return -1;
        }
        piece.assign(path.substr(pos, cut - pos + 1));
        const int next = OpenAt(base, piece.c_str(), false);
        closeBase();
        if (next < 0) return -1;
        base = next;
        pos = cut + 1;
    }
    piece.assign(path.substr(pos));
    if (noFollowLast) {
        // O_NOFOLLOW only looks at a last component without a trailing separator.
        while (piece.size() > 1 && piece.back() == '/') piece.pop_back();
    }
    if (piece.empty()) piece = ".";
    const int fd = OpenAt(base, piece.c_str(), noFollowLast);
    closeBase();
    return fd;
}

std::string_view LastComponent(std::string_view path) {
    while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
    if (path == "/") return path;
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

class PosixFolder final : public Folder {
  public:
    PosixFolder(std::shared_ptr<WalkState> state, const std::string& path, int parentFd,
                std::string_view name, bool hasParent)
        : state_(std::move(state)), path_(path), noFollow_(hasParent) {
        if (parentFd >= 0 && !name.empty()) {
            const std::string nameText(name);
            SetDescriptor(OpenAt(parentFd, nameText.c_str(), true));
        } else {
            SetDescriptor(OpenFolderPath(path_, noFollow_));
        }
        if (fd_ < 0) openError_ = errno;
    }

    ~PosixFolder() override { CloseDescriptor(); }

    int Descriptor() const { return fd_; }

    void BeginAll() override {
        if (listing_ != Listing::Complete) Read();
        allCursor_ = 0;
        allEndReported_ = false;
    }

    bool NextAll(Entry& entry) override {
        if (allCursor_ < records_.size()) {
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
        struct stat st {};
        if (const int err = StatEntry(entry, record, st, AT_SYMLINK_NOFOLLOW); err != 0) {
            throw FailureFromErrno(err);
        }
        if (record != nullptr && kind == EntryKind::Unknown) {
            record->kind = KindFromMode(st.st_mode);
            if (S_ISREG(st.st_mode)) StoreDetails(entry.index, st);
        }
        if (!S_ISDIR(st.st_mode)) return SubFolderKind::NotFolder;
        if (state_->knowDevice && st.st_dev != state_->device) return SubFolderKind::OtherVolume;
        return SubFolderKind::Folder;
    }

    void BeginFiles(std::string_view mask) override {
        if (!posix::MaskMatcher::IsUsable(mask)) {
            throw Failure(FailureNo::BadFileName, "Invalid file mask (a mask cannot contain '/')");
        }
        if (listing_ != Listing::Complete) Read();
        mask_.emplace(mask);
        fileCursor_ = 0;
        filesEndReported_ = false;
    }

    bool NextFile(Entry& entry) override {
        if (!mask_) return false;
        while (fileCursor_ < records_.size()) {
            const auto index = static_cast<std::uint32_t>(fileCursor_++);
            Record& record = records_[index];
            if (record.kind == EntryKind::Folder || record.kind == EntryKind::Other) continue;
            if (!mask_->Matches(NameOf(record))) continue;
            if (record.kind == EntryKind::Link || record.kind == EntryKind::Unknown) {
                // Only links to ordinary files are listed. A link that cannot be followed is
                // listed too: reading its details then tells why (a broken one is not found).
                struct stat st {};
                Entry probe;
                Fill(probe, index);
                if (StatEntry(probe, &record, st, 0) == 0) {
                    if (!S_ISREG(st.st_mode)) continue;
                    StoreDetails(index, st);
                }
            }
            Fill(entry, index);
            return true;
        }
        ReportReadError(filesEndReported_);
        return false;
    }

    FileDetails ReadDetails(const Entry& entry) override {
        const Record* record = RecordOf(entry);
        if (record != nullptr && (record->flags & kHasDetails) != 0 &&
            entry.index < details_.size()) {
            return details_[entry.index];
        }
        struct stat st {};
        if (const int err = StatEntry(entry, record, st, 0); err != 0) throw FailureFromErrno(err);
        return DetailsFromStat(st);
    }

    void DoneReading() override {
        if (fd_ >= 0 && state_->openFolders > kMaxOpenFolders) CloseDescriptor();
        details_ = {};
    }

  private:
    enum class Listing : std::uint8_t { NotRead, Complete, Failed };

    void SetDescriptor(int fd) {
        fd_ = fd;
        if (fd_ >= 0) ++state_->openFolders;
    }

    void CloseDescriptor() {
        if (fd_ < 0) return;
        close(fd_);  // not retried on EINTR: Linux has released the descriptor either way
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
        SetDescriptor(OpenFolderPath(path_, noFollow_));
        if (fd_ < 0) throw FailureFromErrno(errno);
    }

    // Reads every entry once. An error after some entries leaves those listed and is reported
    // at the end of the listing; an error before any entry fails at once.
    void Read() {
        const bool again = listing_ != Listing::NotRead;
        listing_ = Listing::Failed;
        Open();
        if (again && lseek(fd_, 0, SEEK_SET) != 0) {
            CloseDescriptor();
            Open();
        }
        // Names handed out earlier must stay valid, so an earlier arena is kept, not reused.
        if (names_ && !names_->empty()) oldNames_.push_back(std::move(names_));
        names_ = std::make_unique<std::string>();
        records_.clear();
        details_.clear();
        readError_ = 0;

        std::vector<char>& buffer = state_->readBuffer;
        if (buffer.size() < kReadBufferSize) buffer.resize(kReadBufferSize);
        for (;;) {
            const ssize_t got =
                RetryOnInterrupt([&] { return getdents64(fd_, buffer.data(), buffer.size()); });
            if (got < 0) {
                readError_ = errno;
                break;
            }
            if (got == 0) break;
            for (ssize_t pos = 0; pos < got;) {
                const auto* dirent = reinterpret_cast<const struct dirent64*>(buffer.data() + pos);
                pos += dirent->d_reclen;
                const char* name = dirent->d_name;
                if (name[0] == '.') continue;  // hidden, and never "." or ".."
                const std::size_t length = std::strlen(name);
                if (names_->size() + length + 1 > UINT32_MAX) {
                    readError_ = EOVERFLOW;
                    break;
                }
                Record record;
                record.offset = static_cast<std::uint32_t>(names_->size());
                record.length = static_cast<std::uint16_t>(length);
                record.kind = KindFromDirentType(dirent->d_type);
                names_->append(name, length + 1);  // with its NUL, for the *at calls
                records_.push_back(record);
            }
            if (readError_ != 0) break;
        }
        if (readError_ != 0 && records_.empty())
            throw FailureFromErrno(std::exchange(readError_, 0));
        Sort();
        listing_ = readError_ == 0 ? Listing::Complete : Listing::Failed;
    }

    void Sort() {
        const std::size_t count = records_.size();
        if (count < 2) return;
        auto& keys = state_->sortKeys;
        keys.resize(count);
        for (std::size_t i = 0; i < count; ++i) {
            const std::string_view name = NameOf(records_[i]);
            keys[i] = {KeyWord(name, 0), KeyWord(name, 8), static_cast<std::uint32_t>(i)};
        }
        std::sort(keys.begin(), keys.end(), [this](const SortKey& a, const SortKey& b) {
            if (a.high != b.high) return a.high < b.high;
            if (a.low != b.low) return a.low < b.low;
            return NameLess(NameOf(records_[a.index]), NameOf(records_[b.index]));
        });
        std::vector<Record> sorted;
        sorted.reserve(count);
        for (const auto& key : keys) sorted.push_back(records_[key.index]);
        records_.swap(sorted);
    }

    void ReportReadError(bool& reported) {
        if (readError_ == 0 || reported) return;
        reported = true;
        throw FailureFromErrno(readError_);
    }

    std::string_view NameOf(const Record& record) const {
        return {names_->data() + record.offset, record.length};
    }

    void Fill(Entry& entry, std::uint32_t index) const {
        const Record& record = records_[index];
        entry.name = NameOf(record);
        entry.kind = record.kind;
        entry.index = index;
    }

    // The record behind an entry, or null when the entry did not come from the current
    // listing (then it is looked up by name).
    Record* RecordOf(const Entry& entry) {
        if (entry.index >= records_.size()) return nullptr;
        Record& record = records_[entry.index];
        if (entry.name.data() != names_->data() + record.offset) return nullptr;
        return &record;
    }

    void StoreDetails(std::uint32_t index, const struct stat& st) {
        if (details_.size() != records_.size()) details_.resize(records_.size());
        details_[index] = DetailsFromStat(st);
        records_[index].flags |= kHasDetails;
    }

    // Stats an entry relative to the open folder; by full path once the folder has given its
    // descriptor back. Returns 0 or the errno value.
    int StatEntry(const Entry& entry, const Record* record, struct stat& st, int flags) {
        std::string fallback;
        const char* name = nullptr;
        int dirFd = fd_;
        if (dirFd < 0) {
            fallback.assign(path_).append(entry.name);
            name = fallback.c_str();
            dirFd = AT_FDCWD;
        } else if (record != nullptr) {
            name = names_->data() + record->offset;
        } else {
            fallback.assign(entry.name);
            name = fallback.c_str();
        }
        const int result = RetryOnInterrupt([&] { return fstatat(dirFd, name, &st, flags); });
        return result == 0 ? 0 : errno;
    }

    std::shared_ptr<WalkState> state_;
    std::string path_;
    bool noFollow_ = false;
    int fd_ = -1;
    int openError_ = 0;
    Listing listing_ = Listing::NotRead;
    int readError_ = 0;
    bool allEndReported_ = false;
    bool filesEndReported_ = false;
    std::unique_ptr<std::string> names_ = std::make_unique<std::string>();
    std::vector<std::unique_ptr<std::string>> oldNames_;
    std::vector<Record> records_;
    std::vector<FileDetails> details_;
    std::size_t allCursor_ = 0;
    std::size_t fileCursor_ = 0;
    std::optional<posix::MaskMatcher> mask_;
};

class PosixFileSystem final : public FileSystem {
  public:
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
        const auto mount = posix::FindMount(canonical);
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

    std::unique_ptr<Folder> OpenFolder(const std::string& path, Folder* parent,
                                       std::string_view name) override {
        auto* posixParent = dynamic_cast<PosixFolder*>(parent);
        const int parentFd = posixParent != nullptr ? posixParent->Descriptor() : -1;
        return std::make_unique<PosixFolder>(state_, path, parentFd, name, parent != nullptr);
    }

  private:
    std::shared_ptr<WalkState> state_ = std::make_shared<WalkState>();
};

}  // namespace

std::unique_ptr<FileSystem> MakeFileSystem() {
    return std::make_unique<PosixFileSystem>();
}

}  // namespace dirscribe::platform
