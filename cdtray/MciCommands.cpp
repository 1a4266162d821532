// SPDX-License-Identifier: MIT
// MciCommands: the command texts and the order in which they are sent.
#include "cdtray/MciCommands.h"

namespace dirscribe::cdtray {

std::string MciAlias(std::string_view letter) {
    std::string alias = "Drive";
    alias += letter;
    return alias;
}

MciCommands BuildMciCommands(std::string_view letter) {
    const std::string alias = MciAlias(letter);
    MciCommands commands;
    commands.open = "open " + std::string(letter) + ": type cdaudio alias " + alias + " wait";
    commands.eject = "set " + alias + " door open";
    commands.retract = "set " + alias + " door closed";
    commands.release = "close " + alias;
    return commands;
}

std::int32_t SendOpenDoor(std::string_view letter, const MciSender& send) {
    const MciCommands commands = BuildMciCommands(letter);
    send(commands.open);
    return send(commands.eject);
}

std::int32_t SendCloseDoor(std::string_view letter, const MciSender& send) {
    const MciCommands commands = BuildMciCommands(letter);
    send(commands.retract);
    return send(commands.release);
}

}  // namespace dirscribe::cdtray
