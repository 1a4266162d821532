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
    fs::create_symlink(path, dir / "link.txt");
    const auto open = [](const fs::path& p) {
        return OutputFile::Open(p.string(), OutputFile::Mode::Append);
    };
    const OutputFile direct = open(path);
    EXPECT_EQ(direct.Identity(), open(dir / "sub" / ".." / "list.txt").Identity());
    EXPECT_EQ(direct.Identity(), open(dir / "link.txt").Identity());
    EXPECT_NE(direct.Identity(), open(dir / "other.txt").Identity());
    EXPECT_EQ(path, direct.Path());
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

    OutputFile full = OutputFile::Open("/dev/full", OutputFile::Mode::Write);
    std::string buffer = "line\r\n";
    try {
        full.Write(buffer);
        ADD_FAILURE() << "wrote to /dev/full";
    } catch (const Failure& failure) {
        EXPECT_EQ(61, failure.Number());
        EXPECT_TRUE(failure.FromListFile());
        EXPECT_EQ("cannot write list file '/dev/full': No space left on device",
                  failure.Description());
    }
    EXPECT_EQ("line\r\n", buffer);
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
            _exit(failure.Number() == 61 && buffer == "abcdefghij" ? 0 : 2);
        }
        _exit(1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ("0123456789", ReadFile(path));
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
