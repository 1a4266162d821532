// SPDX-License-Identifier: MIT
// MciCommands: the Windows multimedia command texts that move a drive's tray, and the order in
// which OpenCDDoor and CloseCDDoor send them. Plain text work, built on every system so that
// the texts are tested everywhere; only the sending is Windows's.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace dirscribe::cdtray {

// The four commands for one drive letter, each built by plain concatenation: the letter is
// neither checked nor changed, so a character that names no drive gives commands that fail.
struct MciCommands {
    std::string open;     // "open E: type cdaudio alias DriveE wait": opens the device as DriveE
    std::string eject;    // "set DriveE door open"
    std::string retract;  // "set DriveE door closed"
    std::string release;  // "close DriveE": releases the alias
};

// The alias under which the drive's device stays open between OpenCDDoor and CloseCDDoor:
// "Drive" followed by the letter.
std::string MciAlias(std::string_view letter);

MciCommands BuildMciCommands(std::string_view letter);

// Sends one command text (the program's text, UTF-8) and returns the multimedia status code,
// 0 for success. The real sender converts the text to the ANSI code page and hands it to
// mciSendStringA; tests put a recording one in its place.
using MciSender = std::function<std::int32_t(const std::string& command)>;

// OpenCDDoor's two commands: open (its status dropped: it fails when the alias is open
// already or the drive is no CD drive, and the eject is sent all the same), then eject.
// Returns the eject's status.
std::int32_t SendOpenDoor(std::string_view letter, const MciSender& send);

// CloseCDDoor's two commands: retract (its status dropped), then release. Returns the
// release's status. Where no alias is open, both fail and the drive is untouched.
std::int32_t SendCloseDoor(std::string_view letter, const MciSender& send);

}  // namespace dirscribe::cdtray
