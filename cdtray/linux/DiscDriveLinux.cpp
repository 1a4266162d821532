// SPDX-License-Identifier: MIT
// DiscDrive on Linux: the CD-ROM ioctls for the disc's coming and going, the mount table and
// libmount (as root) or UDisks2 (a desktop user) for mounting, the tray control for ejecting.
// A loop device is taken as a drive too: its backing file is its disc, detaching it ejects.
#include <fcntl.h>
#include <libmount/libmount.h>
#include <linux/cdrom.h>
#include <linux/loop.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "base/Failure.h"
#include "cdtray/CDjector.h"
#include "cdtray/DiscDrive.h"
#include "cdtray/linux/TrayDevices.h"
#include "platform/linux/MountTable.h"
#include "platform/linux/PathTools.h"
#include "platform/linux/Volumes.h"

namespace dirscribe::cdtray {

namespace {

constexpr unsigned kLoopMajor = 7;

std::string ErrorText(int error) {
    return std::strerror(error);
}

// A device opened for its ioctls only: without waiting for a disc and without locking the door.
class DeviceHandle {
  public:
    explicit DeviceHandle(const std::string& device) {
        fd_ = platform::linuxos::RetryOnInterrupt(
            [&] { return open(device.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY); });
        error_ = fd_ < 0 ? errno : 0;
    }
    ~DeviceHandle() {
        if (fd_ >= 0) close(fd_);
    }
    DeviceHandle(const DeviceHandle&) = delete;
    DeviceHandle& operator=(const DeviceHandle&) = delete;

    int Fd() const { return fd_; }
    int Error() const { return error_; }

  private:
    int fd_ = -1;
    int error_ = 0;
};

// A name for a mount point folder: the label without its slashes, or "disc".
std::string FolderNameOf(const std::string& label) {
    std::string name;
    for (const char c : label) name += (c == '/' || c == '\0') ? '_' : c;
    if (name.empty() || name == "." || name == "..") name = "disc";
    return name;
}

class LinuxDiscDrive final : public DiscDrive {
  public:
    LinuxDiscDrive(std::string name, std::string device, bool loop)
        : name_(std::move(name)), device_(std::move(device)), loop_(loop) {}
    ~LinuxDiscDrive() override { Unmount(); }

    std::string Name() const override { return name_; }

    MediaState Poll() override {
        const DeviceHandle handle(device_);
        if (handle.Error() != 0) {
            // A loop device without a backing file may refuse to open; a busy drive too.
            return {loop_ && handle.Error() == ENXIO ? Media::None : Media::NotReady, change_};
        }
        if (loop_) {
            loop_info64 info{};
            if (ioctl(handle.Fd(), LOOP_GET_STATUS64, &info) != 0) {
                return {errno == ENXIO ? Media::None : Media::NotReady, change_};
            }
            // The backing file's identity is the disc's.
            const std::uint64_t identity = (info.lo_device << 32) ^ info.lo_inode ^ 0x9e3779b9u;
            return {Media::Present, identity};
        }
        // The drive tells of a change of disc since the last look even when the tray was
        // opened and closed between two looks.
        if (ioctl(handle.Fd(), CDROM_MEDIA_CHANGED, CDSL_CURRENT) == 1) ++change_;
        switch (ioctl(handle.Fd(), CDROM_DRIVE_STATUS, CDSL_CURRENT)) {
            case CDS_DISC_OK:
                return {Media::Present, change_};
            case CDS_NO_DISC:
            case CDS_TRAY_OPEN:
                return {Media::None, change_};
            default:
                return {Media::NotReady, change_};
        }
    }

    MountedDisc Mount() override {
        Unmount();
        const std::string label = platform::linuxos::ProbeLabel(device_);
        // Where the desktop (or anybody) mounted it already.
        SystemTrayDevices devices;
        if (auto points = devices.MountPoints(device_); !points.empty()) {
            return {points.front(), label};
        }
        if (devices.RunningAsRoot()) return {MountPrivately(label), label};
        std::string objectPath;
        int status = UDisksObjectOfDevice(device_, objectPath);
        std::string mountPoint;
        if (status == 0)
            status = CallUDisksMount(objectPath, SystemTrayDevices::kBusTimeout, mountPoint);
        if (status != 0) {
            // The desktop may have mounted it in the meantime.
            if (auto points = devices.MountPoints(device_); !points.empty()) {
                return {points.front(), label};
            }
            throw Failure(FailureNo::DeviceIO,
                          "cannot mount the disc in " + name_ + ": " + ErrorText(status));
        }
        udisksMounted_ = true;
        return {mountPoint, label};
    }

    void Unmount() noexcept override {
        if (!privateMount_.empty()) {
            umount2(privateMount_.c_str(), UMOUNT_NOFOLLOW);
            rmdir(privateMount_.c_str());
            rmdir(privateFolder_.c_str());
            privateMount_.clear();
            privateFolder_.clear();
        }
        if (udisksMounted_) {
            SystemTrayDevices().UnmountWithUDisks(device_);
            udisksMounted_ = false;
        }
    }

    bool Eject() noexcept override {
        Unmount();
        if (!loop_) return OpenCDDoor(device_) == 0;
        // The loop device's "tray": every mount of it undone, then the backing file let go.
        SystemTrayDevices devices;
        for (const auto& point : devices.MountPoints(device_)) {
            if (devices.RunningAsRoot()) {
                devices.Umount(point);
            } else {
                devices.UnmountWithUDisks(device_);
            }
        }
        const DeviceHandle handle(device_);
        return handle.Error() == 0 && ioctl(handle.Fd(), LOOP_CLR_FD, 0) == 0;
    }

  private:
    // Mounts the disc read-only in a folder of its own, named by the label as the desktop
    // names its mount points, so that the lists' paths carry it.
    std::string MountPrivately(const std::string& label) {
        char folder[] = "/tmp/dirscribe-disc-XXXXXX";
        if (mkdtemp(folder) == nullptr) {
            throw Failure(FailureNo::DeviceIO, "cannot make a folder to mount the disc in " +
                                                   name_ + ": " + ErrorText(errno));
        }
        std::string target = std::string(folder) + "/" + FolderNameOf(label);
        if (mkdir(target.c_str(), 0700) != 0) {
            const int error = errno;
            rmdir(folder);
            throw Failure(FailureNo::DeviceIO, "cannot make a folder to mount the disc in " +
                                                   name_ + ": " + ErrorText(error));
        }
        std::unique_ptr<libmnt_context, decltype(&mnt_free_context)> context(mnt_new_context(),
                                                                             &mnt_free_context);
        int rc = -ENOMEM;
        if (context) {
            mnt_context_set_source(context.get(), device_.c_str());
            mnt_context_set_target(context.get(), target.c_str());
            mnt_context_set_mflags(context.get(), MS_RDONLY | MS_NOSUID | MS_NODEV | MS_NOEXEC);
            rc = mnt_context_mount(context.get());
        }
        if (rc != 0 || mnt_context_get_status(context.get()) != 1) {
            char why[256] = "no file system that can be mounted";
            if (context) mnt_context_get_excode(context.get(), rc, why, sizeof why);
            rmdir(target.c_str());
            rmdir(folder);
            throw Failure(FailureNo::DeviceIO,
                          "cannot mount the disc in " + name_ + ": " + std::string(why));
        }
        privateFolder_ = folder;
        privateMount_ = target;
        return target;
    }

    std::string name_;
    std::string device_;
    bool loop_;
    std::uint64_t change_ = 1;
    std::string privateFolder_;  // the temporary folder holding privateMount_
    std::string privateMount_;   // where this drive mounted the disc itself
    bool udisksMounted_ = false;
};

}  // namespace

std::unique_ptr<DiscDrive> OpenDiscDrive(const std::string& drive) {
    std::string device = drive;
    struct stat st {};
    if (stat(drive.c_str(), &st) != 0) {
        throw Failure(FailureNo::PathNotFound, "drive '" + drive + "': " + ErrorText(errno));
    }
    if (S_ISDIR(st.st_mode)) {
        // A mount point of the drive: the device mounted there.
        const auto mount = platform::linuxos::FindMount(SystemTrayDevices().Resolve(drive));
        if (!mount || mount->target != SystemTrayDevices().Resolve(drive)) {
            throw Failure(FailureNo::PathNotFound,
                          "'" + drive + "' is neither a drive nor where one is mounted");
        }
        device = mount->source;
        if (stat(device.c_str(), &st) != 0) st = {};
    }
    device = SystemTrayDevices().Resolve(device);
    if (!S_ISBLK(st.st_mode)) {
        throw Failure(FailureNo::BadFileName, "'" + drive + "' is not a drive");
    }
    const bool loop = major(st.st_rdev) == kLoopMajor;
    if (!loop) {
        if (const int status = SystemTrayDevices().CheckOptical(device); status != 0) {
            throw Failure(FailureNo::BadFileName,
                          "'" + drive + "' is not an optical drive: " + ErrorText(status));
        }
    }
    return std::make_unique<LinuxDiscDrive>(drive, device, loop);
}

}  // namespace dirscribe::cdtray
