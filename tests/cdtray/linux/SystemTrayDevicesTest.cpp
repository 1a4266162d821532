// SPDX-License-Identifier: MIT
// SystemTrayDevices on this machine: nothing but an optical drive gets a tray call, mounts are
// found by device, and a system bus that does not answer is given up in time.
#include "cdtray/linux/TrayDevices.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "platform/FileSystem.h"
#include "platform/linux/MountTable.h"
#include "platform/linux/Volumes.h"
#include "support/TempTree.h"

namespace dirscribe::test {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

cdtray::SystemTrayDevices devices;

TEST(SystemTrayDevicesTest, NothingButAnOpticalDriveGetsATrayCall) {
    TempDir tmp;
    WriteFile(tmp / "file", "x");
    const auto start = Clock::now();
    for (const std::string& drive : std::vector<std::string>{"", "/dev/none", "/dev/null",
                                                             (tmp / "file").string(), tmp.Str()}) {
        EXPECT_NE(devices.CheckOptical(drive), 0) << drive;
        EXPECT_NE(devices.Eject(drive), 0) << drive;
        EXPECT_NE(devices.CloseTray(drive), 0) << drive;
    }
    EXPECT_EQ(devices.CheckOptical("/dev/null"), ENOTBLK);

    // Every block device the kernel lists is accepted exactly when the kernel calls it an
    // optical drive (SCSI type 5). Disks and loop devices that this user may open are opened
    // and turned away; the tray calls themselves are tried on loop devices only.
    for (const auto& entry : std::filesystem::directory_iterator("/sys/class/block")) {
        const std::string device = "/dev/" + entry.path().filename().string();
        struct stat st {};
        if (stat(device.c_str(), &st) != 0 || !S_ISBLK(st.st_mode)) continue;
        int type = -1;
        std::ifstream(entry.path() / "device" / "type") >> type;
        EXPECT_EQ(devices.CheckOptical(device) == 0, type == 5) << device;
        if (device.starts_with("/dev/loop")) {
            EXPECT_NE(devices.Eject(device), 0) << device;
        }
    }
    EXPECT_LT(Clock::now() - start, milliseconds(500));
}

TEST(SystemTrayDevicesTest, MountPointsAreFoundByDevice) {
    TempDir tmp;
    const std::string disk = platform::DriveOfPath(tmp.Str());
    if (disk.empty()) GTEST_SKIP() << "the temporary folder is on a volume without a device";
    const auto mount = platform::linuxos::FindMount(devices.Resolve(tmp.Str()));
    ASSERT_TRUE(mount);
    const auto points = devices.MountPoints(disk);
    EXPECT_NE(std::find(points.begin(), points.end(), mount->target), points.end());
    EXPECT_TRUE(devices.MountPoints("/dev/null").empty());
}

TEST(UDisksTest, ObjectPathsAndABusThatNeverAnswers) {
    EXPECT_EQ(cdtray::UDisksBlockObjectPath("sr0"), "/org/freedesktop/UDisks2/block_devices/sr0");
    EXPECT_EQ(cdtray::UDisksBlockObjectPath("dm-0_x.1"),
              "/org/freedesktop/UDisks2/block_devices/dm_2d0_x_2e1");

    // A "system bus" that takes the connection into its queue and never says a word.
    TempDir tmp;
    const std::string path = (tmp / "bus").string();
    const int listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(listen(listener, 4), 0);
    setenv("DBUS_SYSTEM_BUS_ADDRESS", ("unix:path=" + path).c_str(), 1);

    const auto start = Clock::now();
    const int status =
        cdtray::CallUDisksUnmount(cdtray::UDisksBlockObjectPath("sr0"), milliseconds(300));
    const auto took = Clock::now() - start;
    unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
    close(listener);
    EXPECT_EQ(status, ETIMEDOUT);
    EXPECT_GE(took, milliseconds(250));
    EXPECT_LT(took, milliseconds(1000));
}

}  // namespace
}  // namespace dirscribe::test
