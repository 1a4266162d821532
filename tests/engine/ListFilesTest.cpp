// ListFiles: numbers, the same file twice, and failures of the disk that must not lose or
// double lines.
#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "base/Failure.h"
#include "engine/ListFiles.h"
#include "support/TempTree.h"

namespace dirscribe {
namespace {

using test::ReadFile;
using test::TempDir;
using Mode = platform::OutputFile::Mode;

// A sink that keeps what it is given and fails its next `failWrites` writes (or closes).
struct FakeDisk {
    std::map<std::string, std::string> files;
    int failWrites = 0;
    int failCloses = 0;
    int writes = 0;
};

class FakeSink final : public ListSink {
  public:
    FakeSink(FakeDisk& disk, std::string path, std::uint64_t id)
        : disk_(disk), path_(std::move(path)), id_(id) {}
    void Write(std::string& buffer) override {
        ++disk_.writes;
        if (disk_.failWrites > 0) {
            --disk_.failWrites;
            // Half of it reaches the disk before it fills.
            const auto half = buffer.size() / 2;
            disk_.files[path_] += buffer.substr(0, half);
            buffer.erase(0, half);
            throw Failure(FailureNo::DiskFull, "cannot write list file '" + path_ + "': disk full",
                          true);
        }
        disk_.files[path_] += buffer;
        buffer.clear();
    }
    void Close() override {
        if (disk_.failCloses > 0) {
            --disk_.failCloses;
            throw Failure(FailureNo::DeviceIO, "cannot close '" + path_ + "'", true);
        }
    }
    platform::FileIdentity Identity() const override { return {1, id_}; }

  private:
    FakeDisk& disk_;
    std::string path_;
    std::uint64_t id_;
};

class ListFilesTest : public ::testing::Test {
  protected:
    ListFilesTest() {
        files.SetOpener([this](const std::string& path, Mode) {
            // "same" and "alias" are one file reached by two paths.
            const std::uint64_t id =
                path == "alias" ? std::hash<std::string>{}("same") : std::hash<std::string>{}(path);
            return std::make_unique<FakeSink>(disk, path, id);
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
