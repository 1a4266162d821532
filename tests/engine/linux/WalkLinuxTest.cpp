// SPDX-License-Identifier: MIT
// The walk over what only POSIX systems have: dot names as hidden entries, symbolic links,
// names with markup and quotes, folders an ordinary user may not read, and a folder read once
// for both passes.
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "RunFixture.h"
#include "support/PosixTree.h"
#include "support/Unprivileged.h"

namespace dirscribe::test {
namespace {

using WalkPosixTest = WalkFixture;

TEST_F(WalkPosixTest, DotNamesAndPagefileAreNeverListed) {
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

// A folder mounted into itself is named where the walk meets it again, not entered: with and
// without folders read ahead. A bind mount needs root.
TEST_F(WalkPosixTest, AFolderMountedIntoItselfIsNamedNotEntered) {
    if (geteuid() != 0) GTEST_SKIP() << "a bind mount needs root";
    const auto root = tmp / "m";
    const auto loop = root / "sub" / "loop";
    MakeDir(loop);
    MakeFile(root / "sub" / "song.mp3", 1, 0);
    if (mount(root.c_str(), loop.c_str(), nullptr, MS_BIND, nullptr) != 0) {
        GTEST_SKIP() << "no bind mount here: " << std::strerror(errno);
    }
    struct Unmount {
        std::string at;
        ~Unmount() { umount2(at.c_str(), MNT_DETACH); }
    } unmount{loop.string()};
    // Without the check the walk would go round for ever: a stop ends it, and the test fails.
    frontEnd.atYield[500] = [&] { frontEnd.PressStop(); };
    for (const bool readAhead : {false, true}) {
        fileSystem.readAhead = readAhead;
        const std::string heading = "Directory: " + DriveLess(root);
        const std::string rule(89, '-');
        EXPECT_EQ(Lines(ListNew(root, ListFormat::Text)),
                  (std::vector<std::string>{
                      "", "", rule, "", "Volume:    MUSIC01", heading, "", "<DIR> sub", "", "",
                      "Volume:    MUSIC01", heading + "sub/", "", "<DIR> loop", "",
                      Pad("song.mp3") + "               1 bytes 12/31/1969 7:00:00 PM", rule, rule,
                      rule}))
            << "read ahead: " << readAhead;
    }
}

TEST_F(WalkPosixTest, LinksToFoldersAreNamedNotWalkedLinksToFilesAreListed) {
    const auto root = tmp / "l";
    MakeDir(root / "real");
    MakeFile(root / "real" / "target.txt", 1234, LocalTime(2010, 6, 1, 12, 0, 0));
    MakeLinkToOwnFolder(root / "loop");
    MakeLink(root / "elsewhere", "real");
    MakeLink(root / "link.txt", "real/target.txt");
    MakeBrokenLink(root / "broken.txt");
    // Named among the sub-folders as a mount point is (format 0), never entered (any format).
    for (const FormatInfo& info : kFormats) {
        SCOPED_TRACE(info.cliName);
        const std::string list = ListNew(root, info.format);
        EXPECT_EQ(list.find("loop/"), std::string::npos);
        EXPECT_EQ(list.find("elsewhere/"), std::string::npos);
        EXPECT_EQ(list.find("target.txt"), list.rfind("target.txt"));
    }
    const std::string all = ListNew(root, ListFormat::Text);
    EXPECT_NE(all.find("<DIR> elsewhere\r\n<DIR> loop\r\n<DIR> real\r\n"), std::string::npos);
    EXPECT_NE(all.find(Pad("link.txt") + "           1,234 bytes 6/1/2010 12:00:00 PM"),
              std::string::npos);
    EXPECT_EQ(all.find("broken.txt  "), std::string::npos);
    // The broken link is a quiet not-found report.
    ASSERT_FALSE(frontEnd.errorTexts.empty());
    EXPECT_EQ(frontEnd.errorTexts.back(), "Last Error: Error reading 'broken.txt' Skipping.");
}

TEST_F(WalkPosixTest, NamesWithMarkupAndQuotesInEachFormat) {
    const auto root = tmp / "n";
    MakeDir(root);
    MakeFile(root / ".profile", 1, 0);  // hidden here; dot names are not listed
    MakeFile(root / "a.b.c", 1, LocalTime(2001, 2, 3, 4, 5, 6));
    MakeFile(root / "R&B <live>, \"x\".mp3", 1, LocalTime(2001, 2, 3, 4, 5, 6));

    auto names = NameLines(root);
    ASSERT_EQ(names.size(), 6u);
    EXPECT_EQ(names[4], Pad("a.b.c"));
    EXPECT_EQ(names[5].substr(0, 20), "R&B <live>, \"x\".mp3 ");

    EXPECT_EQ(Lines(ListNew(root, ListFormat::CsvNames)),
              (std::vector<std::string>{"\"a.b\"", "\"R&B <live>, \"\"x\"\"\""}));
    EXPECT_EQ(Lines(ListNew(root, ListFormat::HtmlNames)).at(3),
              "<tr><td>R&amp;B &lt;live&gt;, \"x\"</td></tr>");
}

// The folder is read once for both passes, so a file gone before the second is still named
// there and its details fail.
TEST_F(WalkPosixTest, AFileThatVanishesBetweenThePassesIsReportedAndSkipped) {
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

TEST_F(WalkPosixTest, AnUnreadableSubFolderIsStillListedWithItsHeading) {
    auto dir = tmp.Path();
    MakeDir(dir / "out");
    chmod((dir / "out").c_str(), 0777);
    MakeDir(dir / "tree" / "Locked" / "Inner");
    MakeFile(dir / "tree" / "Locked" / "secret.txt", 1, 0);
    MakeFile(dir / "tree" / "open.txt", 1, LocalTime(2020, 1, 1, 0, 0, 0));
    MakeUnreadableFolder(dir / "tree" / "Locked");

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
