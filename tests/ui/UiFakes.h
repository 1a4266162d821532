// SPDX-License-Identifier: MIT
// UiFakes: drives offered by the test, and the scripted dialogs the window tests answer.
#pragma once

#include <functional>
#include <map>
#include <memory>
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

// The disc drive of FakeDrives, as the test changes it: what a look finds, the discs by the
// medium change they come with (a change without a disc holds no file system), and a log.
struct FakeDiscs {
    cdtray::MediaState now;
    std::map<std::uint64_t, cdtray::MountedDisc> discs;
    std::vector<std::string> log;
    int looks = 0;
    std::function<void(FakeDiscs&)> onLook;  // the test's script, run before each look
    bool ejects = true;
};

class FakeDiscDrive final : public cdtray::DiscDrive {
  public:
    FakeDiscDrive(std::string name, FakeDiscs& discs) : name_(std::move(name)), d_(discs) {}
    std::string Name() const override { return name_; }
    cdtray::MediaState Poll() override {
        if (d_.onLook) d_.onLook(d_);
        ++d_.looks;
        return d_.now;
    }
    cdtray::MountedDisc Mount() override {
        d_.log.push_back("mount " + std::to_string(d_.now.change));
        const auto disc = d_.discs.find(d_.now.change);
        if (disc == d_.discs.end()) throw Failure(FailureNo::DeviceIO, "no file system");
        return disc->second;
    }
    void Unmount() noexcept override {}
    bool Eject() noexcept override {
        d_.log.emplace_back("eject");
        return d_.ejects;
    }

  private:
    std::string name_;
    FakeDiscs& d_;
};

class FakeDrives : public ui::DriveSource {
  public:
    FakeDiscs discs;  // the drive of every drive-list entry whose text starts with "d:"
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

    std::unique_ptr<cdtray::DiscDrive> OpenDiscDrive(const std::string& text) override {
        if (text.rfind("d:", 0) != 0 && text.rfind("/other", 0) != 0)
            throw Failure(FailureNo::BadFileName, "'" + text + "' is not an optical drive");
        return std::make_unique<FakeDiscDrive>("D:", discs);
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
