// SPDX-License-Identifier: MIT
// DeviceTray: the Linux counterpart of the multimedia aliases, and OpenCDDoor/CloseCDDoor.
#include "cdtray/linux/DeviceTray.h"

#include <cerrno>
#include <memory>

#include "cdtray/CDjector.h"

namespace dirscribe::cdtray {

std::int32_t DeviceTray::Open(const std::string& drive) noexcept {
    try {
        const std::string device = devices_.Resolve(drive);
        // Like the multimedia open command: a drive that is no optical drive (or a disk, a
        // missing device, one this user may not open) ends here, untouched.
        if (const int status = devices_.CheckOptical(device); status != 0) return status;
        open_.insert(device);

        // The kernel refuses to eject a mounted disc. The statuses of the unmounts are not
        // needed: a disc still mounted makes the eject fail, and that status is returned.
        const std::vector<std::string> mountPoints = devices_.MountPoints(device);
        if (!mountPoints.empty()) {
            if (devices_.RunningAsRoot()) {
                for (const std::string& mountPoint : mountPoints) devices_.Umount(mountPoint);
            } else {
                devices_.UnmountWithUDisks(device);
            }
        }
        return devices_.Eject(device);
    } catch (...) {
        return ENOMEM;  // only a string or the set can throw
    }
}

std::int32_t DeviceTray::Close(const std::string& drive) noexcept {
    try {
        const auto it = open_.find(devices_.Resolve(drive));
        if (it == open_.end()) return ENODEV;
        const auto device = open_.extract(it);
        return devices_.CloseTray(device.value());
    } catch (...) {
        return ENOMEM;
    }
}

namespace {

struct ProcessTray {
    SystemTrayDevices system;
    std::unique_ptr<DeviceTray> tray = std::make_unique<DeviceTray>(system);
};

ProcessTray& Process() {
    static ProcessTray process;
    return process;
}

}  // namespace

void UseTrayDevices(TrayDevices* devices) {
    ProcessTray& process = Process();
    process.tray = std::make_unique<DeviceTray>(devices != nullptr ? *devices : process.system);
}

std::int32_t OpenCDDoor(const std::string& drive) noexcept {
    return Process().tray->Open(drive);
}

std::int32_t CloseCDDoor(const std::string& drive) noexcept {
    return Process().tray->Close(drive);
}

}  // namespace dirscribe::cdtray
