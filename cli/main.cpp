// SPDX-License-Identifier: MIT
// dirscribe-cli: lists a folder tree in one of the six formats, the same run as the window's
// Start button, for scripts and batch cataloguing.
#include <exception>
#include <iostream>
#include <string>
#include <variant>
#include <vector>

#include "cli/Arguments.h"
#include "cli/DiscLoop.h"
#include "cli/FindCommand.h"
#include "cli/ListCommand.h"
#include "engine/AppIdentity.h"
#include "platform/Console.h"

namespace {

int Main(int argc, char** argv) {
    namespace cli = dirscribe::cli;
    namespace console = dirscribe::platform::console;
    const std::vector<std::string> args = console::Start(argc, argv);
    const auto parsed = cli::ParseArguments({args.begin() + (args.empty() ? 0 : 1), args.end()});
    if (const auto* error = std::get_if<cli::UsageError>(&parsed)) {
        console::WriteError("dirscribe-cli: " + error->message +
                            "\nTry 'dirscribe-cli --help' for more information.\n");
        return error->status;
    }
    const auto& arguments = std::get<cli::Arguments>(parsed);
    switch (arguments.command) {
        case cli::Command::Help:
            std::cout << cli::kUsage;
            return cli::kExitDone;
        case cli::Command::Version:
            std::cout << "dirscribe-cli " << dirscribe::kApp.VersionText() << "\n";
            return cli::kExitDone;
        case cli::Command::Find:
            return cli::RunFind(arguments.find);
        case cli::Command::EachDisc:
            return cli::RunEachDisc(arguments.options, arguments.loop, arguments.drive);
        case cli::Command::List:
            break;
    }
    return cli::RunList(arguments.options);
}

}  // namespace

int main(int argc, char** argv) {
    // Whatever no part of the program expected (memory running out) is named, not left to
    // std::terminate.
    try {
        return Main(argc, argv);
    } catch (const std::exception& e) {
        dirscribe::platform::console::WriteError(std::string("dirscribe-cli: ") + e.what() + "\n");
        return dirscribe::cli::kExitFailed;
    }
}
