// SPDX-License-Identifier: MIT
// The walk over real trees: order, masks, folders only, skipped names, long and dotted names.
// What only one kind of system shows (links, permissions, hidden entries) is in linux/ and
// win32/.
#include "RunFixture.h"
#include "engine/DirIO.h"
#include "engine/ListFormats.h"

namespace dirscribe::test {
namespace {

using WalkTest = WalkFixture;

TEST_F(WalkTest, EachFolderBeforeItsSubFoldersInFull) {
    // root: b.txt, A/, c/ ; A: a1.txt, Deep/ ; Deep: d.txt ; c: (empty)
    const auto root = tmp / "root";
    MakeDir(root / "A" / "Deep");
    MakeDir(root / "c");
    MakeFile(root / "b.txt", 1, LocalTime(2020, 1, 1, 10, 0, 0));
    MakeFile(root / "A" / "a1.txt", 2, LocalTime(2020, 1, 1, 10, 0, 0));
    MakeFile(root / "A" / "Deep" / "d.txt", 3, LocalTime(2020, 1, 1, 10, 0, 0));
    const std::string dl = DriveLess(root);

    const auto lines = Lines(ListNew(root, ListFormat::Text));
    std::vector<std::string> expected = {
        "", "", kHyphens, "", "Volume:    MUSIC01", "Directory: " + dl, "", "<DIR> A", "<DIR> c",
        "", Pad("b.txt") + "               1 bytes 1/1/2020 10:00:00 AM", "", "Volume:    MUSIC01",
        "Directory: " + dl + "A" + kSep, "", "<DIR> Deep", "",
        Pad("a1.txt") + "               2 bytes 1/1/2020 10:00:00 AM", "", "Volume:    MUSIC01",
        "Directory: " + dl + "A" + kSep + "Deep" + kSep, "",
        Pad("d.txt") + "               3 bytes 1/1/2020 10:00:00 AM",
        // A folder without sub-folders gets no empty line after its (absent) sub-folder lines.
        "", "Volume:    MUSIC01", "Directory: " + dl + "c" + kSep, "", kHyphens, kHyphens,
        kHyphens};
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(lastOutcome, RunOutcome::Completed);
    // Every sub-folder was announced before its walk, the start folder was not.
    EXPECT_EQ(frontEnd.curDirs,
              (std::vector<std::string>{root.string() + kSep + "A",
                                        root.string() + kSep + "A" + kSep + "Deep",
                                        root.string() + kSep + "c"}));
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
    EXPECT_EQ(lines,
              (std::vector<std::string>{
                  "", "Volume:    MUSIC01", "Directory: " + DriveLess(root), "", Pad("one.mp3"),
                  Pad("Two.MP3"), "", "Volume:    MUSIC01",
                  "Directory: " + DriveLess(root) + "Songs.MP3dir" + kSep, "", Pad("four.Mp3")}));
    // A mask that matches nothing still gives every folder its heading.
    lines = NameLines(root, "*.none");
    EXPECT_EQ(lines.size(), 8u);
    // An empty mask selects no file.
    lines = NameLines(root, "");
    EXPECT_EQ(lines.size(), 8u);
    // "?" stands for one character.
    lines = NameLines(root, "t??.mp3");
    EXPECT_EQ(lines.at(4), Pad("Two.MP3"));
}

TEST_F(WalkTest, FoldersOnlyInEachFormat) {
    const auto root = tmp / "music";
    MakeMusicTree(root);
    const std::string dl = DriveLess(root);
    auto list = [&](ListFormat f) { return Lines(ListNew(root, f, "*.*", true)); };
    EXPECT_EQ(list(ListFormat::Text),
              (std::vector<std::string>{"", "", kHyphens, "", "Volume:    MUSIC01",
                                        "Directory: " + dl, "", "<DIR> Jazz", "", "",
                                        "Volume:    MUSIC01", "Directory: " + dl + "Jazz" + kSep,
                                        "", kHyphens, kHyphens, kHyphens}));
    EXPECT_EQ(
        list(ListFormat::TextNames),
        (std::vector<std::string>{"", "", kHyphens, "", "Volume:    MUSIC01", "Directory: " + dl,
                                  "", "", "Volume:    MUSIC01", "Directory: " + dl + "Jazz" + kSep,
                                  "", kHyphens, kHyphens, kHyphens}));
    EXPECT_EQ(ListNew(root, ListFormat::CsvNames, "*.*", true), "");
    EXPECT_EQ(list(ListFormat::Csv),
              (std::vector<std::string>{"\"Path\",\"Name\",\"Size\",\"Date\""}));
    EXPECT_EQ(list(ListFormat::HtmlNames),
              (std::vector<std::string>{
                  std::string(kHtmlHeaderLine), "<tr><td bgcolor=#3399FF><b>music</b></td></tr>",
                  "<tr><td bgcolor=#3399FF><b>Jazz</b></td></tr>", std::string(kHtmlFooterLine)}));
    EXPECT_EQ(list(ListFormat::Html).size(), 4u);
}

TEST_F(WalkTest, APagefileFolderIsNotWalked) {
    const auto root = tmp / "p";
    MakeDir(root / "pagefile.sys");
    MakeFile(root / "pagefile.sys" / "inner.txt", 1, 0);
    const auto lines = NameLines(root);
    EXPECT_EQ(lines.size(), 4u);  // the start folder's heading only
}

TEST_F(WalkTest, LongAndDottedNamesInEachFormat) {
    const auto root = tmp / "n";
    const std::string longName = std::string(70, 'L') + ".txt";
    MakeDir(root);
    MakeFile(root / longName, 5, LocalTime(2001, 2, 3, 4, 5, 6));
    MakeFile(root / "a.b.c", 1, LocalTime(2001, 2, 3, 4, 5, 6));
    MakeFile(root / "R&B, live.mp3", 1, LocalTime(2001, 2, 3, 4, 5, 6));

    auto names = NameLines(root);
    ASSERT_EQ(names.size(), 7u);
    EXPECT_EQ(names[4], Pad("a.b.c"));
    EXPECT_EQ(names[5], std::string(65, 'L'));
    EXPECT_EQ(names[6], Pad("R&B, live.mp3"));

    EXPECT_EQ(
        Lines(ListNew(root, ListFormat::CsvNames)),
        (std::vector<std::string>{"\"a.b\"", "\"" + std::string(70, 'L') + "\"", "\"R&B, live\""}));
    const auto csv = Lines(ListNew(root, ListFormat::Csv));
    EXPECT_EQ(csv.at(2), "\"" + root.string() + kSep + "\",\"" + longName +
                             "\",\"               5\",2/3/2001 4:05:06 AM");
    EXPECT_EQ(csv.at(3), "\"" + root.string() + kSep +
                             "\",\"R&B, live.mp3\",\"               1\",2/3/2001 4:05:06 AM");
    EXPECT_EQ(Lines(ListNew(root, ListFormat::HtmlNames)).at(4), "<tr><td>R&amp;B, live</td></tr>");
    EXPECT_EQ(Lines(ListNew(root, ListFormat::Html)).at(3),
              "<tr><td>" + longName +
                  "</td><td align=right>               5</td><td align=right>"
                  "2/3/2001 4:05:06 AM</td></tr>");
}

TEST_F(WalkTest, StartFolderWithAndWithoutItsSeparator) {
    const auto root = tmp / "music";
    MakeMusicTree(root);
    const std::string without = ListNew(root, ListFormat::Csv);
    const std::string with = ListNew(root.string() + kSep, ListFormat::Csv);
    EXPECT_EQ(without, with);
    EXPECT_NE(with.find("\"" + root.string() + kSep + "\",\"intro.mp3\""), std::string::npos);

    // The walker puts the separator on the caller's path.
    DirIO dirIO(state, frontEnd, files, fileSystem, platform::RegionalSettings::UnitedStates());
    std::string path = root.string();
    FileNumber n = 0, a = 0;
    RunOptions none = 0;
    dirIO.ListDirectory(path, "*.*", n, a, "", none);
    EXPECT_EQ(path, root.string() + kSep);
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
    EXPECT_EQ(frontEnd.curDirs, std::vector<std::string>{root.string() + kSep + "Jazz"});
    EXPECT_TRUE(frontEnd.boxTexts.empty());
}

}  // namespace
}  // namespace dirscribe::test
