// SPDX-License-Identifier: MIT
// TrayDevices: the device calls that open and close a drive's tray on Linux, behind an
// interface so that tests can see exactly which call would reach which device.
#pragma once

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

namespace dirscribe::cdtray {

// Every call returns, where it returns a status, 0 on success and otherwise an errno value.
// None throws and none waits for long.
class TrayDevices {
  public:
    virtual ~TrayDevices() = default;

    // The device `drive` names, links followed ("/dev/cdrom" gives "/dev/sr0"); the text as it
    // is when it cannot be resolved. Touches no device.
    virtual std::string Resolve(const std::string& drive) = 0;
    // 0 when `device` is an optical drive this process may open; otherwise why not (ENOENT,
    // ENOTBLK for anything but a block device, EACCES, ENOTTY for another kind of drive, ...).
    virtual int CheckOptical(const std::string& device) = 0;
    // Where the disc in `device` is mounted, the last mount first; empty when it is not.
    virtual std::vector<std::string> MountPoints(const std::string& device) = 0;
    // True when the process may unmount by itself (effective user root).
    virtual bool RunningAsRoot() = 0;
    // Asks UDisks2 over the system bus to unmount the file system on `device`, without asking
    // the user for a password; gives up after a bounded time.
    virtual int UnmountWithUDisks(const std::string& device) = 0;
    // Unmounts the file system mounted at `mountPoint` (umount2).
    virtual int Umount(const std::string& mountPoint) = 0;
    // Opens the tray of the optical drive `device` (CDROMEJECT).
    virtual int Eject(const std::string& device) = 0;
    // Closes the tray of the optical drive `device` (CDROMCLOSETRAY).
    virtual int CloseTray(const std::string& device) = 0;
};

// The calls on this machine's devices.
class SystemTrayDevices final : public TrayDevices {
  public:
    // How long a call to UDisks2 may take, connecting included.
    static constexpr std::chrono::milliseconds kBusTimeout{2000};

    explicit SystemTrayDevices(std::chrono::milliseconds busTimeout = kBusTimeout)
        : busTimeout_(busTimeout) {}

    std::string Resolve(const std::string& drive) override;
    int CheckOptical(const std::string& device) override;
    std::vector<std::string> MountPoints(const std::string& device) override;
    bool RunningAsRoot() override;
    int UnmountWithUDisks(const std::string& device) override;
    int Umount(const std::string& mountPoint) override;
    int Eject(const std::string& device) override;
    int CloseTray(const std::string& device) override;

  private:
    std::chrono::milliseconds busTimeout_;
};

// UDisks2's object path for the block device with kernel name `name` ("sr0" gives
// "/org/freedesktop/UDisks2/block_devices/sr0"): bytes other than letters, digits and '_' are
// written as '_' and two hex digits, as UDisks2 names its objects.
std::string UDisksBlockObjectPath(std::string_view name);

// UDisks2's object path for the block device `device` (any name of it), found through the
// kernel's name for its device number. Returns 0, or why not (ENOENT, ENOTBLK, ...).
int UDisksObjectOfDevice(const std::string& device, std::string& objectPath);

// Calls org.freedesktop.UDisks2.Filesystem.Unmount on `objectPath` over the system bus with
// auth.no_user_interaction set, and waits at most `timeout` for the whole exchange (connecting
// included). Returns 0 when UDisks2 answered that it unmounted, otherwise an errno value
// (ETIMEDOUT when it did not answer in time).
int CallUDisksUnmount(const std::string& objectPath, std::chrono::milliseconds timeout);

// Calls org.freedesktop.UDisks2.Filesystem.Mount on `objectPath` the same way; on success
// `mountPoint` receives where UDisks2 mounted the file system.
int CallUDisksMount(const std::string& objectPath, std::chrono::milliseconds timeout,
                    std::string& mountPoint);

}  // namespace dirscribe::cdtray
