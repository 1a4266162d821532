// SPDX-License-Identifier: MIT
// Arguments: dirscribe-cli's command line read into what it asks for, or the usage error it holds.
#pragma once

#include <string>
#include <variant>
#include <vector>

#include "cli/CliFrontEnd.h"
#include "cli/DiscLoop.h"
#include "cli/FindCommand.h"

namespace dirscribe::cli {

// The exit status of a command line that cannot be run as given.
inline constexpr int kExitUsage = 2;

// The text --help shows.
extern const char* const kUsage;

// What the command line asks the program to do.
enum class Command {
    List,      // list the start folder (options.startFolder)
    EachDisc,  // list disc after disc from `drive`
    Find,      // find names in lists (find)
    Help,      // show kUsage
    Version,   // show the version
};

struct Arguments {
    Command command = Command::List;
    CliOptions options;    // List and EachDisc: how to list
    DiscLoopOptions loop;  // EachDisc: how many discs, whether to ask for descriptions
    std::string drive;     // EachDisc: the drive as given
    FindOptions find;      // Find: the pattern and the lists
};

// A command line that cannot be run: the message that goes after "dirscribe-cli: ", and the
// exit status.
struct UsageError {
    std::string message;
    int status = kExitUsage;
};

// Reads the arguments after the program's name. Nothing is read from or written to the console
// and nothing is looked up on disc; the first mistake met is the one returned. --help and
// --version end the reading where they stand, as they end the program.
std::variant<Arguments, UsageError> ParseArguments(const std::vector<std::string>& args);

}  // namespace dirscribe::cli
