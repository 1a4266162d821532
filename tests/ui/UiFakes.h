// SPDX-License-Identifier: MIT
// UiFakes: drives offered by the test, and the scripted dialogs the window tests answer.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "base/Failure.h"
#include "ui/DriveSource.h"
#include "ui/ScriptedDialogs.h"

namespace dirscribe::test {

using ui::ScriptedDialogs;
using ui::WhenModal;

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

}  // namespace dirscribe::test
