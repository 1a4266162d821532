// SPDX-License-Identifier: MIT
// The multimedia command texts, and the order in which OpenCDDoor and CloseCDDoor send them,
// seen through a recording sender on every system.
#include "cdtray/MciCommands.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace dirscribe::test {
namespace {

using Texts = std::vector<std::string>;

// Records every text; answers 0 except for the texts given a status in `statuses`.
struct RecordingSender {
    Texts sent;
    std::map<std::string, std::int32_t> statuses;
    cdtray::MciSender Sender() {
        return [this](const std::string& command) {
            sent.push_back(command);
            const auto it = statuses.find(command);
            return it == statuses.end() ? 0 : it->second;
        };
    }
};

TEST(MciCommandsTest, OpenThenCloseSendTheseTextsInThisOrder) {
    // A letter is neither checked nor changed: a digit or an empty start path gives commands
    // naming a device that does not exist, which fail.
    const std::map<std::string, Texts> expected = {
        {"E",
         {"open E: type cdaudio alias DriveE wait", "set DriveE door open",
          "set DriveE door closed", "close DriveE"}},
        {"1",
         {"open 1: type cdaudio alias Drive1 wait", "set Drive1 door open",
          "set Drive1 door closed", "close Drive1"}},
        {"",
         {"open : type cdaudio alias Drive wait", "set Drive door open", "set Drive door closed",
          "close Drive"}},
    };
    for (const auto& [letter, texts] : expected) {
        RecordingSender mci;
        cdtray::SendOpenDoor(letter, mci.Sender());
        cdtray::SendCloseDoor(letter, mci.Sender());
        EXPECT_EQ(mci.sent, texts) << "letter '" << letter << "'";
    }
}

TEST(MciCommandsTest, EachPairReturnsTheStatusOfItsSecondText) {
    // A second open without a close: the alias is open already, the eject goes through it.
    RecordingSender mci;
    mci.statuses["open E: type cdaudio alias DriveE wait"] = 289;
    EXPECT_EQ(cdtray::SendOpenDoor("E", mci.Sender()), 0);
    ASSERT_FALSE(mci.sent.empty());
    EXPECT_EQ(mci.sent.back(), "set DriveE door open");
    mci.statuses["set DriveE door open"] = 263;
    EXPECT_EQ(cdtray::SendOpenDoor("E", mci.Sender()), 263);

    // A drive never opened: the close does not open it, both texts fail, the failure is told.
    RecordingSender never;
    never.statuses = {{"set DriveF door closed", 263}, {"close DriveF", 263}};
    EXPECT_EQ(cdtray::SendCloseDoor("F", never.Sender()), 263);
    EXPECT_EQ(never.sent, (Texts{"set DriveF door closed", "close DriveF"}));
}

}  // namespace
}  // namespace dirscribe::test
