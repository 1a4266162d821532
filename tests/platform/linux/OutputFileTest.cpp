// SPDX-License-Identifier: MIT
// Tests of list files: writing, appending, identity and the failures that name the file.
#include "platform/OutputFile.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "support/TempTree.h"

namespace dirscribe::platform {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::TempDir;

void WriteText(OutputFile& file, std::string text) {
    file.Write(text);
    EXPECT_TRUE(text.empty());
}

TEST(OutputFile, WritesEmptiesAndAppends) {
    TempDir dir;
    const std::string path = (dir / "list.txt").string();
    const mode_t oldMask = umask(022);
    OutputFile file = OutputFile::Open(path, OutputFile::Mode::Write);
    umask(oldMask);
    WriteText(file, "first\r\n");
    file.Close();
    EXPECT_FALSE(file.IsOpen());
    struct stat st {};
    ASSERT_EQ(0, stat(path.c_str(), &st));
    EXPECT_EQ(0644u, st.st_mode & 0777u);  // 0666 less the umask

    OutputFile again = OutputFile::Open(path, OutputFile::Mode::Write);
    WriteText(again, "new");
    again.Close();
    EXPECT_EQ("new", ReadFile(path));

    OutputFile appended = OutputFile::Open(path, OutputFile::Mode::Append);
    OutputFile moved = std::move(appended);
    EXPECT_FALSE(
        appended.IsOpen());  // NOLINT(bugprone-use-after-move): moved-from state is defined
    WriteText(moved, " and more \xFF bytes");
    moved.Close();
    EXPECT_EQ("new and more \xFF bytes", ReadFile(path));

    const std::string created = (dir / "created.txt").string();
    OutputFile fresh = OutputFile::Open(created, OutputFile::Mode::Append);
    WriteText(fresh, "x");
    fresh.Close();
    EXPECT_EQ("x", ReadFile(created));
}

TEST(OutputFile, SameFileThroughTwoPathsHasOneIdentity) {
    TempDir dir;
    test::MakeDir(dir / "sub");
    const std::string path = (dir / "list.txt").string();
    test::WriteFile(path, "");
    fs::create_symlink(path, dir / "link.txt");
    // One at a time: a file open as a list is locked.
    const auto identity = [](const fs::path& p) {
        return OutputFile::Open(p.string(), OutputFile::Mode::Append).Identity();
    };
    const FileIdentity direct = identity(path);
    EXPECT_EQ(direct, identity(dir / "sub" / ".." / "list.txt"));
    EXPECT_EQ(direct, identity(dir / "link.txt"));
    EXPECT_NE(direct, identity(dir / "other.txt"));
    EXPECT_EQ(path, OutputFile::Open(path, OutputFile::Mode::Append).Path());

    // Before anything is opened: spellings, a link, and a file not there yet.
    EXPECT_TRUE(SameListFile(path, (dir / "sub" / ".." / "list.txt").string()));
    EXPECT_TRUE(SameListFile((dir / "link.txt").string(), path));
    EXPECT_FALSE(SameListFile(path, (dir / "other.txt").string()));
    EXPECT_TRUE(
        SameListFile((dir / "new.txt").string(), (dir / "sub" / ".." / "new.txt").string()));
    EXPECT_FALSE(SameListFile((dir / "new.txt").string(), (dir / "sub" / "new.txt").string()));
    EXPECT_FALSE(SameListFile((dir / "new.txt").string(), path));
}

TEST(OutputFile, ARunHoldsItsListAndEmptiesItOnlyOnceItMayWrite) {
    TempDir dir;
    const std::string path = (dir / "list.txt").string();
    test::WriteFile(path, "catalogue");
    {
        OutputFile holder = OutputFile::Open(path, OutputFile::Mode::Append);
        try {
            OutputFile::Open(path, OutputFile::Mode::Write);
            ADD_FAILURE() << "a second writer got the list";
        } catch (const Failure& failure) {
            EXPECT_EQ(FailureNo::FileAlreadyOpen, failure.Number());
            // Held by this very process (under another name, say): it names no process.
            EXPECT_EQ("cannot open list file '" + path + "': it is open already in this run",
                      failure.Description());
        }
        EXPECT_EQ("catalogue", ReadFile(path));
    }
    // Given up before its first byte, a new list is left as it was; closed, it is empty.
    { OutputFile abandoned = OutputFile::Open(path, OutputFile::Mode::Write); }
    EXPECT_EQ("catalogue", ReadFile(path));
    OutputFile::Open(path, OutputFile::Mode::Write).Close();
    EXPECT_EQ("", ReadFile(path));
    // A list that was not there is not left behind, empty, by a run given up before its first
    // byte; one that got a byte stays.
    const std::string fresh = (dir / "fresh.txt").string();
    for (auto mode : {OutputFile::Mode::Write, OutputFile::Mode::Append}) {
        { OutputFile abandoned = OutputFile::Open(fresh, mode); }
        EXPECT_FALSE(std::filesystem::exists(fresh));
    }
    {
        OutputFile written = OutputFile::Open(fresh, OutputFile::Mode::Write);
        WriteText(written, "x\r\n");
    }
    EXPECT_EQ("x\r\n", ReadFile(fresh));
}

TEST(OutputFile, OnlyRegularFilesTerminalsAndTheNullDevice) {
    TempDir dir;
    const std::string fifo = (dir / "fifo").string();
    ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
    // A pipe without a reader would block the open for ever.
    for (const std::string& path : {fifo, std::string("/dev/full")}) {
        for (auto mode : {OutputFile::Mode::Write, OutputFile::Mode::Append}) {
            try {
                OutputFile::Open(path, mode);
                ADD_FAILURE() << "opened " << path;
            } catch (const Failure& failure) {
                EXPECT_TRUE(failure.FromListFile());
                EXPECT_EQ(0u, failure.Description().find("cannot open list file '" + path +
                                                         "': it is a "))
                    << failure.Description();
            }
        }
    }
    OutputFile null = OutputFile::Open("/dev/null", OutputFile::Mode::Write);
    WriteText(null, "gone\r\n");
    null.Close();
    // A pipe somebody reads (a process substitution, >(gzip > list.gz)) takes the list.
    const int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    for (auto mode : {OutputFile::Mode::Write, OutputFile::Mode::Append}) {
        OutputFile piped = OutputFile::Open(fifo, mode);
        WriteText(piped, "line\r\n");
        piped.Close();
        char got[16] = {};
        EXPECT_EQ(6, read(reader, got, sizeof got));
        EXPECT_EQ("line\r\n", std::string(got));
    }
    close(reader);
}

TEST(OutputFile, FailuresNameTheListFile) {
    TempDir dir;
    const std::string missing = (dir / "no-folder" / "list.txt").string();
    try {
        OutputFile::Open(missing, OutputFile::Mode::Write);
        ADD_FAILURE() << "opened a file in a missing folder";
    } catch (const Failure& failure) {
        EXPECT_EQ(53, failure.Number());
        EXPECT_TRUE(failure.FromListFile());
        EXPECT_EQ("cannot open list file '" + missing + "': No such file or directory",
                  failure.Description());
    }
    try {
        OutputFile::Open(dir.Str(), OutputFile::Mode::Append);
        ADD_FAILURE() << "opened a folder as a list file";
    } catch (const Failure& failure) {
        EXPECT_EQ(75, failure.Number());
    }
}

// A file size limit lets the first bytes through and refuses the rest, so the buffer must keep
// exactly what was not written. Runs in a child, as the limit holds for the whole process.
TEST(OutputFile, FailedWriteKeepsTheUnwrittenRest) {
    TempDir dir;
    const std::string path = (dir / "limited.txt").string();
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{10, 10};
        setrlimit(RLIMIT_FSIZE, &limit);
        OutputFile file = OutputFile::Open(path, OutputFile::Mode::Write);
        std::string buffer = "0123456789abcdefghij";
        try {
            file.Write(buffer);
        } catch (const Failure& failure) {
            const bool named =
                failure.Description() == "cannot write list file '" + path + "': File too large";
            _exit(failure.Number() == 61 && named && buffer == "abcdefghij" ? 0 : 2);
        }
        _exit(1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ("0123456789", ReadFile(path));
}

// A run given up on after a failed write ends its list with the last whole line it wrote; what
// the file held before stays, half line or not. In a child, for the file size limit.
TEST(OutputFile, AHalfLineIsCutBackToTheLastWholeLine) {
    TempDir dir;
    const std::string fresh = (dir / "fresh.txt").string();
    const std::string appended = (dir / "appended.txt").string();
    test::WriteFile(appended, "old\r\nhal");
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{14, 14};
        setrlimit(RLIMIT_FSIZE, &limit);
        int cut = 0;
        for (const auto& [path, mode] : {std::pair{fresh, OutputFile::Mode::Write},
                                         std::pair{appended, OutputFile::Mode::Append}}) {
            OutputFile file = OutputFile::Open(path, mode);
            std::string buffer = "line 1\r\nline 2\r\nline 3\r\n";
            try {
                file.Write(buffer);
            } catch (const Failure&) {
                file.CutToLastLine();
                ++cut;
            }
        }
        _exit(cut == 2 ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ("line 1\r\n", ReadFile(fresh));
    EXPECT_EQ("old\r\nhal", ReadFile(appended));
}

TEST(OutputFile, StandardOutputIsNeverClosed) {
    struct stat st {};
    ASSERT_EQ(0, fstat(STDOUT_FILENO, &st));
    OutputFile out = OutputFile::StandardOutput();
    EXPECT_TRUE(out.IsOpen());
    EXPECT_EQ((FileIdentity{st.st_dev, st.st_ino}), out.Identity());
    out.Close();
    EXPECT_FALSE(out.IsOpen());
    EXPECT_NE(-1, fcntl(STDOUT_FILENO, F_GETFD));
}

}  // namespace
}  // namespace dirscribe::platform
