// SPDX-License-Identifier: MIT
// SystemDrives: the platform layer's drives and the tray control.
#include "ui/DriveSource.h"

#include <QDir>

#include "cdtray/CDjector.h"
#include "platform/FileSystem.h"

namespace dirscribe::ui {

std::vector<platform::DriveInfo> SystemDrives::ListDrives() {
    return platform::ListDrives();
}

std::string SystemDrives::CurrentFolder() {
    return QDir::toNativeSeparators(QDir::currentPath()).toStdString();
}

platform::DriveFolder SystemDrives::OpenDrive(const std::string& driveText) {
    return platform::OpenDrive(driveText);
}

std::string SystemDrives::VolumeLabel(const std::string& driveText) {
    return platform::VolumeLabel(driveText);
}

std::string SystemDrives::TrayDriveOfText(const std::string& driveText) {
    return platform::TrayDriveOfText(driveText);
}

std::string SystemDrives::TrayDriveOfPath(const std::string& path) {
    if (path.empty()) return {};
    return trays_.DriveOf(path, platform::DriveOfPath(path));
}

void SystemDrives::OpenCDDoor(const std::string& drive) {
    cdtray::OpenCDDoor(drive);
    trays_.Opened(drive);
}

void SystemDrives::CloseCDDoor(const std::string& drive) {
    cdtray::CloseCDDoor(drive);
    trays_.Closed(drive);
}

std::unique_ptr<cdtray::DiscDrive> SystemDrives::OpenDiscDrive(const std::string& driveText) {
    return cdtray::OpenDiscDrive(platform::TrayDriveOfText(driveText));
}

std::string TrayMemory::DriveOf(const std::string& path, const std::string& driveNow) {
    auto it = lastDrive_.find(path);
    if (it != lastDrive_.end() && it->second != driveNow && opened_.count(it->second) != 0) {
        return it->second;
    }
    lastDrive_[path] = driveNow;
    return driveNow;
}

}  // namespace dirscribe::ui
