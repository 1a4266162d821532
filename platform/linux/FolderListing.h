// SPDX-License-Identifier: MIT
// FolderListing: one folder's entries read in one go, sorted, with the attributes and file
// details that were read ahead of the walker.
#pragma once

#include <fcntl.h>
#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/linux/MaskMatcher.h"

namespace dirscribe::platform::linuxos {

// Which folder a folder is, whatever the path it was reached by.
struct FolderId {
    dev_t device = 0;
    ino_t inode = 0;
    // clang-tidy takes the defaulted comparison for a literal 0 that should be nullptr.
    friend auto operator<=>(const FolderId&,
                            const FolderId&) = default;  // NOLINT(modernize-use-nullptr)
};

// One entry of a folder: where its name lies in the arena and what is known of it.
struct Record {
    std::uint32_t offset = 0;
    std::uint16_t length = 0;
    EntryKind kind = EntryKind::Unknown;
    std::uint8_t flags = 0;
};

// Record flags.
inline constexpr std::uint8_t kHasDetails = 1;     // details[i] holds the file's length and time
inline constexpr std::uint8_t kDetailsFailed = 2;  // reading them failed ahead: errors[i]
inline constexpr std::uint8_t kKindKnown = 4;      // the attributes were read ahead:
inline constexpr std::uint8_t kSubFolder = 8;      //   a folder on the volume being listed
inline constexpr std::uint8_t kOtherVolume = 16;   //   a folder where another volume is mounted
inline constexpr std::uint8_t kKindFailed = 32;    // reading the attributes failed ahead: errors[i]
inline constexpr std::uint8_t kNotAFile = 64;      // a link that leads to no ordinary file

// A folder's entries, sorted by name without regard to case.
//
// Who writes what, and when. A listing read by the walker alone is the walker's throughout. A
// listing read ahead belongs to the helper that lists it until Prefetcher::Publish (under the
// prefetcher's lock): the names, the records' order, every record's kind and, for folders and
// entries of unknown kind, their kind flags (kKindKnown, kSubFolder, kOtherVolume, kKindFailed),
// errors and inodes. After publication:
//  - a file or link record (kind File or Link) of chunk c, with details[i], errors[i] and its
//    flags kHasDetails, kDetailsFailed and kNotAFile, is written only by whoever claimed chunk c
//    (its state kWorking, by compare-and-swap), and read by the walker only once chunk c is
//    kDone (Prefetcher::AwaitRecord);
//  - the kind of no record changes any more: the readers of a chunk decide by it which records
//    are theirs. The walker may clear kKindFailed on a folder record (never read by a chunk
//    reader), but learns the kind of an Unknown entry without writing it down;
//  - readError, names and the records' order never change.
struct Listing {
    std::unique_ptr<std::string> names = std::make_unique<std::string>();  // NUL-terminated
    std::vector<Record> records;
    std::vector<FileDetails> details;  // by record, where kHasDetails
    std::vector<int> errors;           // by record, where kDetailsFailed or kKindFailed
    std::vector<ino_t> inodes;         // by record, where kSubFolder (made when first needed)
    int readError = 0;                 // reading stopped early with this error

    std::string_view NameOf(const Record& r) const { return {names->data() + r.offset, r.length}; }
    const char* CNameOf(const Record& r) const { return names->data() + r.offset; }
    // Makes room for the per-record results.
    void PrepareResults();
    // Bytes this listing holds, roughly.
    std::size_t Cost() const { return names->size() + records.size() * 32; }
};

// Buffers one reader reuses from folder to folder.
struct ReadBuffers {
    std::vector<char> dirents;
    struct SortKey {
        std::uint64_t high = 0;
        std::uint64_t low = 0;
        std::uint32_t index = 0;
    };
    std::vector<SortKey> sortKeys;
};

// The order an NTFS drive lists names in, near enough: byte-wise after upper-casing ASCII
// letters; names equal in that way are ordered by their plain bytes.
bool NameLess(std::string_view a, std::string_view b);

struct AheadPlan;

// Reads every visible entry of the open folder `fd` (names beginning with "." are hidden) into
// a fresh listing and sorts it. An error after some entries leaves them listed with readError
// set; an error before any entry is returned (0 on success). With `early`, the details of a
// huge folder's files that the plan's mask selects are read on threads of their own while the
// folder is still being read (the records that have them carry kHasDetails).
int ReadListing(int fd, ReadBuffers& buffers, Listing& listing, const AheadPlan* early = nullptr);

// What the walk reads of every entry ahead of the walker.
struct AheadPlan {
    const MaskMatcher* mask = nullptr;  // the files whose details are read; none when null
    dev_t device = 0;                   // the volume being listed
    bool knowDevice = false;
    const std::atomic<bool>* stop = nullptr;  // checked now and then; true abandons the work
    // For tests: a huge folder's early readers are handed every buffer and read it all before
    // the listing is sorted (otherwise they read what they can while the folder is read).
    bool earlyReadsEverything = false;
};

// Reads, relative to the open folder `fd`, what the walker will ask of the folders among the
// entries (and of entries whose kind the listing did not give), recording results and failures
// in their records. Returns false when stopped early.
bool ReadAheadFolders(int fd, const AheadPlan& plan, Listing& listing);

// Reads the details of the files (and links) of records [begin, end) that the plan's mask
// selects. Each record is written by one reader only, so separate ranges may be read at once.
// Returns false when stopped early.
bool ReadAheadFiles(int fd, const AheadPlan& plan, Listing& listing, std::size_t begin,
                    std::size_t end);

// Both of the above over the whole listing.
bool ReadAhead(int fd, const AheadPlan& plan, Listing& listing);

// The kind of entry a stat mode describes.
EntryKind KindFromMode(mode_t mode);

// Opens a folder relative to `dirFd` (or by path with AT_FDCWD); -1 with errno on failure.
int OpenAt(int dirFd, const char* name, bool noFollow);

// Opens a folder by its path (relative to the open folder `base`, or to the current folder),
// also when the path is longer than the system accepts in one call. With `noFollowLast` a link
// in the last place is not opened. `base` stays open.
int OpenFolderPath(std::string_view path, bool noFollowLast, int base = AT_FDCWD);

}  // namespace dirscribe::platform::linuxos
