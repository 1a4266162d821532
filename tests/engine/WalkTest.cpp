// The walk over real trees: order, masks, folders only, hidden and skipped names, long and
// dotted names, unreadable folders and files that vanish.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "RunFixture.h"
#include "engine/DirIO.h"
#include "engine/ListFormats.h"

namespace dirscribe::test {
namespace {

const std::string kHyphens(89, '-');

class WalkTest : public RunFixture {
  protected:
    // The lines of a format 1 list of `start`, without header and footer.
    std::vector<std::string> NameLines(const stdfs::path& start, const std::string& mask = "*.*") {
        auto lines = Lines(ListNew(start, 1, mask));
        EXPECT_GE(lines.size(), 6u);
        return {lines.begin() + 3, lines.end() - 3};
    }
    static std::string Pad(const std::string& name) {
        return name + std::string(65 - name.size(), ' ');
    }
};

TEST_F(WalkTest, EachFolderBeforeItsSubFoldersInFull) {
    // root: b.txt, A/, c/ ; A: a1.txt, Deep/ ; Deep: d.txt ; c: (empty)
    const auto root = tmp / "root";
    MakeDir(root / "A" / "Deep");
    MakeDir(root / "c");
    MakeFile(root / "b.txt", 1, LocalTime(2020, 1, 1, 10, 0, 0));
    MakeFile(root / "A" / "a1.txt", 2, LocalTime(2020, 1, 1, 10, 0, 0));
    MakeFile(root / "A" / "Deep" / "d.txt", 3, LocalTime(2020, 1, 1, 10, 0, 0));
    const std::string dl = DriveLess(root);

    const auto lines = Lines(ListNew(root, 0));
    std::vector<std::string> expected = {
        "", "", kHyphens, "", "Volume:    MUSIC01", "Directory: " + dl, "", "<DIR> A", "<DIR> c",
        "", Pad("b.txt") + "               1 bytes 1/1/2020 10:00:00 AM", "", "Volume:    MUSIC01",
        "Directory: " + dl + "A/", "", "<DIR> Deep", "",
        Pad("a1.txt") + "               2 bytes 1/1/2020 10:00:00 AM", "", "Volume:    MUSIC01",
        "Directory: " + dl + "A/Deep/", "",
        Pad("d.txt") + "               3 bytes 1/1/2020 10:00:00 AM",
        // A folder without sub-folders gets no empty line after its (absent) sub-folder lines.
        "", "Volume:    MUSIC01", "Directory: " + dl + "c/", "", kHyphens, kHyphens, kHyphens};
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(lastOutcome, RunOutcome::Completed);
    // Every sub-folder was announced before its walk, the start folder was not.
    EXPECT_EQ(frontEnd.curDirs,
              (std::vector<std::string>{root.string() + "/A", root.string() + "/A/Deep",
                                        root.string() + "/c"}));
}

TEST_F(WalkTest, TheMaskSelectsFilesNotFolders) {
    const auto root = tmp / "m";
    MakeDir(root / "Songs.MP3dir");
    MakeFile(root / "one.mp3", 1, 0);
    MakeFile(root / "Two.MP3", 1, 0);
    MakeFile(root / "three.wav", 1, 0);
    MakeFile(root / "mp3", 1, 0);
    MakeFile(root / "Songs.MP3dir" / "four.Mp3", 1, 0);
    MakeFile(root / "Songs.MP3dir" / "five.mid", 1, 0);

    auto lines = NameLines(root, "*.MP3");
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "", "Volume:    MUSIC01", "Directory: " + DriveLess(root), "",
                         Pad("one.mp3"), Pad("Two.MP3"), "", "Volume:    MUSIC01",
                         "Directory: " + DriveLess(root) + "Songs.MP3dir/", "", Pad("four.Mp3")}));
    // A mask that matches nothing still gives every folder its heading.
    lines = NameLines(root, "*.none");
    EXPECT_EQ(lines.size(), 8u);
    // An empty mask selects no file.
    lines = NameLines(root, "");
    EXPECT_EQ(lines.size(), 8u);
    // "?" stands for one character.
    lines = NameLines(root, "t??.mp3");
    EXPECT_EQ(lines[4], Pad("Two.MP3"));
}

TEST_F(WalkTest, FoldersOnlyInEachFormat) {
    const auto root = tmp / "music";
    MakeMusicTree(root);
    const std::string dl = DriveLess(root);
    auto list = [&](int f) { return Lines(ListNew(root, f, "*.*", true)); };
    EXPECT_EQ(list(0), (std::vector<std::string>{"", "", kHyphens, "", "Volume:    MUSIC01",
                                                 "Directory: " + dl, "", "<DIR> Jazz", "", "",
                                                 "Volume:    MUSIC01", "Directory: " + dl + "Jazz/",
                                                 "", kHyphens, kHyphens, kHyphens}));
    EXPECT_EQ(list(1), (std::vector<std::string>{"", "", kHyphens, "", "Volume:    MUSIC01",
                                                 "Directory: " + dl, "", "", "Volume:    MUSIC01",
                                                 "Directory: " + dl + "Jazz/", "", kHyphens,
                                                 kHyphens, kHyphens}));
    EXPECT_EQ(ListNew(root, 2, "*.*", true), "");
    EXPECT_EQ(list(3), (std::vector<std::string>{"\"Path\",\"Name\",\"Size\",\"Date\""}));
    EXPECT_EQ(list(4),
              (std::vector<std::string>{
                  std::string(kHtmlHeaderLine), "<tr><td bgcolor=#3399FF><b>music</b></td></tr>",
                  "<tr><td bgcolor=#3399FF><b>Jazz</b></td></tr>", std::string(kHtmlFooterLine)}));
    EXPECT_EQ(list(5).size(), 4u);
}

TEST_F(WalkTest, HiddenEntriesAndPagefileAreNeverListed) {
    const auto root = tmp / "h";
    MakeDir(root / ".hidden");
    MakeFile(root / ".hidden" / "inside.txt", 1, 0);
    MakeFile(root / ".dotfile", 1, 0);
    MakeFile(root / "pagefile.sys", 1, 0);
    MakeFile(root / "PAGEFILE.SYS", 1, 0);
    MakeDir(root / "pagefile.sys.d");
    MakeFile(root / "shown.txt", 1, 0);
    const auto lines = NameLines(root);
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "", "Volume:    MUSIC01", "Directory: " + DriveLess(root), "",
                         Pad("PAGEFILE.SYS"), Pad("shown.txt"), "", "Volume:    MUSIC01",
                         "Directory: " + DriveLess(root) + "pagefile.sys.d/", ""}));
}

TEST_F(WalkTest, APagefileFolderIsNotWalked) {
    const auto root = tmp / "p";
    MakeDir(root / "pagefile.sys");
    MakeFile(root / "pagefile.sys" / "inner.txt", 1, 0);
    const auto lines = NameLines(root);
    EXPECT_EQ(lines.size(), 4u);  // the start folder's heading only
}

TEST_F(WalkTest, LinksToFoldersAreNotWalkedLinksToFilesAreListed) {
    const auto root = tmp / "l";
    MakeDir(root / "real");
    MakeFile(root / "real" / "target.txt", 1234, LocalTime(2010, 6, 1, 12, 0, 0));
    stdfs::create_directory_symlink(".", root / "loop");
    stdfs::create_symlink("real/target.txt", root / "link.txt");
    stdfs::create_symlink("nowhere", root / "broken.txt");
    const std::string all = ListNew(root, 0);
    EXPECT_EQ(all.find("loop"), std::string::npos);
    EXPECT_NE(all.find(Pad("link.txt") + "           1,234 bytes 6/1/2010 12:00:00 PM"),
              std::string::npos);
    EXPECT_EQ(all.find("broken.txt  "), std::string::npos);
    // The broken link is a quiet not-found report.
    ASSERT_FALSE(frontEnd.errorTexts.empty());
    EXPECT_EQ(frontEnd.errorTexts.back(), "Last Error: Error reading 'broken.txt' Skipping.");
}

TEST_F(WalkTest, LongDottedAndOddNamesInEachFormat) {
    const auto root = tmp / "n";
    const std::string longName = std::string(70, 'L') + ".txt";
    MakeDir(root);
    MakeFile(root / longName, 5, LocalTime(2001, 2, 3, 4, 5, 6));
    MakeFile(root / ".profile", 1, 0);  // hidden here; dot names are not listed
    MakeFile(root / "a.b.c", 1, LocalTime(2001, 2, 3, 4, 5, 6));
    MakeFile(root / "R&B <live>, \"x\".mp3", 1, LocalTime(2001, 2, 3, 4, 5, 6));

    auto names = NameLines(root);
    EXPECT_EQ(names[4], Pad("a.b.c"));
    EXPECT_EQ(names[5], std::string(65, 'L'));
    EXPECT_EQ(names[6].substr(0, 20), "R&B <live>, \"x\".mp3 ");

    EXPECT_EQ(Lines(ListNew(root, 2)),
              (std::vector<std::string>{"\"a.b\"", "\"" + std::string(70, 'L') + "\"",
                                        "\"R&B <live>, \"\"x\"\"\""}));
    const auto csv = Lines(ListNew(root, 3));
    EXPECT_EQ(csv[2], "\"" + root.string() + "/\",\"" + longName +
                          "\",\"               5\",2/3/2001 4:05:06 AM");
    EXPECT_EQ(Lines(ListNew(root, 4))[4], "<tr><td>R&amp;B &lt;live&gt;, \"x\"</td></tr>");
    EXPECT_EQ(Lines(ListNew(root, 5))[3],
              "<tr><td>" + longName +
                  "</td><td align=right>               5</td><td align=right>"
                  "2/3/2001 4:05:06 AM</td></tr>");
}

TEST_F(WalkTest, StartFolderWithAndWithoutItsSeparator) {
    const auto root = tmp / "music";
    MakeMusicTree(root);
    const std::string without = ListNew(root, 3);
    const std::string with = ListNew(root.string() + "/", 3);
    EXPECT_EQ(without, with);
    EXPECT_NE(with.find("\"" + root.string() + "/\",\"intro.mp3\""), std::string::npos);

    // The walker puts the separator on the caller's path.
    DirIO dirIO(state, frontEnd, files, fileSystem, platform::RegionalSettings::UnitedStates());
    std::string path = root.string();
    FileNumber n = 0, a = 0;
    RunOptions none = 0;
    dirIO.ListDirectory(path, "*.*", n, a, "", none);
    EXPECT_EQ(path, root.string() + "/");
}

TEST_F(WalkTest, NothingIsWrittenWithoutAnOutputBit) {
    const auto root = tmp / "music";
    MakeMusicTree(root);
    DirIO dirIO(state, frontEnd, files, fileSystem, platform::RegionalSettings::UnitedStates());
    std::string path = root.string();
    FileNumber n = 0, a = 0;
    RunOptions options = 0;
    dirIO.ListDirectory(path, "*.*", n, a, "", options);
    // The walk ran (it announced Jazz) and wrote nowhere (no file is open, yet nothing failed).
    EXPECT_EQ(frontEnd.curDirs, std::vector<std::string>{root.string() + "/Jazz"});
    EXPECT_TRUE(frontEnd.boxTexts.empty());
}

TEST_F(WalkTest, AFileThatVanishesBetweenThePassesIsReportedAndSkipped) {
    const auto root = tmp / "v";
    MakeDir(root);
    MakeFile(root / "gone.txt", 1, 0);
    MakeFile(root / "stays.txt", 1, 0);
    fileSystem.beforeBeginFiles = [&](const std::string&) { stdfs::remove(root / "gone.txt"); };
    const auto lines = NameLines(root);
    EXPECT_EQ(lines,
              (std::vector<std::string>{"", "Volume:    MUSIC01", "Directory: " + DriveLess(root),
                                        "", Pad("stays.txt")}));
    EXPECT_EQ(frontEnd.errorTexts,
              std::vector<std::string>{"Last Error: Error reading 'gone.txt' Skipping."});
}

// Runs a format 0 listing of <dir>/tree into <dir>/out/list.txt as an ordinary user, and the
// last Error text into <dir>/out/error.txt.
int ListUnprivileged(void* arg) {
    const auto& dir = *static_cast<stdfs::path*>(arg);
    SharedState state;
    ScriptedFrontEnd frontEnd(state);
    ListFiles files;
    auto fs = platform::MakeFileSystem();
    ListingRun run(state, frontEnd, files, *fs);
    run.SetRegionalSettings(platform::RegionalSettings::UnitedStates());
    frontEnd.settings.startPath = (dir / "tree").string();
    frontEnd.settings.mask = "*.*";
    frontEnd.settings.append = false;
    frontEnd.settings.newList = true;
    frontEnd.newListAnswers = {(dir / "out" / "list.txt").string()};
    if (run.Command1_Click() != RunOutcome::Completed) return 3;
    WriteFile(dir / "out" / "error.txt",
              frontEnd.errorTexts.empty() ? "" : frontEnd.errorTexts.back());
    return frontEnd.boxTexts.empty() ? 0 : 4;
}

TEST_F(WalkTest, AnUnreadableSubFolderIsStillListedWithItsHeading) {
    auto dir = tmp.Path();
    MakeDir(dir / "out");
    chmod((dir / "out").c_str(), 0777);
    MakeDir(dir / "tree" / "Locked" / "Inner");
    MakeFile(dir / "tree" / "Locked" / "secret.txt", 1, 0);
    MakeFile(dir / "tree" / "open.txt", 1, LocalTime(2020, 1, 1, 0, 0, 0));
    chmod((dir / "tree" / "Locked").c_str(), 0);

    ASSERT_EQ(RunUnprivileged(ListUnprivileged, &dir), 0);
    const auto lines = Lines(ReadFile(dir / "out" / "list.txt"));
    const std::string dl = DriveLess(dir / "tree");
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "", "", kHyphens, "", "Volume:    MUSIC01", "Directory: " + dl, "",
                         "<DIR> Locked", "", Pad("open.txt") + "               1 bytes 1/1/2020",
                         "", "Volume:    MUSIC01", "Directory: " + dl + "Locked/", "", kHyphens,
                         kHyphens, kHyphens}));
    // Both passes were refused; the label shows the last report.
    EXPECT_EQ(ReadFile(dir / "out" / "error.txt"),
              "Last Error: Permission denied\r\nError reading '' Skipping.");
}

}  // namespace
}  // namespace dirscribe::test
