// SPDX-License-Identifier: MIT
// FileSystem: the walker's view of folders and files, behind one header for every OS.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "base/Failure.h"

namespace dirscribe::platform {

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// What the folder listing tells of an entry before its attributes are read.
enum class EntryKind : std::uint8_t {
    Unknown,  // the listing did not say; the attributes must be read
    Folder,
    File,
    Link,   // a symbolic link or junction, not yet followed
    Other,  // device, pipe, socket: never listed
};

// One entry of a folder listing. `name` stays valid as long as the Folder that returned it.
struct Entry {
    std::string_view name;
    EntryKind kind = EntryKind::Unknown;
    std::uint32_t index = 0;    // the entry's place in the records of that listing
    std::uint32_t listing = 0;  // the listing that gave it (see NewListingNumber); an entry
                                // made elsewhere (0) or of an earlier listing is found by name
};

// A number for a folder's listing, new in the process, so that an entry tells which listing
// (of which folder, and which reading of it) its index belongs to.
inline std::uint32_t NewListingNumber() {
    static std::atomic<std::uint32_t> last{0};
    return ++last;
}

// What the first pass learns from an entry's attributes.
enum class SubFolderKind : std::uint8_t {
    NotFolder,    // a file, a link to a file or to nothing, or anything else
    Folder,       // a folder on the volume being listed: listed and walked
    OtherVolume,  // a folder that is another file system's mount point: listed, not entered
    FolderLink,   // a symbolic link, junction or folder link to a folder: listed, never
                  // entered (a link cycle would otherwise never end)
    Loop,         // a folder already on the path being walked (on Windows: already gone into
                  // in this walk), reached again through a mount
                  // or a link the system shows as a folder: listed, not entered
};

// Length and last-modification time of a file.
struct FileDetails {
    std::int64_t size = 0;   // bytes
    std::int64_t mtime = 0;  // seconds since 1970-01-01 00:00 UTC
};

// The start folder's path as the walk uses it and the texts of its heading. The path is the
// one form every line of the walk gives: where the system resolves links and ".." (Linux), the
// resolved path, so that a heading's path below the volume and a file line's full path agree.
struct FolderTexts {
    std::string path;           // the start folder's path, ending with the separator
    std::string driveLessPath;  // path below the volume's root, starting and ending with the
                                // separator
    std::string folderName;     // last component, or the volume's own name at its root
};

// One folder being read. Every operation that touches the disk throws Failure with the
// number the walker reports it by (52 bad name, 53 not found, 75 access refused, ...).
// Hidden entries (and on Windows system entries) are never returned.
class Folder {
  public:
    virtual ~Folder() = default;
    Folder() = default;
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;

    // Starts the listing of every entry, folders included ("*.*").
    virtual void BeginAll() = 0;
    // The next entry of that listing; false at its end.
    virtual bool NextAll(Entry& entry) = 0;
    // Reads the attributes of an entry returned by NextAll.
    virtual SubFolderKind ReadKind(const Entry& entry) = 0;
    // Starts the listing of the ordinary files whose names match `mask`.
    virtual void BeginFiles(std::string_view mask) = 0;
    // The next entry of that listing; false at its end.
    virtual bool NextFile(Entry& entry) = 0;
    // Reads the length and time of an entry returned by NextFile (a link to a file gives its
    // target's; a broken link fails as not found).
    virtual FileDetails ReadDetails(const Entry& entry) = 0;
    // Called when the walk no longer needs the entries' attributes, only to open sub-folders:
    // an implementation may give back OS handles here.
    virtual void DoneReading() {}
    // Prepares the sub-folder `name` of this folder, an entry ReadKind found to be a folder.
    // Nothing is read until its BeginAll/BeginFiles. This folder must outlive the child: a
    // folder keeps no path of its own but its name, so that a deep tree costs memory in
    // proportion to its depth, not to the square of it.
    virtual std::unique_ptr<Folder> OpenChild(std::string_view name) = 0;
};

class FileSystem {
  public:
    virtual ~FileSystem() = default;

    // Called once per walk with the start folder's path (ending in the separator): remembers
    // the volume being listed and returns the start folder's heading texts. Never throws.
    virtual FolderTexts BeginWalk(const std::string& startPath) = 0;
    // Called after BeginWalk with the walk's mask and whether files are listed at all: an
    // implementation may begin reading ahead of the walker. The default does nothing.
    virtual void Prefetch(std::string_view /*mask*/, bool /*files*/) {}
    // Called when a stop was asked for in the middle of the walk: any reading ahead ends at
    // once, and what the walk still needs on its way out is read on the spot.
    virtual void StopReadingAhead() {}
    // Called when the walk is over (done, stopped or given up): reading ahead ends.
    virtual void EndWalk() { StopReadingAhead(); }
    // Prepares the folder at `path` (ending in the separator), where a walk starts; the folders
    // below it are opened with Folder::OpenChild. Nothing is read until BeginAll/BeginFiles.
    virtual std::unique_ptr<Folder> OpenFolder(const std::string& path) = 0;
    // Throws the Failure that BeginAll would meet at the start of the folder at `path` (ending
    // in the separator), before any walk: whether it can be opened and read at all. The
    // default reads the whole folder; an implementation may read only its first entries.
    virtual void CheckReadable(const std::string& path) {
        BeginWalk(path);
        OpenFolder(path)->BeginAll();
        EndWalk();
    }
};

// The file system of this machine.
std::unique_ptr<FileSystem> MakeFileSystem();

// True when `path` names an existing file that a new list written there would replace
// (a folder does not count).
bool ListFileExists(const std::string& path);

// Whether `path` names a folder (links followed). Throws Failure, with the system's text for
// the reason, when it cannot be told (a missing path among them).
bool IsFolder(const std::string& path);

// Names the walk passes over wherever they stand: "." and ".." and the Windows paging file
// (a folder of that name is not entered either). Reading ahead leaves them out the same way.
inline bool IsSkippedName(std::string_view name) {
    return name == "." || name == ".." || name == "pagefile.sys";
}

// The volume label of the drive whose text the drive list shows (or of the volume holding a
// path); empty when the volume has none. Throws Failure when the drive cannot be read.
std::string VolumeLabel(const std::string& drive);

// The drive of a path, as the tray control wants it: on Windows the upper-cased first
// character, elsewhere the device of the volume holding the path (empty when none).
std::string DriveOfPath(const std::string& path);

// Makes a path the user typed absolute (relative to the current folder), without resolving links.
std::string AbsolutePath(const std::string& path);

}  // namespace dirscribe::platform
