// SPDX-License-Identifier: MIT
// FrontEnd: the defaults that most front ends share.
#include "engine/FrontEnd.h"

#include "cdtray/CDjector.h"
#include "platform/FileSystem.h"

namespace dirscribe {

std::string FrontEnd::VolumeLabel(const std::string& drive) {
    return platform::VolumeLabel(drive);
}

void FrontEnd::OpenTray(const std::string& startPath) {
    // The status is of no use here: on a drive without a tray nothing happens, silently.
    cdtray::OpenCDDoor(platform::DriveOfPath(startPath));
}

}  // namespace dirscribe
