// SPDX-License-Identifier: MIT
// ScriptedDialogs: answers from queues, then standing answers.
#include "ui/ScriptedDialogs.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <cstdio>

namespace dirscribe::ui {

namespace {

template <class T>
T Take(std::deque<T>& queue, const T& otherwise) {
    if (queue.empty()) return otherwise;
    T value = queue.front();
    queue.pop_front();
    return value;
}

}  // namespace

std::optional<QString> ScriptedDialogs::AskFileName(QWidget*, const FileDialogRequest& request) {
    fileRequests.push_back(request);
    return Take(fileAnswers, fileAnswer);
}

std::optional<QStringList> ScriptedDialogs::AskExistingFiles(QWidget*,
                                                             const FileDialogRequest& request) {
    fileRequests.push_back(request);
    return Take(filesAnswers, std::optional<QStringList>());
}

bool ScriptedDialogs::AskYesNo(QWidget*, const QString& text) {
    questions << text;
    return Take(yesNoAnswers, yesNoAnswer);
}

void ScriptedDialogs::ShowMessage(QWidget*, const QString& text) {
    messages << text;
    Echo(text);
}

AbortRetryIgnore ScriptedDialogs::AskAbortRetryIgnore(QWidget*, const QString& text) {
    boxes << text;
    Echo(text);
    return Take(abortRetryIgnoreAnswers, abortRetryIgnoreAnswer);
}

void ScriptedDialogs::Echo(const QString& text) const {
    if (!echoAs.isEmpty()) std::fprintf(stderr, "%s: %s\n", qPrintable(echoAs), qPrintable(text));
}

void WhenModal(std::function<void(QWidget*)> act, int tries) {
    QTimer::singleShot(10, [act = std::move(act), tries]() mutable {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            act(modal);
        } else if (tries > 0) {
            WhenModal(std::move(act), tries - 1);
        }
    });
}

}  // namespace dirscribe::ui
