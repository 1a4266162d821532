// SPDX-License-Identifier: MIT
// The run and its list files where only POSIX systems can show it: list files that are not
// regular files, a link to the list, names with control characters, and a list file whose name
// begins with a dot.
#include <sys/stat.h>

#include "RunFixture.h"
#include "support/PosixTree.h"

namespace dirscribe::test {
namespace {

using FileMode = platform::OutputFile::Mode;

class RunPosixTest : public RunFixture {
  protected:
    RunPosixTest() {
        MakeMusicTree(music);
        frontEnd.settings.startPath = music.string();
        UseMode(Mode::New);
    }
    const stdfs::path music = tmp / "Music";
};

TEST_F(RunPosixTest, ListFilesThatAreNotRegularFilesAreRefusedWithoutWaiting) {
    const auto fifo = tmp / "fifo";
    ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
    for (const std::string& name : {fifo.string(), std::string("/dev/full")}) {
        frontEnd.messages.clear();
        frontEnd.newListAnswers = {name};
        frontEnd.yesNoAnswers = {true};
        EXPECT_EQ(run.Command1_Click(), RunOutcome::Failed);
        ASSERT_EQ(frontEnd.messages.size(), 1u);
        EXPECT_EQ(frontEnd.messages.at(0).rfind(
                      "Error:cannot open list file '" + name + "': it is a ", 0),
                  0u)
            << frontEnd.messages.at(0);
    }
    frontEnd.newListAnswers = {"/dev/null"};
    frontEnd.yesNoAnswers = {true};
    EXPECT_EQ(run.Command1_Click(), RunOutcome::Completed);
}

TEST_F(RunPosixTest, AListAndALinkToItAreOneFile) {
    const auto list = tmp / "cat.txt";
    WriteFile(list, "catalogue");
    MakeLink(tmp / "link.txt", list);
    UseMode(Mode::Both);
    frontEnd.newListAnswers = {(tmp / "link.txt").string()};
    frontEnd.appendAnswers = {list.string()};
    EXPECT_EQ(run.Command1_Click(), RunOutcome::Failed);
    EXPECT_EQ(ReadFile(list), "catalogue");
}

TEST_F(RunPosixTest, ControlCharactersInNamesCannotForgeLines) {
    // Legal in Linux names: line ends, escape sequences, tabs.
    MakeDir(music / "Jazz\r\nVolume:    FORGED");
    MakeFile(music / "Jazz" / "a\nb\x1b[2J.mp3", 1, 0);
    MakeBrokenLink(music / "gone\r\nDirectory: x");
    for (const FormatInfo& info : kFormats) {
        SCOPED_TRACE(info.cliName);
        const std::string list = ListNew(music, info.format);
        for (char c : list) {
            const auto u = static_cast<unsigned char>(c);
            if (c != '\r' && c != '\n') {
                EXPECT_FALSE(u < 0x20 || u == 0x7F) << int(u);
            }
        }
        EXPECT_EQ(list.find("\r\nVolume:    FORGED"), std::string::npos);
        EXPECT_NE(list.find("a?b?[2J"), std::string::npos) << list;
    }
    EXPECT_EQ(frontEnd.errorTexts.at(0),
              "Last Error: Error reading 'gone??Directory: x' Skipping.");
}

TEST_F(RunPosixTest, AListFileWhoseNameBeginsWithADotIsAskedAbout) {
    // Such a name is hidden from the listing, yet it is a file: not replaced without asking.
    const auto dotted = tmp / ".hidden-list.txt";
    WriteFile(dotted, "keep");
    frontEnd.newListAnswers = {dotted.string()};
    frontEnd.yesNoAnswers = {false};
    EXPECT_EQ(run.Command1_Click(), RunOutcome::Declined);
    EXPECT_EQ(ReadFile(dotted), "keep");
}

}  // namespace
}  // namespace dirscribe::test
