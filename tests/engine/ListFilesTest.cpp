// SPDX-License-Identifier: MIT
// ListFiles: numbers, the same file twice, and failures of the disk that must not lose or
// double lines.
#include <gtest/gtest.h>

#include <memory>

#include "base/Failure.h"
#include "engine/ListFiles.h"
#include "support/FailingSink.h"
#include "support/TempTree.h"

namespace dirscribe {
namespace {

using test::FailingSink;
using test::FakeDisk;
using test::ReadFile;
using test::TempDir;
using Mode = platform::OutputFile::Mode;

class ListFilesTest : public ::testing::Test {
  protected:
    ListFilesTest() {
        files.SetOpener([this](const std::string& path, Mode) {
            // "same" and "alias" are one file reached by two paths.
            const std::uint64_t id =
                path == "alias" ? std::hash<std::string>{}("same") : std::hash<std::string>{}(path);
            return std::make_unique<FailingSink>(disk, path, id);
        });
    }
    FakeDisk disk;
    ListFiles files{64};  // a small buffer, so that lines reach the disk often
};

TEST_F(ListFilesTest, NumbersAreTheLowestFree) {
    EXPECT_EQ(files.FreeFile(), 1);
    files.Open(files.FreeFile(), "a", Mode::Write);
    EXPECT_EQ(files.FreeFile(), 2);
    files.Open(2, "b", Mode::Append);
    EXPECT_TRUE(files.IsOpen(1));
    EXPECT_FALSE(files.IsOpen(3));
    EXPECT_EQ(files.FreeFile(), 3);
    files.CloseAll();
    EXPECT_EQ(files.FreeFile(), 1);
    EXPECT_FALSE(files.IsOpen(1));
}

TEST_F(ListFilesTest, AFileAlreadyOpenFailsWith55) {
    files.Open(1, "same", Mode::Write);
    try {
        files.Open(2, "same", Mode::Append);
        FAIL() << "opened twice";
    } catch (const Failure& f) {
        EXPECT_EQ(f.Number(), FailureNo::FileAlreadyOpen);
        EXPECT_NE(f.Description().find("'same'"), std::string::npos) << f.Description();
    }
    // The same file by another path.
    EXPECT_THROW(files.Open(2, "alias", Mode::Append), Failure);
    // A number in use.
    EXPECT_THROW(files.Open(1, "other", Mode::Append), Failure);
    EXPECT_FALSE(files.IsOpen(2));
}

TEST_F(ListFilesTest, BothFilesGetEveryLineOnceEvenWhenTheSecondFails) {
    files.Open(1, "new", Mode::Write);
    files.Open(2, "app", Mode::Append);
    int failures = 0;
    for (int i = 0; i < 40; ++i) {
        const std::string line = "line " + std::to_string(i);
        if (i % 7 == 3) disk.failWrites = 1;
        for (;;) {
            try {
                files.WriteLine(line, 1, 2);
                break;
            } catch (const Failure& f) {
                EXPECT_EQ(f.Number(), FailureNo::DiskFull);
                EXPECT_TRUE(f.FromListFile());
                ++failures;  // repeated, as the run does
            }
        }
    }
    disk.failWrites = 0;
    files.CloseAll();
    EXPECT_GT(failures, 0);
    std::string expected;
    for (int i = 0; i < 40; ++i) expected += "line " + std::to_string(i) + "\r\n";
    EXPECT_EQ(disk.files["new"], expected);
    EXPECT_EQ(disk.files["app"], expected);
}

TEST_F(ListFilesTest, AnIgnoredFailureLosesThatLineOnly) {
    files.Open(1, "new", Mode::Write);
    std::string expected;
    for (int i = 0; i < 30; ++i) {
        const std::string line = "entry " + std::to_string(i);
        if (i == 12) disk.failWrites = 1;
        try {
            files.WriteLine(line, 1);
            expected += line + "\r\n";
        } catch (const Failure&) {
            // Ignored: this line is lost, the ones before it are not.
        }
    }
    files.CloseAll();
    EXPECT_EQ(disk.files["new"], expected);
}

TEST_F(ListFilesTest, AFailedWriteAsksWhatToDoWithTheBytesLeft) {
    // Lines of 12 bytes: the sixth finds 60 bytes waiting; the disk takes half of them and
    // fails. Retry writes the other half once; Ignore loses only it; Abort leaves the run.
    auto line = [](int i) { return "line " + std::to_string(10000 + i); };
    const std::string five = [&] {
        std::string text;
        for (int i = 0; i < 5; ++i) text += line(i) + "\r\n";
        return text;
    }();
    std::string rest;
    for (int i = 5; i < 8; ++i) rest += line(i) + "\r\n";
    const struct {
        AbortRetryIgnore answer;
        std::string expected;
    } cases[] = {
        {AbortRetryIgnore::Retry, five + rest},
        {AbortRetryIgnore::Ignore, five.substr(0, 30) + rest},
        // The run ends there, the list with its last whole line: nothing more is written when
        // the files are given up.
        {AbortRetryIgnore::Abort, five.substr(0, 24)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.answer));
        ListFiles list(64);
        FakeDisk fake;
        list.SetOpener(test::OpenerOn(fake));
        std::vector<std::size_t> asked;
        list.SetWriteFailureHandler(
            [&](const Failure& f, std::size_t bytes, std::size_t lines, bool closing) {
                EXPECT_TRUE(f.FromListFile());
                EXPECT_FALSE(closing);
                asked.insert(asked.end(), {bytes, lines});
                return c.answer;
            });
        list.Open(1, "new", Mode::Write);
        for (int i = 0; i < 8; ++i) {
            if (i == 5) fake.failWrites = 1;
            if (i == 5 && c.answer == AbortRetryIgnore::Abort) {
                EXPECT_THROW(list.WriteLine(line(i), 1), ListWriteAborted);
                list.Abandon();
                break;
            }
            list.WriteLine(line(i), 1);
        }
        if (list.IsOpen(1)) list.CloseAll();
        EXPECT_EQ(asked, (std::vector<std::size_t>{30, 3}));
        EXPECT_EQ(fake.files["new"], c.expected);
    }
}

TEST_F(ListFilesTest, AFailedCloseIsAskedAboutOnceAndNotCalledASuccessLater) {
    files.Open(1, "a", Mode::Write);
    files.WriteLine("x", 1);
    disk.failCloses = 1;
    int asked = 0;
    files.SetWriteFailureHandler([&](const Failure&, std::size_t bytes, std::size_t, bool closing) {
        ++asked;
        EXPECT_TRUE(closing);
        EXPECT_EQ(bytes, 0u);
        return AbortRetryIgnore::Abort;
    });
    EXPECT_THROW(files.CloseAll(), ListWriteAborted);
    EXPECT_EQ(asked, 1);
    EXPECT_FALSE(files.IsOpen(1));
    // Without a handler the failure is thrown, and the file is not kept for a hollow retry.
    files.SetWriteFailureHandler(nullptr);
    files.Open(1, "b", Mode::Write);
    disk.failCloses = 1;
    EXPECT_THROW(files.CloseAll(), Failure);
    EXPECT_FALSE(files.IsOpen(1));
}

TEST_F(ListFilesTest, ControlCharactersBecomeQuestionMarksAndASecondStopCutsIn) {
    files.Open(1, "new", Mode::Write);
    files.Open(2, "app", Mode::Append);
    static const char kName[] = "a\rb\nVolume: c\x1b[31m\x7f\0\t\xC3\xA9";
    files.WriteLine(std::string(kName, sizeof kName - 1), 1, 2);
    static bool cut = false;
    files.SetCutShortTest([] { return cut; });
    files.WriteLine("walked", 1, 2);
    cut = true;
    EXPECT_THROW(files.WriteLine("lost", 1, 2), RunCutShort);
    files.WriteLine("footer", 1, 2);  // once only: the footer follows
    files.CloseAll();
    // The é as the list file holds it (on Windows in the ANSI code page).
    std::string accent;
    platform::AppendListText("\xC3\xA9", accent);
    const std::string expected = "a?b?Volume: c?[31m???" + accent + "\r\nwalked\r\nfooter\r\n";
    EXPECT_EQ(disk.files["new"], expected);
    EXPECT_EQ(disk.files["app"], expected);
}

TEST_F(ListFilesTest, CloseAllKeepsAFailedFileForAnotherTry) {
    files.Open(1, "a", Mode::Write);
    files.Open(2, "b", Mode::Write);
    files.WriteLine("x", 1);
    files.WriteLine("y", 2);
    disk.failWrites = 1;
    EXPECT_THROW(files.CloseAll(), Failure);
    EXPECT_TRUE(files.IsOpen(1));
    EXPECT_FALSE(files.IsOpen(2));
    files.CloseAll();
    EXPECT_EQ(disk.files["a"], "x\r\n");
    EXPECT_EQ(disk.files["b"], "y\r\n");
    EXPECT_FALSE(files.IsOpen(1));
}

TEST_F(ListFilesTest, AbandonWritesOutWhatItCan) {
    files.Open(1, "a", Mode::Write);
    files.WriteLine("kept", 1);
    disk.failCloses = 5;
    files.Abandon();
    EXPECT_EQ(disk.files["a"], "kept\r\n");
    EXPECT_FALSE(files.IsOpen(1));
}

TEST(ListFilesOnDisk, AGivenUpNewListIsLeftAsItWas) {
    // The new list is opened before the append file; when that one cannot be opened (another
    // run holds it), the run gives up and the new list must not have been emptied.
    TempDir tmp;
    const std::string catalogue = (tmp / "catalogue.txt").string();
    const std::string held = (tmp / "held.txt").string();
    test::WriteFile(catalogue, "old list");
    ListFiles other;
    other.Open(1, held, Mode::Append);
    ListFiles files;
    files.Open(1, catalogue, Mode::Write);
    EXPECT_THROW(files.Open(2, held, Mode::Append), Failure);
    files.Abandon();
    EXPECT_EQ(ReadFile(catalogue), "old list");
    // A new list that was not there is not left behind, empty.
    const std::string fresh = (tmp / "fresh.txt").string();
    files.Open(1, fresh, Mode::Write);
    EXPECT_THROW(files.Open(2, held, Mode::Append), Failure);
    files.Abandon();
    EXPECT_FALSE(std::filesystem::exists(fresh));
}

TEST_F(ListFilesTest, WritingToANumberNotOpenFails) {
    EXPECT_THROW(files.WriteLine("x", 1), Failure);
    files.Open(1, "a", Mode::Write);
    EXPECT_THROW(files.WriteLine("x", 1, 2), Failure);
    files.CloseAll();
    EXPECT_EQ(disk.files["a"], "");
}

TEST(ListFilesOnDisk, WritesAppendsAndRefusesTheSameFileTwice) {
    TempDir tmp;
    const std::string path = (tmp / "list.txt").string();
    ListFiles files;
    files.Open(1, path, Mode::Write);
    files.WriteLine("one", 1);
    files.CloseAll();
    files.Open(1, path, Mode::Append);
    files.WriteLine("two", 1);
    // The same file through another spelling of its path.
    EXPECT_THROW(files.Open(2, (tmp / "." / "list.txt").string(), Mode::Append), Failure);
    files.CloseAll();
    EXPECT_EQ(ReadFile(path), "one\r\ntwo\r\n");
    EXPECT_TRUE(files.Exists(path));
    EXPECT_FALSE(files.Exists(tmp.Str()));
}

}  // namespace
}  // namespace dirscribe
