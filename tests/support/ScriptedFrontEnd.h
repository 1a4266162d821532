// SPDX-License-Identifier: MIT
// ScriptedFrontEnd: a front end whose answers and actions are set by the test, and which
// records what the run showed.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "engine/FrontEnd.h"
#include "engine/SharedState.h"

namespace dirscribe::test {

class ScriptedFrontEnd : public FrontEnd {
  public:
    explicit ScriptedFrontEnd(SharedState& state) : state_(state) {}

    // --- what the test sets ---
    RunSettings settings;
    // Answers of the two dialogs, used in turn; "<cancel>" cancels.
    std::deque<std::string> newListAnswers;
    std::deque<std::string> appendAnswers;
    std::deque<bool> yesNoAnswers;
    // Decides the walker's Abort/Retry/Ignore box; Ignore when unset.
    std::function<AbortRetryIgnore(const std::string&, const Failure&)> onAbortRetryIgnore;
    // Runs at the n-th yield (1 = first).
    std::map<int, std::function<void()>> atYield;
    // The volume label; a failure to throw instead, for as many calls as `labelFailures` says.
    std::string label = "MUSIC01";
    int labelFailures = 0;

    // --- what the run did ---
    std::string caption = "Start";
    bool busy = false;
    bool progressLoaded = false;
    bool progressVisible = false;
    std::string stat1, stat2, errorText, curDir;
    std::vector<std::string> errorTexts;  // every quiet report, in order
    std::vector<std::string> boxTexts;    // every Abort/Retry/Ignore box
    std::vector<std::string> messages;    // OK boxes
    std::vector<std::string> questions;   // Yes/No boxes
    std::vector<std::string> dialogTitles;
    std::vector<std::string> dialogFilters;
    std::vector<std::string> curDirs;  // every CurDir text
    std::vector<std::string> trays;    // start paths handed to the tray
    int yields = 0;
    int unloads = 0;

    std::string Command1Caption() override { return caption; }
    void SetCommand1Caption(const std::string& c) override { caption = c; }
    RunSettings ReadSettings() override { return settings; }
    std::string AskListFile(ListDialog dialog, const std::string& title,
                            const std::string& filter) override {
        dialogTitles.push_back(title);
        dialogFilters.push_back(filter);
        auto& answers = dialog == ListDialog::CDlg ? newListAnswers : appendAnswers;
        std::string answer = answers.empty() ? std::string() : answers.front();
        if (!answers.empty()) answers.pop_front();
        if (answer == "<cancel>") throw Failure(FailureNo::DialogCancelled, "Cancel was selected.");
        return answer;
    }
    bool AskYesNo(const std::string& text) override {
        questions.push_back(text);
        bool answer = yesNoAnswers.empty() ? false : yesNoAnswers.front();
        if (!yesNoAnswers.empty()) yesNoAnswers.pop_front();
        return answer;
    }
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    AbortRetryIgnore AskAbortRetryIgnore(const std::string& text, const Failure& f) override {
        boxTexts.push_back(text);
        return onAbortRetryIgnore ? onAbortRetryIgnore(text, f) : AbortRetryIgnore::Ignore;
    }
    std::string VolumeLabel(const std::string&) override {
        if (labelFailures > 0) {
            --labelFailures;
            throw Failure(FailureNo::DiskNotReady, "Disk not ready");
        }
        return label;
    }
    void SetBusyPointer(bool b) override { busy = b; }
    void ShowProgress() override { progressLoaded = progressVisible = true; }
    void UnloadProgress() override {
        progressLoaded = progressVisible = false;
        stat1.clear();
        stat2.clear();
        errorText.clear();
        ++unloads;
    }
    void ShowStatus(const std::string& a, const std::string& b) override {
        progressLoaded = true;
        stat1 = a;
        stat2 = b;
        Yield();
    }
    void SetStat2(const std::string& t) override {
        progressLoaded = true;
        stat2 = t;
    }
    void SetErrorText(const std::string& t) override {
        progressLoaded = true;
        errorText = t;
        errorTexts.push_back(t);
    }
    void SetCurDir(const std::string& t) override {
        curDir = t;
        curDirs.push_back(t);
    }
    void Yield() override {
        ++yields;
        auto it = atYield.find(yields);
        if (it != atYield.end()) it->second();
    }
    void OpenTray(const std::string& startPath) override { trays.push_back(startPath); }

    // What a click on Stop or Cancel does while the run yields.
    void PressStop() { state_.StopRequested = true; }

  private:
    SharedState& state_;
};

}  // namespace dirscribe::test
