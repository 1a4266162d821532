// SPDX-License-Identifier: MIT
// DiscAfterDisc: the window's "List Disc after Disc": after a run that ended normally and
// opened the tray, the progress window waits for the next disc, and each new disc is listed
// by the same run again, with the same settings and list files and no questions.
#pragma once

#include <functional>
#include <string>

#include "catalogue/DiscLoop.h"
#include "engine/ListingRun.h"

class QLineEdit;

namespace dirscribe {
struct SharedState;
}

namespace dirscribe::ui {

class WindowFrontEnd;

// What the loop does with the main window.
struct DiscAfterDiscWindow {
    SharedState* state = nullptr;
    WindowFrontEnd* frontEnd = nullptr;
    QLineEdit* description = nullptr;  // the description box, counted up while waiting
    // Reads the drive again as Refresh does, and makes the disc's top folder the start path.
    std::function<void(const cdtray::MountedDisc&)> readDisc;
    // Runs the listing once more, as Start does.
    std::function<RunOutcome()> run;
    // The main window is being closed.
    std::function<bool()> closing;
};

class DiscAfterDisc final : public catalogue::DiscLoopHost {
  public:
    // `driveName` as messages name the drive ("D:", "/dev/sr0").
    DiscAfterDisc(DiscAfterDiscWindow window, std::string driveName);

    bool Interrupted() override;
    // Waits without spending processor time; the windows keep answering meanwhile.
    void Sleep(std::chrono::milliseconds time) override;
    void Waiting(bool first) override;
    void Report(const std::string& text) override;
    std::optional<std::string> Description(int number, const std::string& label) override;
    catalogue::DiscListed ListDisc(int number, const cdtray::MountedDisc& disc,
                                   const std::string& description, bool later) override;

  private:
    DiscAfterDiscWindow w_;
    std::string driveName_;
    bool countUp_ = true;  // a disc was listed since the description was last counted up
};

}  // namespace dirscribe::ui
