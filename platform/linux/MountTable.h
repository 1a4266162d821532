// SPDX-License-Identifier: MIT
// MountTable: the one reading of this process's mount table (libmount), for the drive list, the
// volume of a path and the tray control.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

namespace dirscribe::platform::linuxos {

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
    dev_t devno = 0;         // the device number of what is mounted (0: none)
};

// The mount table of this process, in mount order. Empty when it cannot be read.
std::vector<MountRecord> ReadMountTable();

// The mount that holds `path` (absolute, links already resolved: matched by its text): the
// longest target that holds it, the last mounted where two are the same. Empty when none does
// or the table cannot be read.
std::optional<MountRecord> FindMount(const std::string& path);

}  // namespace dirscribe::platform::linuxos
