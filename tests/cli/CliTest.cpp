// dirscribe-cli as a script sees it: the built program run with arguments, its output,
// reports and exit status.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "support/TempTree.h"

extern char** environ;

namespace dirscribe::test {
namespace {

namespace stdfs = std::filesystem;

struct Result {
    int status = -1;
    std::string out;
    std::string err;
};

// A running dirscribe-cli with its standard output and error on pipes.
class Cli {
  public:
    explicit Cli(const std::vector<std::string>& args) {
        int out[2], err[2];
        if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0)
            throw std::runtime_error("pipe");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_adddup2(&actions, err[1], 2);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        std::vector<std::string> all{DIRSCRIBE_CLI};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& a : all) argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, DIRSCRIBE_CLI, &actions, nullptr, argv.data(), environ) != 0) {
            throw std::runtime_error("spawn");
        }
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        close(err[1]);
        out_ = out[0];
        err_ = err[0];
    }
    ~Cli() {
        if (out_ >= 0) close(out_);
        if (err_ >= 0) close(err_);
    }
    pid_t Pid() const { return pid_; }
    int OutFd() const { return out_; }

    // Reads both pipes to their end and waits for the program.
    Result Finish() {
        Result r;
        pollfd fds[2] = {{out_, POLLIN, 0}, {err_, POLLIN, 0}};
        int open = 2;
        char buf[65536];
        while (open > 0) {
            if (poll(fds, 2, 60000) <= 0) break;
            for (int i = 0; i < 2; ++i) {
                if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP))) continue;
                ssize_t n = read(fds[i].fd, buf, sizeof buf);
                if (n <= 0) {
                    fds[i].fd = -1;
                    --open;
                } else {
                    (i == 0 ? r.out : r.err).append(buf, static_cast<std::size_t>(n));
                }
            }
        }
        int status = 0;
        waitpid(pid_, &status, 0);
        r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return r;
    }

  private:
    pid_t pid_ = -1;
    int out_ = -1;
    int err_ = -1;
};

Result RunCli(const std::vector<std::string>& args) {
    return Cli(args).Finish();
}

std::string Expected(const std::string& name, const std::string& start,
                     const std::string& driveLess) {
    std::string text = ReadFile(stdfs::path(DIRSCRIBE_EXPECTED_DIR) / name);
    auto replace = [&](const std::string& from, const std::string& to) {
        for (auto at = text.find(from); at != std::string::npos;
             at = text.find(from, at + to.size())) {
            text.replace(at, from.size(), to);
        }
    };
    replace("{START}", start);
    replace("{DRIVELESS}", driveLess);
    return text;
}

class CliTest : public ::testing::Test {
  protected:
    CliTest() { MakeMusicTree(music); }
    TempDir tmp;
    const stdfs::path music = tmp / "Music";
};

TEST_F(CliTest, TheWorkedExampleOnStandardOutputInEveryFormat) {
    const char* names[] = {"text", "text-names", "csv-names", "csv", "html-names", "html"};
    const std::string start = music.string() + "/";
    // On one file system the drive-less path is the path itself; elsewhere it is shorter.
    for (int f = 0; f < 6; ++f) {
        SCOPED_TRACE(f);
        const Result r = RunCli({"--label", "MUSIC01", "-q", "-f", names[f], music.string()});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "");
        const auto byNumber =
            RunCli({"--label", "MUSIC01", "-f", std::to_string(f), music.string()});
        EXPECT_EQ(byNumber.out, r.out);
        if (f == 2 || f == 3 || f == 4 || f == 5) {
            EXPECT_EQ(r.out, Expected("music-format" + std::to_string(f) + ".txt", start, ""));
        } else {
            // The text formats carry the drive-less path: check the rest of the lines.
            const auto dirLine = r.out.find("Directory: ");
            ASSERT_NE(dirLine, std::string::npos);
            const auto end = r.out.find("\r\n", dirLine);
            const std::string driveLess = r.out.substr(dirLine + 11, end - dirLine - 11);
            EXPECT_EQ(driveLess.back(), '/');
            EXPECT_EQ(r.out,
                      Expected("music-format" + std::to_string(f) + ".txt", start, driveLess));
        }
    }
}

TEST_F(CliTest, NewListsAreNotReplacedWithoutLeave) {
    const auto list = tmp / "list.txt";
    WriteFile(list, "keep me");
    Result r = RunCli({"-n", list.string(), music.string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("'" + list.string() + "' exists"), std::string::npos) << r.err;
    EXPECT_EQ(ReadFile(list), "keep me");

    r = RunCli({"-y", "-n", list.string(), "--label", "MUSIC01", "-f", "csv", music.string()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(ReadFile(list), Expected("music-format3.txt", music.string() + "/", ""));
}

TEST_F(CliTest, AppendAndBoth) {
    const auto app = tmp / "all.htm";
    const auto fresh = tmp / "new.htm";
    ASSERT_EQ(RunCli({"-a", app.string(), "-f", "html", music.string()}).status, 0);
    const std::string once = ReadFile(app);
    ASSERT_EQ(
        RunCli({"-a", app.string(), "-n", fresh.string(), "-f", "html", music.string()}).status, 0);
    EXPECT_EQ(ReadFile(fresh), once);
    EXPECT_EQ(ReadFile(app), once + once);
}

TEST_F(CliTest, UsageErrorsExitWithTwo) {
    EXPECT_EQ(RunCli({}).status, 2);
    EXPECT_EQ(RunCli({"--bogus", music.string()}).status, 2);
    EXPECT_EQ(RunCli({"-f", "7", music.string()}).status, 2);
    EXPECT_EQ(RunCli({"-f"}).status, 2);
    const Result mask = RunCli({"-m", "a/b", music.string()});
    EXPECT_EQ(mask.status, 2);
    EXPECT_NE(mask.err.find("bad mask 'a/b'"), std::string::npos) << mask.err;
    EXPECT_EQ(RunCli({music.string(), music.string()}).status, 2);
    EXPECT_EQ(RunCli({"-n", "x", "-a", "x", music.string()}).status, 2);
}

TEST_F(CliTest, HelpAndVersion) {
    const Result help = RunCli({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("Usage: dirscribe-cli [options] START_FOLDER"), std::string::npos);
    EXPECT_NE(help.out.find("--dirs-only"), std::string::npos);
    const Result version = RunCli({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "dirscribe-cli 1.2.16\n");
}

TEST_F(CliTest, AMissingStartFolderIsNamed) {
    const std::string missing = (tmp / "nope").string();
    const Result r = RunCli({missing});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "dirscribe-cli: cannot read start folder '" + missing +
                         "': No such file or directory\n");
}

TEST_F(CliTest, ReportsGoToStandardErrorAndTheWalkGoesOn) {
    stdfs::create_symlink("nowhere", music / "broken.mp3");
    const Result r = RunCli({"-f", "csv-names", music.string()});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "\"intro\"\r\n\"notes\"\r\n\"blue train\"\r\n");
    EXPECT_EQ(r.err, "dirscribe-cli: Last Error: Error reading 'broken.mp3' Skipping.\n");
}

TEST_F(CliTest, AListThatCannotBeWrittenFailsTheRun) {
    const Result full = RunCli({"-y", "-n", "/dev/full", music.string()});
    EXPECT_EQ(full.status, 1);
    EXPECT_NE(full.err.find("Error:cannot write list file '/dev/full'"), std::string::npos)
        << full.err;

    const std::string inMissing = (tmp / "no" / "list.txt").string();
    const Result missing = RunCli({"-n", inMissing, music.string()});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find(inMissing), std::string::npos) << missing.err;
}

TEST_F(CliTest, CtrlCStopsTheWalkAndTheListKeepsItsFooter) {
    // Forty folders of 400 files: far more than the pipe and the list buffer hold, so the
    // program is still walking when the pipe fills and its write waits for us.
    const auto big = tmp / "big";
    for (int d = 0; d < 40; ++d) {
        const auto dir = big / ("d" + std::to_string(100 + d));
        MakeDir(dir);
        for (int f = 0; f < 400; ++f) MakeFile(dir / ("file" + std::to_string(f) + ".dat"), f, 0);
    }
    Cli cli({"-q", "-f", "text", big.string()});
    int pending = 0;
    for (int i = 0; i < 3000 && pending < 60000; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ioctl(cli.OutFd(), FIONREAD, &pending);
    }
    ASSERT_GE(pending, 60000) << "the program never filled its output pipe";
    kill(cli.Pid(), SIGINT);
    const Result r = cli.Finish();
    EXPECT_EQ(r.status, 130) << r.err;
    const std::string hyphens(89, '-');
    const std::string footer = hyphens + "\r\n" + hyphens + "\r\n" + hyphens + "\r\n";
    ASSERT_GE(r.out.size(), footer.size());
    EXPECT_EQ(r.out.substr(r.out.size() - footer.size()), footer);
    std::size_t headings = 0;
    for (auto at = r.out.find("Directory: "); at != std::string::npos;
         at = r.out.find("Directory: ", at + 1)) {
        ++headings;
    }
    EXPECT_GT(headings, 1u);
    EXPECT_LT(headings, 41u);
}

}  // namespace
}  // namespace dirscribe::test
