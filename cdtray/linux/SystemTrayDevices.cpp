// SPDX-License-Identifier: MIT
// SystemTrayDevices: the CD-ROM ioctls, the mount table and umount2 on this machine's devices.
#include <fcntl.h>
#include <linux/cdrom.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>

#include "cdtray/linux/TrayDevices.h"
#include "platform/linux/MountTable.h"
#include "platform/linux/PathTools.h"

namespace dirscribe::cdtray {

namespace {

using platform::linuxos::RetryOnInterrupt;

// An optical drive opened for its ioctls: read-only and without waiting for a disc, which also
// leaves the door unlocked. Anything but a block device is refused before it is opened (opening
// some character devices has effects of its own), and so is a block device that does not
// answer CDROM_GET_CAPABILITY: only the CD-ROM layer does, so a disk or a memory stick never
// sees the tray ioctls.
class OpticalDrive {
  public:
    explicit OpticalDrive(const std::string& device) {
        struct stat st {};
        if (device.empty()) {
            error_ = ENOENT;
        } else if (stat(device.c_str(), &st) != 0) {
            error_ = errno;
        } else if (!S_ISBLK(st.st_mode)) {
            error_ = ENOTBLK;
        } else {
            fd_ = RetryOnInterrupt(
                [&] { return open(device.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY); });
            // The open and the ioctl each leave their own errno.
            if (fd_ < 0) {  // NOLINT(bugprone-branch-clone)
                error_ = errno;
            } else if (fstat(fd_, &st) != 0 || !S_ISBLK(st.st_mode)) {
                error_ = ENOTBLK;  // replaced between the two looks
            } else if (ioctl(fd_, CDROM_GET_CAPABILITY, 0) < 0) {
                error_ = errno;
            }
        }
    }
    ~OpticalDrive() {
        if (fd_ >= 0) close(fd_);
    }
    OpticalDrive(const OpticalDrive&) = delete;
    OpticalDrive& operator=(const OpticalDrive&) = delete;

    // 0 when the device is an optical drive that is open here, otherwise why not.
    int Error() const { return error_; }

    // Sends a tray ioctl; 0 or its errno.
    int Send(unsigned long request) const {
        if (error_ != 0) return error_;
        return ioctl(fd_, request, 0) < 0 ? errno : 0;
    }

  private:
    int fd_ = -1;
    int error_ = 0;
};

}  // namespace

std::string SystemTrayDevices::Resolve(const std::string& drive) {
    return platform::linuxos::RealPath(drive);
}

int SystemTrayDevices::CheckOptical(const std::string& device) {
    return OpticalDrive(device).Error();
}

std::vector<std::string> SystemTrayDevices::MountPoints(const std::string& device) {
    std::vector<std::string> points;
    struct stat st {};
    if (stat(device.c_str(), &st) != 0 || !S_ISBLK(st.st_mode)) return points;
    // By device number, which the kernel's table gives whatever name the device was mounted by.
    const auto mounts = platform::linuxos::ReadMountTable();
    for (auto m = mounts.rbegin(); m != mounts.rend(); ++m) {
        if (m->devno == st.st_rdev) points.push_back(m->target);
    }
    return points;
}

bool SystemTrayDevices::RunningAsRoot() {
    return geteuid() == 0;
}

int UDisksObjectOfDevice(const std::string& device, std::string& objectPath) {
    // UDisks2 names a block device's object by the kernel's name for it, which /sys/dev/block
    // gives by device number whatever name the caller used.
    struct stat st {};
    if (stat(device.c_str(), &st) != 0) return errno;
    if (!S_ISBLK(st.st_mode)) return ENOTBLK;
    const std::string sysLink = "/sys/dev/block/" + std::to_string(major(st.st_rdev)) + ":" +
                                std::to_string(minor(st.st_rdev));
    std::unique_ptr<char, decltype(&free)> resolved(realpath(sysLink.c_str(), nullptr), &free);
    std::string name = resolved ? std::string(resolved.get()) : device;
    name = name.substr(name.find_last_of('/') + 1);
    objectPath = UDisksBlockObjectPath(name);
    return 0;
}

int SystemTrayDevices::UnmountWithUDisks(const std::string& device) {
    std::string objectPath;
    if (const int status = UDisksObjectOfDevice(device, objectPath); status != 0) return status;
    return CallUDisksUnmount(objectPath, busTimeout_);
}

int SystemTrayDevices::Umount(const std::string& mountPoint) {
    return umount2(mountPoint.c_str(), UMOUNT_NOFOLLOW) != 0 ? errno : 0;
}

int SystemTrayDevices::Eject(const std::string& device) {
    return OpticalDrive(device).Send(CDROMEJECT);
}

int SystemTrayDevices::CloseTray(const std::string& device) {
    return OpticalDrive(device).Send(CDROMCLOSETRAY);
}

}  // namespace dirscribe::cdtray
