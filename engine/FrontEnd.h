// SPDX-License-Identifier: MIT
// FrontEnd: everything the listing run and the walker need from their surroundings (the Qt
// windows, the command-line tool, the tests), so that the engine knows no window system.
#pragma once

#include <string>

#include "base/Failure.h"

namespace dirscribe {

// The settings of one run, read once when the run begins.
struct RunSettings {
    std::string drive;        // the drive list's current text
    std::string startPath;    // the start folder as the window shows it
    std::string mask;         // the file mask, typed or chosen
    std::string description;  // the volume description
    bool dirsOnly = false;    // "Directories Only" (DFlag(1)) selected
    bool newList = false;     // AppFlag(0) "New List" selected
    bool append = true;       // AppFlag(1) "Append" selected
    bool both = false;        // AppFlag(2) "Both" selected
};

// The two file dialogs of a run.
enum class ListDialog {
    CDlg,   // the new-list file
    Cdlg2,  // the append file
};

enum class AbortRetryIgnore { Abort, Retry, Ignore };

class FrontEnd {
  public:
    virtual ~FrontEnd() = default;

    // --- the Start/Stop button ---
    virtual std::string Command1Caption() = 0;
    virtual void SetCommand1Caption(const std::string& caption) = 0;

    // --- settings and questions ---
    virtual RunSettings ReadSettings() = 0;
    // Shows a file dialog with its title and filter ("Text Files (*.txt)|*.txt") and returns the
    // chosen name. Cancel throws Failure(DialogCancelled).
    virtual std::string AskListFile(ListDialog dialog, const std::string& title,
                                    const std::string& filter) = 0;
    // A Yes/No box; true for Yes.
    virtual bool AskYesNo(const std::string& text) = 0;
    // A box with OK only.
    virtual void ShowMessage(const std::string& text) = 0;
    // The walker's box for a failure it does not report quietly; Abort is the default button.
    virtual AbortRetryIgnore AskAbortRetryIgnore(const std::string& text,
                                                 const Failure& failure) = 0;
    // The volume label of the drive read from the drive list (empty when none). The default
    // asks the platform.
    virtual std::string VolumeLabel(const std::string& drive);

    // --- busy state and progress ---
    virtual void SetBusyPointer(bool busy) = 0;
    virtual void ShowProgress() = 0;
    // Hides the progress window and destroys it with its texts.
    virtual void UnloadProgress() = 0;
    // Sets both status lines of the progress window, then yields.
    virtual void ShowStatus(const std::string& stat1, const std::string& stat2) = 0;
    virtual void SetStat2(const std::string& text) = 0;
    virtual void SetErrorText(const std::string& text) = 0;
    // Called by the walker just before it reports a failure of reading (SetErrorText or
    // AskAbortRetryIgnore), with the path of what failed: a folder (ending in the separator) or
    // an entry in one. A front end without a progress window to look at may name it; the
    // default does nothing.
    virtual void NoteFailedPath(const std::string& /*path*/, const Failure& /*failure*/) {}
    // The main window's current-folder field.
    virtual void SetCurDir(const std::string& text) = 0;
    // Lets the window system process pending events (a Stop click, Cancel, a format change).
    virtual void Yield() = 0;

    // --- the end of a run ---
    // Asks the drive of the start path to open its tray. The default hands the drive to
    // cdtray::OpenCDDoor, which leaves anything but an optical drive alone.
    virtual void OpenTray(const std::string& startPath);
};

}  // namespace dirscribe
