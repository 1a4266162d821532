// SPDX-License-Identifier: MIT
// ListCommand: the start folder is looked at before any list is opened, then the run is made.
#include "cli/ListCommand.h"

#include <string>

#include "base/Failure.h"
#include "engine/ListingRun.h"
#include "platform/Console.h"
#include "platform/FileSystem.h"

namespace dirscribe::cli {

namespace console = platform::console;

namespace {

// Makes options.startFolder absolute when it names a folder that can be read; false, with the
// reason on standard error, when not. Such a start folder is a typing error, not a list of one
// heading.
bool CheckStartFolder(CliOptions& options) {
    try {
        if (!platform::IsFolder(options.startFolder)) {
            console::WriteError("dirscribe-cli: start folder '" + options.startFolder +
                                "' is not a folder\n");
            return false;
        }
    } catch (const Failure& failure) {
        console::WriteError("dirscribe-cli: cannot read start folder '" + options.startFolder +
                            "': " + failure.Description() + "\n");
        return false;
    }
    options.startFolder = platform::AbsolutePath(options.startFolder);
    // Nor is a start folder that is there but cannot be read: it would give a list of one
    // heading and a report, and look like an empty disc.
    try {
        std::string start = options.startFolder;
        if (start.empty() || start.back() != platform::kPathSeparator)
            start += platform::kPathSeparator;
        platform::MakeFileSystem()->CheckReadable(start);
    } catch (const Failure& failure) {
        console::WriteError("dirscribe-cli: cannot read start folder '" + options.startFolder +
                            "': " + failure.Description() + "\n");
        return false;
    }
    return true;
}

}  // namespace

int RunList(CliOptions options) {
    if (!CheckStartFolder(options)) return kExitFailed;

    console::CatchInterrupt();

    SharedState state;
    state.OutputFormat = options.format;
    CliFrontEnd frontEnd(options, state);
    ListFiles files;
    files.SetStandardOutputName(CliFrontEnd::kStandardOutput);
    // A second Ctrl-C ends the list at the next line, with its footer.
    files.SetCutShortTest(console::InterruptedTwice);
    auto fileSystem = platform::MakeFileSystem();
    ListingRun run(state, frontEnd, files, *fileSystem);

    switch (run.Command1_Click()) {
        case RunOutcome::Completed:
        case RunOutcome::Stopped:
            if (frontEnd.ListWriteFailed()) return kExitFailed;
            return console::Interrupted() ? console::InterruptStatus() : kExitDone;
        default:
            return kExitFailed;
    }
}

}  // namespace dirscribe::cli
