// SPDX-License-Identifier: MIT
// CDjector on Windows: the multimedia command strings of winmm. The multimedia interface itself
// remembers which aliases are open; this file keeps no record of its own.
#include <windows.h>
// windows.h first: mmsystem.h needs its types.
#include <mmsystem.h>

#include <string>
#include <utility>

#include "cdtray/CDjector.h"
#include "cdtray/win32/MciSend.h"

namespace dirscribe::cdtray {

namespace {

MciSender& CurrentSender() {
    static MciSender sender = SendToWinmm;
    return sender;
}

}  // namespace

std::string ToAnsiCodePage(const std::string& text) {
    if (text.empty()) return {};
    const int length = static_cast<int>(text.size());
    const int wideLength = MultiByteToWideChar(CP_UTF8, 0, text.data(), length, nullptr, 0);
    if (wideLength <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), length, wide.data(), wideLength);
    const int ansiLength =
        WideCharToMultiByte(CP_ACP, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
    if (ansiLength <= 0) return {};
    std::string ansi(static_cast<std::size_t>(ansiLength), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), wideLength, ansi.data(), ansiLength, nullptr,
                        nullptr);
    return ansi;
}

std::int32_t SendToWinmm(const std::string& command) {
    const std::string ansi = ToAnsiCodePage(command);
    return static_cast<std::int32_t>(mciSendStringA(ansi.c_str(), nullptr, 0, nullptr));
}

void UseMciSender(MciSender sender) {
    CurrentSender() = sender ? std::move(sender) : MciSender(SendToWinmm);
}

std::int32_t OpenCDDoor(const std::string& drive) noexcept {
    try {
        return SendOpenDoor(drive, CurrentSender());
    } catch (...) {
        // Only the building of a text can throw (out of memory); the tray is left alone.
        return static_cast<std::int32_t>(MCIERR_OUT_OF_MEMORY);
    }
}

std::int32_t CloseCDDoor(const std::string& drive) noexcept {
    try {
        return SendCloseDoor(drive, CurrentSender());
    } catch (...) {
        return static_cast<std::int32_t>(MCIERR_OUT_OF_MEMORY);
    }
}

}  // namespace dirscribe::cdtray
