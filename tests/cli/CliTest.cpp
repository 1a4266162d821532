// SPDX-License-Identifier: MIT
// dirscribe-cli as a script sees it: the built program run with arguments, its output,
// reports and exit status.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "CliFixture.h"
#include "engine/AppIdentity.h"
#include "platform/OutputFile.h"

namespace dirscribe::test {
namespace {

namespace stdfs = std::filesystem;

TEST_F(CliTest, TheMusicTreeOnStandardOutputInEveryFormat) {
    const char* names[] = {"text", "text-names", "csv-names", "csv", "html-names", "html"};
    const std::string start = music.string() + kSep;
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
            EXPECT_EQ(r.out, ExpectedList("music-format" + std::to_string(f) + ".txt", start, ""));
        } else {
            // The text formats carry the drive-less path: check the rest of the lines.
            const auto dirLine = r.out.find("Directory: ");
            ASSERT_NE(dirLine, std::string::npos);
            const auto end = r.out.find("\r\n", dirLine);
            const std::string driveLess = r.out.substr(dirLine + 11, end - dirLine - 11);
            ASSERT_FALSE(driveLess.empty());
            EXPECT_EQ(driveLess.back(), kSep[0]);
            EXPECT_EQ(r.out,
                      ExpectedList("music-format" + std::to_string(f) + ".txt", start, driveLess));
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
    EXPECT_EQ(ReadFile(list), ExpectedList("music-format3.txt", music.string() + kSep, ""));
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
    // Given twice, a list file name is not quietly dropped.
    for (const char* twice : {"-n", "-a", "--new", "--append"}) {
        const Result r = RunCli({twice, "x", twice, "y", music.string()});
        EXPECT_EQ(r.status, 2) << twice;
        EXPECT_NE(r.err.find("may be given only once"), std::string::npos) << r.err;
    }
    // Texts that go into the headings may not forge lines.
    for (const char* option : {"-D", "--description", "--label"}) {
        for (const char* text : {"a\nVolume: b", "tab\there", "\x1b[2J"}) {
            const Result r = RunCli({option, text, music.string()});
            EXPECT_EQ(r.status, 2) << option;
            EXPECT_NE(r.err.find("holds a control character"), std::string::npos) << r.err;
        }
    }
}

TEST_F(CliTest, OneListFileByTwoNamesIsRefusedAndLeftAlone) {
    const auto list = tmp / "cat.txt";
    WriteFile(list, "catalogue");
    const std::string other = (tmp / "." / "cat.txt").string();
    const Result r = RunCli({"-y", "-n", other, "-a", list.string(), music.string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("the new list '" + other + "' and the append file '" + list.string() +
                         "' are the same file"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(ReadFile(list), "catalogue");
}

TEST_F(CliTest, AListAnotherRunIsWritingIsRefusedAtOnce) {
    const auto list = tmp / "cat.txt";
    WriteFile(list, "catalogue");
    {
        // This test holds the list as a run would.
        const auto held =
            platform::OutputFile::Open(list.string(), platform::OutputFile::Mode::Append);
        for (const char* option : {"-a", "-n"}) {
            const Result r = RunCli({"-q", "-y", option, list.string(), music.string()});
            EXPECT_EQ(r.status, 1) << option;
            EXPECT_NE(r.err.find("cannot open list file '" + list.string() +
                                 "': another run is writing it"),
                      std::string::npos)
                << r.err;
            EXPECT_EQ(ReadFile(list), "catalogue");
        }
    }
    EXPECT_EQ(RunCli({"-q", "-a", list.string(), music.string()}).status, 0);
    EXPECT_EQ(ReadFile(list).rfind("catalogue\r\n\r\n", 0), 0u);
}

TEST_F(CliTest, ArgumentsWithQuotesBackslashesAndBlanksArriveAsGiven) {
    const std::string description = "a \"quoted\" \\ text\\";
    const Result r = RunCli({"-f", "text-names", "--label", "", "-D", description, music.string()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\r\nVolume:    (" + description + ")\r\n"), std::string::npos) << r.out;
}

TEST_F(CliTest, HelpAndVersion) {
    const Result help = RunCli({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("Usage: dirscribe-cli [options] START_FOLDER"), std::string::npos);
    EXPECT_NE(help.out.find("--dirs-only"), std::string::npos);
    const Result version = RunCli({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, std::string("dirscribe-cli ") + kVersionString + "\n");
}

TEST_F(CliTest, AMissingStartFolderIsNamed) {
    const std::string missing = (tmp / "nope").string();
    const Result r = RunCli({missing});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    // The system's reason follows the name.
    const std::string named = "dirscribe-cli: cannot read start folder '" + missing + "': ";
    EXPECT_EQ(r.err.rfind(named, 0), 0u) << r.err;
    ASSERT_GT(r.err.size(), named.size() + 1);
    EXPECT_EQ(r.err.back(), '\n');
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1);
}

TEST_F(CliTest, AListInAMissingFolderFailsTheRunAndIsNamed) {
    const std::string inMissing = (tmp / "no" / "list.txt").string();
    const Result missing = RunCli({"-n", inMissing, music.string()});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find(inMissing), std::string::npos) << missing.err;
}

TEST_F(CliTest, CtrlCStopsTheWalkAndTheListKeepsItsFooter) {
    // The program is still walking when the pipe fills and its write waits for us.
    const auto big = MakeBigTree();
    Program cli(DIRSCRIBE_CLI, {"-q", "-f", "text", big.string()});
    std::size_t pending = 0;
    for (int i = 0; i < 3000 && pending < kFullPipe; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        pending = cli.PendingOutput();
    }
    ASSERT_GE(pending, kFullPipe) << "the program never filled its output pipe";
    ASSERT_TRUE(cli.Interrupt());
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
