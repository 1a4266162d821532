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
#include <bit>
#include <cerrno>
#include <cstring>
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

void Sort(ReadBuffers& buffers, Listing& listing) {
    const std::size_t count = listing.records.size();
    if (count < 2) return;
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
    // The keys of a huge folder are not kept for the next one: they would stay as long as the
    // reader, beside the listing they sorted.
    if (keys.capacity() > kKeptSortKeys) keys = {};
}

int Stat(int fd, const char* name, struct stat& st, int flags) {
    return RetryOnInterrupt([&] { return Sys().fstatAt(fd, name, &st, flags); }) == 0 ? 0 : errno;
}

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

int ReadListing(int fd, ReadBuffers& buffers, Listing& listing) {
    listing.records.clear();
    listing.details.clear();
    listing.errors.clear();
    listing.readError = 0;
    std::vector<char>& buffer = buffers.dirents;
    if (buffer.size() < kReadBufferSize) buffer.resize(kReadBufferSize);
    for (;;) {
        const ssize_t got =
            RetryOnInterrupt([&] { return Sys().getDents64(fd, buffer.data(), buffer.size()); });
        if (got < 0) {
            listing.readError = errno;
            break;
        }
        if (got == 0) break;
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
        if (listing.readError != 0) break;
    }
    if (listing.readError != 0 && listing.records.empty())
        return std::exchange(listing.readError, 0);
    Sort(buffers, listing);
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
