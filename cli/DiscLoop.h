// SPDX-License-Identifier: MIT
// DiscLoop: dirscribe-cli --each-disc, cataloguing a stack of discs one after another: wait for
// a disc, list it, eject it, wait for the next.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "cdtray/DiscDrive.h"
#include "cli/CliFrontEnd.h"

namespace dirscribe::cli {

struct DiscLoopOptions {
    int discs = 0;  // stop after this many discs were listed; 0: until Ctrl-C
    bool askDescription = false;
    std::chrono::milliseconds pollInterval{250};
};

// What the loop needs of the console, replaced in tests.
struct DiscLoopConsole {
    std::function<bool()> interrupted;                     // Ctrl-C was pressed
    std::function<void(std::chrono::milliseconds)> sleep;  // waits between two looks
    std::function<void(std::string_view)> report;          // a line on standard error
    std::function<std::optional<std::string>(const std::string&)> askLine;  // nullopt: no answer
    bool canAsk = false;                                                    // a person can answer
};

// The console of this process: Ctrl-C, a real sleep, standard error, a line from the terminal.
DiscLoopConsole ProcessConsole();

// The counts of one listing, or of all.
struct DiscCounts {
    std::int64_t folders = 0;
    std::int64_t files = 0;
    std::int64_t bytes = 0;
    void Add(const DiscCounts& other) {
        folders += other.folders;
        files += other.files;
        bytes += other.bytes;
    }
};

class DiscLoop {
  public:
    // `listing` holds what every disc is listed with (format, mask, lists, description);
    // its start folder and label are each disc's.
    DiscLoop(const CliOptions& listing, const DiscLoopOptions& options, cdtray::DiscDrive& drive,
             DiscLoopConsole console);

    // Runs until Ctrl-C or the given number of discs. Returns the exit status: 0 when ended
    // while waiting or after the last disc, 130 when Ctrl-C stopped a listing (its block has
    // its footer), 1 when a list could not be written (the loop cannot go on).
    int Run();

  private:
    enum class Waited { Disc, Interrupted };
    enum class Listed { Done, Stopped, Failed };

    Waited WaitForNewDisc();
    Listed ListDisc(const cdtray::MountedDisc& disc, const std::string& description,
                    DiscCounts& counts);
    bool NewListMayBeWritten();
    void Summary();

    CliOptions listing_;
    DiscLoopOptions options_;
    cdtray::DiscDrive& drive_;
    DiscLoopConsole console_;
    bool absentSeen_ = true;  // the drive was seen without a disc since the last disc listed
    std::optional<std::uint64_t> lastChange_;
    int listed_ = 0;
    int unreadable_ = 0;
    DiscCounts total_;
};

}  // namespace dirscribe::cli
