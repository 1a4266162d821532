// UiFakes: dialogs answered by the test, drives offered by it, and helpers for modal windows.
#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "base/Failure.h"
#include "ui/Dialogs.h"
#include "ui/DriveSource.h"

namespace dirscribe::test {

// Answers every dialog from the queues the test fills, and records what was asked.
class ScriptedDialogs : public ui::Dialogs {
  public:
    std::deque<std::optional<QString>> fileAnswers;  // nothing: Cancel
    std::deque<bool> yesNoAnswers;
    std::deque<AbortRetryIgnore> abortRetryIgnoreAnswers;

    std::vector<ui::FileDialogRequest> fileRequests;
    QStringList questions;
    QStringList messages;
    QStringList boxes;

    std::optional<QString> AskFileName(QWidget*, const ui::FileDialogRequest& request) override {
        fileRequests.push_back(request);
        return Take(fileAnswers, std::optional<QString>());
    }
    bool AskYesNo(QWidget*, const QString& text) override {
        questions << text;
        return Take(yesNoAnswers, false);
    }
    void ShowMessage(QWidget*, const QString& text) override { messages << text; }
    AbortRetryIgnore AskAbortRetryIgnore(QWidget*, const QString& text) override {
        boxes << text;
        return Take(abortRetryIgnoreAnswers, AbortRetryIgnore::Ignore);
    }

  private:
    template <class T>
    static T Take(std::deque<T>& queue, T otherwise) {
        if (queue.empty()) return otherwise;
        T value = queue.front();
        queue.pop_front();
        return value;
    }
};

// A drive of FakeDrives: where it opens, its label, and how often it fails before it is ready.
struct FakeDrive {
    std::string text;
    std::string root;
    std::string current;
    std::string label;
    int openFailures = 0;   // OpenDrive fails this many times first (-1: always)
    int labelFailures = 0;  // VolumeLabel likewise
};

class FakeDrives : public ui::DriveSource {
  public:
    std::vector<FakeDrive> drives;
    std::string currentFolder;
    std::vector<std::string> opened;  // tray drives handed to OpenCDDoor
    std::vector<std::string> closed;  // and to CloseCDDoor
    std::function<void()> onCloseCDDoor;

    std::vector<platform::DriveInfo> ListDrives() override {
        std::vector<platform::DriveInfo> list;
        for (const auto& d : drives) list.push_back({d.text, d.root, "dev:" + d.text, false});
        return list;
    }
    std::string CurrentFolder() override { return currentFolder; }
    platform::DriveFolder OpenDrive(const std::string& text) override {
        FakeDrive& d = Find(text);
        Fail(d.openFailures, "Disk not ready: " + text);
        return {d.root, d.current};
    }
    std::string VolumeLabel(const std::string& text) override {
        FakeDrive& d = Find(text);
        Fail(d.labelFailures, "Label unreadable: " + text);
        return d.label;
    }
    std::string TrayDriveOfText(const std::string& text) override { return "tray:" + text; }
    std::string TrayDriveOfPath(const std::string& path) override { return "tray-of:" + path; }
    void OpenCDDoor(const std::string& drive) override { opened.push_back(drive); }
    void CloseCDDoor(const std::string& drive) override {
        closed.push_back(drive);
        if (onCloseCDDoor) onCloseCDDoor();
    }

  private:
    FakeDrive& Find(const std::string& text) {
        for (auto& d : drives) {
            if (d.text == text) return d;
        }
        throw Failure(FailureNo::PathNotFound, "no drive " + text);
    }
    static void Fail(int& failures, const std::string& description) {
        if (failures == 0) return;
        if (failures > 0) --failures;
        throw Failure(FailureNo::DiskNotReady, description);
    }
};

// Calls `act` with the modal window once one is up (a dialog shown with exec()); gives up after
// about five seconds, so that a window that never shows fails the test rather than hanging it.
inline void WhenModal(std::function<void(QWidget*)> act, int triesLeft = 500) {
    QTimer::singleShot(10, [act = std::move(act), triesLeft]() mutable {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            act(modal);
        } else if (triesLeft > 0) {
            WhenModal(std::move(act), triesLeft - 1);
        }
    });
}

}  // namespace dirscribe::test
