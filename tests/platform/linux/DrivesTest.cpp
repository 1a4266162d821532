// SPDX-License-Identifier: MIT
// Tests of the drive list: which mounts are drives, their texts, the drive of a path, and
// where the folder list opens on a drive.
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "base/Failure.h"
#include "platform/Drives.h"
#include "platform/linux/DriveTable.h"
#include "support/TempTree.h"

namespace dirscribe::platform {
namespace {

using linuxos::MountRecord;

MountRecord Block(std::string target, std::string device, std::string fsType = "ext4") {
    MountRecord m;
    m.target = std::move(target);
    m.source = device;
    m.device = std::move(device);
    m.fsType = std::move(fsType);
    m.fsRoot = "/";
    return m;
}

MountRecord Pseudo(std::string target, std::string fsType) {
    MountRecord m;
    m.target = std::move(target);
    m.source = fsType;
    m.fsType = std::move(fsType);
    m.fsRoot = "/";
    m.pseudo = true;
    return m;
}

std::vector<std::string> Texts(const std::vector<DriveInfo>& drives) {
    std::vector<std::string> texts;
    for (const auto& d : drives) texts.push_back(d.text);
    return texts;
}

const auto kNoLabels = [](const MountRecord&) { return std::string(); };

TEST(Drives, OnlyVolumesOfTheUserAreDrives) {
    MountRecord share;
    share.target = "/mnt/share";
    share.source = "server:/export";
    share.fsType = "nfs4";
    share.fsRoot = "/";
    share.network = true;
    MountRecord runMedia = Block("/run/media/u/STICK", "/dev/sdb1", "vfat");
    runMedia.removable = true;
    MountRecord fileBind = Block("/etc/hosts", "/dev/vda");
    fileBind.fsRoot = "/var/lib/hosts";
    fileBind.folder = false;
    const std::vector<MountRecord> mounts = {
        Pseudo("/", "overlay"),  // a container's root has no device, and is a drive all the same
        Pseudo("/proc", "proc"),
        Pseudo("/sys", "sysfs"),
        Pseudo("/sys/fs/cgroup", "cgroup2"),
        Pseudo("/dev", "devtmpfs"),
        Pseudo("/run", "tmpfs"),
        Pseudo("/run/user/1000", "tmpfs"),
        Pseudo("/tmp", "tmpfs"),
        Block("/snap/core/1", "/dev/loop0", "squashfs"),
        Block("/boot/efi", "/dev/vda1", "vfat"),
        Block("/home", "/dev/vda2"),
        share,
        runMedia,
        fileBind,
    };
    const auto drives = linuxos::DrivesFromMounts(mounts, {}, kNoLabels);
    ASSERT_EQ((std::vector<std::string>{"/", "/home", "/mnt/share", "/run/media/u/STICK"}),
              Texts(drives));
    EXPECT_TRUE(drives[3].removable);
    EXPECT_EQ("/dev/sdb1", drives[3].device);
    EXPECT_EQ("", drives[2].device);
}

TEST(Drives, AVolumeMountedTwiceShowsOnceAndTheLastMountOfAPlaceCounts) {
    MountRecord subvolume = Block("/home", "/dev/sda2", "btrfs");
    subvolume.fsRoot = "/@home";
    MountRecord root = Block("/", "/dev/sda2", "btrfs");
    root.fsRoot = "/@";
    const std::vector<MountRecord> mounts = {
        root,
        subvolume,                                  // another folder of the same device: a drive
        Block("/srv/again", "/dev/sda2", "btrfs"),  // fsRoot "/": not seen before either
        Block("/media/u/A", "/dev/sdc1"),
        Block("/media/u/A-bind", "/dev/sdc1"),  // the same file system again: shown once
        Block("/media/u/B", "/dev/sdd1"),
        Block("/media/u/B", "/dev/sde1"),  // mounted over the one before: this one is there
    };
    const auto drives = linuxos::DrivesFromMounts(mounts, {}, kNoLabels);
    ASSERT_EQ((std::vector<std::string>{"/", "/home", "/media/u/A", "/media/u/B", "/srv/again"}),
              Texts(drives));
    EXPECT_EQ("/dev/sde1", drives[3].device);
}

TEST(Drives, OpticalDrivesAreListedWithOrWithoutADisc) {
    MountRecord disc = Block("/media/u/MUSIC01", "/dev/sr1", "iso9660");
    disc.removable = true;
    const auto drives = linuxos::DrivesFromMounts(
        {Block("/", "/dev/vda"), disc}, {"/dev/sr0", "/dev/sr1"},
        [](const MountRecord& m) { return m.device == "/dev/sr1" ? "MUSIC01" : ""; });
    ASSERT_EQ(3u, drives.size());
    EXPECT_EQ("/", drives[0].text);  // no label: no brackets
    EXPECT_EQ("/dev/sr0", drives[1].text);
    EXPECT_EQ("", drives[1].root);
    EXPECT_EQ("/dev/sr0", drives[1].device);
    EXPECT_TRUE(drives[1].removable);
    EXPECT_EQ("/media/u/MUSIC01 [MUSIC01]", drives[2].text);
    EXPECT_EQ("/media/u/MUSIC01", drives[2].root);
}

TEST(Drives, APathLiesOnTheDriveWithTheLongestRootAboveIt) {
    const std::vector<DriveInfo> drives = {
        {"/", "/", "/dev/vda", false},
        {"/dev/sr0", "", "/dev/sr0", true},
        {"/media/u/CD [CD]", "/media/u/CD", "/dev/sr1", true},
    };
    EXPECT_EQ(0, DriveIndexOfPath(drives, "/home/u"));
    EXPECT_EQ(0, DriveIndexOfPath(drives, "/"));
    EXPECT_EQ(2, DriveIndexOfPath(drives, "/media/u/CD"));
    EXPECT_EQ(2, DriveIndexOfPath(drives, "/media/u/CD/Jazz"));
    EXPECT_EQ(0, DriveIndexOfPath(drives, "/media/u/CD2"));  // a longer name is another folder
    EXPECT_EQ(-1, DriveIndexOfPath({drives[2]}, "/home"));
    EXPECT_EQ(-1, DriveIndexOfPath({drives[1]}, "/dev/sr0"));  // no disc, no folder
}

TEST(Drives, ThisMachineHasItsRootFileSystemAsADrive) {
    const auto drives = ListDrives();
    const auto root = std::find_if(drives.begin(), drives.end(),
                                   [](const DriveInfo& d) { return d.root == "/"; });
    ASSERT_NE(drives.end(), root);
    EXPECT_EQ(0, root->text.rfind("/", 0));
    for (const auto& d : drives) {
        EXPECT_NE(0u, d.text.rfind("/proc", 0)) << d.text;
        EXPECT_NE(0u, d.text.rfind("/sys", 0)) << d.text;
    }
}

// Runs the test body in another current folder and goes back afterwards.
class InFolder {
  public:
    explicit InFolder(const std::filesystem::path& folder) : old_(std::filesystem::current_path()) {
        std::filesystem::current_path(folder);
    }
    ~InFolder() { std::filesystem::current_path(old_); }
    InFolder(const InFolder&) = delete;
    InFolder& operator=(const InFolder&) = delete;

  private:
    std::filesystem::path old_;
};

TEST(Drives, ADriveOpensAtTheCurrentFolderWhenItLiesThere) {
    test::TempDir dir;
    const std::string here = std::filesystem::canonical(dir.Path()).string();
    const InFolder in(here);
    const auto drives = ListDrives();
    const int holder = DriveIndexOfPath(drives, here);
    ASSERT_GE(holder, 0);
    const DriveInfo& drive = drives[static_cast<std::size_t>(holder)];
    const DriveFolder opened = OpenDrive(drive.text);
    EXPECT_EQ(drive.root, opened.root);
    EXPECT_EQ(here, opened.current);

    // Any other drive with a folder opens at its root.
    for (const auto& other : drives) {
        if (other.root.empty() || other.root == drive.root) continue;
        EXPECT_EQ(other.root, OpenDrive(other.text).current) << other.text;
    }
}

TEST(Drives, AGoneOrUnmountedDriveIsNotReady) {
    test::TempDir dir;
    try {
        OpenDrive((dir / "gone").string() + " [GONE]");
        FAIL() << "a missing drive opened";
    } catch (const Failure& failure) {
        EXPECT_EQ(FailureNo::PathNotFound, failure.Number());
    }
    // An ordinary folder is where a volume was mounted once, not a drive.
    try {
        OpenDrive(dir.Str());
        FAIL() << "a folder that is no mount point opened as a drive";
    } catch (const Failure& failure) {
        EXPECT_EQ(FailureNo::DiskNotReady, failure.Number());
    }
    EXPECT_EQ("", TrayDriveOfText(""));
}

}  // namespace
}  // namespace dirscribe::platform
