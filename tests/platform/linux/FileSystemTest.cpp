// SPDX-License-Identifier: MIT
// Tests of the POSIX file system layer on real temporary trees.
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "FolderReading.h"
#include "platform/FileSystem.h"
#include "platform/linux/Errors.h"
#include "platform/linux/FileSystemLinux.h"
#include "platform/linux/FolderListing.h"
#include "platform/linux/MountTable.h"
#include "platform/linux/Volumes.h"
#include "support/PosixTree.h"
#include "support/TempTree.h"
#include "support/Unprivileged.h"
#include "support/linux/DeepChain.h"
#include "support/linux/SystemCallFaults.h"

namespace dirscribe::platform {
namespace {

namespace fs = std::filesystem;
using test::MakeDir;
using test::MakeFile;
using test::MakeLink;
using test::TempDir;

std::string Slash(const fs::path& path) {
    return path.string() + "/";
}

using test::AllNames;
using test::FailureNumberOf;
using test::FileNames;
using test::OpenTop;

TEST(PlatformFolder, ListsVisibleEntriesInCaseInsensitiveOrder) {
    TempDir dir;
    // Created in no particular order; some names differ only in case or only late.
    for (const char* name :
         {"notes.txt", "Zeta", "_x", "intro.mp3", "abcdefgh", "ABCDEFGH", "abc", "ABC", "B", "a",
          "abcdefghij2", "ABCDEFGHIJ1", "\xC3\xA9mile", ".hidden", "track 10.MP3", "Track 10.mp3",
          "track 9.mp3", "Very Long Shared Name B", "very long shared name a"}) {
        MakeFile(dir / name, 0, 0);
    }
    MakeDir(dir / "Jazz");
    MakeDir(dir / ".git");
    auto folder = OpenTop(*MakeFileSystem(), Slash(dir.Path()));
    EXPECT_EQ(
        "a|ABC|abc|ABCDEFGH|abcdefgh|ABCDEFGHIJ1|abcdefghij2|B|intro.mp3|Jazz|notes.txt|"
        "Track 10.mp3|track 10.MP3|track 9.mp3|very long shared name a|Very Long Shared Name B|"
        "Zeta|_x|\xC3\xA9mile",
        AllNames(*folder));
    // The file listing reuses the same sorted entries, without folders and hidden files.
    EXPECT_EQ(
        "a|ABC|abc|ABCDEFGH|abcdefgh|ABCDEFGHIJ1|abcdefghij2|B|intro.mp3|notes.txt|"
        "Track 10.mp3|track 10.MP3|track 9.mp3|very long shared name a|Very Long Shared Name B|"
        "Zeta|_x|\xC3\xA9mile",
        FileNames(*folder, "*"));
    EXPECT_EQ("", FileNames(*folder, ".*"));
}

TEST(PlatformFolder, SortsManyNamesWithLongSharedBeginnings) {
    // Names built from the characters either side of the letters and from bytes whose low
    // seven bits are letters, sharing beginnings of up to 70 bytes, so that names tie on
    // their first 16, 32 and 48 bytes in every mixture of case, and some are equal but for case.
    const std::string alphabet = "aAmzZ@[`{~ ._0\xC1\xE1\xFA";
    std::vector<std::string> stems;
    std::uint32_t seed = 12345;
    const auto next = [&](std::uint32_t bound) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) % bound;
    };
    const auto randomText = [&](std::size_t length) {
        std::string text;
        for (std::size_t i = 0; i < length; ++i) text.push_back(alphabet[next(alphabet.size())]);
        return text;
    };
    for (int i = 0; i < 12; ++i) stems.push_back(randomText(next(70)));
    std::set<std::string> names;
    while (names.size() < 1500) {
        std::string name = stems[next(stems.size())] + randomText(next(20));
        if (next(4) == 0) {
            for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
        if (name.empty() || name[0] == '.' || name.size() > 200) continue;
        names.insert(name);
    }
    TempDir dir;
    for (const auto& name : names) MakeFile(dir / name, 0, 0);

    std::vector<std::string> expected(names.begin(), names.end());
    std::sort(expected.begin(), expected.end(), linuxos::NameLess);
    std::string joined;
    for (const auto& name : expected) joined.append(joined.empty() ? "" : "|").append(name);
    auto folder = OpenTop(*MakeFileSystem(), Slash(dir.Path()));
    EXPECT_EQ(joined, AllNames(*folder));
}

TEST(PlatformFolder, AHugeFolderGivesEachFileItsOwnDetailsWhenReadEarly) {
    // Long names, so that the first read of the folder is full and its files are read on
    // threads of their own while it is read; every file has a size and time of its own, and
    // hidden files, links, a pipe and a folder lie among them. Each record's details must be
    // its own file's, for every file the mask selects and no other entry.
    TempDir dir;
    for (int i = 0; i < 1500; ++i) {
        const std::string name = "a file among fifteen hundred in one folder " + std::to_string(i);
        MakeFile(dir / (name + (i % 4 ? ".mp3" : ".txt")), i * 7 + 1, 1'000'000'000 + i * 3600);
        if (i % 250 == 0) {
            MakeFile(dir / (".hidden " + std::to_string(i)), 1, 0);
            MakeLink(dir / ("link " + std::to_string(i) + ".mp3"), name + ".txt");
            MakeLink(dir / ("broken " + std::to_string(i) + ".mp3"), "nothing here");
            ASSERT_EQ(mkfifo((dir / ("pipe " + std::to_string(i) + ".mp3")).c_str(), 0644), 0);
        }
    }
    MakeDir(dir / "sub.mp3");
    for (const char* mask : {"*.*", "*1?.MP3"}) {
        SCOPED_TRACE(mask);
        const linuxos::MaskMatcher matcher(mask);
        linuxos::AheadPlan plan;
        plan.mask = &matcher;
        plan.earlyReadsEverything = true;
        const int fd = open(dir.Path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        linuxos::ReadBuffers buffers;
        linuxos::Listing listing;
        ASSERT_EQ(linuxos::ReadListing(fd, buffers, listing, &plan), 0);
        close(fd);
        std::size_t withDetails = 0;
        std::size_t expected = 0;
        for (std::size_t i = 0; i < listing.records.size(); ++i) {
            const std::string name(listing.NameOf(listing.records[i]));
            struct stat st {};
            const bool file = stat((dir / name).c_str(), &st) == 0 && S_ISREG(st.st_mode);
            const bool selected = file && matcher.Matches(name);
            expected += selected ? 1 : 0;
            if ((listing.records[i].flags & linuxos::kHasDetails) == 0) continue;
            ++withDetails;
            EXPECT_TRUE(selected) << name;
            EXPECT_EQ(listing.details[i].size, st.st_size) << name;
            EXPECT_EQ(listing.details[i].mtime, st.st_mtim.tv_sec) << name;
        }
        EXPECT_EQ(withDetails, expected);
        EXPECT_GT(expected, 0u);
    }
}

TEST(PlatformFolder, TellsKindsAndListsOnlyOrdinaryFiles) {
    TempDir dir;
    MakeDir(dir / "sub");
    MakeFile(dir / "file.txt", 10, 0);
    MakeLink(dir / "link-to-sub", "sub");
    MakeLink(dir / "link-to-file", "file.txt");
    ASSERT_EQ(0, mkfifo((dir / "pipe").c_str(), 0644));
    auto folder = OpenTop(*MakeFileSystem(), Slash(dir.Path()));

    std::map<std::string, std::pair<EntryKind, SubFolderKind>> seen;
    std::vector<std::string_view> views;
    folder->BeginAll();
    for (Entry entry; folder->NextAll(entry);) {
        seen[std::string(entry.name)] = {entry.kind, folder->ReadKind(entry)};
        views.push_back(entry.name);
    }
    using K = EntryKind;
    using S = SubFolderKind;
    const std::map<std::string, std::pair<EntryKind, SubFolderKind>> expected{
        {"file.txt", {K::File, S::NotFolder}},
        {"link-to-file", {K::Link, S::NotFolder}},
        {"link-to-sub", {K::Link, S::FolderLink}},
        {"pipe", {K::Other, S::NotFolder}},
        {"sub", {K::Folder, S::Folder}}};
    EXPECT_EQ(expected, seen);
    EXPECT_EQ("file.txt|link-to-file", FileNames(*folder, "*.*"));
    // Names given out by the first listing still read the same after the second.
    EXPECT_EQ(
        (std::vector<std::string_view>{"file.txt", "link-to-file", "link-to-sub", "pipe", "sub"}),
        views);

    // A folder link is never entered, even when asked to open it: it is no folder there.
    auto linked = folder->OpenChild("link-to-sub");
    EXPECT_EQ(53, FailureNumberOf([&] { linked->BeginAll(); }));
    // Nor when the folder gave its descriptor back and opens it by its path.
    folder->DoneReading();
    auto later = folder->OpenChild("link-to-sub");
    EXPECT_EQ(53, FailureNumberOf([&] { later->BeginAll(); }));
}

TEST(PlatformFolder, SelectsFilesByMask) {
    TempDir dir;
    for (const char* name : {"intro.mp3", "Song.MP3", "notes.txt", "abc", "a.b.c", "x", "README"}) {
        MakeFile(dir / name, 0, 0);
    }
    auto folder = OpenTop(*MakeFileSystem(), Slash(dir.Path()));
    EXPECT_EQ("a.b.c|abc|intro.mp3|notes.txt|README|Song.MP3|x", FileNames(*folder, "*"));
    EXPECT_EQ("a.b.c|abc|intro.mp3|notes.txt|README|Song.MP3|x", FileNames(*folder, "*.*"));
    EXPECT_EQ("intro.mp3|Song.MP3", FileNames(*folder, "*.MP3"));
    EXPECT_EQ("x", FileNames(*folder, "?"));
    EXPECT_EQ("a.b.c|abc", FileNames(*folder, "a*.*"));
    EXPECT_EQ("", FileNames(*folder, ""));
    EXPECT_EQ(52, FailureNumberOf([&] { folder->BeginFiles("sub/*"); }));
    EXPECT_EQ(52, FailureNumberOf([&] { folder->BeginFiles(std::string_view("a\0b", 3)); }));
}

TEST(PlatformFolder, ReadsDetailsOfFilesAndLinkTargets) {
    TempDir dir;
    const std::int64_t before1970 = test::LocalTime(1965, 7, 4, 12, 0, 0);
    const std::int64_t fiveGiB = std::int64_t{5} << 30;
    MakeFile(dir / "big.iso", fiveGiB, before1970);
    MakeFile(dir / "target.bin", 1234, 1'100'000'000);
    MakeLink(dir / "link.bin", "target.bin");
    test::SetMtime(dir / "link.bin", 42);  // the link's own time must not show
    test::MakeBrokenLink(dir / "broken");
    test::MakeLinkLoop(dir / "loop-a", dir / "loop-b");
    auto folder = OpenTop(*MakeFileSystem(), Slash(dir.Path()));

    std::map<std::string, std::pair<std::int64_t, std::int64_t>> details;
    std::map<std::string, int> failures;
    folder->BeginFiles("*");
    for (Entry entry; folder->NextFile(entry);) {
        try {
            const FileDetails read = folder->ReadDetails(entry);
            details[std::string(entry.name)] = {read.size, read.mtime};
        } catch (const Failure& failure) {
            failures[std::string(entry.name)] = failure.Number();
        }
    }
    const std::map<std::string, std::pair<std::int64_t, std::int64_t>> expected{
        {"big.iso", {fiveGiB, before1970}},
        {"link.bin", {1234, 1'100'000'000}},
        {"target.bin", {1234, 1'100'000'000}}};
    EXPECT_EQ(expected, details);
    // A broken link is a quiet "not found"; a link loop is refused access.
    EXPECT_EQ((std::map<std::string, int>{{"broken", 53}, {"loop-a", 75}, {"loop-b", 75}}),
              failures);
}

TEST(PlatformFolder, ReportsFoldersThatCannotBeOpened) {
    TempDir dir;
    MakeFile(dir / "plain", 0, 0);
    auto fileSystem = MakeFileSystem();
    auto missing = fileSystem->OpenFolder(Slash(dir / "missing"));
    EXPECT_EQ(53, FailureNumberOf([&] { missing->BeginAll(); }));
    EXPECT_EQ(53, FailureNumberOf([&] { missing->BeginFiles("*"); }));
    auto notFolder = fileSystem->OpenFolder(Slash(dir / "plain"));
    EXPECT_EQ(53, FailureNumberOf([&] { notFolder->BeginAll(); }));
}

// Permission checks mean nothing to root, so these run as an ordinary user.
TEST(PlatformFolder, RefusedAccessIsFailure75) {
    TempDir dir;
    test::MakeUnreadableFolder(dir / "locked");
    MakeDir(dir / "no-search");
    MakeFile(dir / "no-search" / "song.mp3", 5, 0);
    chmod((dir / "no-search").c_str(), 0644);  // names readable, entries not
    std::string topPath = Slash(dir.Path());
    const int status = test::RunUnprivileged(
        [](void* arg) -> int {
            const std::string& top = *static_cast<std::string*>(arg);
            auto fileSystem = MakeFileSystem();
            auto parent = OpenTop(*fileSystem, top);
            if (AllNames(*parent) != "locked|no-search") return 1;
            auto locked = parent->OpenChild("locked");
            if (FailureNumberOf([&] { locked->BeginAll(); }) != 75) return 2;
            if (FailureNumberOf([&] { locked->BeginFiles("*"); }) != 75) return 3;
            auto noSearch = parent->OpenChild("no-search");
            noSearch->BeginFiles("*");
            Entry entry;
            if (!noSearch->NextFile(entry) || entry.name != "song.mp3") return 4;
            if (FailureNumberOf([&] { noSearch->ReadDetails(entry); }) != 75) return 5;
            return 0;
        },
        &topPath);
    EXPECT_EQ(0, status);
}

int OpenDescriptors() {
    int count = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/fd")) ++count;
    return count;
}

TEST(PlatformFolder, WalksPathsLongerThanPathMaxWithFewDescriptors) {
    TempDir dir;
    const std::string name(60, 'd');
    const int depth = 90;  // about 5,500 characters, and more folders than descriptors kept
    const test::DeepChainRemover remover{dir.Path(), name};
    test::MakeDeepChain(dir.Path(), name, depth);
    const int before = OpenDescriptors();

    auto fileSystem = MakeFileSystem();
    std::string path = Slash(dir.Path());
    std::vector<std::unique_ptr<Folder>> chain;
    chain.push_back(OpenTop(*fileSystem, path));
    for (int level = 0; level < depth; ++level) {
        Folder& folder = *chain.back();
        folder.BeginAll();
        Entry entry;
        ASSERT_TRUE(folder.NextAll(entry)) << "level " << level;
        ASSERT_EQ(name, entry.name);
        ASSERT_EQ(SubFolderKind::Folder, folder.ReadKind(entry));
        folder.DoneReading();
        path += name + "/";
        chain.push_back(folder.OpenChild(name));
    }
    EXPECT_GT(path.size(), std::size_t{PATH_MAX});
    EXPECT_LE(OpenDescriptors() - before, 66);
    Folder& bottom = *chain.back();
    EXPECT_EQ("deep.txt", FileNames(bottom, "*.TXT"));
    Entry file;
    bottom.BeginFiles("*");
    ASSERT_TRUE(bottom.NextFile(file));
    EXPECT_EQ(7, bottom.ReadDetails(file).size);
    // The bottom folder also opens on its own, by its long path alone.
    EXPECT_EQ("deep.txt", AllNames(*fileSystem->OpenFolder(path)));
}

TEST(PlatformFolder, MountPointsAreListedButNotEntered) {
    std::vector<std::string> mounted;
    for (const char* name : {"proc", "sys", "dev"}) {
        const auto mount = linuxos::FindMount(std::string("/") + name);
        if (mount && mount->target == std::string("/") + name) mounted.emplace_back(name);
    }
    if (mounted.empty()) GTEST_SKIP() << "nothing is mounted on /proc, /sys or /dev here";
    auto folder = OpenTop(*MakeFileSystem(), "/");
    std::map<std::string, SubFolderKind> kinds;
    folder->BeginAll();
    for (Entry entry; folder->NextAll(entry);) {
        kinds[std::string(entry.name)] = folder->ReadKind(entry);
    }
    for (const auto& name : mounted) EXPECT_EQ(SubFolderKind::OtherVolume, kinds[name]) << name;
    // A folder of the root file system itself is walked.
    const auto etc = linuxos::FindMount("/etc");
    if (etc && etc->target == "/") {
        EXPECT_EQ(SubFolderKind::Folder, kinds["etc"]);
    }
}

TEST(PlatformFolder, AFolderReplacedAfterItWasJudgedIsReportedNotRead) {
    TempDir dir;
    MakeDir(dir / "start" / "sub");
    MakeDir(dir / "other");
    MakeFile(dir / "start" / "sub" / "judged.txt", 1, 0);
    MakeFile(dir / "other" / "stranger.txt", 1, 0);
    auto fileSystem = linuxos::MakeFileSystem(0);  // no helper reads "sub" before the swap
    const std::string start = Slash(dir / "start");
    fileSystem->BeginWalk(start);
    // The start folder was opened when the walk began: a folder put in its place is not read.
    fs::rename(dir / "start", dir / "moved");
    MakeDir(dir / "start");
    MakeFile(dir / "start" / "intruder.txt", 1, 0);
    auto top = fileSystem->OpenFolder(start);
    top->BeginAll();
    Entry entry;
    ASSERT_TRUE(top->NextAll(entry));
    ASSERT_EQ(entry.name, "sub");
    ASSERT_EQ(SubFolderKind::Folder, top->ReadKind(entry));
    for (const bool byLink : {false, true}) {
        SCOPED_TRACE(byLink ? "a link put in its place" : "another folder put in its place");
        fs::rename(dir / "moved" / "sub", dir / "judged");
        if (byLink) {
            MakeLink(dir / "moved" / "sub", dir / "judged");
        } else {
            fs::rename(dir / "other", dir / "moved" / "sub");
        }
        auto sub = top->OpenChild("sub");
        try {
            sub->BeginAll();
            ADD_FAILURE() << "the folder put in its place was read: " << AllNames(*sub);
        } catch (const Failure& failure) {
            // A link is not opened at all ("Not a directory"): either way, not found.
            EXPECT_EQ(53, failure.Number());
            if (!byLink) {
                EXPECT_EQ("The folder was replaced while it was being read", failure.Description());
            }
        }
        sub.reset();
        if (!byLink) fs::rename(dir / "moved" / "sub", dir / "other");
        fs::remove(dir / "moved" / "sub");
        fs::rename(dir / "judged", dir / "moved" / "sub");
    }
    // Back in place, it is read.
    EXPECT_EQ("judged.txt", AllNames(*top->OpenChild("sub")));
    top.reset();
    fileSystem->EndWalk();
}

TEST(PlatformWalk, TheStartsLookUpsGoThroughTheSystemCallTable) {
    TempDir dir;
    MakeDir(dir / "Music");
    MakeFile(dir / "Music" / "a.mp3", 1, 0);
    MakeLink(dir / "Sounds", "Music");
    const std::string start = Slash(dir / "Sounds");
    // Without realpath the texts keep the path as given; the folder is still read.
    {
        const test::SystemCallFaults faults({{test::SysCall::Realpath, "Sounds", ENOMEM}});
        auto fileSystem = linuxos::MakeFileSystem(0);
        EXPECT_EQ(start, fileSystem->BeginWalk(start).path);
        EXPECT_EQ("a.mp3", AllNames(*fileSystem->OpenFolder(start)));
        fileSystem->EndWalk();
    }
}

TEST(PlatformWalk, BeginWalkGivesHeadingTexts) {
    auto fileSystem = MakeFileSystem();
    const FolderTexts root = fileSystem->BeginWalk("/");
    EXPECT_EQ("/", root.driveLessPath);
    EXPECT_EQ("/", root.folderName);
    if (const auto mount = linuxos::FindMount("/proc/"); mount && mount->target == "/proc") {
        const FolderTexts proc = fileSystem->BeginWalk("/proc/");
        EXPECT_EQ("/", proc.driveLessPath);
        EXPECT_EQ("proc", proc.folderName);
    }
    const FolderTexts missing = fileSystem->BeginWalk("/no/such/place/");
    EXPECT_EQ("/no/such/place/", missing.driveLessPath);
    EXPECT_EQ("place", missing.folderName);

    TempDir dir;
    MakeDir(dir / "Music");
    MakeLink(dir / "Sounds", "Music");
    const std::string real = fs::canonical(dir / "Music").string();
    const std::string mountPoint = linuxos::FindMount(real)->target;
    const std::string below = mountPoint == "/" ? real : real.substr(mountPoint.size());
    // A start through a link or with ".." is the folder it leads to, in every text.
    for (const char* start : {"Music", "Sounds", "Music/../Sounds"}) {
        const FolderTexts texts = fileSystem->BeginWalk(Slash(dir / start));
        EXPECT_EQ(below + "/", texts.driveLessPath) << start;
        EXPECT_EQ("Music", texts.folderName) << start;
        EXPECT_EQ(real + "/", texts.path) << start;
    }
}

TEST(PlatformErrors, MapsErrnoToFailures) {
    const std::map<int, std::vector<int>> numbers{{53, {ENOENT, ENOTDIR}},
                                                  {75, {EACCES, EPERM, EBUSY, ELOOP}},
                                                  {52, {ENAMETOOLONG, EILSEQ, EINVAL}},
                                                  {61, {ENOSPC, EDQUOT}},
                                                  {57, {EIO}},
                                                  {71, {ENOMEDIUM}}};
    for (const auto& [number, errs] : numbers) {
        for (int err : errs) EXPECT_EQ(number, linuxos::FailureFromErrno(err).Number()) << err;
    }
    EXPECT_EQ("Permission denied", linuxos::FailureFromErrno(EACCES).Description());
    const Failure failure = linuxos::ListFileFailure(ENOSPC, "write", "/x/y.txt");
    EXPECT_EQ("cannot write list file '/x/y.txt': No space left on device", failure.Description());
    EXPECT_TRUE(failure.FromListFile());
    EXPECT_FALSE(linuxos::FailureFromErrno(ENOSPC).FromListFile());
}

}  // namespace
}  // namespace dirscribe::platform
