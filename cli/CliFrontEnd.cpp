// SPDX-License-Identifier: MIT
// CliFrontEnd: reports on standard error, progress on a terminal, Ctrl-C as Stop.
#include "cli/CliFrontEnd.h"

#include <iostream>
#include <utility>

#include "base/SafeText.h"
#include "base/Utf8.h"
#include "engine/ListFormats.h"
#include "platform/Console.h"

namespace dirscribe::cli {

namespace console = platform::console;

namespace {

// Box and label texts hold CR LF between their lines; a report is one line of its own here.
std::string OneLine(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, 2, "\r\n") == 0) {
            out += "; ";
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

}  // namespace

CliFrontEnd::CliFrontEnd(const CliOptions& options, SharedState& state)
    : options_(options),
      state_(state),
      progress_(!options.quiet && console::IsTerminal(console::Stream::Error)),
      interrupted_(console::Interrupted) {}

RunSettings CliFrontEnd::ReadSettings() {
    RunSettings s;
    s.drive = options_.startFolder;
    s.startPath = options_.startFolder;
    s.mask = options_.mask;
    s.description = options_.description;
    s.dirsOnly = options_.dirsOnly;
    const bool toNew = !options_.newList.empty();
    const bool toAppend = !options_.append.empty();
    s.newList = !toAppend || toNew;
    s.append = toAppend && !toNew;
    s.both = toAppend && toNew;
    return s;
}

std::string CliFrontEnd::AskListFile(ListDialog dialog, const std::string&, const std::string&) {
    if (dialog == ListDialog::Cdlg2) return options_.append;
    return options_.newList.empty() ? kStandardOutput : options_.newList;
}

bool CliFrontEnd::AskYesNo(const std::string&) {
    if (options_.overwrite) return true;
    const std::string& name = options_.newList;
    if (console::IsTerminal(console::Stream::Input) &&
        console::IsTerminal(console::Stream::Error)) {
        ClearProgress();
        console::WriteError("dirscribe-cli: '" + name +
                            "' exists. Overwrite, losing existing content? [y/N] ");
        std::string answer;
        std::getline(std::cin, answer);
        return !answer.empty() && (answer[0] == 'y' || answer[0] == 'Y');
    }
    Report("'" + name + "' exists; give --overwrite to replace it");
    return false;
}

void CliFrontEnd::ShowMessage(const std::string& text) {
    Report(text);
}

AbortRetryIgnore CliFrontEnd::AskAbortRetryIgnore(const std::string& text, const Failure& failure) {
    if (failure.FromListFile()) {
        // The list cannot be written: there is no point walking on. The run then fails at
        // its footer and says why.
        Report(failure.Description());
        listWriteFailed_ = true;
        state_.StopRequested = true;
        return AbortRetryIgnore::Abort;
    }
    ReportReadFailure(text);
    return AbortRetryIgnore::Ignore;
}

std::string CliFrontEnd::VolumeLabel(const std::string& drive) {
    if (options_.label) return *options_.label;
    return FrontEnd::VolumeLabel(drive);
}

void CliFrontEnd::UnloadProgress() {
    ClearProgress();
}

void CliFrontEnd::ShowStatus(const std::string&, const std::string& stat2) {
    stat2_ = stat2;
    Yield();
}

void CliFrontEnd::SetErrorText(const std::string& text) {
    ReportReadFailure(text);
}

void CliFrontEnd::NoteFailedPath(const std::string& path, const Failure& failure) {
    pendingReport_ = "skipped '" + path + "': " + failure.Description();
}

void CliFrontEnd::ReportReadFailure(const std::string& text) {
    if (pendingReport_.empty()) {
        Report(OneLine(text));
        return;
    }
    std::string report = OneLine(std::exchange(pendingReport_, {}));
    if (report == lastReadReport_) return;
    lastReadReport_ = report;
    Report(report);
}

void CliFrontEnd::Yield() {
    if (interrupted_()) state_.StopRequested = true;
    if (!progress_) return;
    const auto now = std::chrono::steady_clock::now();
    if (now - lastProgress_ < std::chrono::milliseconds(250)) return;
    lastProgress_ = now;
    // Cut to the terminal's width, at a character boundary.
    const auto width = static_cast<std::size_t>(console::TerminalWidth() - 1);
    const std::string path = TerminalSafe(stat2_);
    console::ShowProgress(std::string_view(path).substr(0, LeadingCharacters(path, width)));
    progressShown_ = true;
}

void CliFrontEnd::OpenTray(const std::string& startPath) {
    if (options_.eject) FrontEnd::OpenTray(startPath);
}

void CliFrontEnd::Report(const std::string& text) {
    ClearProgress();
    // Names in a report are the walker's, masked already; a list file's name or a label may
    // still hold what a terminal would take for an escape sequence.
    console::WriteError("dirscribe-cli: " + TerminalSafe(text) + "\n");
}

void CliFrontEnd::ClearProgress() {
    if (!progressShown_) return;
    console::ClearProgress();
    progressShown_ = false;
}

}  // namespace dirscribe::cli
