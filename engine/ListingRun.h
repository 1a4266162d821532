// SPDX-License-Identifier: MIT
// ListingRun: what a click on the Start/Stop button does.
#pragma once

#include <optional>
#include <string>

#include "engine/FrontEnd.h"
#include "engine/ListFiles.h"
#include "engine/SharedState.h"
#include "platform/FileSystem.h"
#include "platform/Regional.h"

namespace dirscribe {

class DirIO;

// How a click ended, for front ends that report it (the window ignores it).
enum class RunOutcome {
    StopAsked,  // the button read "Stop": only StopRequested was set
    Cancelled,  // a file dialog was cancelled or gave an empty name; nothing changed
    Declined,   // the overwrite question was answered No; no file was touched
    Completed,  // the tree was listed to its end
    Stopped,    // the walk ended early on a stop request; the list has its footer
    Failed,     // the 100th failure ended the run ("Error:" was shown), the two list files were
                // one file, or Abort was chosen for a list file that could not be written
};

inline constexpr int kRunFailureLimit = 100;

class ListingRun {
  public:
    ListingRun(SharedState& state, FrontEnd& frontEnd, ListFiles& files,
               platform::FileSystem& fileSystem);

    // Regional settings to use instead of the user's (tests).
    void SetRegionalSettings(platform::RegionalSettings settings) {
        regional_ = std::move(settings);
    }

    // The click on Command1. Runs the whole listing when the button reads "Start"; may be
    // entered again from a yield of the run in progress, then only sets StopRequested.
    RunOutcome Command1_Click();

  private:
    struct Click;  // what one click carries from phase to phase

    // Carries out one step of the click; a failure is retried after a yield until the run has
    // met kRunFailureLimit of them, which ends the click (Failed), as a cancelled dialog does.
    template <typename Op>
    auto Step(Click& click, Op&& op);

    // The phases of a click, in order. A phase that may end the click early returns how.
    // Reads the window's settings and asks for the list files; refuses two names of one file.
    std::optional<RunOutcome> ChooseFiles(Click& click);
    // Shows the run as busy and reads the volume label.
    void ShowRunning(Click& click);
    // Opens the list files, asking before an existing new list is replaced.
    std::optional<RunOutcome> OpenFiles(Click& click);
    // Writes the header and walks the tree. True when a second stop cut them short.
    bool WriteHeaderAndWalk(Click& click, DirIO& dirIO);
    void WriteFooter(Click& click, DirIO& dirIO);
    // Closes the list files, puts the window back and opens the tray.
    RunOutcome EndRun(Click& click, bool stopped);
    void WriteLine(Click& click, DirIO& dirIO, const std::string& line);

    // Ends a run whose list file was given up on: closes the files, puts the window back.
    RunOutcome GiveUp() noexcept;

    SharedState& state_;
    FrontEnd& frontEnd_;
    ListFiles& files_;
    platform::FileSystem& fileSystem_;
    std::optional<platform::RegionalSettings> regional_;
};

}  // namespace dirscribe
