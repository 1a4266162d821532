// SPDX-License-Identifier: MIT
// DriveTable: how the Linux drive list is made from the mount table, apart from reading it.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/Drives.h"
#include "platform/linux/MountTable.h"

namespace dirscribe::platform::linuxos {

// Makes the drive list from the mount table and the machine's optical drives (their devices,
// "/dev/sr0"). Kept: the root file system always, and every other mount of a block device or
// a network share that is not below /proc, /sys, /dev, /run (but /run/media), /snap or
// /boot/efi; a file system mounted twice shows once. An optical drive without a mounted disc
// is listed by its device. `labelOf` gives the label of a kept mount (may be empty: no labels).
std::vector<DriveInfo> DrivesFromMounts(
    const std::vector<MountRecord>& mounts, const std::vector<std::string>& opticalDevices,
    const std::function<std::string(const MountRecord&)>& labelOf);

// The optical drives of this machine: /dev/sr0, /dev/sr1, ...
std::vector<std::string> OpticalDevices();

}  // namespace dirscribe::platform::linuxos
