// SPDX-License-Identifier: MIT
// What a real disk and a real user will not do on demand: Stop and Cancel at given yields,
// a format change in the middle of a walk, and every answer to every kind of failure.
#include <algorithm>

#include "RunFixture.h"
#include "engine/ListFormats.h"
#include "support/FailingSink.h"

namespace dirscribe::test {
namespace {

// A path the list shows, with "/" for this system's separator, or the other way round.
std::string Slashed(std::string path) {
    std::replace(path.begin(), path.end(), platform::kPathSeparator, '/');
    return path;
}
std::string Native(std::string path) {
    std::replace(path.begin(), path.end(), '/', platform::kPathSeparator);
    return path;
}

// The headings ("Directory: ...") of a format 0 or 1 list, drive-less paths relative to `root`
// and written with "/".
std::vector<std::string> Headings(const std::string& list, const std::string& driveLess) {
    std::vector<std::string> out;
    for (const auto& line : Lines(list)) {
        if (line.rfind("Directory: ", 0) == 0) {
            out.push_back(Slashed(line.substr(11 + driveLess.size())));
        }
    }
    return out;
}

class StopTest : public RunFixture {
  protected:
    // root: A/ (A1/ (A1x/, A1y/), A2/), B/ ; a file in each folder.
    StopTest() {
        for (const char* d : {"A/A1/A1x", "A/A1/A1y", "A/A2", "B"}) MakeDir(root / d);
        for (const char* f : {"f.txt", "A/f.txt", "A/A1/f.txt", "A/A1/A1x/f.txt", "A/A1/A1y/f.txt",
                              "A/A2/f.txt", "B/f.txt"}) {
            MakeFile(root / f, 1, 0);
        }
        dl = DriveLess(root);
    }
    const stdfs::path root = tmp / "root";
    std::string dl;
};

TEST_F(StopTest, AFullWalkVisitsEveryFolderDepthFirst) {
    EXPECT_EQ(
        Headings(ListNew(root, ListFormat::TextNames), dl),
        (std::vector<std::string>{"", "A/", "A/A1/", "A/A1/A1x/", "A/A1/A1y/", "A/A2/", "B/"}));
    // ShowStatus, then one yield before and one after each of the six sub-folders.
    EXPECT_EQ(frontEnd.yields, 1 + 2 * 6);
}

TEST_F(StopTest, StopBeforeASubFolderStillWalksItDownItsFirstBranch) {
    // Yield 2 comes just before A is entered: a click on Stop there (the button reads "Stop").
    frontEnd.atYield[2] = [&] { EXPECT_EQ(run.Command1_Click(), RunOutcome::StopAsked); };
    const std::string list = ListNew(root, ListFormat::TextNames);
    EXPECT_EQ(Headings(list, dl), (std::vector<std::string>{"", "A/", "A/A1/", "A/A1/A1x/"}));
    EXPECT_EQ(lastOutcome, RunOutcome::Stopped);
    // Every folder begun was finished, and the list has its footer.
    const auto lines = Lines(list);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), std::string("f.txt") + std::string(60, ' ')),
              4);
    EXPECT_EQ(std::vector<std::string>(lines.end() - 3, lines.end()),
              std::vector<std::string>(3, kHyphens));
    EXPECT_FALSE(state.StopRequested);
    EXPECT_EQ(frontEnd.trays.size(), 1u);
    EXPECT_EQ(frontEnd.caption, "Start");
}

TEST_F(StopTest, StopAfterASubFolderTakesEffectAtOnce) {
    // Yields: 1 status, 2 before A, 3 before A1, 4 before A1x, 5 after A1x.
    frontEnd.atYield[5] = [&] { frontEnd.PressStop(); };
    EXPECT_EQ(Headings(ListNew(root, ListFormat::TextNames), dl),
              (std::vector<std::string>{"", "A/", "A/A1/", "A/A1/A1x/"}));
}

TEST_F(StopTest, CancelDuringShowStatusStopsAtTheFirstCheck) {
    frontEnd.atYield[1] = [&] { frontEnd.PressStop(); };
    EXPECT_EQ(Headings(ListNew(root, ListFormat::TextNames), dl),
              (std::vector<std::string>{"", "A/", "A/A1/", "A/A1/A1x/"}));
    EXPECT_EQ(lastOutcome, RunOutcome::Stopped);
    // A stop left over from a run that gave up stops the next one the same way.
    state.StopRequested = true;
    EXPECT_EQ(Headings(ListNew(root, ListFormat::TextNames), dl),
              (std::vector<std::string>{"", "A/", "A/A1/", "A/A1/A1x/"}));
    EXPECT_FALSE(state.StopRequested);
}

TEST_F(StopTest, AFormatChangeDuringTheWalkChangesTheNextLinesAndTheFooter) {
    // Before B is entered (the last sub-folder of root), switch from text to HTML with details.
    frontEnd.atYield[12] = [&] { state.OutputFormat = ListFormat::Html; };
    const auto lines = Lines(ListNew(root, ListFormat::Text));
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[lines.size() - 3],
              "<tr><td bgcolor=#3399FF><b>B</b></td><td align=center bgcolor=#3399FF><b>Size</b>"
              "</td><td align=center bgcolor=#3399FF><b>Last Modified</b></td></tr>");
    EXPECT_EQ(lines[lines.size() - 2],
              "<tr><td>f.txt</td><td align=right>               1</td><td align=right>12/31/1969 "
              "7:00:00 PM</td></tr>");
    // The lines before the change stay text.
    EXPECT_EQ(lines[lines.size() - 4],
              "f.txt" + std::string(60, ' ') + "               1 bytes 12/31/1969 7:00:00 PM");
    EXPECT_EQ(lines.back(), kHtmlFooterLine);
}

TEST_F(StopTest, FootersAfterAChangeFromCsvOrHtmlToText) {
    frontEnd.atYield[2] = [&] { state.OutputFormat = ListFormat::TextNames; };
    auto lines = Lines(ListNew(root, ListFormat::Csv));
    EXPECT_EQ(std::vector<std::string>(lines.end() - 3, lines.end()),
              (std::vector<std::string>{"", "", kHyphens}));

    frontEnd.yields = 0;
    frontEnd.atYield[2] = [&] { state.OutputFormat = ListFormat::Text; };
    lines = Lines(ListNew(root, ListFormat::HtmlNames));
    EXPECT_EQ(std::vector<std::string>(lines.end() - 3, lines.end()),
              (std::vector<std::string>{std::string(kHtmlHeaderLine), std::string(kHtmlHeaderLine),
                                        kHyphens}));
}

// Failures of each operation, answered in each way. The music tree lists, in Music:
// intro.mp3, Jazz/, notes.txt; in Jazz: blue train.mp3.
class FailureTest : public RunFixture {
  protected:
    FailureTest() {
        MakeMusicTree(music);
        dl = DriveLess(music);
    }
    void Fail(FsOp op, const std::string& folder, const std::string& entry, int number = 57,
              int times = 1) {
        fileSystem.faults.push_back({op, Native(folder), entry, number, times});
    }
    void Answer(AbortRetryIgnore answer) {
        frontEnd.onAbortRetryIgnore = [answer](const std::string&, const Failure&) {
            return answer;
        };
    }
    // File names listed (format 1, trailing blanks removed) and headings, in order.
    std::vector<std::string> Listed() {
        std::vector<std::string> out;
        auto lines = Lines(ListNew(music, ListFormat::TextNames));
        for (std::size_t i = 3; i + 3 < lines.size(); ++i) {
            std::string l = lines[i];
            if (l.empty() || l.rfind("Volume:", 0) == 0) continue;
            if (l.rfind("Directory: ", 0) == 0) {
                out.push_back("[" + Slashed(l.substr(11 + dl.size())) + "]");
                continue;
            }
            l.erase(l.find_last_not_of(' ') + 1);
            out.push_back(l);
        }
        return out;
    }
    const stdfs::path music = tmp / "Music";
    std::string dl;
    const std::vector<std::string> all{"[]", "intro.mp3", "notes.txt", "[Jazz/]", "blue train.mp3"};
};

TEST_F(FailureTest, TheBoxNamesTheNumberTheDescriptionAndTheEntry) {
    Fail(FsOp::ReadDetails, "Music/", "notes.txt");
    Listed();
    EXPECT_EQ(frontEnd.boxTexts,
              std::vector<std::string>{
                  "Error Number: 57 planned failure 57\r\nError reading:notes.txt Skipping."});
    // At the start of an enumeration the entry name is empty.
    frontEnd.boxTexts.clear();
    Fail(FsOp::BeginFiles, "Jazz/", "");
    Listed();
    EXPECT_EQ(frontEnd.boxTexts,
              std::vector<std::string>{
                  "Error Number: 57 planned failure 57\r\nError reading: Skipping."});
}

// A folder gone in the middle of the walk (path not found, on Windows) is as quiet as a file.
TEST_F(FailureTest, QuietReportsForNotFoundAccessAndBadName) {
    Fail(FsOp::ReadDetails, "Music/", "intro.mp3", 53);
    Fail(FsOp::ReadDetails, "Music/", "notes.txt", 75);
    Fail(FsOp::BeginAll, "Jazz/", "", 76);
    Fail(FsOp::BeginFiles, "Jazz/", "", 52);
    EXPECT_EQ(Listed(), (std::vector<std::string>{"[]", "[Jazz/]"}));
    EXPECT_TRUE(frontEnd.boxTexts.empty());
    EXPECT_EQ(frontEnd.errorTexts,
              (std::vector<std::string>{
                  "Last Error: Error reading 'intro.mp3' Skipping.",
                  "Last Error: planned failure 75\r\nError reading 'notes.txt' Skipping.",
                  "Last Error: Error reading '' Skipping.",
                  "Last Error: planned failure 52\r\nError reading '" + music.string() +
                      Native("/Jazz/") + "' Skipping."}));
    // ShowStatus, four quiet reports, before and after Jazz.
    EXPECT_EQ(frontEnd.yields, 7);
}

TEST_F(FailureTest, StartingTheFirstPass) {
    Fail(FsOp::BeginAll, "Music/", "");
    Answer(AbortRetryIgnore::Ignore);
    // No sub-folders; the files are still listed.
    EXPECT_EQ(Listed(), (std::vector<std::string>{"[]", "intro.mp3", "notes.txt"}));
    Fail(FsOp::BeginAll, "Music/", "");
    Answer(AbortRetryIgnore::Retry);
    EXPECT_EQ(Listed(), all);
    Fail(FsOp::BeginAll, "Music/", "");
    Answer(AbortRetryIgnore::Abort);
    // Giving up the start folder leaves nothing below it to walk; the run itself is not failed.
    EXPECT_EQ(Listed(), std::vector<std::string>{"[]"});
    EXPECT_EQ(lastOutcome, RunOutcome::Completed);
}

TEST_F(FailureTest, FetchingTheNextName) {
    Fail(FsOp::NextAll, "Music/", "intro.mp3");
    Answer(AbortRetryIgnore::Ignore);
    // The enumeration ends before Jazz.
    EXPECT_EQ(Listed(), (std::vector<std::string>{"[]", "intro.mp3", "notes.txt"}));
    ASSERT_FALSE(frontEnd.boxTexts.empty());
    EXPECT_EQ(frontEnd.boxTexts.back(),
              "Error Number: 57 planned failure 57\r\nError reading:intro.mp3 Skipping.");
    Fail(FsOp::NextFile, "Music/", "intro.mp3");
    EXPECT_EQ(Listed(), (std::vector<std::string>{"[]", "intro.mp3", "[Jazz/]", "blue train.mp3"}));
    Fail(FsOp::NextAll, "Music/", "intro.mp3", 57, 2);
    Answer(AbortRetryIgnore::Retry);
    EXPECT_EQ(Listed(), all);
}

TEST_F(FailureTest, ReadingTheAttributes) {
    Fail(FsOp::ReadKind, "Music/", "Jazz");
    Answer(AbortRetryIgnore::Ignore);
    EXPECT_EQ(Listed(), (std::vector<std::string>{"[]", "intro.mp3", "notes.txt"}));
    Fail(FsOp::ReadKind, "Music/", "Jazz");
    Answer(AbortRetryIgnore::Retry);
    EXPECT_EQ(Listed(), all);
    Fail(FsOp::ReadKind, "Music/", "Jazz");
    Answer(AbortRetryIgnore::Abort);
    EXPECT_EQ(Listed(), std::vector<std::string>{"[]"});
}

TEST_F(FailureTest, ReadingAFilesLengthAndTime) {
    Fail(FsOp::ReadDetails, "Music/", "intro.mp3");
    Answer(AbortRetryIgnore::Ignore);
    EXPECT_EQ(Listed(), (std::vector<std::string>{"[]", "notes.txt", "[Jazz/]", "blue train.mp3"}));
    Fail(FsOp::ReadDetails, "Music/", "intro.mp3", 57, 3);
    Answer(AbortRetryIgnore::Retry);
    EXPECT_EQ(Listed(), all);
    EXPECT_EQ(frontEnd.boxTexts.size(), 1u + 3u);
    Fail(FsOp::ReadDetails, "Music/", "intro.mp3");
    Answer(AbortRetryIgnore::Abort);
    EXPECT_EQ(Listed(), std::vector<std::string>{"[]"});
}

TEST_F(FailureTest, AbortInASubFolderGoesOnWithItsNextSibling) {
    MakeDir(music / "Jazz" / "Bebop");
    MakeFile(music / "Jazz" / "Bebop" / "x.mp3", 1, 0);
    MakeDir(music / "Rock");
    MakeFile(music / "Rock" / "y.mp3", 1, 0);
    Fail(FsOp::ReadDetails, "Jazz/", "blue train.mp3");
    Answer(AbortRetryIgnore::Abort);
    EXPECT_EQ(Listed(), (std::vector<std::string>{"[]", "intro.mp3", "notes.txt", "[Jazz/]",
                                                  "[Rock/]", "y.mp3"}));
    EXPECT_FALSE(state.StopRequested);
}

class WriteFailureTest : public FailureTest {
  protected:
    // Every line goes to the disk when the next one needs the room; the `failAt`-th write
    // (1-based) fails `times` times with failure `number`, writing nothing.
    std::string Run(int failAt, int times, int number = FailureNo::DiskFull) {
        disk = FakeDisk();
        disk.writesBeforeFailing = failAt - 1;
        disk.failWrites = times;
        disk.failureNumber = number;
        disk.halfWritten = false;
        frontEnd.boxTexts.clear();
        frontEnd.trays.clear();
        ListFiles small(1);
        small.SetOpener(OpenerOn(disk));
        ListingRun r(state, frontEnd, small, fileSystem);
        r.SetRegionalSettings(platform::RegionalSettings::UnitedStates());
        state.OutputFormat = ListFormat::CsvNames;
        frontEnd.settings.startPath = music.string();
        UseMode(Mode::New);
        frontEnd.newListAnswers = {"list"};
        lastOutcome = r.Command1_Click();
        return disk.files["list"];
    }
    FakeDisk disk;
};

const std::string kIntro = "\"intro\"\r\n";
const std::string kRest = "\"notes\"\r\n\"blue train\"\r\n";

TEST_F(WriteFailureTest, AFailedWriteAsksAboutTheListNotAnEntry) {
    // Format 2 writes "intro", "notes", "blue train"; the first write happens when "notes"
    // needs the room. The box names the list and what is not written, whatever the failure's
    // number: an access refused is no quiet report about the entry being listed.
    for (int number : {FailureNo::DiskFull, FailureNo::PathFileAccess, FailureNo::BadFileName}) {
        SCOPED_TRACE(number);
        Answer(AbortRetryIgnore::Ignore);
        EXPECT_EQ(Run(1, 1, number), kRest);  // only the bytes that could not be written are lost
        EXPECT_EQ(frontEnd.boxTexts,
                  std::vector<std::string>{"Error Number: " + std::to_string(number) +
                                           " cannot write list file 'list': refused\r\n9 bytes (1 "
                                           "line) are not written yet. Retry writes them, Ignore "
                                           "leaves them out, Abort ends the run."});
        EXPECT_TRUE(frontEnd.errorTexts.empty());
        EXPECT_EQ(lastOutcome, RunOutcome::Completed);
    }
    // Retry, as often as it takes (the user frees space), loses nothing.
    Answer(AbortRetryIgnore::Retry);
    EXPECT_EQ(Run(1, 3), kIntro + kRest);
    EXPECT_EQ(frontEnd.boxTexts.size(), 3u);
    // Abort ends the run: no more lines, no footer, the tray stays shut, the window is idle.
    // The half line the disk took is taken back, and nothing more is written to the list.
    Answer(AbortRetryIgnore::Abort);
    EXPECT_EQ(Run(2, 1), kIntro);
    EXPECT_EQ(lastOutcome, RunOutcome::Failed);
    EXPECT_TRUE(frontEnd.trays.empty());
    EXPECT_EQ(frontEnd.caption, "Start");
    EXPECT_FALSE(frontEnd.busy);
    EXPECT_FALSE(frontEnd.progressLoaded);
}

TEST_F(WriteFailureTest, TheFinalWriteAsksTheSameWay) {
    // Format 2 has no footer: the third write is the last one, when the files are closed.
    Answer(AbortRetryIgnore::Retry);
    EXPECT_EQ(Run(3, 2), kIntro + kRest);
    EXPECT_EQ(frontEnd.boxTexts.size(), 2u);
    EXPECT_EQ(lastOutcome, RunOutcome::Completed);
    Answer(AbortRetryIgnore::Ignore);
    EXPECT_EQ(Run(3, 1), kIntro + "\"notes\"\r\n");
    EXPECT_NE(frontEnd.boxTexts.at(0).find("\r\n14 bytes (1 line) are not written yet."),
              std::string::npos)
        << frontEnd.boxTexts.at(0);
    EXPECT_EQ(lastOutcome, RunOutcome::Completed);
    Answer(AbortRetryIgnore::Abort);
    Run(3, 100);
    EXPECT_EQ(frontEnd.boxTexts.size(), 1u);  // asked once, not retried 99 times unasked
    EXPECT_EQ(lastOutcome, RunOutcome::Failed);
    EXPECT_TRUE(frontEnd.messages.empty());
}

}  // namespace
}  // namespace dirscribe::test
