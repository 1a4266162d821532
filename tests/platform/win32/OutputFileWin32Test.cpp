// Tests of list files on Windows: writing, appending, identity, failures that name the file,
// and the list text in the ANSI code page.
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/OutputFile.h"
#include "support/TempTree.h"
#include "support/win32/WinTree.h"

namespace dirscribe::platform {
namespace {

using test::ReadFile;
using test::TempDir;

void WriteText(OutputFile& file, std::string text) {
    file.Write(text);
    EXPECT_TRUE(text.empty());
}

TEST(OutputFileWin32, WritesEmptiesAndAppendsAtTheEnd) {
    TempDir dir;
    const std::string path = test::Utf8(dir / "list.txt");
    OutputFile file = OutputFile::Open(path, OutputFile::Mode::Write);
    WriteText(file, "first\r\n");
    file.Close();
    EXPECT_FALSE(file.IsOpen());
    OutputFile again = OutputFile::Open(path, OutputFile::Mode::Write);
    WriteText(again, "new");
    again.Close();
    EXPECT_EQ("new", ReadFile(dir / "list.txt"));

    // Two appenders both land at the end, whoever wrote last.
    OutputFile one = OutputFile::Open(path, OutputFile::Mode::Append);
    OutputFile two = OutputFile::Open(path, OutputFile::Mode::Append);
    WriteText(one, " one");
    WriteText(two, " two");
    WriteText(one, " \xFF bytes");
    one.Close();
    two.Close();
    EXPECT_EQ("new one two \xFF bytes", ReadFile(dir / "list.txt"));

    OutputFile fresh = OutputFile::Open(test::Utf8(dir / "created.txt"), OutputFile::Mode::Append);
    WriteText(fresh, "x");
    fresh.Close();
    EXPECT_EQ("x", ReadFile(dir / "created.txt"));
}

TEST(OutputFileWin32, SameFileThroughTwoPathsHasOneIdentity) {
    TempDir dir;
    test::MakeDir(dir / "sub");
    const std::string path = test::Utf8(dir / "list.txt");
    const auto open = [](const std::string& p) {
        return OutputFile::Open(p, OutputFile::Mode::Append);
    };
    const OutputFile direct = open(path);
    EXPECT_NE(FileIdentity{}, direct.Identity());
    EXPECT_EQ(direct.Identity(), open(test::Utf8(dir / "sub" / ".." / "list.txt")).Identity());
    EXPECT_EQ(direct.Identity(), open(test::Utf8(dir / "LIST.TXT")).Identity());
    EXPECT_NE(direct.Identity(), open(test::Utf8(dir / "other.txt")).Identity());
    EXPECT_EQ(path, direct.Path());
}

int OpenFailure(const std::string& path, OutputFile::Mode mode, std::string* description) {
    try {
        OutputFile::Open(path, mode);
    } catch (const Failure& failure) {
        EXPECT_TRUE(failure.FromListFile());
        if (description != nullptr) *description = failure.Description();
        return failure.Number();
    }
    return 0;
}

TEST(OutputFileWin32, FailuresNameTheListFile) {
    TempDir dir;
    const std::string missing = test::Utf8(dir / "no-folder" / "list.txt");
    std::string description;
    EXPECT_EQ(76, OpenFailure(missing, OutputFile::Mode::Write, &description));
    EXPECT_EQ(0u, description.rfind("cannot open list file '" + missing + "': ", 0)) << description;
    EXPECT_EQ(75, OpenFailure(dir.Str(), OutputFile::Mode::Append, nullptr));
    EXPECT_EQ(52, OpenFailure(test::Utf8(dir / "bad|name.txt"), OutputFile::Mode::Write, nullptr));

    // A hidden file is no list file to replace: it is not found by the existence test, and
    // writing over it is refused, so it keeps what it holds.
    test::WriteFile(dir / "hidden.txt", "keep");
    test::SetAttributes(dir / "hidden.txt", FILE_ATTRIBUTE_HIDDEN);
    EXPECT_FALSE(ListFileExists(test::Utf8(dir / "hidden.txt")));
    EXPECT_EQ(75, OpenFailure(test::Utf8(dir / "hidden.txt"), OutputFile::Mode::Write, nullptr));
    test::SetAttributes(dir / "hidden.txt", FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ("keep", ReadFile(dir / "hidden.txt"));

    OutputFile closed;
    std::string buffer = "line\r\n";
    EXPECT_THROW(closed.Write(buffer), Failure);
    EXPECT_EQ("line\r\n", buffer);
}

TEST(OutputFileWin32, StandardOutputIsNeverClosed) {
    OutputFile out = OutputFile::StandardOutput();
    EXPECT_TRUE(out.IsOpen());
    EXPECT_EQ("standard output", out.Path());
    out.Close();
    EXPECT_FALSE(out.IsOpen());
    HANDLE handle = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD flags = 0;
    EXPECT_TRUE(GetHandleInformation(handle, &flags));
}

// The tests run with the ANSI code page 1252 (Wine's default, and that of Windows in Western
// Europe and the Americas).
std::string ListText(std::string_view text) {
    std::string out = "<";
    AppendListText(text, out);
    return out;
}

TEST(OutputFileWin32, ListTextIsInTheAnsiCodePage) {
    ASSERT_EQ(1252u, GetACP()) << "these cases are written for code page 1252";
    EXPECT_EQ("<plain ASCII, as it is", ListText("plain ASCII, as it is"));
    EXPECT_EQ("<", ListText(""));
    // é and € are in the code page; Cyrillic, Greek and CJK letters are not.
    EXPECT_EQ("<caf\xE9 \x80", ListText("caf\xC3\xA9 \xE2\x82\xAC"));
    EXPECT_EQ("<??? \xA9", ListText("\xD0\x96\xD1\x83\xD0\xBA \xC2\xA9"));
    EXPECT_EQ("<?", ListText("\xE4\xB8\xAD"));
    // A character beyond the Basic Multilingual Plane is one character, so one "?" (a padded
    // name keeps its 65 columns).
    EXPECT_EQ("<a?b", ListText("a\xF0\x9F\x98\x80"
                               "b"));
    // A byte that starts no UTF-8 character is no character of the code page either.
    EXPECT_EQ("<x?y", ListText("x\xFFy"));
}

}  // namespace
}  // namespace dirscribe::platform
