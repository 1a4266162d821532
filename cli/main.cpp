// SPDX-License-Identifier: MIT
// dirscribe-cli: lists a folder tree in one of the six formats, the same run as the window's
// Start button, for scripts and batch cataloguing.
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "base/SafeText.h"
#include "cdtray/DiscDrive.h"
#include "cli/CliFrontEnd.h"
#include "cli/DiscLoop.h"
#include "cli/FindCommand.h"
#include "engine/AppIdentity.h"
#include "engine/ListingRun.h"
#include "platform/Console.h"
#include "platform/FileSystem.h"

namespace {

using dirscribe::FormatInfo;
using dirscribe::IndexOf;
using dirscribe::kFormats;
using dirscribe::ListFormat;
using dirscribe::cli::CliOptions;
namespace console = dirscribe::platform::console;

constexpr int kExitDone = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

const char* const kUsage =
    "Usage: dirscribe-cli [options] START_FOLDER\n"
    "  or:  dirscribe-cli [options] --each-disc DRIVE [--discs N] [--ask-description]\n"
    "  or:  dirscribe-cli --find PATTERN [--regex] [--format csv] LIST...\n"
    "Writes a list of the folders and files below START_FOLDER, lists disc after disc, or\n"
    "finds names in lists.\n"
    "\n"
    "  -f, --format F        0-5 or text | text-names | csv-names | csv | html-names | html\n"
    "                        (default 0, text)\n"
    "  -m, --mask MASK       file mask, * and ? without regard to case (default *.*)\n"
    "  -d, --dirs-only       list folders only\n"
    "  -D, --description T   volume description\n"
    "  -n, --new FILE        write a new list\n"
    "  -a, --append FILE     append to a list (with --new as well: write both)\n"
    "  -y, --overwrite       replace an existing new list without asking\n"
    "      --label TEXT      use TEXT as the volume label instead of reading it\n"
    "      --eject           open the drive's tray at the end\n"
    "  -q, --quiet           no progress on standard error\n"
    "      --each-disc DRIVE list every disc put into DRIVE (Linux: /dev/sr0 or where it\n"
    "                        is mounted; Windows: D:) from its root, with its label, eject\n"
    "                        it and wait for the next; Ctrl-C while waiting ends (exit 0)\n"
    "      --discs N         with --each-disc: stop after N discs\n"
    "      --ask-description with --each-disc: ask for each disc's description\n"
    "      --find PATTERN    print the files and folders of the LIST files (any of the six\n"
    "                        formats) whose names match PATTERN (a mask as with --mask), with\n"
    "                        the volume, folder, size and date the lists give; --format csv:\n"
    "                        as CSV rows; a LIST of - is standard input. A line of a list\n"
    "                        that is no list line is named and skipped. Exit status 0\n"
    "                        found, 1 nothing found, 2 a list could not be read or the\n"
    "                        matches could not be written\n"
    "      --regex           PATTERN is a regular expression (RE2 syntax: no back-references\n"
    "                        or look-around; searched in the name, case ignored)\n"
    "      --help            show this help\n"
    "      --version         show the version\n"
    "\n"
    "Without --new and --append the list goes to standard output. Unreadable entries are\n"
    "reported on standard error and skipped. Ctrl-C, SIGTERM or SIGHUP stops the walk; the\n"
    "list still gets its footer. Exit status: 0 done, 1 the run failed, 2 bad usage, 130, 143\n"
    "or 129 stopped by Ctrl-C, SIGTERM or SIGHUP.\n"
    "\n"
    "Catalogue a box of discs, then find a file in the catalogue:\n"
    "  dirscribe-cli --each-disc /dev/sr0 --ask-description -a catalogue.txt\n"
    "  dirscribe-cli --find '*.mp3' catalogue.txt\n";

int UsageError(const std::string& message) {
    console::WriteError("dirscribe-cli: " + message +
                        "\nTry 'dirscribe-cli --help' for more information.\n");
    return kExitUsage;
}

bool ParseFormat(std::string_view text, ListFormat& format) {
    for (const FormatInfo& info : kFormats) {
        if (text == info.cliName || (text.size() == 1 && text[0] == '0' + IndexOf(info.format))) {
            format = info.format;
            return true;
        }
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args = console::Start(argc, argv);
    const auto count = static_cast<int>(args.size());

    CliOptions options;
    dirscribe::cli::FindOptions find;
    bool findMode = false;
    bool formatGiven = false;
    std::vector<std::string> operands;
    std::string eachDisc;
    dirscribe::cli::DiscLoopOptions loop;
    bool discsGiven = false;
    bool optionsEnded = false;
    for (int i = 1; i < count; ++i) {
        const std::string_view arg = args[static_cast<std::size_t>(i)];
        auto value = [&](std::string& out) {
            if (i + 1 >= count) return false;
            out = args[static_cast<std::size_t>(++i)];
            return true;
        };
        if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
            operands.emplace_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--help") {
            std::cout << kUsage;
            return kExitDone;
        } else if (arg == "--version") {
            std::cout << "dirscribe-cli " << dirscribe::kApp.VersionText() << "\n";
            return kExitDone;
        } else if (arg == "-f" || arg == "--format") {
            std::string f;
            if (!value(f)) return UsageError("option " + std::string(arg) + " needs a format");
            if (!ParseFormat(f, options.format)) return UsageError("unknown format '" + f + "'");
            formatGiven = true;
        } else if (arg == "--find") {
            if (!value(find.pattern) || find.pattern.empty())
                return UsageError("option --find needs a pattern");
            findMode = true;
        } else if (arg == "--regex") {
            find.regex = true;
        } else if (arg == "--each-disc") {
            if (!value(eachDisc) || eachDisc.empty())
                return UsageError("option --each-disc needs a drive");
        } else if (arg == "--discs") {
            std::string n;
            if (!value(n) || n.empty() || n.size() > 6 ||
                n.find_first_not_of("0123456789") != std::string::npos || std::stoi(n) < 1) {
                return UsageError("option --discs needs a number of discs, 1 or more");
            }
            loop.discs = std::stoi(n);
            discsGiven = true;
        } else if (arg == "--ask-description") {
            loop.askDescription = true;
        } else if (arg == "-m" || arg == "--mask") {
            if (!value(options.mask))
                return UsageError("option " + std::string(arg) + " needs a mask");
        } else if (arg == "-d" || arg == "--dirs-only") {
            options.dirsOnly = true;
        } else if (arg == "-D" || arg == "--description") {
            if (!value(options.description)) {
                return UsageError("option " + std::string(arg) + " needs a text");
            }
            // It goes into every heading: a line end in it would forge lines of the list.
            if (dirscribe::HasControls(options.description)) {
                return UsageError("option " + std::string(arg) + " holds a control character");
            }
        } else if (arg == "-n" || arg == "--new" || arg == "-a" || arg == "--append") {
            const bool isNew = arg == "-n" || arg == "--new";
            std::string& file = isNew ? options.newList : options.append;
            // Given twice, one of the two names would be dropped without a word.
            if (!file.empty()) {
                return UsageError(std::string(isNew ? "--new" : "--append") +
                                  " may be given only once");
            }
            if (!value(file) || file.empty()) {
                return UsageError("option " + std::string(arg) + " needs a file name");
            }
        } else if (arg == "-y" || arg == "--overwrite") {
            options.overwrite = true;
        } else if (arg == "--label") {
            std::string label;
            if (!value(label)) return UsageError("option --label needs a text");
            if (dirscribe::HasControls(label)) {
                return UsageError("option --label holds a control character");
            }
            options.label = label;
        } else if (arg == "--eject") {
            options.eject = true;
        } else if (arg == "-q" || arg == "--quiet") {
            options.quiet = true;
        } else {
            return UsageError("unknown option '" + std::string(arg) + "'");
        }
    }
    if (findMode) {
        if (operands.empty()) return UsageError("--find needs at least one list file");
        find.lists = operands;
        // Only the CSV family means anything for the matches.
        find.csv = formatGiven && dirscribe::IsCsvFormat(options.format);
        return dirscribe::cli::RunFind(find);
    }
    if (find.regex) return UsageError("--regex goes with --find");
    if (eachDisc.empty() && (discsGiven || loop.askDescription)) {
        return UsageError("--discs and --ask-description go with --each-disc");
    }
    if (!eachDisc.empty()) {
        if (!operands.empty()) return UsageError("--each-disc lists discs, not a start folder");
        if (options.label) return UsageError("--each-disc takes each disc's own label");
    } else if (operands.empty()) {
        return UsageError("no start folder given");
    }
    if (operands.size() > 1) return UsageError("only one start folder may be given");
    const std::string separators{'/', dirscribe::platform::kPathSeparator};
    if (options.mask.find_first_of(separators) != std::string::npos) {
        return UsageError("bad mask '" + options.mask + "': a mask names files, not folders");
    }
    if (options.append == "-") return UsageError("cannot append to standard output");
    if (options.newList == options.append && !options.append.empty()) {
        return UsageError("the new list and the append file must differ");
    }

    if (!eachDisc.empty()) {
        std::unique_ptr<dirscribe::cdtray::DiscDrive> drive;
        try {
            drive = dirscribe::cdtray::OpenDiscDrive(eachDisc);
        } catch (const dirscribe::Failure& failure) {
            console::WriteError("dirscribe-cli: " + failure.Description() + "\n");
            return kExitFailed;
        }
        console::CatchInterrupt();
        dirscribe::cli::DiscLoop discLoop(options, loop, *drive, dirscribe::cli::ProcessConsole());
        return discLoop.Run();
    }
    options.startFolder = operands.front();

    // A start folder that cannot be found is a typing error, not a list of one heading.
    try {
        if (!dirscribe::platform::IsFolder(options.startFolder)) {
            console::WriteError("dirscribe-cli: start folder '" + options.startFolder +
                                "' is not a folder\n");
            return kExitFailed;
        }
    } catch (const dirscribe::Failure& failure) {
        console::WriteError("dirscribe-cli: cannot read start folder '" + options.startFolder +
                            "': " + failure.Description() + "\n");
        return kExitFailed;
    }
    options.startFolder = dirscribe::platform::AbsolutePath(options.startFolder);
    // Nor is a start folder that is there but cannot be read: it would give a list of one
    // heading and a report, and look like an empty disc.
    try {
        std::string start = options.startFolder;
        if (start.empty() || start.back() != dirscribe::platform::kPathSeparator)
            start += dirscribe::platform::kPathSeparator;
        dirscribe::platform::MakeFileSystem()->CheckReadable(start);
    } catch (const dirscribe::Failure& failure) {
        console::WriteError("dirscribe-cli: cannot read start folder '" + options.startFolder +
                            "': " + failure.Description() + "\n");
        return kExitFailed;
    }

    console::CatchInterrupt();

    dirscribe::SharedState state;
    state.OutputFormat = options.format;
    dirscribe::cli::CliFrontEnd frontEnd(options, state);
    dirscribe::ListFiles files;
    files.SetStandardOutputName(dirscribe::cli::CliFrontEnd::kStandardOutput);
    // A second Ctrl-C ends the list at the next line, with its footer.
    files.SetCutShortTest(console::InterruptedTwice);
    auto fileSystem = dirscribe::platform::MakeFileSystem();
    dirscribe::ListingRun run(state, frontEnd, files, *fileSystem);

    switch (run.Command1_Click()) {
        case dirscribe::RunOutcome::Completed:
        case dirscribe::RunOutcome::Stopped:
            if (frontEnd.ListWriteFailed()) return kExitFailed;
            return console::Interrupted() ? console::InterruptStatus() : kExitDone;
        default:
            return kExitFailed;
    }
}
