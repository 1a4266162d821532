// SPDX-License-Identifier: MIT
// OpenCDDoor and CloseCDDoor on Windows: what they hand to the sender, the ANSI conversion, and
// winmm itself answering at once for a drive without a tray.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "cdtray/CDjector.h"
#include "cdtray/win32/MciSend.h"

namespace dirscribe::test {
namespace {

using Texts = std::vector<std::string>;

TEST(MciSendTest, OpenAndCloseSendTheirPairsThroughTheSender) {
    Texts sent;
    cdtray::UseMciSender([&](const std::string& command) {
        sent.push_back(command);
        return std::int32_t{sent.size() == 1 ? 296 : 0};
    });
    EXPECT_EQ(cdtray::OpenCDDoor("E"), 0);
    EXPECT_EQ(cdtray::CloseCDDoor("E"), 0);
    cdtray::UseMciSender(nullptr);
    EXPECT_EQ(sent, (Texts{"open E: type cdaudio alias DriveE wait", "set DriveE door open",
                           "set DriveE door closed", "close DriveE"}));
}

TEST(MciSendTest, TextsReachWinmmInTheAnsiCodePage) {
    EXPECT_EQ(cdtray::ToAnsiCodePage("close DriveE"), "close DriveE");
    EXPECT_EQ(cdtray::ToAnsiCodePage(""), "");
    if (GetACP() == 1252) {
        EXPECT_EQ(cdtray::ToAnsiCodePage("Drive\xc3\xa9"), "Drive\xe9");
    }
}

TEST(MciSendTest, ADriveWithoutATrayFailsQuietlyAndAtOnce) {
    const auto start = std::chrono::steady_clock::now();
    EXPECT_NE(cdtray::OpenCDDoor("1"), 0);
    EXPECT_NE(cdtray::CloseCDDoor("1"), 0);
    EXPECT_NE(cdtray::CloseCDDoor("Q"), 0);  // never opened
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

}  // namespace
}  // namespace dirscribe::test
