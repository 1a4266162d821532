// SPDX-License-Identifier: MIT
// dirscribe-cli.exe as a Windows script runs it: the Music tree byte for byte from a drive's
// Music folder, Unicode arguments, and lists in the ANSI code page with CR LF line ends.
#include <windows.h>

#include "CliFixture.h"
#include "support/win32/WinTree.h"

namespace dirscribe::test {
namespace {

namespace stdfs = std::filesystem;

// The system drive, "C:" on Wine and on most machines.
std::string SystemDrive() {
    wchar_t windows[MAX_PATH] = {};
    if (GetWindowsDirectoryW(windows, MAX_PATH) < 2) return "C:";
    return Utf8Of(std::wstring_view(windows, 2));
}

// A folder made for the test where it is wanted, removed afterwards.
struct MadeFolder {
    stdfs::path path;
    ~MadeFolder() { RemoveTreeAt(path); }
};

TEST(CliWin32Test, TheMusicTreeComesOutByteForByteFromTheDrivesMusicFolder) {
    const std::string drive = SystemDrive();
    const std::string start = drive + "\\Music";
    if (stdfs::exists(PathOf(start))) {
        GTEST_SKIP() << start << " exists here; the test needs that name free";
    }
    MakeDir(PathOf(start));
    const MadeFolder made{PathOf(start)};
    MakeMusicTree(made.path);

    const std::string formats[] = {"text", "text-names", "csv-names", "csv", "html-names", "html"};
    for (int f = 0; f < 6; ++f) {
        SCOPED_TRACE(f);
        const Result r = RunCli({"--label", "MUSIC01", "-f", formats[f], start});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(r.out, ExpectedList("music-format" + std::to_string(f) + ".txt", start + "\\",
                                      "\\Music\\"));
        if (f == 3) {
            EXPECT_NE(r.out.find("\r\n\"" + drive +
                                 "\\Music\\\",\"intro.mp3\",\"       4,123,456\",5/17/2003 "
                                 "9:41:07 PM\r\n"),
                      std::string::npos);
        }
    }
    // Into a list file the same bytes go.
    const TempDir out;
    const stdfs::path list = out / "list.htm";
    EXPECT_EQ(RunCli({"--label", "MUSIC01", "-f", "html", "-n", Utf8(list), start}).status, 0);
    EXPECT_EQ(ReadFile(list), ExpectedList("music-format5.txt", start + "\\", "\\Music\\"));
}

TEST_F(CliTest, UnicodeArgumentsArriveWholeAndTheListIsInTheAnsiCodePage) {
    ASSERT_EQ(1252u, GetACP()) << "the bytes below are those of code page 1252";
    const std::string beetle = "\xD0\x96\xD1\x83\xD0\xBA";  // "Жук", not in the code page
    const stdfs::path start = tmp.Path() / PathOf(beetle);
    MakeDir(start);
    MakeFile(start / PathOf("caf\xC3\xA9.mp3"), 1, LocalTime(2001, 2, 3, 4, 5, 6));
    const std::string list = Utf8(tmp / "list.csv");

    Result r = RunCli({"-q", "-f", "csv", "-n", list, Utf8(start)});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFile(PathOf(list)),
              "\"Path\",\"Name\",\"Size\",\"Date\"\r\n\"" + tmp.Str() +
                  "\\???\\\",\"caf\xE9.mp3\",\"               1\",2/3/2001 4:05:06 AM\r\n");

    // On standard output: the same bytes, every line ending in CR LF and nothing more.
    r = RunCli({"-q", "-f", "text-names", "--label", "\xC3\x89T\xC3\x89", Utf8(start)});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string hyphens(89, '-');
    EXPECT_EQ(r.out, "\r\n\r\n" + hyphens + "\r\n\r\nVolume:    \xC9T\xC9\r\nDirectory: " +
                         tmp.Str().substr(2) + "\\???\\\r\n\r\ncaf\xE9.mp3" + std::string(57, ' ') +
                         "\r\n" + hyphens + "\r\n" + hyphens + "\r\n" + hyphens + "\r\n");

    // Reports name the folder in UTF-8 when standard error is no console.
    const std::string missing = Utf8(tmp.Path() / PathOf(beetle + "-2"));
    r = RunCli({missing});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind("dirscribe-cli: cannot read start folder '" + missing + "': ", 0), 0u)
        << r.err;
}

TEST_F(CliTest, AMaskNamingAFolderIsBadUsage) {
    for (const char* mask : {"sub\\*.mp3", "sub/*.mp3"}) {
        const Result r = RunCli({"-m", mask, music.string()});
        EXPECT_EQ(r.status, 2) << mask;
        EXPECT_NE(r.err.find("bad mask"), std::string::npos) << r.err;
    }
}

}  // namespace
}  // namespace dirscribe::test
