// SPDX-License-Identifier: MIT
// DeviceTray: which device calls OpenCDDoor and CloseCDDoor make on Linux, drive by drive.
#include "cdtray/linux/DeviceTray.h"

#include <gtest/gtest.h>

#include "linux/RecordingDevices.h"

namespace dirscribe::test {
namespace {

using Calls = std::vector<std::string>;

class DeviceTrayTest : public ::testing::Test {
  protected:
    DeviceTrayTest() {
        devices.drives["/dev/sr0"] = {};
        devices.drives["/dev/sr1"] = {};
        devices.drives["/dev/sda1"] = {false, {"/"}, false};
        devices.links["/dev/cdrom"] = "/dev/sr0";
    }
    RecordingDevices devices;
    cdtray::DeviceTray tray{devices};
};

TEST_F(DeviceTrayTest, OpenEjectsEveryTimeAndOnlyTheFirstCloseCloses) {
    EXPECT_EQ(tray.Open("/dev/sr0"), 0);
    EXPECT_EQ(tray.Open("/dev/sr0"), 0);  // no close between: ejected all the same
    EXPECT_EQ(tray.Close("/dev/sr0"), 0);
    EXPECT_EQ(tray.Close("/dev/sr0"), ENODEV);  // released: reaches nothing
    EXPECT_EQ(devices.calls, (Calls{"check /dev/sr0", "eject /dev/sr0", "check /dev/sr0",
                                    "eject /dev/sr0", "close-tray /dev/sr0"}));
}

TEST_F(DeviceTrayTest, CloseActsOnlyOnDrivesOpenedBefore) {
    EXPECT_EQ(tray.Close("/dev/sr1"), ENODEV);
    EXPECT_TRUE(devices.calls.empty());
    // Drives are told apart by device, whatever name they are given.
    tray.Open("/dev/cdrom");
    tray.Open("/dev/sr1");
    devices.calls.clear();
    tray.Close("/dev/sr1");
    tray.Close("/dev/sr1");
    tray.Close("/dev/sr0");
    tray.Open("/dev/sr0");
    tray.Close("/dev/cdrom");
    EXPECT_EQ(devices.calls, (Calls{"close-tray /dev/sr1", "close-tray /dev/sr0", "check /dev/sr0",
                                    "eject /dev/sr0", "close-tray /dev/sr0"}));
}

TEST_F(DeviceTrayTest, AMountedDiscIsUnmountedBeforeTheEject) {
    devices.drives["/dev/sr0"].mountPoints = {"/media/user/MUSIC01"};
    EXPECT_EQ(tray.Open("/dev/sr0"), 0);  // an ordinary user: through UDisks2
    devices.root = true;
    devices.drives["/dev/sr1"].mountPoints = {"/mnt/b", "/mnt/a"};
    EXPECT_EQ(tray.Open("/dev/sr1"), 0);  // root: each mount point, as the table lists them
    EXPECT_EQ(devices.calls,
              (Calls{"check /dev/sr0", "udisks-unmount /dev/sr0", "eject /dev/sr0",
                     "check /dev/sr1", "umount /mnt/b", "umount /mnt/a", "eject /dev/sr1"}));

    // A disc that stays mounted is not ejected; the status tells, nothing is shown.
    devices.root = false;
    devices.drives["/dev/sr0"] = {true, {"/media/user/X"}, true};
    EXPECT_EQ(tray.Open("/dev/sr0"), EBUSY);
}

TEST_F(DeviceTrayTest, ADriveWithoutATrayIsOnlyLookedAt) {
    // A hard disk mounted on / (never unmounted), a missing device, an empty name.
    for (const std::string drive : {"/dev/sda1", "/dev/sr9", ""}) {
        devices.calls.clear();
        EXPECT_NE(tray.Open(drive), 0) << drive;
        EXPECT_NE(tray.Close(drive), 0) << drive;
        EXPECT_EQ(devices.calls, Calls{"check " + drive}) << drive;
    }
}

}  // namespace
}  // namespace dirscribe::test
