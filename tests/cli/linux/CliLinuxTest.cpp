// SPDX-License-Identifier: MIT
// dirscribe-cli where only POSIX systems can show it: reports on standard error, list files
// that fail, pipes and devices as list files, closed and broken standard descriptors, and
// signals.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "CliFixture.h"
#include "support/PosixTree.h"
#include "support/Unprivileged.h"
#include "support/linux/DeepChain.h"

extern char** environ;

namespace dirscribe::test {
namespace {

const std::string kHyphens(89, '-');
const std::string kTextFooter = kHyphens + "\r\n" + kHyphens + "\r\n" + kHyphens + "\r\n";

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// Runs `program` with `args` with standard input, output and error as given: a descriptor of
// this process, or -1 for closed. Returns the exit status (128 + signal).
int RunWithDescriptors(const std::vector<std::string>& args, int in, int out, int err) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const int fds[3] = {in, out, err};
    for (int fd = 0; fd < 3; ++fd) {
        if (fds[fd] < 0) {
            posix_spawn_file_actions_addclose(&actions, fd);
        } else {
            posix_spawn_file_actions_adddup2(&actions, fds[fd], fd);
        }
    }
    std::vector<std::string> all{DIRSCRIBE_CLI};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, DIRSCRIBE_CLI, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// strace, where it is installed and may trace: it fails chosen system calls on demand. Not in
// sanitizer builds: their runtimes probe memory with write() calls of their own at start,
// which the injected failure would hit first.
bool CanInjectFailures() {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    return false;
#endif
    static const bool can = access("/usr/bin/strace", X_OK) == 0 &&
                            RunProgram("/usr/bin/strace", {"-o", "/dev/null", "true"}).status == 0;
    return can;
}

// Each report names the path of what could not be read, once.
TEST_F(CliTest, ReportsGoToStandardErrorAndTheWalkGoesOn) {
    MakeBrokenLink(music / "broken.mp3");
    // A name with an escape sequence reaches no terminal as one.
    MakeBrokenLink(music / "x\x1b]0;title\a\xC2\x9B.mp3");
    MakeUnreadableFolder(music / "Locked");
    std::string args = music.string();
    const int status = RunUnprivileged(
        [](void* arg) -> int {
            const std::string& start = *static_cast<std::string*>(arg);
            const Result r = RunCli({"-f", "csv-names", start});
            const std::string m = start + "/";
            const std::string expected =
                "dirscribe-cli: skipped '" + m + "broken.mp3': No such file or directory\n" +
                "dirscribe-cli: skipped '" + m + "x?]0;title??.mp3': No such file or directory\n" +
                "dirscribe-cli: skipped '" + m + "Locked/': Permission denied\n";
            if (r.status == 0 && r.out == "\"intro\"\r\n\"notes\"\r\n\"blue train\"\r\n" &&
                r.err == expected) {
                return 0;
            }
            std::fprintf(stderr, "status %d, errors:\n%s", r.status, r.err.c_str());
            return 1;
        },
        &args);
    EXPECT_EQ(status, 0);
}

TEST_F(CliTest, EveryFailedWriteOfTheListFailsTheRun) {
    if (!CanInjectFailures()) GTEST_SKIP() << "no strace that can trace here, or a sanitizer build";
    // Refused, not allowed, full: each is the run's failure, never a report about an entry.
    const auto list = tmp / "list.txt";
    for (const char* error : {"EPERM", "EINVAL", "EACCES", "ENOSPC", "EIO"}) {
        SCOPED_TRACE(error);
        const Result r = RunProgram(
            // A leak checker cannot run under a tracer: none in sanitizer builds.
            "/usr/bin/strace",
            {"-f", "-o", "/dev/null", "-E", "ASAN_OPTIONS=detect_leaks=0", "-e", "trace=write",
             "-e", std::string("inject=write:error=") + error + ":when=1", DIRSCRIBE_CLI, "-q",
             "-y", "-n", list.string(), music.string()});
        EXPECT_EQ(r.status, 1) << r.err;
        EXPECT_EQ(r.err.rfind("dirscribe-cli: cannot write list file '" + list.string() + "': ", 0),
                  0u)
            << r.err;
        EXPECT_EQ(r.err.find("Skipping"), std::string::npos) << r.err;
    }
}

TEST_F(CliTest, AListCutOffByAFileSizeLimitKeepsEveryWholeLineBeforeIt) {
    for (int f = 0; f < 60; ++f) MakeFile(music / ("file" + std::to_string(f) + ".dat"), f, 0);
    const auto whole = tmp / "whole.txt";
    const auto cut = tmp / "cut.txt";
    ASSERT_EQ(RunCli({"-q", "-n", whole.string(), music.string()}).status, 0);
    // dash counts the limit in blocks of 512 bytes: 4 KiB, less than the list.
    const Result r = RunProgram("/bin/sh", {"-c", "ulimit -f 8 && exec \"$@\"", "sh", DIRSCRIBE_CLI,
                                            "-q", "-n", cut.string(), music.string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cannot write list file '" + cut.string() + "': File too large"),
              std::string::npos)
        << r.err;
    const std::string all = ReadFile(whole);
    const std::string kept = ReadFile(cut);
    ASSERT_GT(all.size(), kept.size());
    // The disk took 4096 bytes; the half line at their end is taken back.
    ASSERT_LE(kept.size(), 4096u);
    EXPECT_GT(kept.size(), 4096u - 100u);
    EXPECT_EQ(kept.substr(kept.size() - 2), "\r\n");
    EXPECT_EQ(all.substr(0, kept.size()), kept);
}

TEST_F(CliTest, PipesAndDevicesAreRefusedAtOnceTheNullDeviceIsNot) {
    const auto fifo = tmp / "fifo";
    ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
    for (const char* option : {"-n", "-a"}) {
        for (const std::string& name : {fifo.string(), std::string("/dev/full")}) {
            const Result r = RunCli({"-q", "-y", option, name, music.string()});
            EXPECT_EQ(r.status, 1);
            EXPECT_NE(r.err.find("cannot open list file '" + name + "': it is a "),
                      std::string::npos)
                << r.err;
        }
    }
    const Result null = RunCli({"-q", "-y", "-n", "/dev/null", music.string()});
    EXPECT_EQ(null.status, 0) << null.err;
    EXPECT_EQ(null.err, "");
}

// As an ordinary user: the start folder is there, but may not be read.
int ListLockedStart(void* arg) {
    const std::string locked = static_cast<const std::filesystem::path*>(arg)->string();
    const Result r = RunCli({"-q", locked});
    const bool named = r.err.find("cannot read start folder '" + locked + "'") != std::string::npos;
    return r.status == 1 && named && r.out.empty() ? 0 : 1;
}

TEST_F(CliTest, AStartFolderThatCannotBeReadFailsTheRunAndWritesNoList) {
    const std::filesystem::path locked = tmp / "Locked";
    MakeDir(locked / "Inner");
    MakeUnreadableFolder(locked);
    EXPECT_EQ(RunUnprivileged(ListLockedStart, const_cast<std::filesystem::path*>(&locked)), 0);
}

TEST_F(CliTest, ClosedOrBrokenStandardDescriptorsLeaveTheListAlone) {
    MakeBrokenLink(music / "broken.mp3");
    const auto list = tmp / "list.csv";
    const std::vector<std::string> args{"-f", "csv-names", "-n", list.string(), music.string()};
    const std::string expected = "\"intro\"\r\n\"notes\"\r\n\"blue train\"\r\n";
    const int null = open("/dev/null", O_RDWR | O_CLOEXEC);
    ASSERT_GE(null, 0);
    // Closed: the list must not become standard error (and receive the report) or output.
    const int closed[][3] = {{null, null, -1}, {null, -1, -1}, {-1, -1, -1}, {-1, null, null}};
    for (const auto& fds : closed) {
        SCOPED_TRACE(std::to_string(fds[0]) + std::to_string(fds[1]) + std::to_string(fds[2]));
        std::filesystem::remove(list);
        EXPECT_EQ(RunWithDescriptors(args, fds[0], fds[1], fds[2]), 0);
        EXPECT_EQ(ReadFile(list), expected);
    }
    // Broken: nobody reads standard error any more; the report must not end the run.
    int pipeFds[2];
    ASSERT_EQ(0, pipe2(pipeFds, O_CLOEXEC));
    close(pipeFds[0]);
    std::filesystem::remove(list);
    EXPECT_EQ(RunWithDescriptors(args, null, null, pipeFds[1]), 0);
    EXPECT_EQ(ReadFile(list), expected);
    close(pipeFds[1]);
    close(null);
}

// A tree the program is still walking when its output pipe fills: it then waits for us.
class SignalTest : public CliTest {
  protected:
    // Starts a text listing of `tree` to standard output and waits until the pipe is full.
    void StartFilling(Program& cli) {
        std::size_t pending = 0;
        for (int i = 0; i < 3000 && pending < kFullPipe; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            pending = cli.PendingOutput();
        }
        ASSERT_GE(pending, kFullPipe) << "the program never filled its output pipe";
    }
};

TEST_F(SignalTest, TermAndHangUpStopTheWalkAsCtrlCDoes) {
    const auto big = MakeBigTree();
    for (const int signal : {SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signal);
        Program cli(DIRSCRIBE_CLI, {"-q", "-f", "text", big.string()});
        StartFilling(cli);
        ASSERT_TRUE(cli.Signal(signal));
        const Result r = cli.Finish();
        EXPECT_EQ(r.status, 128 + signal) << r.err;
        EXPECT_TRUE(EndsWith(r.out, kTextFooter));
        EXPECT_LT(CountOf(r.out, "Directory: "), 41u);
    }
}

TEST_F(SignalTest, ASecondCtrlCEndsTheFolderBeingWrittenWithTheFooter) {
    // One folder of more files than the list buffer and the pipe hold: a first Ctrl-C lets it
    // be written to its end, a second one ends the list at once.
    const auto flat = tmp / "flat";
    MakeDir(flat);
    constexpr int kFiles = 15000;
    for (int f = 0; f < kFiles; ++f) MakeFile(flat / ("f" + std::to_string(f)), 1, 0);
    Program cli(DIRSCRIBE_CLI, {"-q", "-f", "text", flat.string()});
    StartFilling(cli);
    ASSERT_TRUE(cli.Interrupt());
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_TRUE(cli.Interrupt());
    const Result r = cli.Finish();
    EXPECT_EQ(r.status, 130) << r.err;
    EXPECT_TRUE(EndsWith(r.out, kTextFooter));
    EXPECT_LT(CountOf(r.out, " bytes "), static_cast<std::size_t>(kFiles));
}

TEST_F(SignalTest, WhenTheSecondCtrlCEndsAStuckWalkTheWholeLinesAreKept) {
    // Forty folders of files, then one whose broken links are reported on a standard error
    // nobody reads: the walk hangs on it, as on a device that does not answer, with the forty
    // folders' lines in the list's buffer. Two seconds after the second Ctrl-C the program
    // ends; those lines are in the list, each whole.
    const auto tree = tmp / "stuck";
    for (int d = 0; d < 40; ++d) {
        const auto folder = tmp / "stuck" / ("folder " + std::to_string(100 + d));
        MakeDir(folder);
        for (int f = 0; f < 5; ++f) MakeFile(folder / ("file " + std::to_string(f)), f, 0);
    }
    MakeDir(tree / "zz");
    const std::string longName(120, 'b');
    for (int l = 0; l < 1000; ++l) MakeBrokenLink(tree / "zz" / (longName + std::to_string(l)));
    const auto list = tmp / "stuck.txt";
    Program cli(DIRSCRIBE_CLI, {"-q", "-f", "text", "-n", list.string(), tree.string()});
    std::size_t pending = 0;
    for (int i = 0; i < 3000 && pending < kFullPipe; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        pending = cli.PendingErrors();
    }
    ASSERT_GE(pending, kFullPipe) << "the program never filled its standard error";
    ASSERT_TRUE(cli.Interrupt());
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_TRUE(cli.Interrupt());
    // Not a byte read before the program ended by itself.
    std::this_thread::sleep_for(std::chrono::milliseconds(3000));
    const std::string kept = ReadFile(list);
    const Result r = cli.Finish();
    EXPECT_EQ(r.status, 130);
    EXPECT_EQ(CountOf(kept, " bytes "), 200u);
    EXPECT_EQ(CountOf(kept, "Directory: "), 42u);  // the start, forty folders, zz
    ASSERT_GE(kept.size(), 2u);
    EXPECT_EQ(kept.substr(kept.size() - 2), "\r\n");
    EXPECT_FALSE(EndsWith(kept, kTextFooter));
}

// Far deeper than a walk by recursion on the machine's stack survives: every folder gets its
// heading and the bottom file is listed.
TEST_F(CliTest, ThirtyThousandLevelsAreWalkedToTheBottom) {
    constexpr int kDepth = 30000;
    const DeepChainRemover remover{tmp / "deep", "d"};
    MakeDir(tmp / "deep");
    MakeDeepChain(tmp / "deep", "d", kDepth);
    const auto list = tmp / "deep.html";
    const Result result =
        RunCli({"-q", "-f", "4", "--label", "DEEP", "-n", Utf8(list), Utf8(tmp / "deep")});
    ASSERT_EQ(0, result.status) << result.err;
    const std::string all = ReadFile(list);
    const std::string heading = "<tr><td bgcolor=#3399FF><b>d</b></td></tr>\r\n";
    EXPECT_EQ(std::size_t{kDepth}, CountOf(all, heading));
    EXPECT_NE(all.find(heading + "<tr><td>deep</td></tr>\r\n</table>"), std::string::npos);
}

// A start through a link or with ".." is listed as the folder it leads to, in every line.
TEST_F(CliTest, AStartThroughALinkIsTheFolderItLeadsTo) {
    MakeLink(tmp / "Sounds", "Music");
    const std::string real = std::filesystem::canonical(music).string();
    for (const std::string& start : {Utf8(tmp / "Sounds"), Utf8(music / "Jazz" / "..")}) {
        const Result csv = RunCli({"-q", "-f", "csv", "--label", "L", start});
        EXPECT_NE(csv.out.find("\"" + real + "/\",\"intro.mp3\""), std::string::npos)
            << start << "\n"
            << csv.out;
        const Result html = RunCli({"-q", "-f", "html-names", "--label", "L", start});
        EXPECT_NE(html.out.find("<b>Music</b>"), std::string::npos) << start << "\n" << html.out;
    }
}

}  // namespace
}  // namespace dirscribe::test

namespace dirscribe::test {
namespace {

// --find on what is not a plain list: it never blocks, never grows without bound, never
// writes its matches where they are lost or read again, and never passes escapes on.
TEST_F(CliTest, FindRefusesOddListsAndOutputsWithoutBlocking) {
    const auto catalogue = tmp / "catalogue.txt";
    const auto cat = catalogue.string();
    ASSERT_EQ(RunCli({"-q", "--label", "M1", "-a", cat, music.string()}).status, 0);
    const std::string before = ReadFile(catalogue);

    const auto fifo = tmp / "fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const auto zeros = tmp / "zeros";
    WriteFile(zeros, "");
    std::filesystem::resize_file(zeros, std::uint64_t{100} << 20);  // one line of 100 MiB
    const struct {
        std::string list;
        std::string says;
    } refused[] = {
        {fifo.string(), "it is a pipe, not a regular file"},
        {"/dev/zero", "it is a device, not a regular file"},
        {tmp.Str(), "it is a folder, not a regular file"},
        {zeros.string(), "line 1 is longer than any list line"},
    };
    for (const auto& r : refused) {
        // The good list is still searched; the bad one is named and makes the status 2.
        const Result result = RunCli({"--find", "intro*", r.list, cat});
        EXPECT_EQ(result.status, 2) << r.list;
        EXPECT_NE(result.err.find(r.says), std::string::npos) << result.err;
        EXPECT_EQ(CountOf(result.out, "intro.mp3"), 1u) << result.out;
    }

    const int full = open("/dev/full", O_WRONLY | O_CLOEXEC);
    const int null = open("/dev/null", O_RDWR | O_CLOEXEC);
    const int append = open(catalogue.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    ASSERT_GE(full, 0);
    ASSERT_GE(append, 0);
    EXPECT_EQ(RunWithDescriptors({"--find", "*", cat}, null, full, null), 2);
    EXPECT_EQ(RunWithDescriptors({"--find", "*", cat}, null, append, null), 2);
    EXPECT_EQ(ReadFile(catalogue), before);
    // Standard input, when it is asked for.
    const int in = open(catalogue.c_str(), O_RDONLY | O_CLOEXEC);
    const auto out = tmp / "matches.txt";
    const int outFd = open(out.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    EXPECT_EQ(RunWithDescriptors({"--find", "*.mp3", "-"}, in, outFd, null), 0);
    EXPECT_EQ(CountOf(ReadFile(out), ".mp3"), 2u);
    for (int fd : {full, null, append, in, outFd}) close(fd);

    // A crafted list's escapes and bells reach neither the output nor the terminal.
    const auto crafted = tmp / "crafted.csv";
    WriteFile(crafted, "\"\x1b]0;owned\a.mp3\"\r\n\x1b[2Jjunk\r\n");
    const Result r = RunCli({"--find", "*.mp3", crafted.string(), "\x1b[31m"});
    EXPECT_EQ(r.out.find('\x1b'), std::string::npos);
    EXPECT_EQ(r.err.find('\x1b'), std::string::npos);
    EXPECT_NE(r.out.find("?]0;owned?.mp3"), std::string::npos) << r.out;
}

}  // namespace
}  // namespace dirscribe::test
