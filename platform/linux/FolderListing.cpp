// SPDX-License-Identifier: MIT
// FolderListing: a folder read with getdents64 into one arena of names, sorted by a key of
// upper-cased leading bytes, and the stat calls made ahead of the walker.
#include "platform/linux/FolderListing.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

#include "platform/linux/Errors.h"
#include "platform/linux/PathTools.h"
#include "platform/linux/SystemCalls.h"

namespace dirscribe::platform::linuxos {

namespace {

constexpr std::size_t kReadBufferSize = std::size_t{64} * 1024;
constexpr std::size_t kKeptSortKeys = 16384;  // 384 KiB
constexpr int kFolderOpenFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

unsigned char Upper(unsigned char c) {
    return (c >= 'a' && c <= 'z') ? c - 32 : c;
}

// Eight bytes of a name from `from`, upper-cased, as one number. The first sixteen bytes
// decide nearly every comparison (even "Track 01 ..." against "Track 02 ..."), so sorting
// compares numbers and rarely the names themselves. Names hold no NUL, so the zero padding of a
// short name sorts it before any longer name it begins.
std::uint64_t KeyWord(std::string_view name, std::size_t from) {
    if (from + 8 <= name.size()) {
        // All eight bytes at once: loaded first byte highest, then a-z turned into A-Z in
        // every byte together (bytes from 0x80 up are left as they are).
        std::uint64_t word = 0;
        std::memcpy(&word, name.data() + from, 8);
        if constexpr (std::endian::native == std::endian::little) word = __builtin_bswap64(word);
        constexpr std::uint64_t kOnes = 0x0101010101010101;
        constexpr std::uint64_t kHigh = kOnes * 0x80;
        const std::uint64_t seven = word & ~kHigh;
        const std::uint64_t fromA = seven + kOnes * (0x80 - 'a');
        const std::uint64_t pastZ = seven + kOnes * (0x80 - 'z' - 1);
        const std::uint64_t lower = fromA & ~pastZ & ~word & kHigh;
        return word - (lower >> 2);
    }
    std::uint64_t word = 0;
    for (std::size_t i = from; i < from + 8; ++i) {
        const unsigned char c = i < name.size() ? Upper(static_cast<unsigned char>(name[i])) : 0;
        word = (word << 8) | c;
    }
    return word;
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

using SortKey = ReadBuffers::SortKey;

// A function object rather than a function, so that std::sort inlines it.
struct KeyLess {
    bool operator()(const SortKey& a, const SortKey& b) const {
        return a.high != b.high ? a.high < b.high : a.low < b.low;
    }
};

bool KeyEqual(const SortKey& a, const SortKey& b) {
    return a.high == b.high && a.low == b.low;
}

// Sorts keys [first, last), which hold the sixteen bytes of their names from `depth` on. Names
// whose keys tie there are equal up to depth + 16 without regard to case. A name that ends
// before depth + 16 is padded with zeros that no other name's bytes match, so all of its run
// end where it does: such a run is ordered by plain bytes. The others are ordered by their next
// sixteen bytes, so no byte is ever compared twice.
void SortKeys(const Listing& listing, SortKey* first, SortKey* last, std::size_t depth) {
    std::sort(first, last, KeyLess{});
    const auto nameOf = [&](const SortKey& key) {
        return listing.NameOf(listing.records[key.index]);
    };
    for (SortKey* run = first; run != last;) {
        SortKey* end = run + 1;
        while (end != last && KeyEqual(*run, *end)) ++end;
        if (end - run > 1) {
            if (nameOf(*run).size() < depth + 16) {
                std::sort(run, end, [&](const SortKey& a, const SortKey& b) {
                    return nameOf(a) < nameOf(b);
                });
            } else {
                for (SortKey* key = run; key != end; ++key) {
                    const std::string_view name = nameOf(*key);
                    key->high = KeyWord(name, depth + 16);
                    key->low = KeyWord(name, depth + 24);
                }
                SortKeys(listing, run, end, depth + 16);
            }
        }
        run = end;
    }
}

// Details of files read while their folder was still being read, by the order the entries came.
struct EarlyResults {
    struct Batch {
        std::size_t first = 0;             // the index, in reading order, of its first entry
        std::vector<FileDetails> details;  // by entry from `first`
        std::vector<std::uint8_t> have;    // 1 where details holds what stat gave
    };
    std::deque<Batch> batches;  // in reading order; a batch stays where it is as more come

    // Moves the details of the entry read as `index` into record `at` of the listing.
    void Store(std::size_t index, Listing& listing, std::size_t at) const {
        auto batch = std::upper_bound(batches.begin(), batches.end(), index,
                                      [](std::size_t i, const Batch& b) { return i < b.first; });
        if (batch == batches.begin()) return;
        --batch;
        const std::size_t k = index - batch->first;
        if (k >= batch->have.size() || batch->have[k] == 0) return;
        listing.records[at].flags |= kHasDetails;
        listing.details[at] = batch->details[k];
    }
};

void Sort(ReadBuffers& buffers, Listing& listing, const EarlyResults* early) {
    const std::size_t count = listing.records.size();
    if (early != nullptr && !early->batches.empty()) listing.PrepareResults();
    if (count < 2) {
        if (count == 1 && early != nullptr) early->Store(0, listing, 0);
        return;
    }
    auto& keys = buffers.sortKeys;
    keys.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::string_view name = listing.NameOf(listing.records[i]);
        keys[i] = {KeyWord(name, 0), KeyWord(name, 8), static_cast<std::uint32_t>(i)};
    }
    SortKeys(listing, keys.data(), keys.data() + count, 0);
    std::vector<Record> sorted;
    sorted.reserve(count);
    for (const auto& key : keys) sorted.push_back(listing.records[key.index]);
    listing.records.swap(sorted);
    if (early != nullptr && !early->batches.empty()) {
        for (std::size_t i = 0; i < count; ++i) early->Store(keys[i].index, listing, i);
    }
    // The keys of a huge folder are not kept for the next one: they would stay as long as the
    // reader, beside the listing they sorted.
    if (keys.capacity() > kKeptSortKeys) keys = {};
}

int Stat(int fd, const char* name, struct stat& st, int flags) {
    return RetryOnInterrupt([&] { return Sys().fstatAt(fd, name, &st, flags); }) == 0 ? 0 : errno;
}

// Reads the details of a huge folder's files on threads of its own while the folder is still
// being read: each getdents buffer is copied and handed out as it comes, its entries counted
// as the reading counts them. What a thread cannot read (a failure, a link to no ordinary
// file) is left for the readers after the listing, which look again.
class EarlyReader {
  public:
    EarlyReader(int fd, const AheadPlan& plan) : fd_(fd), plan_(plan) {}
    EarlyReader(const EarlyReader&) = delete;
    EarlyReader& operator=(const EarlyReader&) = delete;
    ~EarlyReader() { Finish(); }

    // Hands out the entries of one getdents buffer; `first` is the index the reading gives the
    // buffer's first visible entry, `count` how many it takes from it. False when no thread
    // could be started (the buffer is then the readers' after the listing).
    bool Add(const char* bytes, std::size_t size, std::size_t first, std::size_t count) {
        if (threads_.empty() && !Start()) return false;
        {
            // The threads read more slowly than the folder is read: a buffer they would not
            // reach in time is not copied at all.
            std::lock_guard lock(mutex_);
            if (work_.size() >= kMaxWaiting && !plan_.earlyReadsEverything) return true;
        }
        EarlyResults::Batch batch;
        batch.first = first;
        batch.details.resize(count);
        batch.have.resize(count);
        std::lock_guard lock(mutex_);
        results_.batches.push_back(std::move(batch));
        work_.push_back({std::vector<char>(bytes, bytes + size), results_.batches.size() - 1});
        ready_.notify_one();
        return true;
    }

    // Stops the threads where they are and waits for them: what they have not read by the
    // time the folder is read is left to the readers after the listing, who are more.
    const EarlyResults& Finish() {
        if (!plan_.earlyReadsEverything) closing_.store(true, std::memory_order_relaxed);
        {
            std::lock_guard lock(mutex_);
            closed_ = true;
            if (!plan_.earlyReadsEverything) work_.clear();
        }
        ready_.notify_all();
        for (auto& thread : threads_) thread.join();
        threads_.clear();
        return results_;
    }

  private:
    static constexpr std::size_t kMaxWaiting = 2;  // buffers copied and waiting for a thread
    struct Work {
        std::vector<char> bytes;
        std::size_t batch = 0;
    };

    bool Start() {
        const unsigned cores = std::max(2u, std::thread::hardware_concurrency());
        const unsigned wanted = std::min(cores - 1, 3u);
        try {
            for (unsigned i = 0; i < wanted; ++i) threads_.emplace_back([this] { Run(); });
        } catch (const std::system_error&) {
            // As many as the system gave, or none.
        }
        return !threads_.empty();
    }

    void Run() {
        for (;;) {
            Work work;
            EarlyResults::Batch* batch = nullptr;
            {
                std::unique_lock lock(mutex_);
                ready_.wait(lock, [&] { return closed_ || !work_.empty(); });
                if (work_.empty()) return;
                work = std::move(work_.front());
                work_.pop_front();
                // The batches' vector grows only under the lock, and only before Finish; a
                // batch's own vectors were sized when it was added.
                batch = &results_.batches[work.batch];
            }
            Read(work.bytes, *batch);
        }
    }

    bool Closed() const {
        return closing_.load(std::memory_order_relaxed) ||
               (plan_.stop != nullptr && plan_.stop->load(std::memory_order_relaxed));
    }

    void Read(const std::vector<char>& bytes, EarlyResults::Batch& batch) const {
        struct stat st {};
        std::size_t k = 0;
        for (std::size_t pos = 0; pos < bytes.size() && k < batch.have.size();) {
            const auto* dirent = reinterpret_cast<const struct dirent64*>(bytes.data() + pos);
            pos += dirent->d_reclen;
            const char* name = dirent->d_name;
            if (name[0] == '.') continue;  // as the reading skips them
            const std::size_t at = k++;
            if (Closed()) return;
            const EntryKind kind = KindFromDirentType(dirent->d_type);
            if (kind != EntryKind::File && kind != EntryKind::Link) continue;
            if (!plan_.mask->Matches(name)) continue;
            if (Stat(fd_, name, st, 0) == 0 && S_ISREG(st.st_mode)) {
                batch.details[at] = {static_cast<std::int64_t>(st.st_size),
                                     static_cast<std::int64_t>(st.st_mtim.tv_sec)};
                batch.have[at] = 1;
            }
        }
    }

    const int fd_;
    const AheadPlan& plan_;
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<Work> work_;
    bool closed_ = false;
    std::atomic<bool> closing_{false};
    EarlyResults results_;
    std::vector<std::thread> threads_;
};

}  // namespace

EntryKind KindFromMode(mode_t mode) {
    if (S_ISDIR(mode)) return EntryKind::Folder;
    if (S_ISREG(mode)) return EntryKind::File;
    if (S_ISLNK(mode)) return EntryKind::Link;
    return EntryKind::Other;
}

void Listing::PrepareResults() {
    if (details.size() != records.size()) details.resize(records.size());
    if (errors.size() != records.size()) errors.resize(records.size());
}

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

int ReadListing(int fd, ReadBuffers& buffers, Listing& listing, const AheadPlan* early) {
    listing.records.clear();
    listing.details.clear();
    listing.errors.clear();
    listing.readError = 0;
    std::vector<char>& buffer = buffers.dirents;
    if (buffer.size() < kReadBufferSize) buffer.resize(kReadBufferSize);
    std::optional<EarlyReader> reader;
    bool first = true;
    for (;;) {
        const ssize_t got =
            RetryOnInterrupt([&] { return Sys().getDents64(fd, buffer.data(), buffer.size()); });
        if (got < 0) {
            listing.readError = errno;
            break;
        }
        if (got == 0) break;
        // A first buffer more than half full: a folder of a thousand entries or more, whose
        // files are read on the early reader's threads from now on.
        if (first && early != nullptr && early->mask != nullptr &&
            static_cast<std::size_t>(got) > kReadBufferSize / 2) {
            reader.emplace(fd, *early);
        }
        first = false;
        const std::size_t before = listing.records.size();
        for (ssize_t pos = 0; pos < got;) {
            const auto* dirent = reinterpret_cast<const struct dirent64*>(buffer.data() + pos);
            pos += dirent->d_reclen;
            const char* name = dirent->d_name;
            if (name[0] == '.') continue;  // hidden, and never "." or ".."
            const std::size_t length = std::strlen(name);
            if (listing.names->size() + length + 1 > UINT32_MAX) {
                listing.readError = EOVERFLOW;
                break;
            }
            Record record;
            record.offset = static_cast<std::uint32_t>(listing.names->size());
            record.length = static_cast<std::uint16_t>(length);
            record.kind = KindFromDirentType(dirent->d_type);
            listing.names->append(name, length + 1);  // with its NUL, for the *at calls
            listing.records.push_back(record);
        }
        if (reader && !reader->Add(buffer.data(), static_cast<std::size_t>(got), before,
                                   listing.records.size() - before)) {
            reader.reset();
        }
        if (listing.readError != 0) break;
    }
    if (listing.readError != 0 && listing.records.empty())
        return std::exchange(listing.readError, 0);
    Sort(buffers, listing, reader ? &reader->Finish() : nullptr);
    return 0;
}

namespace {

bool Stopped(const AheadPlan& plan, std::size_t i) {
    return (i & 255) == 255 && plan.stop != nullptr && plan.stop->load(std::memory_order_relaxed);
}

void StoreDetails(Listing& listing, std::size_t i, const struct stat& st) {
    listing.records[i].flags |= kHasDetails;
    listing.details[i] = {static_cast<std::int64_t>(st.st_size),
                          static_cast<std::int64_t>(st.st_mtim.tv_sec)};
}

}  // namespace

bool ReadAheadFolders(int fd, const AheadPlan& plan, Listing& listing) {
    listing.PrepareResults();
    struct stat st {};
    for (std::size_t i = 0; i < listing.records.size(); ++i) {
        if (Stopped(plan, i)) return false;
        Record& record = listing.records[i];
        if (record.kind != EntryKind::Folder && record.kind != EntryKind::Unknown) continue;
        if (const int err = Stat(fd, listing.CNameOf(record), st, AT_SYMLINK_NOFOLLOW); err != 0) {
            record.flags |= kKindFailed;
            listing.errors[i] = err;
            continue;
        }
        record.flags |= kKindKnown;
        if (record.kind == EntryKind::Unknown) {
            record.kind = KindFromMode(st.st_mode);
            if (S_ISREG(st.st_mode)) StoreDetails(listing, i, st);
        }
        if (S_ISDIR(st.st_mode)) {
            record.kind = EntryKind::Folder;
            if (plan.knowDevice && st.st_dev != plan.device) {
                record.flags |= kOtherVolume;
            } else {
                record.flags |= kSubFolder;
                if (listing.inodes.size() != listing.records.size())
                    listing.inodes.resize(listing.records.size());
                listing.inodes[i] = st.st_ino;
            }
        }
    }
    return true;
}

bool ReadAheadFiles(int fd, const AheadPlan& plan, Listing& listing, std::size_t begin,
                    std::size_t end) {
    if (plan.mask == nullptr) return true;
    struct stat st {};
    for (std::size_t i = begin; i < end && i < listing.records.size(); ++i) {
        if (Stopped(plan, i)) return false;
        Record& record = listing.records[i];
        if (record.kind != EntryKind::File && record.kind != EntryKind::Link) continue;
        if ((record.flags & kHasDetails) != 0) continue;
        if (!plan.mask->Matches(listing.NameOf(record))) continue;
        if (const int err = Stat(fd, listing.CNameOf(record), st, 0); err != 0) {
            record.flags |= kDetailsFailed;
            listing.errors[i] = err;
        } else if (!S_ISREG(st.st_mode)) {
            record.flags |= kNotAFile;
        } else {
            StoreDetails(listing, i, st);
        }
    }
    return true;
}

bool ReadAhead(int fd, const AheadPlan& plan, Listing& listing) {
    return ReadAheadFolders(fd, plan, listing) &&
           ReadAheadFiles(fd, plan, listing, 0, listing.records.size());
}

int OpenAt(int dirFd, const char* name, bool noFollow) {
    const int flags = kFolderOpenFlags | (noFollow ? O_NOFOLLOW : 0);
    return RetryOnInterrupt([&] { return Sys().openAt(dirFd, name, flags); });
}

int OpenFolderPath(std::string_view path, bool noFollowLast, int from) {
    int base = from;
    std::size_t pos = 0;
    std::string piece;
    const auto closeBase = [&] {
        if (base != from) {
            const int saved = errno;
            Sys().close(base);
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

}  // namespace dirscribe::platform::linuxos
