// SPDX-License-Identifier: MIT
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

    // One run at a time: a second writer is refused while the first holds the list, and a
    // new list given up before its first byte is left as it was.
    OutputFile one = OutputFile::Open(path, OutputFile::Mode::Append);
    for (auto mode : {OutputFile::Mode::Append, OutputFile::Mode::Write}) {
        try {
            OutputFile::Open(path, mode);
            ADD_FAILURE() << "a second writer got the list";
        } catch (const Failure& failure) {
            EXPECT_EQ(FailureNo::FileAlreadyOpen, failure.Number());
            EXPECT_EQ("cannot open list file '" + path + "': another run is writing it",
                      failure.Description());
        }
    }
    WriteText(one, " one");
    WriteText(one, " \xFF bytes");
    one.Close();
    { OutputFile abandoned = OutputFile::Open(path, OutputFile::Mode::Write); }
    OutputFile two = OutputFile::Open(path, OutputFile::Mode::Append);
    WriteText(two, " two");
    two.Close();
    EXPECT_EQ("new one \xFF bytes two", ReadFile(dir / "list.txt"));

    OutputFile fresh = OutputFile::Open(test::Utf8(dir / "created.txt"), OutputFile::Mode::Append);
    WriteText(fresh, "x");
    fresh.Close();
    EXPECT_EQ("x", ReadFile(dir / "created.txt"));
}

TEST(OutputFileWin32, SameFileThroughTwoPathsHasOneIdentity) {
    TempDir dir;
    test::MakeDir(dir / "sub");
    const std::string path = test::Utf8(dir / "list.txt");
    test::WriteFile(dir / "list.txt", "");  // a list made and never written is taken away
    // One at a time: a file open as a list is locked.
    const auto identity = [](const std::string& p) {
        return OutputFile::Open(p, OutputFile::Mode::Append).Identity();
    };
    const FileIdentity direct = identity(path);
    EXPECT_NE(FileIdentity{}, direct);
    EXPECT_EQ(direct, identity(test::Utf8(dir / "sub" / ".." / "list.txt")));
    EXPECT_EQ(direct, identity(test::Utf8(dir / "LIST.TXT")));
    EXPECT_NE(direct, identity(test::Utf8(dir / "other.txt")));
    EXPECT_EQ(path, OutputFile::Open(path, OutputFile::Mode::Append).Path());

    // Before anything is opened: spellings, letter case, and files not there yet.
    EXPECT_TRUE(SameListFile(path, test::Utf8(dir / "sub" / ".." / "LIST.txt")));
    EXPECT_FALSE(SameListFile(path, test::Utf8(dir / "other.txt")));
    EXPECT_TRUE(
        SameListFile(test::Utf8(dir / "new.txt"), test::Utf8(dir / "sub" / ".." / "NEW.TXT")));
    EXPECT_FALSE(SameListFile(test::Utf8(dir / "new.txt"), test::Utf8(dir / "sub" / "new.txt")));
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

TEST(OutputFileWin32, APipeIsRefusedTheNullDeviceIsNot) {
    const std::wstring name =
        L"\\\\.\\pipe\\dirscribe-test-" + std::to_wstring(GetCurrentProcessId());
    HANDLE server = CreateNamedPipeW(name.c_str(), PIPE_ACCESS_INBOUND, PIPE_TYPE_BYTE, 1, 4096,
                                     4096, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, server);
    std::string description;
    EXPECT_EQ(75, OpenFailure(test::Utf8Of(name), OutputFile::Mode::Append, &description));
    EXPECT_NE(std::string::npos, description.find("it is a pipe, not a regular file"))
        << description;
    CloseHandle(server);
    OutputFile null = OutputFile::Open("NUL", OutputFile::Mode::Write);
    WriteText(null, "gone");
    null.Close();
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
    // No best-fit look-alikes: Omega, infinity, a full-width A and a dotless i would be O, 8,
    // A and i, and two names would give one line.
    EXPECT_EQ("<? ? ? ?", ListText("\xCE\xA9 \xE2\x88\x9E \xEF\xBC\xA1 \xC4\xB1"));
}

}  // namespace
TEST(OutputFileWin32, DeviceNamesOtherThanNulAreRefused) {
    // The system finds a device name anywhere, with any extension: the list would vanish.
    for (const std::string path : {"AUX", "com1", "LPT1.txt", "prn"}) {
        try {
            OutputFile::Open(path, OutputFile::Mode::Write);
            ADD_FAILURE() << "a list went to the device " << path;
        } catch (const Failure& failure) {
            EXPECT_TRUE(failure.FromListFile()) << path;
        }
    }
    OutputFile null = OutputFile::Open("NUL", OutputFile::Mode::Write);
    WriteText(null, "gone\r\n");
    null.Close();
}

}  // namespace dirscribe::platform
