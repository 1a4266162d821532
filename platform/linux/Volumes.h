// SPDX-License-Identifier: MIT
// Volumes: the mount table, drive texts and volume labels on Linux.
#pragma once

#include <string>
#include <string_view>

namespace dirscribe::platform::linuxos {

// The path named by a drive-list text: "/media/u/CD [MUSIC01]" gives "/media/u/CD"; a text
// without a trailing " [...]" is a path as it is.
std::string PathOfDriveText(std::string_view text);

// A name from /dev/disk/by-label in plain text: udev writes unsafe bytes as "\xHH".
std::string DecodeUdevName(std::string_view name);

// The file system label found on a device (or an image file) by libblkid; empty when there is
// none or the device cannot be read.
std::string ProbeLabel(const std::string& device);

}  // namespace dirscribe::platform::linuxos
