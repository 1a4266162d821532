// SPDX-License-Identifier: MIT
// CDjector: the tray calls after a run (OpenCDDoor) and when a drive is to be read again
// (CloseCDDoor); they tell how it went by their result only, throw nothing and show nothing.
#pragma once

#include <cstdint>
#include <string>

namespace dirscribe::cdtray {

// Opens the tray of `drive`: on Windows a drive letter such as "E" (taken as it is, unchecked),
// elsewhere the drive's device as platform::DriveOfPath gives it. The drive stays "open" to
// this program (on Windows: its multimedia alias) until CloseCDDoor. Returns the status of the
// eject, 0 when the tray was asked to open; a drive that is not an optical drive, that does
// not exist or that this user may not use is left alone and gives a nonzero status.
std::int32_t OpenCDDoor(const std::string& drive) noexcept;

// Closes the tray of a drive that OpenCDDoor left open, and releases it. A drive that
// OpenCDDoor never opened (or that was closed since) is not touched: the result is nonzero.
std::int32_t CloseCDDoor(const std::string& drive) noexcept;

}  // namespace dirscribe::cdtray
