// SPDX-License-Identifier: MIT
// Tests of list-file existence, drive texts, volume labels and absolute paths.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/FileSystem.h"
#include "platform/linux/MountTable.h"
#include "platform/linux/Volumes.h"
#include "support/TempTree.h"

namespace dirscribe::platform {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

TEST(Volumes, ListFileExistsForAnyFileButNotAFolder) {
    TempDir dir;
    test::MakeFile(dir / "list.txt", 3, 0);
    test::MakeFile(dir / ".hidden.txt", 0, 0);
    test::MakeDir(dir / "folder.txt");
    fs::create_symlink("list.txt", dir / "link.txt");
    fs::create_symlink("nothing.txt", dir / "dangling.txt");
    EXPECT_TRUE(ListFileExists((dir / "list.txt").string()));
    EXPECT_TRUE(ListFileExists((dir / ".hidden.txt").string()));
    EXPECT_TRUE(ListFileExists((dir / "link.txt").string()));
    EXPECT_FALSE(ListFileExists((dir / "folder.txt").string()));
    EXPECT_FALSE(ListFileExists((dir / "missing.txt").string()));
    EXPECT_FALSE(ListFileExists((dir / "dangling.txt").string()));  // nothing would be lost
    EXPECT_FALSE(ListFileExists(""));
}

TEST(Volumes, DriveTextsNameTheirPath) {
    TempDir dir;
    test::MakeDir(dir / "A [B]");
    using linuxos::PathOfDriveText;
    EXPECT_EQ("/media/u/CD", PathOfDriveText("/media/u/CD [MUSIC01]"));
    EXPECT_EQ("/media/u/CD", PathOfDriveText("/media/u/CD"));
    EXPECT_EQ("/x [open", PathOfDriveText("/x [open"));
    // A mount point named after a label with " [" in it.
    EXPECT_EQ((dir / "A [B]").string(), PathOfDriveText((dir / "A [B] [A [B]]").string()));
    EXPECT_EQ((dir / "A [B]").string(), PathOfDriveText((dir / "A [B]").string()));

    EXPECT_EQ("MUSIC 01", linuxos::DecodeUdevName("MUSIC\\x2001"));
    EXPECT_EQ("a/b\\xZZ\\x2", linuxos::DecodeUdevName("a\\x2fb\\xZZ\\x2"));
}

TEST(Volumes, LabelsComeFromTheFileSystem) {
    TempDir dir;
    // The smallest ISO 9660 image a prober accepts: a primary volume descriptor naming the
    // volume, then the set terminator.
    std::string image(0x9000, '\0');
    const auto descriptor = [&](std::size_t at, char type) {
        image[at] = type;
        image.replace(at + 1, 6, "CD001\x01");
    };
    descriptor(0x8000, 1);
    image.replace(0x8000 + 40, 32, std::string("MUSIC01").append(25, ' '));
    descriptor(0x8800, '\xFF');
    test::WriteFile(dir / "disc.iso", image);
    test::WriteFile(dir / "blank.img", std::string(0x9000, '\0'));
    EXPECT_EQ("MUSIC01", linuxos::ProbeLabel((dir / "disc.iso").string()));
    EXPECT_EQ("", linuxos::ProbeLabel((dir / "blank.img").string()));
    EXPECT_EQ("", linuxos::ProbeLabel((dir / "missing.img").string()));

    // Whatever the label of the temporary folder's volume, the drive text gives the same.
    const std::string label = VolumeLabel(dir.Str());
    EXPECT_EQ(label, VolumeLabel(dir.Str() + " [" + label + "]"));
    if (const auto proc = linuxos::FindMount("/proc"); proc && proc->target == "/proc") {
        EXPECT_EQ("", VolumeLabel("/proc"));  // no device behind it
    }
    const std::string missing = (dir / "gone").string();
    try {
        VolumeLabel(missing + " [GONE]");
        ADD_FAILURE() << "read the label of a missing path";
    } catch (const Failure& failure) {
        EXPECT_EQ(76, failure.Number());
        EXPECT_NE(std::string::npos, failure.Description().find("'" + missing + "'"));
    }
}

TEST(Volumes, DriveOfPathIsTheVolumesBlockDevice) {
    TempDir dir;
    const std::string drive = DriveOfPath(dir.Str());
    // Also for a path that does not exist yet: it lies on the same volume.
    EXPECT_EQ(drive, DriveOfPath((dir / "not" / "yet").string()));
    if (!drive.empty()) {
        struct stat st {};
        ASSERT_EQ(0, stat(drive.c_str(), &st));
        EXPECT_TRUE(S_ISBLK(st.st_mode));
        EXPECT_EQ(drive, DriveOfPath(drive));
    }
    if (const auto proc = linuxos::FindMount("/proc"); proc && proc->target == "/proc") {
        EXPECT_EQ("", DriveOfPath("/proc/self"));
    }
}

TEST(Volumes, AbsolutePathKeepsLinksAndParents) {
    const std::string cwd = fs::current_path().string();
    EXPECT_EQ("/a/b/c/", AbsolutePath("/a//b/./c/"));
    EXPECT_EQ("/a/../b", AbsolutePath("/a/../b"));
    EXPECT_EQ("/", AbsolutePath("//"));
    EXPECT_EQ(cwd + "/x/y", AbsolutePath("x/./y"));
    EXPECT_EQ(cwd + "/../z", AbsolutePath("./../z"));
    EXPECT_EQ(cwd, AbsolutePath("."));
    EXPECT_EQ(cwd, AbsolutePath(""));
}

}  // namespace
}  // namespace dirscribe::platform
