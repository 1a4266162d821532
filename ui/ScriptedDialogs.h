// SPDX-License-Identifier: MIT
// ScriptedDialogs: the program's dialogs answered from a script instead of by a user, for the
// window tests, the screenshot tour and the window benchmark.
#pragma once

#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "ui/Dialogs.h"

namespace dirscribe::ui {

// Answers each dialog with the next answer of its queue, or once that is empty with its
// standing answer, and records what was asked.
class ScriptedDialogs : public Dialogs {
  public:
    std::deque<std::optional<QString>> fileAnswers;       // nothing: Cancel
    std::deque<std::optional<QStringList>> filesAnswers;  // for AskExistingFiles; then Cancel
    std::deque<bool> yesNoAnswers;
    std::deque<AbortRetryIgnore> abortRetryIgnoreAnswers;
    std::optional<QString> fileAnswer;  // the standing answers
    bool yesNoAnswer = false;
    AbortRetryIgnore abortRetryIgnoreAnswer = AbortRetryIgnore::Ignore;
    // When set, the texts of messages and Abort/Retry/Ignore boxes also go to standard error
    // after this name, so that a program run by a script tells what it met.
    QString echoAs;

    std::vector<FileDialogRequest> fileRequests;
    QStringList questions;
    QStringList messages;
    QStringList boxes;

    std::optional<QString> AskFileName(QWidget* parent, const FileDialogRequest& request) override;
    std::optional<QStringList> AskExistingFiles(QWidget* parent,
                                                const FileDialogRequest& request) override;
    bool AskYesNo(QWidget* parent, const QString& text) override;
    void ShowMessage(QWidget* parent, const QString& text) override;
    AbortRetryIgnore AskAbortRetryIgnore(QWidget* parent, const QString& text) override;

  private:
    void Echo(const QString& text) const;
};

// Calls `act` with the modal window once one is up (a window shown with exec(), which the
// program does not show through Dialogs); gives up after `tries` looks 10 ms apart, so that a
// window that never shows does not keep the caller waiting for it.
void WhenModal(std::function<void(QWidget*)> act, int tries = 500);

}  // namespace dirscribe::ui
