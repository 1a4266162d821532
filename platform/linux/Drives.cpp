// SPDX-License-Identifier: MIT
// Drives on Linux: mounted volumes and optical drives as the entries of the drive list.
#include "platform/Drives.h"

#include <dirent.h>

#include <algorithm>
#include <map>
#include <set>
#include <string_view>
#include <utility>

#include "base/Failure.h"
#include "base/Paths.h"
#include "platform/FileSystem.h"
#include "platform/linux/DriveTable.h"
#include "platform/linux/PathTools.h"
#include "platform/linux/Volumes.h"

namespace dirscribe::platform {

namespace linuxos {

namespace {

// Places whose mounts are the system's own business, never a drive of the user's.
bool IsSystemPlace(const std::string& target) {
    if (IsUnder(target, "/run/media")) return false;
    for (const char* place : {"/proc", "/sys", "/dev", "/run", "/snap", "/boot/efi"}) {
        if (IsUnder(target, place)) return true;
    }
    return false;
}

}  // namespace

std::vector<DriveInfo> DrivesFromMounts(
    const std::vector<MountRecord>& mounts, const std::vector<std::string>& opticalDevices,
    const std::function<std::string(const MountRecord&)>& labelOf) {
    // A later mount over the same place hides the earlier one: the last one of a target counts.
    std::map<std::string, std::size_t> lastOfTarget;
    for (std::size_t i = 0; i < mounts.size(); ++i) lastOfTarget[mounts[i].target] = i;

    std::vector<DriveInfo> drives;
    std::set<std::pair<std::string, std::string>> shown;  // (device, folder of the fs)
    for (std::size_t i = 0; i < mounts.size(); ++i) {
        const MountRecord& m = mounts[i];
        if (m.target.empty() || lastOfTarget[m.target] != i) continue;
        if (m.target != "/") {
            if (!m.folder || IsSystemPlace(m.target)) continue;
            if (m.device.empty() && !m.network) continue;
            if (m.pseudo && !m.network) continue;
        }
        const std::string identity = m.device.empty() ? m.source : m.device;
        if (!shown.insert({identity, m.fsRoot}).second) continue;
        DriveInfo drive;
        drive.root = m.target;
        drive.device = m.device;
        drive.removable = m.removable;
        drive.text = m.target;
        const std::string label = labelOf ? labelOf(m) : std::string();
        if (!label.empty()) drive.text += " [" + label + "]";
        drives.push_back(std::move(drive));
    }
    for (const std::string& optical : opticalDevices) {
        const bool mounted = std::any_of(drives.begin(), drives.end(),
                                         [&](const DriveInfo& d) { return d.device == optical; });
        if (mounted) continue;
        drives.push_back(DriveInfo{optical, {}, optical, true});
    }
    std::sort(drives.begin(), drives.end(), [](const DriveInfo& a, const DriveInfo& b) {
        const std::string& ka = a.root.empty() ? a.device : a.root;
        const std::string& kb = b.root.empty() ? b.device : b.root;
        return ka < kb;
    });
    return drives;
}

std::vector<std::string> OpticalDevices() {
    std::vector<std::string> devices;
    DirStream dir(opendir("/dev"));
    if (!dir) return devices;
    while (const struct dirent* entry = readdir(dir.get())) {
        const std::string_view name = entry->d_name;
        if (name.size() < 3 || name.substr(0, 2) != "sr") continue;
        if (name.find_first_not_of("0123456789", 2) != std::string_view::npos) continue;
        const std::string path = "/dev/" + std::string(name);
        if (IsBlockDevice(path)) devices.push_back(path);
    }
    std::sort(devices.begin(), devices.end());
    return devices;
}

}  // namespace linuxos

namespace {

// The label of a mounted volume: the udev label links first; the device itself is read only
// when they say nothing.
std::string LabelOfMount(const linuxos::MountRecord& mount) {
    if (mount.device.empty()) return {};
    try {
        return VolumeLabel(mount.target);
    } catch (const Failure&) {
        return {};
    }
}

}  // namespace

std::vector<DriveInfo> ListDrives() {
    return linuxos::DrivesFromMounts(linuxos::ReadMountTable(), linuxos::OpticalDevices(),
                                     LabelOfMount);
}

int DriveIndexOfPath(const std::vector<DriveInfo>& drives, const std::string& path) {
    int best = -1;
    for (std::size_t i = 0; i < drives.size(); ++i) {
        const std::string& root = drives[i].root;
        if (!IsUnder(path, root)) continue;
        if (best < 0 || root.size() > drives[static_cast<std::size_t>(best)].root.size())
            best = static_cast<int>(i);
    }
    return best;
}

DriveFolder OpenDrive(const std::string& driveText) {
    const std::string path = linuxos::PathOfDriveText(driveText);
    const auto mounts = linuxos::ReadMountTable();
    // The drives without labels: only their roots matter here.
    const auto drives = linuxos::DrivesFromMounts(mounts, {}, {});
    DriveFolder folder;
    if (linuxos::IsBlockDevice(path)) {
        // An optical drive known by its device: wherever its disc is mounted now.
        const std::string device = linuxos::RealPath(path);
        for (auto it = mounts.rbegin(); it != mounts.rend(); ++it) {
            if (it->device == device) {
                folder.root = it->target;
                break;
            }
        }
        if (folder.root.empty()) {
            throw Failure(FailureNo::DiskNotReady,
                          "Disk not ready: no disc is mounted from '" + driveText + "'");
        }
    } else {
        if (path.empty() || !linuxos::IsFolderPath(path)) {
            throw Failure(FailureNo::PathNotFound, "Path not found: '" + path + "'");
        }
        // A mount point left behind by a volume that was taken out is an empty folder of the
        // file system above it, not the drive.
        const std::string real = linuxos::RealPath(path);
        const bool mounted =
            std::any_of(mounts.begin(), mounts.end(),
                        [&](const linuxos::MountRecord& m) { return m.target == real; });
        if (!mounted) {
            throw Failure(FailureNo::DiskNotReady,
                          "Disk not ready: nothing is mounted on '" + path + "'");
        }
        folder.root = real;
    }
    folder.current = folder.root;
    std::string cwd = linuxos::CurrentFolder();
    if (cwd.empty()) cwd = "/";
    const int holder = DriveIndexOfPath(drives, cwd);
    // The current folder is kept when it lies on this drive: when the listed drive holding it
    // is this one or, should no listed drive hold it, when it lies below this drive's root.
    const bool cwdOnThisDrive = holder >= 0
                                    ? drives[static_cast<std::size_t>(holder)].root == folder.root
                                    : IsUnder(cwd, folder.root);
    if (cwdOnThisDrive) folder.current = cwd;
    return folder;
}

std::string TrayDriveOfText(const std::string& driveText) {
    if (driveText.empty()) return {};
    return DriveOfPath(linuxos::PathOfDriveText(driveText));
}

}  // namespace dirscribe::platform
