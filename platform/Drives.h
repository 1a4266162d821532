// SPDX-License-Identifier: MIT
// Drives: the entries of the main window's drive list, and which drive a folder lies on.
#pragma once

#include <string>
#include <vector>

namespace dirscribe::platform {

// One entry of the drive list.
struct DriveInfo {
    // What the drive list shows: on Windows "c: [SYSTEM]"; on Linux the mount point with the
    // volume label, "/media/u/MUSIC01 [MUSIC01]", or the device of an optical drive with no
    // disc mounted, "/dev/sr0". The label part is left out when the volume has none.
    std::string text;
    // The drive's top folder ("C:\", "/media/u/MUSIC01"); empty while no medium is mounted.
    std::string root;
    // The drive as the tray control knows it: the upper-cased letter on Windows, the block
    // device on Linux (empty for a volume without one, such as a network share).
    std::string device;
    // An optical drive, a USB stick, a card: a drive whose medium comes and goes.
    bool removable = false;
};

// Where the folder list opens on a drive.
struct DriveFolder {
    std::string root;     // the drive's top folder
    std::string current;  // the process's current folder when it lies on the drive, else root
};

// The drives of this machine in the order the drive list shows them. Never empty: the root
// file system (on Windows the system drive) is always there.
std::vector<DriveInfo> ListDrives();

// The index in `drives` of the drive that holds `path` (an absolute path): the drive with the
// longest root above it. -1 when none does.
int DriveIndexOfPath(const std::vector<DriveInfo>& drives, const std::string& path);

// Reads afresh where a drive-list text leads: its root and the folder the folder list opens
// there. Throws Failure 71 (disk not ready) when no medium is mounted in the drive, and 76
// (path not found) when the drive is gone.
DriveFolder OpenDrive(const std::string& driveText);

// The drive named by a drive-list text as the tray control wants it: on Windows its
// upper-cased first character, on Linux the device behind it. Empty for an empty text.
std::string TrayDriveOfText(const std::string& driveText);

}  // namespace dirscribe::platform
