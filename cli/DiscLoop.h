// SPDX-License-Identifier: MIT
// DiscLoop: dirscribe-cli --each-disc, the disc-by-disc loop of the catalogue with its lines on
// standard error, each disc listed as a command-line run.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "catalogue/DiscLoop.h"
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
    std::function<bool()> interrupted;     // Ctrl-C was pressed
    std::function<int()> interruptStatus;  // the exit status that tells which signal it was
                                           // (130 Ctrl-C, 143 SIGTERM, 129 SIGHUP); none: 130
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

class DiscLoop final : private catalogue::DiscLoopHost {
  public:
    // `listing` holds what every disc is listed with (format, mask, lists, description);
    // its start folder and label are each disc's.
    DiscLoop(CliOptions listing, const DiscLoopOptions& options, cdtray::DiscDrive& drive,
             DiscLoopConsole console);

    // Runs until Ctrl-C or the given number of discs. Returns the exit status: 0 when ended
    // while waiting or after the last disc, 130 when Ctrl-C stopped a listing (its block has
    // its footer; 143 or 129 when SIGTERM or SIGHUP did), 1 when a list could not be written
    // (the loop cannot go on).
    int Run();

  private:
    bool Interrupted() override { return console_.interrupted(); }
    void Sleep(std::chrono::milliseconds time) override { console_.sleep(time); }
    void Waiting(bool first) override;
    void Report(const std::string& text) override { console_.report(text); }
    std::optional<std::string> Description(int number, const std::string& label) override;
    catalogue::DiscListed ListDisc(int number, const cdtray::MountedDisc& disc,
                                   const std::string& description, bool later) override;

    catalogue::DiscListed ListOnce(const cdtray::MountedDisc& disc, const std::string& description,
                                   bool later, DiscCounts& counts);
    bool NewListMayBeWritten();
    // The exit status of the signal that stopped a listing (130 Ctrl-C, 143 SIGTERM, 129
    // SIGHUP); 0 when the console cannot tell.
    int StopStatus() const { return console_.interruptStatus ? console_.interruptStatus() : 0; }
    void Summary(const catalogue::DiscLoop& loop);

    CliOptions listing_;
    DiscLoopOptions options_;
    cdtray::DiscDrive& drive_;
    DiscLoopConsole console_;
    DiscCounts total_;
};

// dirscribe-cli --each-disc: opens `drive` and runs the loop on it with this process's console.
// Returns the loop's exit status, or 1 when the drive cannot be opened (named on standard
// error).
int RunEachDisc(const CliOptions& listing, const DiscLoopOptions& options,
                const std::string& drive);

}  // namespace dirscribe::cli
