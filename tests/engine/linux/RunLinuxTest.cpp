// The run and its list files where only POSIX systems can show it: a full disk (/dev/full) and
// a list file whose name begins with a dot.
#include "RunFixture.h"

namespace dirscribe::test {
namespace {

using FileMode = platform::OutputFile::Mode;

TEST(ListFilesOnDisk, AFullDiskIsReportedNotDropped) {
    ListFiles files(16);
    files.Open(1, "/dev/full", FileMode::Write);
    bool failed = false;
    for (int i = 0; i < 10 && !failed; ++i) {
        try {
            files.WriteLine("a line of text", 1);
        } catch (const Failure& f) {
            EXPECT_EQ(f.Number(), FailureNo::DiskFull);
            EXPECT_NE(f.Description().find("/dev/full"), std::string::npos) << f.Description();
            failed = true;
        }
    }
    EXPECT_TRUE(failed);
    EXPECT_THROW(files.CloseAll(), Failure);
    files.Abandon();
}

class RunPosixTest : public RunFixture {
  protected:
    RunPosixTest() {
        MakeMusicTree(music);
        frontEnd.settings.startPath = music.string();
        UseMode(Mode::New);
    }
    const stdfs::path music = tmp / "Music";
};

TEST_F(RunPosixTest, AFullDiskFailsTheRunAndSaysSo) {
    frontEnd.newListAnswers = {"/dev/full"};
    frontEnd.yesNoAnswers = {true};
    EXPECT_EQ(run.Command1_Click(), RunOutcome::Failed);
    ASSERT_EQ(frontEnd.messages.size(), 1u);
    EXPECT_NE(frontEnd.messages[0].find("/dev/full"), std::string::npos) << frontEnd.messages[0];
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
