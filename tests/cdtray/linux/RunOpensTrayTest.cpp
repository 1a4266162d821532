// SPDX-License-Identifier: MIT
// The listing run's last step through FrontEnd::OpenTray and the real tray control: the start
// path's drive is ejected after a complete or stopped run, not after a failed or declined one,
// and with this machine's devices (no optical drive) a run is as it would be without a tray.
#include <gtest/gtest.h>

#include <chrono>

#include "cdtray/linux/DeviceTray.h"
#include "engine/ListingRun.h"
#include "linux/RecordingDevices.h"
#include "support/ScriptedFrontEnd.h"
#include "support/TempTree.h"

namespace dirscribe::test {
namespace {

using Calls = std::vector<std::string>;

// The scripted front end, with the tray every front end has by default.
class TrayFrontEnd : public ScriptedFrontEnd {
  public:
    using ScriptedFrontEnd::ScriptedFrontEnd;
    void OpenTray(const std::string& startPath) override {
        const auto start = std::chrono::steady_clock::now();
        FrontEnd::OpenTray(startPath);
        trayTime = std::chrono::steady_clock::now() - start;
    }
    std::chrono::steady_clock::duration trayTime{};
};

class RunOpensTrayTest : public ::testing::Test {
  protected:
    RunOpensTrayTest() {
        MakeMusicTree(music);
        run.SetRegionalSettings(platform::RegionalSettings::UnitedStates());
        frontEnd.settings = {tmp.Str(), music.string(), "*.*", "", false, true, false, false};
        devices.drives[drive] = {};  // the start path's drive, taken for an optical drive
        cdtray::UseTrayDevices(&devices);
    }
    ~RunOpensTrayTest() override { cdtray::UseTrayDevices(nullptr); }

    RunOutcome RunInto(const std::string& name) {
        frontEnd.newListAnswers = {(tmp / name).string()};
        return run.Command1_Click();
    }

    TempDir tmp;
    const std::filesystem::path music = tmp / "Music";
    const std::string drive = platform::DriveOfPath(music.string());
    RecordingDevices devices;
    SharedState state;
    TrayFrontEnd frontEnd{state};
    ListFiles files;
    std::unique_ptr<platform::FileSystem> fileSystem = platform::MakeFileSystem();
    ListingRun run{state, frontEnd, files, *fileSystem};
};

TEST_F(RunOpensTrayTest, ACompleteAndAStoppedRunEjectTheStartPathsDrive) {
    EXPECT_EQ(RunInto("complete.txt"), RunOutcome::Completed);
    frontEnd.atYield[frontEnd.yields + 1] = [&] { frontEnd.PressStop(); };
    EXPECT_EQ(RunInto("stopped.txt"), RunOutcome::Stopped);
    EXPECT_EQ(devices.calls,
              (Calls{"check " + drive, "eject " + drive, "check " + drive, "eject " + drive}));
}

TEST_F(RunOpensTrayTest, NoEjectAfterTheFailureLimitOrANoToOverwriting) {
    frontEnd.labelFailures = kRunFailureLimit;
    EXPECT_EQ(RunInto("failed.txt"), RunOutcome::Failed);
    WriteFile(tmp / "existing.txt", "keep");
    frontEnd.yesNoAnswers = {false};
    EXPECT_EQ(RunInto("existing.txt"), RunOutcome::Declined);
    EXPECT_TRUE(devices.calls.empty());
}

TEST_F(RunOpensTrayTest, WithThisMachinesDevicesARunIsAsWithoutATray) {
    cdtray::UseTrayDevices(nullptr);
    EXPECT_EQ(RunInto("plain.txt"), RunOutcome::Completed);
    EXPECT_TRUE(frontEnd.messages.empty());
    EXPECT_TRUE(frontEnd.errorTexts.empty());
    EXPECT_LT(frontEnd.trayTime, std::chrono::milliseconds(250));
}

}  // namespace
}  // namespace dirscribe::test
