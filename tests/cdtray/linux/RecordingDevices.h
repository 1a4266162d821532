// SPDX-License-Identifier: MIT
// RecordingDevices: drives as the test sets them up, and every call that reached a device, in
// order ("eject /dev/sr0"). Resolving a name and reading the mount table reach no device.
#pragma once

#include <cerrno>
#include <map>
#include <string>
#include <vector>

#include "cdtray/linux/TrayDevices.h"

namespace dirscribe::test {

class RecordingDevices : public cdtray::TrayDevices {
  public:
    struct Drive {
        bool optical = true;
        std::vector<std::string> mountPoints;
        bool keepsMounted = false;  // unmounting fails
    };
    std::map<std::string, Drive> drives;       // unknown names do not exist
    std::map<std::string, std::string> links;  // "/dev/cdrom" -> "/dev/sr0"
    bool root = false;
    std::vector<std::string> calls;

    std::string Resolve(const std::string& drive) override {
        return links.contains(drive) ? links[drive] : drive;
    }
    std::vector<std::string> MountPoints(const std::string& device) override {
        return drives.contains(device) ? drives[device].mountPoints : std::vector<std::string>{};
    }
    bool RunningAsRoot() override { return root; }
    int CheckOptical(const std::string& device) override {
        calls.push_back("check " + device);
        if (!drives.contains(device)) return ENOENT;
        return drives[device].optical ? 0 : ENOTTY;
    }
    int UnmountWithUDisks(const std::string& device) override {
        calls.push_back("udisks-unmount " + device);
        Drive& drive = drives[device];
        if (drive.keepsMounted) return EBUSY;
        drive.mountPoints.clear();
        return 0;
    }
    int Umount(const std::string& mountPoint) override {
        calls.push_back("umount " + mountPoint);
        for (auto& [name, drive] : drives) {
            if (drive.keepsMounted) continue;
            if (std::erase(drive.mountPoints, mountPoint) > 0) return 0;
        }
        return EINVAL;
    }
    int Eject(const std::string& device) override {  // as the kernel: not while mounted
        calls.push_back("eject " + device);
        return MountPoints(device).empty() ? 0 : EBUSY;
    }
    int CloseTray(const std::string& device) override {
        calls.push_back("close-tray " + device);
        return 0;
    }
};

}  // namespace dirscribe::test
