// SPDX-License-Identifier: MIT
// The walk over what only Windows shows: hidden and system entries by their attributes, a
// folder enumerated afresh for the files, paths beyond MAX_PATH, names outside the ANSI code
// page, and a hidden file chosen as the new list.
#include "RunFixture.h"
#include "support/win32/WinTree.h"

namespace dirscribe::test {
namespace {

using WalkWin32Test = WalkFixture;

TEST_F(WalkWin32Test, HiddenAndSystemEntriesAreNeitherListedNorWalked) {
    const auto root = tmp / "h";
    for (const char* dir : {"Hidden", "System", "Shown", "Shown\\Inner", "Pages"}) {
        MakeDir(root / dir);
    }
    for (const char* file :
         {"Hidden\\inside.txt", "System\\inside.txt", "hidden.txt", "system.txt", "readonly.txt",
          "pagefile.sys", "Shown\\Inner\\x.txt", "Pages\\PAGEFILE.SYS"}) {
        MakeFile(root / file, 1, 0);
    }
    SetAttributes(root / "Hidden", kHidden);
    SetAttributes(root / "System", kSystem);
    SetAttributes(root / "hidden.txt", kHidden | kArchive);
    SetAttributes(root / "system.txt", kSystem);
    SetAttributes(root / "readonly.txt", kReadOnly);
    SetAttributes(root / "Shown", kReadOnly);

    const std::string dl = DriveLess(root);
    EXPECT_EQ(NameLines(root),
              (std::vector<std::string>{
                  "", "Volume:    MUSIC01", "Directory: " + dl, "", Pad("readonly.txt"), "",
                  "Volume:    MUSIC01", "Directory: " + dl + "Pages\\", "", Pad("PAGEFILE.SYS"), "",
                  "Volume:    MUSIC01", "Directory: " + dl + "Shown\\", "", "",
                  "Volume:    MUSIC01", "Directory: " + dl + "Shown\\Inner\\", "", Pad("x.txt")}));
    EXPECT_TRUE(frontEnd.errorTexts.empty());
    EXPECT_TRUE(frontEnd.boxTexts.empty());
}

TEST_F(WalkWin32Test, AFileRemovedBetweenThePassesIsNotListed) {
    // The files are enumerated afresh with the mask, so a file gone by then is not named at all.
    const auto root = tmp / "v";
    MakeDir(root);
    MakeFile(root / "gone.txt", 1, 0);
    MakeFile(root / "stays.txt", 1, 0);
    fileSystem.beforeBeginFiles = [&](const std::string&) { stdfs::remove(root / "gone.txt"); };
    EXPECT_EQ(NameLines(root),
              (std::vector<std::string>{"", "Volume:    MUSIC01", "Directory: " + DriveLess(root),
                                        "", Pad("stays.txt")}));
    EXPECT_TRUE(frontEnd.errorTexts.empty());
}

TEST_F(WalkWin32Test, APathBeyond260CharactersIsListedByItsOrdinaryPath) {
    const auto root = tmp / "deep";
    MakeDir(root);
    const std::string name(60, 'n');
    stdfs::path deep = root;
    std::string below;
    for (int level = 0; level < 5; ++level) {
        deep /= name;
        below += name + "\\";
        MakeOneDir(deep);
    }
    MakeFile(deep / "song.mp3", 1234, LocalTime(2010, 6, 1, 12, 0, 0));
    ASSERT_GT(root.string().size() + below.size(), kMaxPath);

    const auto csv = Lines(ListNew(root, ListFormat::Csv));
    EXPECT_EQ(csv, (std::vector<std::string>{
                       "\"Path\",\"Name\",\"Size\",\"Date\"",
                       "\"" + root.string() + "\\" + below +
                           "\",\"song.mp3\",\"           1,234\",6/1/2010 12:00:00 PM"}));
    const auto names = NameLines(root);
    ASSERT_EQ(names.size(), 4u * 6 + 1);
    EXPECT_EQ(names[names.size() - 3], "Directory: " + DriveLess(root) + below);
    EXPECT_EQ(names.back(), Pad("song.mp3"));
    EXPECT_TRUE(frontEnd.errorTexts.empty());
    EXPECT_TRUE(frontEnd.boxTexts.empty());
}

TEST_F(WalkWin32Test, NamesOutsideTheAnsiCodePageAreWrittenAsItMakesThem) {
    ASSERT_EQ(1252u, AnsiCodePage()) << "the bytes below are those of code page 1252";
    // "Музыка" (Cyrillic) holds "café.mp3" (é is in the code page), "Жук.mp3" (not) and a name
    // with a character beyond the Basic Multilingual Plane.
    const std::string folder = "\xD0\x9C\xD1\x83\xD0\xB7\xD1\x8B\xD0\xBA\xD0\xB0";
    const std::string beetle = "\xD0\x96\xD1\x83\xD0\xBA.mp3";
    const std::string smile = "smile \xF0\x9F\x98\x80.mp3";
    const auto root = tmp / "u";
    MakeDir(root / PathOf(folder));
    for (const std::string& file : {std::string("caf\xC3\xA9.mp3"), beetle, smile}) {
        MakeFile(root / PathOf(folder) / PathOf(file), 1, LocalTime(2001, 2, 3, 4, 5, 6));
    }
    const std::string list = ListNew(root, ListFormat::TextNames);
    const auto lines = Lines(list);
    ASSERT_EQ(lines.size(), 3u + 4 + 4 + 3 + 3);
    EXPECT_EQ(lines.at(9), "Directory: " + DriveLess(root) + "??????\\");
    EXPECT_EQ(lines.at(11), Pad("caf\xE9.mp3"));
    EXPECT_EQ(lines.at(12), Pad("smile ?.mp3"));
    EXPECT_EQ(lines.at(13), Pad("???.mp3"));
    for (std::size_t i = 11; i <= 13; ++i) EXPECT_EQ(lines[i].size(), 65u) << i;

    // The other formats take the same bytes; the HTML heading cell too.
    const auto html = Lines(ListNew(root, ListFormat::HtmlNames));
    EXPECT_EQ(html.at(2), "<tr><td bgcolor=#3399FF><b>" + std::string(6, '?') + "</b></td></tr>");
    EXPECT_EQ(html.at(3), "<tr><td>caf\xE9</td></tr>");
    // The progress texts stay Unicode: only the list is in the code page.
    ASSERT_FALSE(frontEnd.curDirs.empty());
    EXPECT_EQ(frontEnd.curDirs.back(), root.string() + "\\" + folder);
}

TEST_F(WalkWin32Test, AHiddenFileChosenAsTheNewListIsNeitherAskedAboutNorReplaced) {
    MakeMusicTree(tmp / "Music");
    const auto hidden = tmp / "hidden-list.txt";
    WriteFile(hidden, "keep");
    SetAttributes(hidden, kHidden);
    frontEnd.settings.startPath = (tmp / "Music").string();
    UseMode(Mode::New);
    frontEnd.newListAnswers = {hidden.string()};
    EXPECT_EQ(run.Command1_Click(), RunOutcome::Failed);
    EXPECT_TRUE(frontEnd.questions.empty());
    ASSERT_EQ(frontEnd.messages.size(), 1u);
    EXPECT_EQ(
        frontEnd.messages.at(0).rfind("Error:cannot open list file '" + hidden.string() + "'", 0),
        0u)
        << frontEnd.messages.at(0);
    SetAttributes(hidden, kNormal);
    EXPECT_EQ(ReadFile(hidden), "keep");
}

}  // namespace
TEST_F(WalkWin32Test, FolderNamesEndingInADotOrABlankAreWalked) {
    const auto root = tmp / "odd";
    MakeDir(root);
    MakeVerbatimDir(root / "dots.");
    MakeVerbatimDir(root / "dots." / "blank ");
    MakeVerbatimFile(root / "dots." / "blank " / "inner.txt");
    MakeVerbatimFile(root / "dots." / "end.");
    const std::string dl = DriveLess(root);
    EXPECT_EQ(NameLines(root),
              (std::vector<std::string>{
                  "", "Volume:    MUSIC01", "Directory: " + dl, "", "", "Volume:    MUSIC01",
                  "Directory: " + dl + "dots.\\", "", Pad("end."), "", "Volume:    MUSIC01",
                  "Directory: " + dl + "dots.\\blank \\", "", Pad("inner.txt")}));
    EXPECT_TRUE(frontEnd.errorTexts.empty());
}

TEST_F(WalkWin32Test, AFolderReachedByTwoLinksIsGoneIntoOnce) {
    // Each level holds two links to the next; where links show as plain folders (Unix links
    // under Wine), the walk must still go into each folder once, not 2^depth times.
    const auto root = tmp / "twice";
    MakeDir(root / "real0");
    stdfs::path level = root / "real0";
    for (int i = 1; i <= 8; ++i) {
        const auto next = root / ("real" + std::to_string(i));
        MakeDir(next);
        MakeFile(next / "f.txt", 1, 0);
        if (!MakeFolderLink(level / "a", next) || !MakeFolderLink(level / "b", next))
            GTEST_SKIP() << "no folder links here";
        level = next;
    }
    const std::string list = ListNew(root, ListFormat::TextNames);
    std::size_t headings = 0;
    for (auto at = list.find("Directory: "); at != std::string::npos;
         at = list.find("Directory: ", at + 1))
        ++headings;
    EXPECT_LE(headings, 1u + 9u + 8u);  // the start, each real folder, one link to each
}

}  // namespace dirscribe::test
