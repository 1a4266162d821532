// SPDX-License-Identifier: MIT
// Reading ahead with helper threads changes how fast a tree is listed, never what is written:
// the same bytes and the same reports as the walker reading alone, with stops and failures in
// the middle of the walk.
#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <optional>
#include <thread>

#include "RunFixture.h"
#include "platform/linux/FileSystemLinux.h"
#include "support/PosixTree.h"
#include "support/Unprivileged.h"
#include "support/linux/SystemCallFaults.h"

namespace dirscribe::test {
namespace {

// What one run gave: the list and every report.
struct Outcome {
    std::string list;
    std::vector<std::string> errorTexts;
    std::vector<std::string> boxTexts;
    RunOutcome outcome = RunOutcome::Cancelled;
    bool operator==(const Outcome&) const = default;
};

// Lists `start` once with the walker reading alone and once with `threads` helpers, with the
// same faults, answers and yield actions; both must agree.
class ReadAheadTest : public ::testing::Test {
  protected:
    struct Setup {
        ListFormat format = ListFormat::Text;
        std::string mask = "*.*";
        bool dirsOnly = false;
        std::vector<FsFault> faults{};
        std::function<AbortRetryIgnore(const std::string&, const Failure&)> answer{};
        int stopAtYield = 0;
        int formatChangeAtYield = 0;
        // Below the read-ahead: failing system calls, and entry types hidden.
        std::vector<SysFault> sysFaults{};
        bool hideTypes = false;
    };

    Outcome ListWith(int threads, const Setup& setup) {
        SharedState state;
        ScriptedFrontEnd frontEnd(state);
        ListFiles files;
        std::optional<SystemCallFaults> sysFaults;
        if (!setup.sysFaults.empty() || setup.hideTypes)
            sysFaults.emplace(setup.sysFaults, setup.hideTypes);
        FaultyFileSystem fileSystem(platform::linuxos::MakeFileSystem(threads));
        fileSystem.readAhead = threads > 0;
        fileSystem.faults = setup.faults;
        ListingRun run(state, frontEnd, files, fileSystem);
        run.SetRegionalSettings(platform::RegionalSettings::UnitedStates());
        state.OutputFormat = setup.format;
        frontEnd.settings.startPath = root.string();
        frontEnd.settings.mask = setup.mask;
        frontEnd.settings.dirsOnly = setup.dirsOnly;
        frontEnd.settings.append = false;
        frontEnd.settings.newList = true;
        frontEnd.onAbortRetryIgnore = setup.answer;
        if (setup.stopAtYield > 0)
            frontEnd.atYield[setup.stopAtYield] = [&] { frontEnd.PressStop(); };
        if (setup.formatChangeAtYield > 0) {
            frontEnd.atYield[setup.formatChangeAtYield] = [&] {
                state.OutputFormat = ListFormat::Html;
            };
        }
        const auto out = tmp / ("list-" + std::to_string(++runs_) + ".txt");
        frontEnd.newListAnswers = {out.string()};
        Outcome result;
        result.outcome = run.Command1_Click();
        result.list = ReadFile(out);
        result.errorTexts = frontEnd.errorTexts;
        result.boxTexts = frontEnd.boxTexts;
        return result;
    }

    // Lists with `setup` by the walker alone and with 1 and 4 helpers: each run must give
    // `want`, or without it what the walker alone gives.
    void ExpectSame(const Setup& setup, const Outcome* want = nullptr) {
        const Outcome alone = ListWith(0, setup);
        const Outcome& expected = want != nullptr ? *want : alone;
        for (int threads : {0, 1, 4}) {
            if (threads == 0 && want == nullptr) continue;
            SCOPED_TRACE("helpers: " + std::to_string(threads));
            const Outcome got = threads == 0 ? alone : ListWith(threads, setup);
            EXPECT_EQ(got.list, expected.list);
            EXPECT_EQ(got.errorTexts, expected.errorTexts);
            EXPECT_EQ(got.boxTexts, expected.boxTexts);
            EXPECT_EQ(got.outcome, expected.outcome);
        }
    }

    // Forty folders over three levels, files of every kind, and the entries the walker skips.
    ReadAheadTest() {
        for (int a = 0; a < 4; ++a) {
            for (int b = 0; b < 3; ++b) {
                for (int c = 0; c < 3; ++c) {
                    const auto dir = root / ("A" + std::to_string(a)) / ("b" + std::to_string(b)) /
                                     ("C" + std::to_string(c));
                    MakeDir(dir);
                    for (int f = 0; f < 12; ++f) {
                        MakeFile(dir / ("file " + std::to_string(f) + (f % 3 ? ".mp3" : ".txt")),
                                 f * 1000, LocalTime(2000 + f, 1 + f, 1 + 2 * f, f, 30, 0));
                    }
                }
                MakeFile(root / ("A" + std::to_string(a)) / ("b" + std::to_string(b)) / "mid.MP3",
                         7, LocalTime(2010, 6, 6, 6, 6, 6));
            }
        }
        MakeFile(root / "top.txt", 123456789, LocalTime(2020, 2, 29, 23, 59, 59));
        MakeFile(root / ".hidden", 1, 0);
        MakeDir(root / "pagefile.sys");
        MakeFile(root / "pagefile.sys" / "inside.txt", 1, 0);
        MakeLink(root / "link.txt", "top.txt");
        MakeBrokenLink(root / "broken.mp3");
        MakeLink(root / "folder link", "A0");
        mkfifo((root / "pipe.mp3").c_str(), 0644);
    }

    TempDir tmp;
    const stdfs::path root = tmp / "tree";

  private:
    int runs_ = 0;
};

TEST_F(ReadAheadTest, EveryFormatAndMaskGivesTheSameBytes) {
    for (const FormatInfo& info : kFormats) {
        SCOPED_TRACE(info.cliName);
        ExpectSame({.format = info.format});
    }
    ExpectSame({.format = ListFormat::Text, .mask = "*.MP3"});
    ExpectSame({.format = ListFormat::Csv, .mask = "file ?.*"});
    ExpectSame({.format = ListFormat::Text, .dirsOnly = true});
    ExpectSame({.format = ListFormat::Html, .mask = ""});
}

TEST_F(ReadAheadTest, AStopInTheMiddleEndsTheSame) {
    for (int yield : {2, 5, 17, 40}) {
        SCOPED_TRACE(yield);
        ExpectSame({.format = ListFormat::Text, .stopAtYield = yield});
    }
    ExpectSame({.format = ListFormat::TextNames, .formatChangeAtYield = 9});
}

TEST_F(ReadAheadTest, FailuresInTheMiddleAreReportedWhenTheWalkGetsThere) {
    for (const AbortRetryIgnore choice :
         {AbortRetryIgnore::Ignore, AbortRetryIgnore::Retry, AbortRetryIgnore::Abort}) {
        SCOPED_TRACE(static_cast<int>(choice));
        const auto answer = [choice](const std::string&, const Failure&) { return choice; };
        ExpectSame({.format = ListFormat::Text,
                    .faults = {{FsOp::ReadDetails, "A1/b2/C0/", "file 4.mp3", 57, 2},
                               {FsOp::BeginAll, "A2/b0/", "", 57, 1},
                               {FsOp::ReadKind, "A3/", "b1", 57, 1},
                               {FsOp::BeginFiles, "A0/b1/C2/", "", 75, 1}},
                    .answer = answer});
    }
}

// The files this process has open now.
int OpenDescriptors() {
    int count = -3;  // ".", ".." and the folder being read
    DIR* dir = opendir("/proc/self/fd");
    if (dir == nullptr) return -1;
    while (readdir(dir) != nullptr) ++count;
    closedir(dir);
    return count;
}

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

TEST_F(ReadAheadTest, FewDescriptorsSlowTheWalkDownButLoseNoFolder) {
    // A deeper branch, so that the walker holds folders open on the way down too.
    stdfs::path deep = root / "A2" / "b1";
    for (int level = 0; level < 12; ++level) {
        deep /= "level " + std::to_string(level);
        MakeDir(deep);
        MakeFile(deep / "in.txt", level, LocalTime(2001, 1, 1, 1, 1, level));
        MakeDir(deep / "side");
    }
    const Outcome unlimited = ListWith(0, {.format = ListFormat::Csv});
    ASSERT_EQ(unlimited.errorTexts.size(), 1u);  // the broken link, only
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
    const int open = OpenDescriptors();
    ASSERT_GT(open, 0);
    // The list file, and two folders for the walker (3); helpers left short, or with a few.
    for (const int room : {3, 5, 8, 12, 40}) {
        // The sanitizers' runtimes look at memory through a pipe of their own, also when a
        // helper thread starts: with (nearly) every file taken they report objects they cannot
        // read as broken. They get the roomiest limit only.
        if (kSanitized && room < 40) continue;
        SCOPED_TRACE("room for " + std::to_string(room) + " more files");
        rlimit low = saved;
        low.rlim_cur = static_cast<rlim_t>(open + room);
        ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &low), 0);
        const Outcome alone = ListWith(0, {.format = ListFormat::Csv});
        const Outcome ahead = ListWith(4, {.format = ListFormat::Csv});
        ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &saved), 0);
        EXPECT_EQ(alone, unlimited);
        EXPECT_EQ(ahead, unlimited);
    }
}

TEST_F(ReadAheadTest, EntriesOfUnknownTypeAreListedAsThoseOfKnownType) {
    // Some file systems give no entry types: then every kind comes from stat.
    for (const FormatInfo& info : kFormats) {
        SCOPED_TRACE(info.cliName);
        const Outcome known = ListWith(0, {.format = info.format});
        ExpectSame({.format = info.format, .hideTypes = true}, &known);
    }
}

TEST_F(ReadAheadTest, SystemCallsFailingBelowTheHelpersAreReportedForTheirEntry) {
    Setup setup{
        .format = ListFormat::Csv,
        .answer = [](const std::string&, const Failure&) { return AbortRetryIgnore::Ignore; },
        .sysFaults = {{SysCall::OpenAt, "A1/b2", EACCES},
                      {SysCall::FstatAt, "A2/b0/C1/file 4.mp3", EIO},
                      {SysCall::GetDents64, "A3/b1/C2", EIO}}};
    for (const bool hideTypes : {false, true}) {
        SCOPED_TRACE(hideTypes ? "types hidden" : "types given");
        setup.hideTypes = hideTypes;
        ExpectSame(setup);
        const Outcome ahead = ListWith(4, setup);
        const auto filesIn = [&](const std::string& folder) {
            const std::string line = "\"" + root.string() + "/" + folder + "\",\"file ";
            int count = 0;
            for (auto at = ahead.list.find(line); at != std::string::npos;
                 at = ahead.list.find(line, at + 1))
                ++count;
            return count;
        };
        EXPECT_EQ(filesIn("A1/b2/C0/"), 0);
        EXPECT_EQ(filesIn("A2/b0/C1/"), 11);
        EXPECT_GT(filesIn("A3/b1/C2/"), 0);
        EXPECT_LT(filesIn("A3/b1/C2/"), 12);
        for (const char* folder : {"A0/b0/C0/", "A1/b1/C2/", "A2/b0/C2/", "A3/b2/C2/"})
            EXPECT_EQ(filesIn(folder), 12) << folder;
        EXPECT_EQ(ahead.outcome, RunOutcome::Completed);
        // The folder refused is reported; so are the file and the folder read short.
        const auto reported = [](const std::vector<std::string>& texts, const std::string& part) {
            return std::count_if(texts.begin(), texts.end(), [&](const std::string& text) {
                return text.find(part) != std::string::npos;
            });
        };
        EXPECT_GT(reported(ahead.errorTexts, "Permission denied"), 0);
        EXPECT_GT(reported(ahead.boxTexts, "Input/output error\r\nError reading:file 4.mp3 "), 0);
        EXPECT_GT(reported(ahead.boxTexts, "Input/output error"),
                  reported(ahead.boxTexts, "Error reading:file 4.mp3 "));
    }
}

TEST_F(ReadAheadTest, AHugeFolderReadWhileItsFilesAreReadGivesTheSameBytes) {
    // Enough long names to fill the first read of the folder: its files are then read on
    // threads of their own while the folder is still being read, each matched to its line by
    // its place in the reading. Every file has a size and a time of its own; links, a link to
    // a folder, a broken link, a pipe and hidden files lie among them.
    const auto big = root / "Big";
    MakeDir(big);
    for (int i = 0; i < 1500; ++i) {
        const std::string name = "a file among fifteen hundred in one folder " + std::to_string(i);
        MakeFile(big / (name + (i % 4 ? ".mp3" : ".txt")), i * 7 + 1,
                 LocalTime(1990 + i % 30, 1 + i % 12, 1 + i % 28, i % 24, i % 60, i % 59));
        if (i % 250 == 0) {
            MakeFile(big / (".hidden " + std::to_string(i)), 1, 0);
            MakeLink(big / ("link " + std::to_string(i) + ".mp3"), name + ".txt");
            MakeBrokenLink(big / ("broken " + std::to_string(i) + ".mp3"));
            MakeLink(big / ("folder link " + std::to_string(i)), "..");
            mkfifo((big / ("pipe " + std::to_string(i) + ".mp3")).c_str(), 0644);
        }
    }
    ExpectSame({.format = ListFormat::Text});
    ExpectSame({.format = ListFormat::Csv, .mask = "*1?.MP3"});
    const Outcome ahead = ListWith(4, {.format = ListFormat::TextNames});
    std::size_t files = 0;
    for (auto at = ahead.list.find("fifteen hundred"); at != std::string::npos;
         at = ahead.list.find("fifteen hundred", at + 1))
        ++files;
    EXPECT_EQ(files, 1500u);
}

TEST_F(ReadAheadTest, TheFilesOfTheTreeAreAllThere) {
    // The agreement above means something only if the list is complete.
    const Outcome ahead = ListWith(4, {.format = ListFormat::TextNames});
    EXPECT_EQ(ahead.outcome, RunOutcome::Completed);
    std::size_t files = 0;
    for (auto at = ahead.list.find("file "); at != std::string::npos;
         at = ahead.list.find("file ", at + 1))
        ++files;
    EXPECT_EQ(files, 4u * 3 * 3 * 12);
    EXPECT_NE(ahead.list.find("link.txt "), std::string::npos);
    EXPECT_EQ(ahead.list.find("folder link"), std::string::npos);
    EXPECT_EQ(ahead.list.find("pipe.mp3"), std::string::npos);
    EXPECT_EQ(ahead.list.find("inside.txt"), std::string::npos);
    EXPECT_EQ(ahead.errorTexts,
              std::vector<std::string>{"Last Error: Error reading 'broken.mp3' Skipping."});
}

// As an ordinary user: a folder that cannot be read ahead is reported when the walk reaches
// it, and after it became readable a Retry reads it on the spot.
struct RetryCase {
    std::filesystem::path root;
};

int ReadAheadThenRetry(void* arg) {
    const auto& c = *static_cast<RetryCase*>(arg);
    auto fs = platform::linuxos::MakeFileSystem(2);
    const std::string start = c.root.string() + "/";
    fs->BeginWalk(start);
    fs->Prefetch("*.*", true);
    auto top = fs->OpenFolder(start);
    top->BeginAll();
    platform::Entry entry;
    if (!top->NextAll(entry) || entry.name != "Locked") return 10;
    if (top->ReadKind(entry) != platform::SubFolderKind::Folder) return 11;
    auto locked = top->OpenChild("Locked");
    try {
        locked->BeginAll();
        return 12;  // the helper could not have read it
    } catch (const Failure& f) {
        if (f.Number() != FailureNo::PathFileAccess) return 13;
    }
    // The user makes the folder readable and answers Retry.
    if (chmod((c.root / "Locked").c_str(), 0755) != 0) return 14;
    locked->BeginAll();
    if (!locked->NextAll(entry) || entry.name != "inside.txt") return 15;
    locked->BeginFiles("*.*");
    if (!locked->NextFile(entry) || locked->ReadDetails(entry).size != 42) return 16;
    locked.reset();
    top.reset();
    fs->EndWalk();
    return 0;
}

TEST(ReadAheadRetry, AFailureMetAheadIsRetriedOnTheSpot) {
    TempDir tmp;
    RetryCase c{tmp / "tree"};
    MakeDir(c.root / "Locked");
    MakeFile(c.root / "Locked" / "inside.txt", 42, 0);
    // The folder belongs to the user the test runs as, who may open it up again.
    if (geteuid() == 0) {
        ASSERT_EQ(chown((c.root / "Locked").c_str(), 65534, 65534), 0);
        ASSERT_EQ(chown((c.root / "Locked" / "inside.txt").c_str(), 65534, 65534), 0);
    }
    MakeUnreadableFolder(c.root / "Locked");
    EXPECT_EQ(RunUnprivileged(ReadAheadThenRetry, &c), 0);
}

// A Retry of a kind that failed ahead, while a helper reads the details of the same folder's
// files: the walker learns the kind without writing it into the records the helper reads (the
// thread sanitizer catches such a write). Entry types are hidden, so every kind comes from stat.
TEST(ReadAheadRetry, ARetriedKindLeavesTheRecordsOfTheHelpersAlone) {
    TempDir tmp;
    const stdfs::path root = tmp / "tree";
    MakeDir(root);
    // Links first, whose targets only the helpers read ahead; the file whose kind fails last.
    for (int i = 0; i < 300; ++i)
        stdfs::create_symlink("target", root / ("link " + std::to_string(i)));
    MakeFile(root / "target", 7, 0);
    MakeFile(root / "x.txt", 5, 0);
    SystemCallFaults faults({{SysCall::FstatAt, "x.txt", EIO, 1, AT_SYMLINK_NOFOLLOW}}, true);
    faults.HoldDetailReads(true);
    auto fileSystem = platform::linuxos::MakeFileSystem(2);
    const std::string start = root.string() + "/";
    fileSystem->BeginWalk(start);
    fileSystem->Prefetch("*.*", true);
    auto top = fileSystem->OpenFolder(start);
    // A helper has taken the folder's files and waits at the first link.
    for (int wait = 0; faults.DetailReads() == 0 && wait < 10000; ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    top->BeginAll();
    platform::Entry entry;
    while (top->NextAll(entry) && entry.name != "x.txt") {
    }
    ASSERT_EQ(entry.name, "x.txt");
    EXPECT_THROW((void)top->ReadKind(entry), Failure);
    EXPECT_EQ(top->ReadKind(entry), platform::SubFolderKind::NotFolder);  // the Retry
    // The helper goes on to the record of x.txt.
    faults.HoldDetailReads(false);
    top->BeginFiles("*.*");
    std::vector<std::int64_t> sizes;
    while (top->NextFile(entry)) sizes.push_back(top->ReadDetails(entry).size);
    ASSERT_EQ(sizes.size(), 302u);
    EXPECT_EQ(sizes.back(), 5);
    EXPECT_EQ(std::count(sizes.begin(), sizes.end(), 7), 301);
    top.reset();
    fileSystem->EndWalk();
}

}  // namespace
}  // namespace dirscribe::test
