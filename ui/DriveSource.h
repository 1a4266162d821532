// SPDX-License-Identifier: MIT
// DriveSource: what the main window asks of the machine's drives and trays, behind one seam so
// that tests can offer drives that fail and come ready.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "cdtray/DiscDrive.h"
#include "platform/Drives.h"

namespace dirscribe::ui {

class DriveSource {
  public:
    virtual ~DriveSource() = default;

    // The entries of the drive list.
    virtual std::vector<platform::DriveInfo> ListDrives() = 0;
    // The process's current folder.
    virtual std::string CurrentFolder() = 0;
    // Where the folder list opens on a drive; throws Failure when the drive is not ready.
    virtual platform::DriveFolder OpenDrive(const std::string& driveText) = 0;
    // The volume label of a drive (empty when none); throws Failure when it cannot be read.
    virtual std::string VolumeLabel(const std::string& driveText) = 0;
    // The drive named by a drive-list text, and the drive of a path, as the tray wants them.
    virtual std::string TrayDriveOfText(const std::string& driveText) = 0;
    virtual std::string TrayDriveOfPath(const std::string& path) = 0;
    // The tray control. Neither reports anything.
    virtual void OpenCDDoor(const std::string& drive) = 0;
    virtual void CloseCDDoor(const std::string& drive) = 0;
    // The drive of a drive-list text as a drive whose discs come and go; throws Failure when
    // it is not a drive that takes discs.
    virtual std::unique_ptr<cdtray::DiscDrive> OpenDiscDrive(const std::string& driveText) = 0;
};

// Which drive holds a path's tray, also once the disc there was ejected. On Linux the drive of
// a path is the device of the volume holding it; after a run unmounts and ejects the disc, the
// start path lies on whatever holds the mount point, so Refresh would close the wrong drive.
// The drive a path was on when this program opened its tray is kept until the tray is closed.
class TrayMemory {
  public:
    // The drive of `path`, given the drive the system names for it now.
    std::string DriveOf(const std::string& path, const std::string& driveNow);
    void Opened(const std::string& drive) { opened_.insert(drive); }
    void Closed(const std::string& drive) { opened_.erase(drive); }

  private:
    std::map<std::string, std::string> lastDrive_;  // path -> its drive when last asked
    std::set<std::string> opened_;                  // drives whose tray this program opened
};

// The drives of this machine and the real tray control.
class SystemDrives final : public DriveSource {
  public:
    std::vector<platform::DriveInfo> ListDrives() override;
    std::string CurrentFolder() override;
    platform::DriveFolder OpenDrive(const std::string& driveText) override;
    std::string VolumeLabel(const std::string& driveText) override;
    std::string TrayDriveOfText(const std::string& driveText) override;
    std::string TrayDriveOfPath(const std::string& path) override;
    void OpenCDDoor(const std::string& drive) override;
    void CloseCDDoor(const std::string& drive) override;
    std::unique_ptr<cdtray::DiscDrive> OpenDiscDrive(const std::string& driveText) override;

  private:
    TrayMemory trays_;
};

}  // namespace dirscribe::ui
