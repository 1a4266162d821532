// CDjector: opens and closes the tray of a CD drive. Never fails and never shows anything.
#pragma once

#include <cstdint>
#include <string>

namespace dirscribe::cdtray {

// Opens the tray of `drive` (on Windows a drive letter such as "E"; elsewhere the drive's
// device, as platform::DriveOfPath gives it). Returns the status of the last command sent;
// a drive that is not an optical drive is left alone.
std::uint32_t OpenCDDoor(const std::string& drive);

// Closes the tray that OpenCDDoor opened on `drive`; does nothing for a drive never opened.
std::uint32_t CloseCDDoor(const std::string& drive);

}  // namespace dirscribe::cdtray
