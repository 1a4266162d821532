// SPDX-License-Identifier: MIT
// CliFrontEnd: the listing run's surroundings for dirscribe-cli: answers from the command
// line, reports and progress on standard error, Ctrl-C as Stop.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "engine/FrontEnd.h"
#include "engine/SharedState.h"

namespace dirscribe::cli {

// What the command line asked for.
struct CliOptions {
    std::string startFolder;
    ListFormat format = ListFormat::Text;
    std::string mask = "*.*";
    bool dirsOnly = false;
    std::string description;
    std::string newList;  // empty: none
    std::string append;   // empty: none
    bool overwrite = false;
    std::optional<std::string> label;
    bool eject = false;
    bool quiet = false;
};

class CliFrontEnd final : public FrontEnd {
  public:
    // The name of the new list that stands for standard output.
    static constexpr const char* kStandardOutput = "-";

    CliFrontEnd(const CliOptions& options, SharedState& state);

    std::string Command1Caption() override { return caption_; }
    void SetCommand1Caption(const std::string& caption) override { caption_ = caption; }
    RunSettings ReadSettings() override;
    std::string AskListFile(ListDialog dialog, const std::string& title,
                            const std::string& filter) override;
    bool AskYesNo(const std::string& text) override;
    void ShowMessage(const std::string& text) override;
    AbortRetryIgnore AskAbortRetryIgnore(const std::string& text, const Failure& failure) override;
    std::string VolumeLabel(const std::string& drive) override;
    void SetBusyPointer(bool) override {}
    void ShowProgress() override {}
    void UnloadProgress() override;
    void ShowStatus(const std::string& stat1, const std::string& stat2) override;
    void SetStat2(const std::string& text) override { stat2_ = text; }
    void SetErrorText(const std::string& text) override;
    void NoteFailedPath(const std::string& path, const Failure& failure) override;
    void SetCurDir(const std::string&) override {}
    void Yield() override;
    void OpenTray(const std::string& startPath) override;

    // Whether lines were lost because a list file could not be written.
    bool ListWriteFailed() const { return listWriteFailed_; }
    // Replaces the check for Ctrl-C that turns into Stop (the console's by default).
    void SetInterruptCheck(std::function<bool()> check) { interrupted_ = std::move(check); }

  private:
    void Report(const std::string& text);
    // Reports what the walker could not read, by the path NoteFailedPath gave when it did, and
    // a failure met again at once (a folder that can be listed neither for its sub-folders nor
    // for its files) only once; `text` otherwise.
    void ReportReadFailure(const std::string& text);
    void ClearProgress();

    const CliOptions& options_;
    SharedState& state_;
    std::string caption_ = "Start";
    std::string stat2_;
    std::string pendingReport_;  // the path and failure the walker is about to report
    std::string lastReadReport_;
    bool progress_ = false;  // progress lines on a terminal
    bool progressShown_ = false;
    bool listWriteFailed_ = false;
    std::chrono::steady_clock::time_point lastProgress_{};
    std::function<bool()> interrupted_;
};

}  // namespace dirscribe::cli
