// SPDX-License-Identifier: MIT
// FileSystemWin32: folders read with FindFirstFileExW, one pass for the sub-folders ("*.*") and
// one with the mask for the files, every detail taken from the find data.
#include "platform/win32/FileSystemWin32.h"

#include <windows.h>

#include <cwchar>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "base/Utf8.h"
#include "base/WindowsTime.h"
#include "platform/win32/WinErrors.h"
#include "platform/win32/WinText.h"

namespace dirscribe::platform {

namespace win32 {

namespace {

std::int64_t SecondsFromFileTime(const FILETIME& time) {
    const auto ticks = static_cast<std::int64_t>(
        (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
    return ticks / kTicksPerSecond - kSecondsFrom1601To1970;
}

std::int64_t SizeOf(DWORD high, DWORD low) {
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(high) << 32) | low);
}

bool IsNameSurrogate(std::uint32_t attributes, std::uint32_t reparseTag) {
    return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
           IsReparseTagNameSurrogate(reparseTag);
}

// An open FindFirstFileExW search, closed when it goes.
class FindHandle {
  public:
    FindHandle() = default;
    ~FindHandle() { Close(); }
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;

    // Starts a search; false when nothing matches. Throws Failure on any other error.
    bool Open(const std::wstring& pattern, WIN32_FIND_DATAW& data) {
        Close();
        handle_ = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch,
                                   nullptr, FIND_FIRST_EX_LARGE_FETCH);
        if (handle_ != INVALID_HANDLE_VALUE) return true;
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES) return false;
        throw FailureFromError(error);
    }
    // The next match; false at the end. Throws Failure when the search breaks off.
    bool Next(WIN32_FIND_DATAW& data) {
        if (handle_ == INVALID_HANDLE_VALUE) return false;
        if (FindNextFileW(handle_, &data)) return true;
        const DWORD error = GetLastError();
        Close();
        if (error == ERROR_NO_MORE_FILES) return false;
        throw FailureFromError(error);
    }
    void Close() {
        if (handle_ != INVALID_HANDLE_VALUE)
            FindClose(std::exchange(handle_, INVALID_HANDLE_VALUE));
    }

  private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

// Which folder a folder is, whatever the path it was reached by.
struct FolderId {
    DWORD volumeSerial = 0;
    DWORD indexHigh = 0;
    DWORD indexLow = 0;
    friend bool operator==(const FolderId&, const FolderId&) = default;
};

struct FolderIdHash {
    std::size_t operator()(const FolderId& id) const {
        const std::uint64_t index = (std::uint64_t{id.indexHigh} << 32) | id.indexLow;
        return std::hash<std::uint64_t>{}(index * 31 + id.volumeSerial);
    }
};

// What one walk remembers of the folders it went into: each by its identity, with the folder
// and name it was found under (a sub-folder judged again, on a Retry, is still that one).
struct WalkMemory {
    struct Claim {
        std::uint64_t folder = 0;  // the serial number of the folder it was found in
        std::string name;
    };
    std::unordered_map<FolderId, Claim, FolderIdHash> folders;
    std::uint64_t lastSerial = 0;
};

// The identity of the folder at `path`; none when it cannot be read.
std::optional<FolderId> FolderIdOf(const std::wstring& path) {
    HANDLE folder = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (folder == INVALID_HANDLE_VALUE) return std::nullopt;
    BY_HANDLE_FILE_INFORMATION info{};
    const BOOL ok = GetFileInformationByHandle(folder, &info);
    CloseHandle(folder);
    if (!ok) return std::nullopt;
    return FolderId{info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
}

// One entry as the find data gave it. Records live in a deque, so the names handed out stay
// where they are for as long as the folder.
struct Record {
    std::string name;
    std::uint32_t attributes = 0;
    std::uint32_t reparseTag = 0;
    FileDetails details;
};

Record RecordFrom(const WIN32_FIND_DATAW& data) {
    Record record;
    record.name = Utf8(data.cFileName);
    record.attributes = data.dwFileAttributes;
    record.reparseTag =
        (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ? data.dwReserved0 : 0;
    record.details.size = SizeOf(data.nFileSizeHigh, data.nFileSizeLow);
    record.details.mtime = SecondsFromFileTime(data.ftLastWriteTime);
    return record;
}

class Win32Folder final : public Folder {
  public:
    // The start folder, by its path (ending in "\\").
    Win32Folder(std::shared_ptr<WalkMemory> memory, const std::string& path)
        : memory_(std::move(memory)), serial_(++memory_->lastSerial), name_(Wide(path)) {}
    // The sub-folder `name` of `parent`.
    Win32Folder(const Win32Folder& parent, std::string_view name)
        : memory_(parent.memory_),
          serial_(++memory_->lastSerial),
          parent_(&parent),
          name_(Wide(name)),
          verbatim_(parent.verbatim_ || NeedsVerbatim(name_)) {}

    std::unique_ptr<Folder> OpenChild(std::string_view name) override {
        return std::make_unique<Win32Folder>(*this, name);
    }

    void BeginAll() override { Begin(Pass::All, L"*.*"); }

    bool NextAll(Entry& entry) override { return Next(Pass::All, entry); }

    SubFolderKind ReadKind(const Entry& entry) override {
        const Record& record = RecordOf(entry);
        // The path is put together only for folders: every file of the folder passes here.
        const auto pathOf = [&] { return EntryPath(record.name); };
        const SubFolderKind kind = SubFolderKindOf(record.attributes, record.reparseTag, [&] {
            const std::wstring root = pathOf() + L'\\';
            wchar_t volume[MAX_PATH] = {};
            return GetVolumeNameForVolumeMountPointW(root.c_str(), volume, MAX_PATH) != 0;
        });
        if (kind != SubFolderKind::Folder) return kind;
        // A folder shown as an ordinary one may still lead back to one on the way down (Wine
        // shows a Unix link to a folder so): it is told by its volume and file index.
        if (const auto id = FolderIdOf(pathOf())) {
            for (const Win32Folder* folder = this; folder != nullptr; folder = folder->parent_) {
                if (folder->Id() == id) return SubFolderKind::Loop;
            }
            // Nor is a folder gone into once already, from wherever: two links to one folder
            // in each of ten levels would have the walk go into the bottom one 1,024 times.
            const auto [claim, first] =
                memory_->folders.try_emplace(*id, WalkMemory::Claim{serial_, record.name});
            if (!first && (claim->second.folder != serial_ || claim->second.name != record.name))
                return SubFolderKind::Loop;
        }
        return kind;
    }

    void BeginFiles(std::string_view mask) override {
        // A separator would reach into another folder, a colon into a file's streams.
        if (mask.find_first_of(std::string_view("\\/:\0", 4)) != std::string_view::npos) {
            throw Failure(FailureNo::BadFileName,
                          "Invalid file mask (a mask cannot contain '\\', '/' or ':')");
        }
        // An empty mask selects no file (the bare folder path would name the folder itself).
        Begin(Pass::Files, mask.empty() ? std::wstring() : Wide(mask));
    }

    bool NextFile(Entry& entry) override { return Next(Pass::Files, entry); }

    FileDetails ReadDetails(const Entry& entry) override {
        const Record& record = RecordOf(entry);
        if (!IsNameSurrogate(record.attributes, record.reparseTag)) return record.details;
        // A symbolic link to a file shows its target's length and time, as on Linux; a broken
        // one is not found.
        const std::wstring path = EntryPath(record.name);
        HANDLE file = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (file == INVALID_HANDLE_VALUE) throw FailureFromError(GetLastError());
        BY_HANDLE_FILE_INFORMATION info{};
        const BOOL ok = GetFileInformationByHandle(file, &info);
        const DWORD error = GetLastError();
        CloseHandle(file);
        if (!ok) throw FailureFromError(error);
        return FileDetails{SizeOf(info.nFileSizeHigh, info.nFileSizeLow),
                           SecondsFromFileTime(info.ftLastWriteTime)};
    }

    void DoneReading() override { find_.Close(); }

  private:
    enum class Pass : std::uint8_t { None, All, Files };

    void Begin(Pass pass, const std::wstring& pattern) {
        pass_ = Pass::None;
        pending_ = false;
        if (!pattern.empty()) pending_ = find_.Open(SystemPath(Path(), pattern), data_);
        pass_ = pass;
    }

    bool Next(Pass pass, Entry& entry) {
        if (pass_ != pass) return false;
        for (;;) {
            if (!pending_ && !find_.Next(data_)) {
                pass_ = Pass::None;
                return false;
            }
            pending_ = false;
            const DWORD attributes = data_.dwFileAttributes;
            if (!IsListed(attributes)) continue;
            const bool folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            if (pass == Pass::Files && folder) continue;
            if (folder && (std::wcscmp(data_.cFileName, L".") == 0 ||
                           std::wcscmp(data_.cFileName, L"..") == 0)) {
                continue;
            }
            records_.push_back(RecordFrom(data_));
            const Record& record = records_.back();
            entry.name = record.name;
            entry.kind = EntryKindOf(record.attributes, record.reparseTag);
            entry.index = static_cast<std::uint32_t>(records_.size() - 1);
            entry.listing = listingNumber_;
            return true;
        }
    }

    // The record behind an entry; an entry that did not come from this folder is looked up
    // by its name.
    const Record& RecordOf(const Entry& entry) {
        if (entry.listing == listingNumber_ && entry.index < records_.size()) {
            return records_[entry.index];
        }
        WIN32_FIND_DATAW data{};
        FindHandle lookup;
        if (!lookup.Open(EntryPath(std::string(entry.name)), data)) {
            throw FailureFromError(ERROR_FILE_NOT_FOUND);
        }
        records_.push_back(RecordFrom(data));
        return records_.back();
    }

    // The folder's path, ending in "\\", put together from the names up to the start folder:
    // a folder keeps only its own name, so a deep tree costs memory in proportion to its depth.
    // Below a name ending in "." or " " it is in the "\\?\" form, which keeps such names.
    std::wstring Path() const {
        std::vector<const Win32Folder*> chain;
        for (const Win32Folder* folder = this; folder != nullptr; folder = folder->parent_) {
            chain.push_back(folder);
        }
        std::wstring path;
        for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
            path += (*it)->name_;
            if ((*it)->parent_ != nullptr) path += L'\\';
            if ((*it)->parent_ == nullptr && verbatim_) path = VerbatimFolder(path);
        }
        return path;
    }

    // The path of the entry `name` of this folder, in the "\\?\" form where the name needs it.
    std::wstring EntryPath(const std::string& name) const {
        const std::wstring wide = Wide(name);
        std::wstring folder = Path();
        if (NeedsVerbatim(wide)) folder = VerbatimFolder(folder);
        return SystemPath(std::move(folder), wide);
    }

    // Which folder this is (read when first asked).
    const std::optional<FolderId>& Id() const {
        if (!idRead_) {
            std::wstring path = SystemPath(Path());
            // The folder itself, not "the folder's entries": no separator at the end but a root's.
            if (path.size() > 1 && path.back() == L'\\' && path[path.size() - 2] != L':') {
                path.pop_back();
            }
            id_ = FolderIdOf(path);
            idRead_ = true;
        }
        return id_;
    }

    std::shared_ptr<WalkMemory> memory_;
    std::uint64_t serial_ = 0;             // which folder of the walk this is
    const Win32Folder* parent_ = nullptr;  // null for the start folder
    mutable std::optional<FolderId> id_;
    mutable bool idRead_ = false;
    std::wstring name_;      // the name in the parent; the start folder's whole path
    bool verbatim_ = false;  // a name on the way down ends in "." or " "
    FindHandle find_;
    WIN32_FIND_DATAW data_{};
    Pass pass_ = Pass::None;
    bool pending_ = false;  // data_ holds an entry not handed out yet
    std::deque<Record> records_;
    // The folder's records are kept for as long as the folder, whatever is read again: one
    // number serves all its listings.
    const std::uint32_t listingNumber_ = NewListingNumber();
};

class Win32FileSystem final : public FileSystem {
  public:
    FolderTexts BeginWalk(const std::string& startPath) override {
        memory_ = std::make_shared<WalkMemory>();
        return TextsOfStartFolder(startPath);
    }

    void EndWalk() override { memory_ = std::make_shared<WalkMemory>(); }

    std::unique_ptr<Folder> OpenFolder(const std::string& path) override {
        return std::make_unique<Win32Folder>(memory_, path);
    }

  private:
    std::shared_ptr<WalkMemory> memory_ = std::make_shared<WalkMemory>();
};

// The root of the volume a drive-list text or a path lies on: "C:\" for "c: [SYSTEM]" or
// "C:\Music", "\\server\share\" for a path on a share.
std::wstring VolumeRootOf(const std::string& drive) {
    if (drive.size() >= 2 && drive[1] == ':' &&
        ((drive[0] >= 'A' && drive[0] <= 'Z') || (drive[0] >= 'a' && drive[0] <= 'z'))) {
        return {static_cast<wchar_t>(drive[0]), L':', L'\\'};
    }
    const std::wstring path = SystemPath(drive);
    std::wstring root(path.size() + MAX_PATH, L'\0');
    if (!GetVolumePathNameW(path.c_str(), root.data(), static_cast<DWORD>(root.size()))) {
        throw FailureFromError(GetLastError());
    }
    root.resize(std::wcslen(root.c_str()));
    return root;
}

}  // namespace

bool IsListed(std::uint32_t attributes) {
    return (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) == 0;
}

EntryKind EntryKindOf(std::uint32_t attributes, std::uint32_t reparseTag) {
    if (IsNameSurrogate(attributes, reparseTag)) return EntryKind::Link;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? EntryKind::Folder : EntryKind::File;
}

SubFolderKind SubFolderKindOf(std::uint32_t attributes, std::uint32_t reparseTag,
                              const std::function<bool()>& isVolumeMountPoint) {
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return SubFolderKind::NotFolder;
    if (!IsNameSurrogate(attributes, reparseTag)) return SubFolderKind::Folder;
    if (reparseTag == IO_REPARSE_TAG_MOUNT_POINT && isVolumeMountPoint()) {
        return SubFolderKind::OtherVolume;
    }
    return SubFolderKind::FolderLink;
}

FolderTexts TextsOfStartFolder(const std::string& startPath) {
    FolderTexts texts;
    texts.path = startPath;
    texts.driveLessPath = startPath.substr(LeadingCharacters(startPath, 2));
    std::string_view folder = startPath;
    if (!folder.empty() && folder.back() == '\\') folder.remove_suffix(1);
    const std::size_t separator = folder.rfind('\\');
    texts.folderName = separator == std::string_view::npos ? folder : folder.substr(separator + 1);
    return texts;
}

}  // namespace win32

std::unique_ptr<FileSystem> MakeFileSystem() {
    return std::make_unique<win32::Win32FileSystem>();
}

bool ListFileExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(win32::SystemPath(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    return (attributes &
            (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) == 0;
}

bool IsFolder(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(win32::SystemPath(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) throw win32::FailureFromError(GetLastError());
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::string VolumeLabel(const std::string& drive) {
    const std::wstring root = win32::VolumeRootOf(drive);
    wchar_t label[MAX_PATH + 1] = {};
    if (!GetVolumeInformationW(root.c_str(), label, MAX_PATH + 1, nullptr, nullptr, nullptr,
                               nullptr, 0)) {
        throw win32::FailureFromError(GetLastError());
    }
    return win32::Utf8(label);
}

std::string DriveOfPath(const std::string& path) {
    if (path.empty()) return {};
    const char first = path[0];
    if (first >= 'a' && first <= 'z') return std::string(1, static_cast<char>(first - 'a' + 'A'));
    return path.substr(0, LeadingCharacters(path, 1));
}

std::string AbsolutePath(const std::string& path) {
    if (path.empty()) return path;
    const std::wstring wide = win32::Wide(path);
    const DWORD needed = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return path;
    std::wstring full(needed, L'\0');
    const DWORD length = GetFullPathNameW(wide.c_str(), needed, full.data(), nullptr);
    if (length == 0 || length >= needed) return path;
    full.resize(length);
    return win32::Utf8(full);
}

}  // namespace dirscribe::platform
