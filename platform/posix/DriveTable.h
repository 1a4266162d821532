// DriveTable: how the Linux drive list is made from the mount table, apart from reading it.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/Drives.h"

namespace dirscribe::platform::posix {

// One line of the mount table, with what the drive list needs to know of it.
struct MountRecord {
    std::string target;      // the mount point
    std::string source;      // what is mounted: "/dev/sdb1", "proc", "server:/export", ...
    std::string fsType;      // "ext4", "iso9660", "tmpfs", ...
    std::string fsRoot;      // the folder of the file system shown there; "/" unless bound
    std::string device;      // the block device behind `source`, resolved; empty when none
    bool pseudo = false;     // a kernel or memory file system (proc, sysfs, cgroup, tmpfs, ...)
    bool network = false;    // a network share (nfs, cifs, sshfs, ...)
    bool folder = true;      // the mount point is a folder (not a file bound over a file)
    bool removable = false;  // the device's medium comes and goes
};

// Makes the drive list from the mount table and the machine's optical drives (their devices,
// "/dev/sr0"). Kept: the root file system always, and every other mount of a block device or
// a network share that is not below /proc, /sys, /dev, /run (but /run/media), /snap or
// /boot/efi; a file system mounted twice shows once. An optical drive without a mounted disc
// is listed by its device. `labelOf` gives the label of a kept mount (may be empty: no labels).
std::vector<DriveInfo> DrivesFromMounts(
    const std::vector<MountRecord>& mounts, const std::vector<std::string>& opticalDevices,
    const std::function<std::string(const MountRecord&)>& labelOf);

// The mount table of this process, in mount order. Empty when it cannot be read.
std::vector<MountRecord> ReadMountTable();

// The optical drives of this machine: /dev/sr0, /dev/sr1, ...
std::vector<std::string> OpticalDevices();

}  // namespace dirscribe::platform::posix
