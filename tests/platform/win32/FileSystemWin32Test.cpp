// SPDX-License-Identifier: MIT
// Tests of the Windows file system layer on real temporary trees: what the listings return,
// masks, details from the find data, paths beyond MAX_PATH, heading texts, failure numbers.
#include <windows.h>
#include <winioctl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <vector>

#include "FolderReading.h"
#include "platform/FileSystem.h"
#include "platform/OutputFile.h"
#include "platform/win32/FileSystemWin32.h"
#include "platform/win32/WinErrors.h"
#include "platform/win32/WinText.h"
#include "support/TempTree.h"
#include "support/win32/WinTree.h"

namespace dirscribe::platform {
namespace {

namespace fs = std::filesystem;
using test::MakeDir;
using test::MakeFile;
using test::SetAttributes;
using test::TempDir;

std::string Slash(const fs::path& path) {
    return test::Utf8(path) + "\\";
}

using test::AllNames;
using test::FailureNumberOf;
using test::FileNames;
using test::OpenTop;

TEST(Win32Folder, HiddenAndSystemEntriesAreNeverReturned) {
    TempDir dir;
    for (const char* name :
         {"plain.txt", "hidden.txt", "system.txt", "both.txt", "readonly.txt", "archive.txt"}) {
        MakeFile(dir / name, 1, 0);
    }
    for (const char* name : {"Folder", "HiddenFolder", "SystemFolder"}) MakeDir(dir / name);
    SetAttributes(dir / "hidden.txt", FILE_ATTRIBUTE_HIDDEN);
    SetAttributes(dir / "system.txt", FILE_ATTRIBUTE_SYSTEM);
    SetAttributes(dir / "both.txt", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    SetAttributes(dir / "readonly.txt", FILE_ATTRIBUTE_READONLY);
    SetAttributes(dir / "archive.txt", FILE_ATTRIBUTE_ARCHIVE);
    SetAttributes(dir / "HiddenFolder", FILE_ATTRIBUTE_HIDDEN);
    SetAttributes(dir / "SystemFolder", FILE_ATTRIBUTE_SYSTEM);

    auto folder = OpenTop(*MakeFileSystem(), Slash(dir.Path()));
    // Neither "." nor ".." comes back either.
    EXPECT_EQ("archive.txt|Folder|plain.txt|readonly.txt", AllNames(*folder));
    EXPECT_EQ("archive.txt|plain.txt|readonly.txt", FileNames(*folder, "*.*"));

    std::map<std::string, std::pair<EntryKind, SubFolderKind>> seen;
    folder->BeginAll();
    for (Entry entry; folder->NextAll(entry);) {
        seen[std::string(entry.name)] = {entry.kind, folder->ReadKind(entry)};
    }
    using K = EntryKind;
    using S = SubFolderKind;
    EXPECT_EQ(seen, (std::map<std::string, std::pair<EntryKind, SubFolderKind>>{
                        {"Folder", {K::Folder, S::Folder}},
                        {"archive.txt", {K::File, S::NotFolder}},
                        {"plain.txt", {K::File, S::NotFolder}},
                        {"readonly.txt", {K::File, S::NotFolder}}}));
}

TEST(Win32Folder, FilesAreSelectedByTheSystemsOwnMask) {
    TempDir dir;
    for (const char* name : {"intro.mp3", "Song.MP3", "notes.txt", "abc", "a.b.c", "x", "README"}) {
        MakeFile(dir / name, 0, 0);
    }
    MakeDir(dir / "Folder.mp3");
    auto folder = OpenTop(*MakeFileSystem(), Slash(dir.Path()));
    // "*.*" takes names without a dot too; folders never match.
    EXPECT_EQ("a.b.c|abc|intro.mp3|notes.txt|README|Song.MP3|x", FileNames(*folder, "*.*"));
    EXPECT_EQ("a.b.c|abc|intro.mp3|notes.txt|README|Song.MP3|x", FileNames(*folder, "*"));
    EXPECT_EQ("intro.mp3|Song.MP3", FileNames(*folder, "*.mp3"));
    EXPECT_EQ("x", FileNames(*folder, "?"));
    EXPECT_EQ("a.b.c|abc", FileNames(*folder, "a*"));
    EXPECT_EQ("", FileNames(*folder, "*.none"));
    // An empty mask selects nothing; a mask that would reach elsewhere is a bad name.
    EXPECT_EQ("", FileNames(*folder, ""));
    EXPECT_EQ(52, FailureNumberOf([&] { folder->BeginFiles("Folder.mp3\\*"); }));
    EXPECT_EQ(52, FailureNumberOf([&] { folder->BeginFiles("sub/*"); }));
    EXPECT_EQ(52, FailureNumberOf([&] { folder->BeginFiles("x:stream"); }));
    // The first listing is not disturbed by the second.
    EXPECT_EQ("a.b.c|abc|Folder.mp3|intro.mp3|notes.txt|README|Song.MP3|x", AllNames(*folder));
}

TEST(Win32Folder, SizesAndTimesComeFromTheListing) {
    TempDir dir;
    const std::int64_t before1970 = test::LocalTime(1965, 7, 4, 12, 0, 0);
    const std::int64_t fiveGiB = (std::int64_t{5} << 30) + 7;  // beyond 32 bits, odd low part
    MakeFile(dir / "big.iso", fiveGiB, before1970);
    MakeFile(dir / "small.txt", 1234, 1'100'000'000);
    auto folder = OpenTop(*MakeFileSystem(), Slash(dir.Path()));
    std::map<std::string, std::pair<std::int64_t, std::int64_t>> details;
    folder->BeginFiles("*.*");
    for (Entry entry; folder->NextFile(entry);) {
        const FileDetails read = folder->ReadDetails(entry);
        details[std::string(entry.name)] = {read.size, read.mtime};
    }
    EXPECT_EQ(details,
              (std::map<std::string, std::pair<std::int64_t, std::int64_t>>{
                  {"big.iso", {fiveGiB, before1970}}, {"small.txt", {1234, 1'100'000'000}}}));
    // An entry not from this listing is looked up by its name.
    Entry stranger;
    const std::string name = "small.txt";
    stranger.name = name;
    stranger.index = 99;
    EXPECT_EQ(1234, folder->ReadDetails(stranger).size);
    stranger.name = "gone.txt";
    EXPECT_EQ(53, FailureNumberOf([&] { folder->ReadDetails(stranger); }));
}

TEST(Win32Folder, FoldersThatCannotBeListedGiveTheirFailureNumbers) {
    TempDir dir;
    MakeFile(dir / "plain", 0, 0);
    auto fileSystem = MakeFileSystem();
    auto missing = fileSystem->OpenFolder(Slash(dir / "missing"));
    EXPECT_EQ(76, FailureNumberOf([&] { missing->BeginAll(); }));
    EXPECT_EQ(76, FailureNumberOf([&] { missing->BeginFiles("*.*"); }));
    auto notFolder = fileSystem->OpenFolder(Slash(dir / "plain"));
    EXPECT_EQ(52, FailureNumberOf([&] { notFolder->BeginAll(); }));
}

// Wine shows a Unix link back to a folder as an ordinary folder; the build makes one and names
// its folder in DIRSCRIBE_WINE_LOOP. The walk names it but does not go round it.
TEST(Win32Folder, AFolderLeadingBackIsALoop) {
    const char* where = std::getenv("DIRSCRIBE_WINE_LOOP");
    if (where == nullptr || *where == '\0') GTEST_SKIP() << "no link loop made (only under Wine)";
    std::string top = where;
    std::replace(top.begin(), top.end(), '/', '\\');
    auto folder = OpenTop(*MakeFileSystem(), top + "\\");
    std::vector<std::pair<std::string, SubFolderKind>> kinds;
    folder->BeginAll();
    for (Entry entry; folder->NextAll(entry);) {
        kinds.emplace_back(entry.name, folder->ReadKind(entry));
    }
    EXPECT_EQ(kinds,
              (std::vector<std::pair<std::string, SubFolderKind>>{{"loop", SubFolderKind::Loop}}));
}

TEST(Win32Folder, LinksAndMountPointsAreToldApart) {
    constexpr std::uint32_t kDir = FILE_ATTRIBUTE_DIRECTORY;
    constexpr std::uint32_t kLink = FILE_ATTRIBUTE_REPARSE_POINT;
    int asked = 0;
    const auto volume = [&](bool answer) {
        return [&asked, answer] {
            ++asked;
            return answer;
        };
    };
    using S = SubFolderKind;
    EXPECT_EQ(S::Folder, win32::SubFolderKindOf(kDir, 0, volume(true)));
    EXPECT_EQ(S::NotFolder, win32::SubFolderKindOf(FILE_ATTRIBUTE_ARCHIVE, 0, volume(true)));
    EXPECT_EQ(0, asked);
    // A junction to a folder is named, never walked; one that mounts a volume is named, not
    // entered.
    EXPECT_EQ(S::FolderLink,
              win32::SubFolderKindOf(kDir | kLink, IO_REPARSE_TAG_MOUNT_POINT, volume(false)));
    EXPECT_EQ(S::OtherVolume,
              win32::SubFolderKindOf(kDir | kLink, IO_REPARSE_TAG_MOUNT_POINT, volume(true)));
    EXPECT_EQ(2, asked);
    EXPECT_EQ(S::FolderLink,
              win32::SubFolderKindOf(kDir | kLink, IO_REPARSE_TAG_SYMLINK, volume(true)));
    // A folder that is a placeholder of cloud storage is an ordinary folder.
    EXPECT_EQ(S::Folder, win32::SubFolderKindOf(kDir | kLink, 0x9000601AU, volume(true)));
    EXPECT_EQ(2, asked);

    EXPECT_EQ(EntryKind::Link, win32::EntryKindOf(kLink, IO_REPARSE_TAG_SYMLINK));
    EXPECT_EQ(EntryKind::Link, win32::EntryKindOf(kDir | kLink, IO_REPARSE_TAG_MOUNT_POINT));
    EXPECT_EQ(EntryKind::File, win32::EntryKindOf(kLink, 0x9000601AU));
    EXPECT_EQ(EntryKind::Folder, win32::EntryKindOf(kDir, 0));
    EXPECT_TRUE(win32::IsListed(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE | kDir));
    EXPECT_FALSE(win32::IsListed(FILE_ATTRIBUTE_HIDDEN));
    EXPECT_FALSE(win32::IsListed(FILE_ATTRIBUTE_SYSTEM | kDir));
}

// Turns an empty folder into a junction to `target`; false where the file system cannot.
bool MakeJunction(const fs::path& link, const fs::path& target) {
    MakeDir(link);
    HANDLE handle = CreateFileW(link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    const std::wstring substitute = L"\\??\\" + target.native();
    const auto bytes = static_cast<USHORT>(substitute.size() * sizeof(wchar_t));
    // The mount-point reparse buffer: tag, lengths, then the substitute and print names.
    std::vector<unsigned char> buffer(16 + bytes + 2 * sizeof(wchar_t), 0);
    auto* header = reinterpret_cast<std::uint32_t*>(buffer.data());
    header[0] = IO_REPARSE_TAG_MOUNT_POINT;
    auto* words = reinterpret_cast<USHORT*>(buffer.data() + 4);
    words[0] = static_cast<USHORT>(buffer.size() - 8);        // data length
    words[2] = 0;                                             // substitute name offset
    words[3] = bytes;                                         // substitute name length
    words[4] = static_cast<USHORT>(bytes + sizeof(wchar_t));  // print name offset
    words[5] = 0;                                             // print name length
    std::memcpy(buffer.data() + 16, substitute.data(), bytes);
    DWORD returned = 0;
    const BOOL ok =
        DeviceIoControl(handle, FSCTL_SET_REPARSE_POINT, buffer.data(),
                        static_cast<DWORD>(buffer.size()), nullptr, 0, &returned, nullptr);
    CloseHandle(handle);
    return ok != 0;
}

TEST(Win32Folder, AJunctionIsNamedAsAFolderLink) {
    TempDir dir;
    MakeDir(dir / "real");
    MakeFile(dir / "real" / "inside.txt", 1, 0);
    if (!MakeJunction(dir / "loop", dir.Path())) {
        GTEST_SKIP() << "this file system makes no junctions (Wine 8 does not)";
    }
    auto folder = OpenTop(*MakeFileSystem(), Slash(dir.Path()));
    std::map<std::string, SubFolderKind> kinds;
    folder->BeginAll();
    for (Entry entry; folder->NextAll(entry);)
        kinds[std::string(entry.name)] = folder->ReadKind(entry);
    EXPECT_EQ(kinds, (std::map<std::string, SubFolderKind>{{"loop", SubFolderKind::FolderLink},
                                                           {"real", SubFolderKind::Folder}}));
}

TEST(Win32Folder, PathsLongerThanMaxPathAreWalked) {
    TempDir dir;
    const std::string name(50, 'd');
    fs::path deep = dir.Path();
    for (int level = 0; level < 8; ++level) {
        deep /= name;
        test::MakeOneDir(deep);
    }
    MakeFile(deep / "deep.txt", 7, 1'000'000'000);
    const std::string deepPath = Slash(deep);
    ASSERT_GT(deepPath.size(), std::size_t{MAX_PATH});

    auto fileSystem = MakeFileSystem();
    std::string path = Slash(dir.Path());
    std::vector<std::unique_ptr<Folder>> chain;  // each folder outlives its children
    chain.push_back(OpenTop(*fileSystem, path));
    for (int level = 0; level < 8; ++level) {
        Folder& parent = *chain.back();
        parent.BeginAll();
        Entry entry;
        ASSERT_TRUE(parent.NextAll(entry)) << "level " << level;
        ASSERT_EQ(name, entry.name);
        ASSERT_EQ(SubFolderKind::Folder, parent.ReadKind(entry));
        path += name + "\\";
        chain.push_back(parent.OpenChild(name));
    }
    const auto& folder = chain.back();
    EXPECT_EQ(deepPath, path);
    EXPECT_EQ("deep.txt", FileNames(*folder, "*.TXT"));
    Entry file;
    folder->BeginFiles("*.*");
    ASSERT_TRUE(folder->NextFile(file));
    EXPECT_EQ((std::pair<std::int64_t, std::int64_t>{7, 1'000'000'000}),
              (std::pair{folder->ReadDetails(file).size, folder->ReadDetails(file).mtime}));

    // The other file operations take long paths too.
    EXPECT_TRUE(ListFileExists(deepPath + "deep.txt"));
    EXPECT_TRUE(IsFolder(deepPath));
    OutputFile list = OutputFile::Open(deepPath + "list.txt", OutputFile::Mode::Write);
    std::string line = "line\r\n";
    list.Write(line);
    list.Close();
    EXPECT_TRUE(ListFileExists(deepPath + "list.txt"));
}

// Wine takes paths of any length without the prefix; Windows does not, so what the file
// functions are given is checked here.
TEST(Win32Folder, OnlyPathsBeyondMaxPathGetTheLongForm) {
    const std::wstring shortFolder = L"C:\\Music\\";
    EXPECT_EQ(L"C:\\Music\\*.*", win32::SystemPath(shortFolder, L"*.*"));
    const std::wstring name(100, L'n');
    const std::wstring longFolder = L"C:\\" + name + L"\\" + name + L"\\.\\" + name + L"\\";
    // Made clean (".", "/") before the prefix turns the system's cleaning off; a mask's
    // trailing dot is kept.
    EXPECT_EQ(L"\\\\?\\C:\\" + name + L"\\" + name + L"\\" + name + L"\\*.",
              win32::SystemPath(longFolder, L"*."));
    EXPECT_EQ(L"\\\\?\\C:\\" + name + L"\\" + name + L"\\" + name + L"\\x.txt",
              win32::SystemPath(L"C:/" + name + L"/" + name + L"/" + name + L"/", L"x.txt"));
    EXPECT_EQ(L"\\\\?\\UNC\\server\\share\\" + name + L"\\" + name + L"\\" + name + L"\\",
              win32::SystemPath(std::string("\\\\server\\share\\") + std::string(100, 'n') + "\\" +
                                std::string(100, 'n') + "\\" + std::string(100, 'n') + "\\"));
    // A path that has the prefix already is left as it is.
    EXPECT_EQ(L"\\\\?\\C:\\" + name + L"\\.\\x",
              win32::SystemPath(L"\\\\?\\C:\\" + name + L"\\.\\", L"x"));
}

TEST(Win32Walk, HeadingTextsFollowTheDriveLetterRules) {
    auto fileSystem = MakeFileSystem();
    const std::map<std::string, std::pair<std::string, std::string>> cases{
        {"C:\\", {"\\", "C:"}},
        {"C:\\Music\\", {"\\Music\\", "Music"}},
        {"d:\\Music\\Jazz\\", {"\\Music\\Jazz\\", "Jazz"}},
        {"\\\\server\\share\\CDs\\", {"server\\share\\CDs\\", "CDs"}},
        {"C:\\Caf\xC3\xA9\\", {"\\Caf\xC3\xA9\\", "Caf\xC3\xA9"}},
    };
    for (const auto& [start, texts] : cases) {
        const FolderTexts got = fileSystem->BeginWalk(start);
        EXPECT_EQ(texts, std::pair(got.driveLessPath, got.folderName)) << start;
    }
}

TEST(Win32Files, AListFileExistsOnlyAsAnOrdinaryFile) {
    TempDir dir;
    for (const char* name : {"plain.txt", "readonly.txt", "hidden.txt", "system.txt"}) {
        MakeFile(dir / name, 1, 0);
    }
    MakeDir(dir / "folder");
    SetAttributes(dir / "readonly.txt", FILE_ATTRIBUTE_READONLY);
    SetAttributes(dir / "hidden.txt", FILE_ATTRIBUTE_HIDDEN);
    SetAttributes(dir / "system.txt", FILE_ATTRIBUTE_SYSTEM);
    std::map<std::string, bool> exists;
    for (const char* name :
         {"plain.txt", "readonly.txt", "hidden.txt", "system.txt", "folder", "missing.txt"}) {
        exists[name] = ListFileExists(test::Utf8(dir / name));
    }
    EXPECT_EQ(exists, (std::map<std::string, bool>{{"folder", false},
                                                   {"hidden.txt", false},
                                                   {"missing.txt", false},
                                                   {"plain.txt", true},
                                                   {"readonly.txt", true},
                                                   {"system.txt", false}}));
    EXPECT_TRUE(IsFolder(dir.Str()));
    EXPECT_FALSE(IsFolder(test::Utf8(dir / "plain.txt")));
    EXPECT_EQ(53, FailureNumberOf([&] { IsFolder(test::Utf8(dir / "missing.txt")); }));
}

TEST(Win32Files, DrivesLabelsAndAbsolutePaths) {
    EXPECT_EQ("C", DriveOfPath("c:\\Music"));
    EXPECT_EQ("E", DriveOfPath("E:\\"));
    EXPECT_EQ("", DriveOfPath(""));

    // The drive list's text, the drive's root and a path on it name the same volume.
    wchar_t windows[MAX_PATH] = {};
    ASSERT_GT(GetWindowsDirectoryW(windows, MAX_PATH), 2u);
    const std::string drive(1, static_cast<char>(windows[0]));
    const std::string label = VolumeLabel(drive + ":\\");
    EXPECT_EQ(label, VolumeLabel(drive + ": [" + label + "]"));
    EXPECT_EQ(label, VolumeLabel(test::Utf8(fs::path(windows))));
    // A drive letter that names no drive.
    const DWORD used = GetLogicalDrives();
    char free = 0;
    for (char letter = 'Q'; letter <= 'Y' && free == 0; ++letter) {
        if ((used & (1u << (letter - 'A'))) == 0) free = letter;
    }
    ASSERT_NE(0, free);
    const int number = FailureNumberOf([&] { VolumeLabel(std::string(1, free) + ":\\"); });
    EXPECT_TRUE(number == 76 || number == 71) << number;

    wchar_t current[MAX_PATH] = {};
    ASSERT_GT(GetCurrentDirectoryW(MAX_PATH, current), 0u);
    std::string here = test::Utf8Of(current);
    if (here.back() != '\\') here += '\\';
    EXPECT_EQ(here + "rel\\x", AbsolutePath("rel\\x"));
    EXPECT_EQ(here + "rel\\x", AbsolutePath("rel/x"));
    EXPECT_EQ("C:\\b", AbsolutePath("C:\\a\\..\\b"));
}

TEST(Win32Errors, MapWin32ErrorsToFailures) {
    const std::map<int, std::vector<DWORD>> numbers{
        {53, {ERROR_FILE_NOT_FOUND}},
        {76, {ERROR_PATH_NOT_FOUND, ERROR_INVALID_DRIVE, ERROR_BAD_NETPATH}},
        {75, {ERROR_ACCESS_DENIED, ERROR_SHARING_VIOLATION, ERROR_LOCK_VIOLATION}},
        {52, {ERROR_INVALID_NAME, ERROR_FILENAME_EXCED_RANGE, ERROR_DIRECTORY}},
        {61, {ERROR_DISK_FULL, ERROR_HANDLE_DISK_FULL}},
        {71, {ERROR_NOT_READY}},
        {57, {ERROR_CRC, ERROR_GEN_FAILURE}}};
    for (const auto& [number, errors] : numbers) {
        for (DWORD error : errors) {
            EXPECT_EQ(number, win32::FailureFromError(error).Number()) << error;
        }
    }
    // The system's own text, without its line end.
    const std::string denied = win32::ErrorText(ERROR_ACCESS_DENIED);
    EXPECT_FALSE(denied.empty());
    EXPECT_EQ(std::string::npos, denied.find_first_of("\r\n")) << denied;
    const Failure failure = win32::ListFileFailure(ERROR_DISK_FULL, "write", "C:\\x\\y.txt");
    EXPECT_EQ("cannot write list file 'C:\\x\\y.txt': " + win32::ErrorText(ERROR_DISK_FULL),
              failure.Description());
    EXPECT_EQ(61, failure.Number());
    EXPECT_TRUE(failure.FromListFile());
}

}  // namespace
}  // namespace dirscribe::platform
