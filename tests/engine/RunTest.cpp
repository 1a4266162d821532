// SPDX-License-Identifier: MIT
// The listing run: the Music tree in all six formats, the three output modes, the
// overwrite question, the dialogs, and the run's failure limit.
#include "RunFixture.h"

namespace dirscribe::test {
namespace {

class RunTest : public RunFixture {
  protected:
    RunTest() { MakeMusicTree(music); }
    const stdfs::path music = tmp / "Music";
};

TEST_F(RunTest, TheMusicTreeInEveryFormat) {
    const std::string start = music.string() + kSep;
    for (const FormatInfo& info : kFormats) {
        SCOPED_TRACE(info.cliName);
        const std::string list = ListNew(music, info.format);
        ExpectListMatches(list, "music-format" + std::to_string(IndexOf(info.format)) + ".txt",
                          start, DriveLess(music));
        EXPECT_EQ(lastOutcome, RunOutcome::Completed);
    }
    // Each run asked once, with the filter of its format.
    EXPECT_EQ(frontEnd.dialogTitles, std::vector<std::string>(6, "Save List As (New File)"));
    ASSERT_EQ(frontEnd.dialogFilters.size(), 6u);
    EXPECT_EQ(frontEnd.dialogFilters[2], "Comma Separated Value Files (*.csv)|*.csv");
    EXPECT_EQ(frontEnd.dialogFilters[5], "HTML Files (*.htm)|*.htm");
}

TEST_F(RunTest, TheWindowGoesBusyAndBackToIdle) {
    frontEnd.atYield[1] = [&] {
        // The first yield is ShowStatus's, with the busy state entered.
        EXPECT_EQ(frontEnd.caption, "Stop");
        EXPECT_TRUE(frontEnd.busy);
        EXPECT_TRUE(frontEnd.progressVisible);
        EXPECT_EQ(frontEnd.stat1, "Reading Directory Information");
        EXPECT_EQ(frontEnd.stat2, "Please Wait...");
    };
    frontEnd.atYield[2] = [&] {
        EXPECT_EQ(frontEnd.stat2, "Reading: " + music.string() + kSep + "Jazz");
    };
    ListNew(music, ListFormat::Text);
    EXPECT_EQ(frontEnd.yields, 3);
    EXPECT_EQ(frontEnd.caption, "Start");
    EXPECT_FALSE(frontEnd.busy);
    EXPECT_FALSE(frontEnd.progressLoaded);
    EXPECT_EQ(frontEnd.trays, std::vector<std::string>{music.string()});
}

TEST_F(RunTest, NewAppendAndBothWriteTheSameLines) {
    const std::string expected = ListNew(music, ListFormat::Html);
    const auto appended = tmp / "append.htm";
    const auto both = tmp / "both.htm";

    UseMode(Mode::Append);
    frontEnd.appendAnswers = {appended.string()};
    EXPECT_EQ(run.Command1_Click(), RunOutcome::Completed);
    EXPECT_EQ(ReadFile(appended), expected);

    // Appending again adds a second complete document.
    frontEnd.appendAnswers = {appended.string()};
    run.Command1_Click();
    EXPECT_EQ(ReadFile(appended), expected + expected);

    // Both: the new list first, then the append file, the same lines in each.
    UseMode(Mode::Both);
    frontEnd.newListAnswers = {both.string()};
    frontEnd.appendAnswers = {appended.string()};
    EXPECT_EQ(run.Command1_Click(), RunOutcome::Completed);
    EXPECT_EQ(ReadFile(both), expected);
    EXPECT_EQ(ReadFile(appended), expected + expected + expected);
    ASSERT_GE(frontEnd.dialogTitles.size(), 2u);
    EXPECT_EQ(frontEnd.dialogTitles.back(), "Save List As (Append File)");
    EXPECT_EQ(frontEnd.dialogTitles[frontEnd.dialogTitles.size() - 2], "Save List As (New File)");
}

TEST_F(RunTest, AppendingCsvRepeatsTheColumnTitles) {
    const auto file = tmp / "list.csv";
    state.OutputFormat = ListFormat::Csv;
    frontEnd.settings.startPath = music.string();
    UseMode(Mode::Append);
    for (int i = 0; i < 2; ++i) {
        frontEnd.appendAnswers = {file.string()};
        run.Command1_Click();
    }
    const auto lines = Lines(ReadFile(file));
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines.at(0), lines.at(4));
    EXPECT_EQ(lines.at(0), "\"Path\",\"Name\",\"Size\",\"Date\"");
}

TEST_F(RunTest, TheOverwriteQuestion) {
    const auto file = tmp / "old.txt";
    WriteFile(file, "precious");
    frontEnd.settings.startPath = music.string();
    UseMode(Mode::New);

    frontEnd.newListAnswers = {file.string()};
    frontEnd.yesNoAnswers = {false};
    EXPECT_EQ(run.Command1_Click(), RunOutcome::Declined);
    EXPECT_EQ(frontEnd.questions, std::vector<std::string>{
                                      "New List file exists! Overwrite, losing existing content?"});
    EXPECT_EQ(ReadFile(file), "precious");
    EXPECT_EQ(frontEnd.caption, "Start");
    EXPECT_FALSE(frontEnd.busy);
    EXPECT_FALSE(frontEnd.progressLoaded);
    EXPECT_EQ(frontEnd.unloads, 1);
    EXPECT_TRUE(frontEnd.trays.empty());

    frontEnd.newListAnswers = {file.string()};
    frontEnd.yesNoAnswers = {true};
    EXPECT_EQ(run.Command1_Click(), RunOutcome::Completed);
    EXPECT_EQ(ReadFile(file).substr(0, 4), "\r\n\r\n");
}

TEST_F(RunTest, CancelInEitherDialogTouchesNothing) {
    const auto file = tmp / "new.txt";
    frontEnd.settings.startPath = music.string();
    UseMode(Mode::Both);

    frontEnd.newListAnswers = {"<cancel>"};
    frontEnd.appendAnswers = {(tmp / "app.txt").string()};
    EXPECT_EQ(run.Command1_Click(), RunOutcome::Cancelled);
    EXPECT_EQ(frontEnd.dialogTitles.size(), 1u);  // the append dialog was not shown

    frontEnd.newListAnswers = {file.string()};
    frontEnd.appendAnswers = {"<cancel>"};
    EXPECT_EQ(run.Command1_Click(), RunOutcome::Cancelled);
    EXPECT_FALSE(stdfs::exists(file));
    EXPECT_FALSE(stdfs::exists(tmp / "app.txt"));

    // An empty name ends the run as well.
    frontEnd.newListAnswers = {""};
    EXPECT_EQ(run.Command1_Click(), RunOutcome::Cancelled);
    EXPECT_EQ(frontEnd.caption, "Start");
    EXPECT_EQ(frontEnd.yields, 0);
    EXPECT_TRUE(frontEnd.messages.empty());
}

TEST_F(RunTest, OneFileByTwoNamesInBothDialogsIsRefusedUntouched) {
    const auto file = tmp / "same.txt";
    WriteFile(file, "old content");
    frontEnd.settings.startPath = music.string();
    UseMode(Mode::Both);
    const std::string spellings[][2] = {
        {file.string(), file.string()},
        {file.string(), (tmp / "." / "same.txt").string()},
        // Not there yet: one place all the same.
        {(tmp / "new.txt").string(), (music / ".." / "new.txt").string()},
    };
    for (const auto& names : spellings) {
        SCOPED_TRACE(names[1]);
        frontEnd.messages.clear();
        frontEnd.newListAnswers = {names[0]};
        frontEnd.appendAnswers = {names[1]};
        frontEnd.yesNoAnswers = {true};
        EXPECT_EQ(run.Command1_Click(), RunOutcome::Failed);
        EXPECT_EQ(frontEnd.messages, std::vector<std::string>{"Error:the new list '" + names[0] +
                                                              "' and the append file '" + names[1] +
                                                              "' are the same file"});
        // Asked before anything was opened: no question, no retries, the window idle.
        EXPECT_TRUE(frontEnd.questions.empty());
        EXPECT_EQ(frontEnd.yields, 0);
        EXPECT_EQ(frontEnd.caption, "Start");
        EXPECT_FALSE(frontEnd.progressLoaded);
    }
    EXPECT_EQ(ReadFile(file), "old content");
    EXPECT_FALSE(stdfs::exists(tmp / "new.txt"));
    EXPECT_FALSE(files.IsOpen(1));
}

TEST_F(RunTest, TheVolumeTextAndItsDescription) {
    auto headingOf = [&](const std::string& description, const std::string& label) {
        frontEnd.settings.description = description;
        frontEnd.label = label;
        return Lines(ListNew(music, ListFormat::TextNames)).at(4);
    };
    EXPECT_EQ(headingOf("", "MUSIC01"), "Volume:    MUSIC01");
    EXPECT_EQ(headingOf("   ", "MUSIC01"), "Volume:    MUSIC01");
    EXPECT_EQ(headingOf(" Box 3 ", "MUSIC01"), "Volume:    MUSIC01( Box 3 )");
    EXPECT_EQ(headingOf("", ""), "Volume:    ");
    EXPECT_EQ(headingOf("Jazz", ""), "Volume:    (Jazz)");
}

TEST_F(RunTest, ALabelThatCannotBeReadIsRetriedThenGivenUp) {
    // 99 failures are tolerated.
    frontEnd.labelFailures = 99;
    std::string list = ListNew(music, ListFormat::TextNames);
    EXPECT_EQ(lastOutcome, RunOutcome::Completed);
    EXPECT_TRUE(frontEnd.messages.empty());

    // The 100th ends the run before any list file is opened.
    frontEnd.labelFailures = 100;
    list = ListNew(music, ListFormat::TextNames);
    EXPECT_EQ(lastOutcome, RunOutcome::Failed);
    EXPECT_EQ(list, "<no file>");
    EXPECT_EQ(frontEnd.messages, std::vector<std::string>{"Error:Disk not ready"});
    EXPECT_TRUE(frontEnd.progressVisible);
    EXPECT_EQ(frontEnd.trays.size(), 1u);  // the first run's only
}

TEST_F(RunTest, AListFileThatCannotBeCreatedIsReportedByName) {
    frontEnd.settings.startPath = music.string();
    UseMode(Mode::New);
    const std::string missing = (tmp / "no-such-folder" / "list.txt").string();
    frontEnd.newListAnswers = {missing};
    EXPECT_EQ(run.Command1_Click(), RunOutcome::Failed);
    ASSERT_EQ(frontEnd.messages.size(), 1u);
    EXPECT_EQ(frontEnd.messages.at(0).rfind("Error:cannot open list file '" + missing + "': ", 0),
              0u)
        << frontEnd.messages.at(0);
}

}  // namespace
}  // namespace dirscribe::test
