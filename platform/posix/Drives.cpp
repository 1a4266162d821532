// Drives on Linux: mounted volumes and optical drives as the entries of the drive list.
#include "platform/Drives.h"

#include <dirent.h>
#include <libmount/libmount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <string_view>
#include <utility>

#include "engine/Failure.h"
#include "platform/FileSystem.h"
#include "platform/posix/DriveTable.h"
#include "platform/posix/Volumes.h"

namespace dirscribe::platform {

namespace posix {

namespace {

// True when `path` is `root` or lies below it.
bool IsUnder(std::string_view path, std::string_view root) {
    if (root.empty()) return false;
    if (root == "/") return !path.empty() && path.front() == '/';
    if (path.substr(0, root.size()) != root) return false;
    return path.size() == root.size() || path[root.size()] == '/';
}

// Places whose mounts are the system's own business, never a drive of the user's.
bool IsSystemPlace(const std::string& target) {
    if (IsUnder(target, "/run/media")) return false;
    for (const char* place : {"/proc", "/sys", "/dev", "/run", "/snap", "/boot/efi"}) {
        if (IsUnder(target, place)) return true;
    }
    return false;
}

bool IsBlockDevice(const std::string& path) {
    struct stat st {};
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISBLK(st.st_mode);
}

bool IsFolder(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string RealPath(const std::string& path) {
    std::unique_ptr<char, decltype(&free)> resolved(realpath(path.c_str(), nullptr), &free);
    return resolved ? std::string(resolved.get()) : path;
}

// Whether the medium of a block device can be taken out: sysfs says so for the whole disk,
// so a partition asks its parent.
bool IsRemovableDevice(const std::string& device) {
    const auto slash = device.rfind('/');
    const std::string name = device.substr(slash == std::string::npos ? 0 : slash + 1);
    if (name.rfind("sr", 0) == 0) return true;
    std::string node = RealPath("/sys/class/block/" + name);
    if (access((node + "/partition").c_str(), F_OK) == 0) node = node.substr(0, node.rfind('/'));
    std::ifstream in(node + "/removable");
    char flag = '0';
    return in >> flag && flag == '1';
}

std::string CurrentFolder() {
    std::unique_ptr<char, decltype(&free)> cwd(getcwd(nullptr, 0), &free);
    return cwd ? std::string(cwd.get()) : std::string("/");
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

std::vector<MountRecord> ReadMountTable() {
    std::vector<MountRecord> records;
    std::unique_ptr<libmnt_table, decltype(&mnt_unref_table)> table(mnt_new_table(),
                                                                    &mnt_unref_table);
    if (!table || mnt_table_parse_mtab(table.get(), nullptr) != 0) return records;
    std::unique_ptr<libmnt_iter, decltype(&mnt_free_iter)> iter(mnt_new_iter(MNT_ITER_FORWARD),
                                                                &mnt_free_iter);
    if (!iter) return records;
    const auto text = [](const char* s) { return s != nullptr ? std::string(s) : std::string(); };
    libmnt_fs* fs = nullptr;
    while (mnt_table_next_fs(table.get(), iter.get(), &fs) == 0) {
        MountRecord m;
        m.target = text(mnt_fs_get_target(fs));
        m.source = text(mnt_fs_get_source(fs));
        m.fsType = text(mnt_fs_get_fstype(fs));
        m.fsRoot = text(mnt_fs_get_root(fs));
        if (m.fsRoot.empty()) m.fsRoot = "/";
        m.pseudo = mnt_fs_is_pseudofs(fs) != 0;
        m.network = mnt_fs_is_netfs(fs) != 0 || m.fsType == "fuse.sshfs";
        if (!m.source.empty() && m.source.front() == '/' && IsBlockDevice(m.source)) {
            m.device = RealPath(m.source);
            m.removable = IsRemovableDevice(m.device);
        }
        // A share that stopped answering would hang the stat; a mount point of one is a folder.
        if (!m.network) m.folder = IsFolder(m.target);
        records.push_back(std::move(m));
    }
    return records;
}

std::vector<std::string> OpticalDevices() {
    std::vector<std::string> devices;
    struct CloseDir {
        void operator()(DIR* dir) const { closedir(dir); }
    };
    std::unique_ptr<DIR, CloseDir> dir(opendir("/dev"));
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

}  // namespace posix

namespace {

// The label of a mounted volume: the udev label links first; the device itself is read only
// when they say nothing.
std::string LabelOfMount(const posix::MountRecord& mount) {
    if (mount.device.empty()) return {};
    try {
        return VolumeLabel(mount.target);
    } catch (const Failure&) {
        return {};
    }
}

}  // namespace

std::vector<DriveInfo> ListDrives() {
    return posix::DrivesFromMounts(posix::ReadMountTable(), posix::OpticalDevices(), LabelOfMount);
}

int DriveIndexOfPath(const std::vector<DriveInfo>& drives, const std::string& path) {
    int best = -1;
    for (std::size_t i = 0; i < drives.size(); ++i) {
        const std::string& root = drives[i].root;
        if (!posix::IsUnder(path, root)) continue;
        if (best < 0 || root.size() > drives[static_cast<std::size_t>(best)].root.size())
            best = static_cast<int>(i);
    }
    return best;
}

DriveFolder OpenDrive(const std::string& driveText) {
    const std::string path = posix::PathOfDriveText(driveText);
    const auto mounts = posix::ReadMountTable();
    // The drives without labels: only their roots matter here.
    const auto drives = posix::DrivesFromMounts(mounts, {}, {});
    DriveFolder folder;
    if (posix::IsBlockDevice(path)) {
        // An optical drive known by its device: wherever its disc is mounted now.
        const std::string device = posix::RealPath(path);
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
        if (path.empty() || !posix::IsFolder(path)) {
            throw Failure(FailureNo::PathNotFound, "Path not found: '" + path + "'");
        }
        // A mount point left behind by a volume that was taken out is an empty folder of the
        // file system above it, not the drive.
        const std::string real = posix::RealPath(path);
        const bool mounted =
            std::any_of(mounts.begin(), mounts.end(),
                        [&](const posix::MountRecord& m) { return m.target == real; });
        if (!mounted) {
            throw Failure(FailureNo::DiskNotReady,
                          "Disk not ready: nothing is mounted on '" + path + "'");
        }
        folder.root = real;
    }
    folder.current = folder.root;
    const std::string cwd = posix::CurrentFolder();
    const int holder = DriveIndexOfPath(drives, cwd);
    // The current folder is kept when it lies on this drive: when the listed drive holding it
    // is this one or, should no listed drive hold it, when it lies below this drive's root.
    const bool cwdOnThisDrive = holder >= 0
                                    ? drives[static_cast<std::size_t>(holder)].root == folder.root
                                    : posix::IsUnder(cwd, folder.root);
    if (cwdOnThisDrive) folder.current = cwd;
    return folder;
}

std::string TrayDriveOfText(const std::string& driveText) {
    if (driveText.empty()) return {};
    return DriveOfPath(posix::PathOfDriveText(driveText));
}

}  // namespace dirscribe::platform
