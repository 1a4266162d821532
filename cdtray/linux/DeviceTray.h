// SPDX-License-Identifier: MIT
// DeviceTray: OpenCDDoor and CloseCDDoor on Linux, over the device calls of TrayDevices.
#pragma once

#include <cstdint>
#include <set>
#include <string>

#include "cdtray/linux/TrayDevices.h"

namespace dirscribe::cdtray {

// Holds which drives OpenCDDoor opened, as the multimedia interface holds its aliases on
// Windows: a drive is "open" from an OpenCDDoor that found it an optical drive until the next
// CloseCDDoor. Used on one thread.
class DeviceTray {
  public:
    explicit DeviceTray(TrayDevices& devices) : devices_(devices) {}
    DeviceTray(const DeviceTray&) = delete;
    DeviceTray& operator=(const DeviceTray&) = delete;

    // A drive that is an optical drive is remembered as open, its disc unmounted if mounted
    // (as root with umount2, otherwise through UDisks2) and its tray opened; returns the
    // eject's status. Anything else is left alone; returns why.
    std::int32_t Open(const std::string& drive) noexcept;
    // Closes the tray of a drive Open left open and forgets it; returns the close's status.
    // A drive not open is not touched; returns ENODEV.
    std::int32_t Close(const std::string& drive) noexcept;

  private:
    TrayDevices& devices_;
    std::set<std::string> open_;  // resolved device names
};

// Makes OpenCDDoor and CloseCDDoor use `devices` (tests) with a fresh DeviceTray that has
// opened nothing yet; nullptr goes back to this machine's devices, also with a fresh one.
void UseTrayDevices(TrayDevices* devices);

}  // namespace dirscribe::cdtray
