// SPDX-License-Identifier: MIT
// MciSend: how the tray commands reach winmm on Windows, and the seam that lets tests see them.
#pragma once

#include <cstdint>
#include <string>

#include "cdtray/MciCommands.h"

namespace dirscribe::cdtray {

// The program's text (UTF-8) in the system's ANSI code page, as mciSendStringA reads it;
// characters the code page lacks become its default character.
std::string ToAnsiCodePage(const std::string& text);

// The real sender: the command converted to the ANSI code page and sent with mciSendStringA,
// without a return buffer (null, length 0) and without a callback window.
std::int32_t SendToWinmm(const std::string& command);

// Makes OpenCDDoor and CloseCDDoor send through `sender` instead of winmm (tests); an empty
// sender brings winmm back.
void UseMciSender(MciSender sender);

}  // namespace dirscribe::cdtray
