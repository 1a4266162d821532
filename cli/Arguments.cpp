// SPDX-License-Identifier: MIT
// Arguments: the options are read left to right, then their combinations are checked.
#include "cli/Arguments.h"

#include <optional>
#include <string_view>

#include "base/SafeText.h"
#include "engine/ListFormats.h"
#include "platform/FileSystem.h"

namespace dirscribe::cli {

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

namespace {

using Error = std::optional<UsageError>;

Error Usage(std::string message) {
    return UsageError{std::move(message)};
}

// A format by its number (0-5) or by its name.
bool ParseFormat(std::string_view text, ListFormat& format) {
    for (const FormatInfo& info : kFormats) {
        if (text == info.cliName || (text.size() == 1 && text[0] == '0' + IndexOf(info.format))) {
            format = info.format;
            return true;
        }
    }
    return false;
}

class Parser {
  public:
    explicit Parser(const std::vector<std::string>& args) : args_(args) {}

    std::variant<Arguments, UsageError> Parse() {
        for (next_ = 0; next_ < args_.size() && !ended_;) {
            const std::string_view arg = args_[next_++];
            if (optionsEnded_ || arg.empty() || arg[0] != '-' || arg == "-") {
                operands_.emplace_back(arg);
            } else if (arg == "--") {
                optionsEnded_ = true;
            } else if (Error error = Option(arg)) {
                return *error;
            }
        }
        if (ended_) return std::move(result_);
        if (Error error = Combination()) return *error;
        return std::move(result_);
    }

  private:
    // Takes the argument after an option as its value; false when there is none.
    bool Value(std::string& out) {
        if (next_ >= args_.size()) return false;
        out = args_[next_++];
        return true;
    }

    // The options that choose what the program does.
    Error Option(std::string_view arg) {
        if (arg == "--help" || arg == "--version") {
            result_.command = arg == "--help" ? Command::Help : Command::Version;
            ended_ = true;
        } else if (arg == "-f" || arg == "--format") {
            std::string f;
            if (!Value(f)) return Usage("option " + std::string(arg) + " needs a format");
            if (!ParseFormat(f, result_.options.format)) return Usage("unknown format '" + f + "'");
            formatGiven_ = true;
        } else if (arg == "--find") {
            if (!Value(result_.find.pattern) || result_.find.pattern.empty())
                return Usage("option --find needs a pattern");
            find_ = true;
        } else if (arg == "--regex") {
            result_.find.regex = true;
        } else if (arg == "--each-disc") {
            if (!Value(result_.drive) || result_.drive.empty())
                return Usage("option --each-disc needs a drive");
        } else if (arg == "--discs") {
            std::string n;
            if (!Value(n) || n.empty() || n.size() > 6 ||
                n.find_first_not_of("0123456789") != std::string::npos || std::stoi(n) < 1) {
                return Usage("option --discs needs a number of discs, 1 or more");
            }
            result_.loop.discs = std::stoi(n);
        } else if (arg == "--ask-description") {
            result_.loop.askDescription = true;
        } else {
            return ListOption(arg);
        }
        return std::nullopt;
    }

    // The options of how to list, and any option unknown.
    Error ListOption(std::string_view arg) {
        CliOptions& options = result_.options;
        const std::string name(arg);
        if (arg == "-m" || arg == "--mask") {
            if (!Value(options.mask)) return Usage("option " + name + " needs a mask");
        } else if (arg == "-d" || arg == "--dirs-only") {
            options.dirsOnly = true;
        } else if (arg == "-D" || arg == "--description") {
            if (!Value(options.description)) return Usage("option " + name + " needs a text");
            // It goes into every heading: a line end in it would forge lines of the list.
            if (HasControls(options.description))
                return Usage("option " + name + " holds a control character");
        } else if (arg == "-n" || arg == "--new" || arg == "-a" || arg == "--append") {
            const bool isNew = arg == "-n" || arg == "--new";
            std::string& file = isNew ? options.newList : options.append;
            // Given twice, one of the two names would be dropped without a word.
            if (!file.empty())
                return Usage(std::string(isNew ? "--new" : "--append") + " may be given only once");
            if (!Value(file) || file.empty()) return Usage("option " + name + " needs a file name");
        } else if (arg == "-y" || arg == "--overwrite") {
            options.overwrite = true;
        } else if (arg == "--label") {
            std::string label;
            if (!Value(label)) return Usage("option --label needs a text");
            if (HasControls(label)) return Usage("option --label holds a control character");
            options.label = label;
        } else if (arg == "--eject") {
            options.eject = true;
        } else if (arg == "-q" || arg == "--quiet") {
            options.quiet = true;
        } else {
            return Usage("unknown option '" + name + "'");
        }
        return std::nullopt;
    }

    // What the options make of each other and of the operands, once all are read.
    Error Combination() {
        if (find_) {
            if (operands_.empty()) return Usage("--find needs at least one list file");
            result_.command = Command::Find;
            result_.find.lists = std::move(operands_);
            // Only the CSV family means anything for the matches.
            result_.find.csv = formatGiven_ && IsCsvFormat(result_.options.format);
            return std::nullopt;
        }
        const CliOptions& options = result_.options;
        const bool eachDisc = !result_.drive.empty();
        if (result_.find.regex) return Usage("--regex goes with --find");
        if (!eachDisc && (result_.loop.discs > 0 || result_.loop.askDescription))
            return Usage("--discs and --ask-description go with --each-disc");
        if (eachDisc) {
            if (!operands_.empty()) return Usage("--each-disc lists discs, not a start folder");
            if (options.label) return Usage("--each-disc takes each disc's own label");
        } else if (operands_.empty()) {
            return Usage("no start folder given");
        }
        if (operands_.size() > 1) return Usage("only one start folder may be given");
        const std::string separators{'/', platform::kPathSeparator};
        if (options.mask.find_first_of(separators) != std::string::npos)
            return Usage("bad mask '" + options.mask + "': a mask names files, not folders");
        if (options.append == "-") return Usage("cannot append to standard output");
        if (options.newList == options.append && !options.append.empty())
            return Usage("the new list and the append file must differ");
        result_.command = eachDisc ? Command::EachDisc : Command::List;
        if (!eachDisc) result_.options.startFolder = operands_.front();
        return std::nullopt;
    }

    const std::vector<std::string>& args_;
    std::size_t next_ = 0;
    Arguments result_;
    std::vector<std::string> operands_;
    bool optionsEnded_ = false;
    bool ended_ = false;  // --help or --version
    bool find_ = false;
    bool formatGiven_ = false;
};

}  // namespace

std::variant<Arguments, UsageError> ParseArguments(const std::vector<std::string>& args) {
    return Parser(args).Parse();
}

}  // namespace dirscribe::cli
