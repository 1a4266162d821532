// SPDX-License-Identifier: MIT
// WindowFrontEnd: the listing run's surroundings in the windows: the main window's controls,
// the file dialogs and boxes, the progress window, the hourglass and the yield.
#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QString>
#include <array>
#include <memory>

#include "engine/FrontEnd.h"
#include "engine/SharedState.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QWidget;

namespace dirscribe::ui {

class Dialogs;
class DriveList;
class DriveSource;
class Status;

// The controls of the main window that a run reads and writes.
struct MainControls {
    QWidget* window = nullptr;
    QPushButton* Command1 = nullptr;
    DriveList* Drive1 = nullptr;
    QLabel* SelPath = nullptr;
    QComboBox* MaskBox = nullptr;
    QLineEdit* VolDescBox = nullptr;
    std::array<QRadioButton*, 2> DFlag{};
    std::array<QRadioButton*, 3> AppFlag{};
    QLabel* CurDir = nullptr;
};

class WindowFrontEnd final : public FrontEnd {
  public:
    WindowFrontEnd(SharedState& state, Dialogs& dialogs, DriveSource& drives,
                   const MainControls& controls);
    ~WindowFrontEnd() override;
    WindowFrontEnd(const WindowFrontEnd&) = delete;
    WindowFrontEnd& operator=(const WindowFrontEnd&) = delete;

    std::string Command1Caption() override;
    void SetCommand1Caption(const std::string& caption) override;
    RunSettings ReadSettings() override;
    std::string AskListFile(ListDialog dialog, const std::string& title,
                            const std::string& filter) override;
    bool AskYesNo(const std::string& text) override;
    void ShowMessage(const std::string& text) override;
    AbortRetryIgnore AskAbortRetryIgnore(const std::string& text, const Failure& failure) override;
    std::string VolumeLabel(const std::string& drive) override;
    void SetBusyPointer(bool busy) override;
    void ShowProgress() override;
    void UnloadProgress() override;
    void ShowStatus(const std::string& stat1, const std::string& stat2) override;
    void SetStat2(const std::string& text) override;
    void SetErrorText(const std::string& text) override;
    void SetCurDir(const std::string& text) override;
    void Yield() override;
    void OpenTray(const std::string& startPath) override;

    // The progress window while it exists, else null.
    Status* StatusWindow() const { return status_; }
    // Brings a visible progress window back over the main window, which a box of the run or
    // the Output Format menu has brought to the front, without taking the focus: at once, and
    // again should the window system activate the main window shortly after.
    void BringProgressToFront();

    // While on, a run asks nothing it was answered before: each file dialog gives the file
    // chosen last, and the question about an existing new list is answered Yes (the loop that
    // repeats the run adds to that list rather than emptying it).
    void SetRepeating(bool on) { repeating_ = on; }

  private:
    // The progress window, created hidden next to the main window when it does not exist.
    Status& LoadStatus();
    // Puts the folder texts the walk gave since the last time on screen.
    void ShowPendingTexts();
    void RaiseProgress();
    // Raises the progress window, and over it a box the run has open by then.
    void RaiseProgressUnderBox();

    SharedState& state_;
    Dialogs& dialogs_;
    DriveSource& drives_;
    MainControls c_;
    QPointer<Status> status_;
    // Watches the main window's activation for BringProgressToFront.
    std::unique_ptr<QObject> frontKeeper_;
    QElapsedTimer sinceBrought_;
    // The walk names every folder it enters; the labels show the latest a few dozen times a
    // second, so that a tree of many small folders is not slowed down by repainting them.
    QString pendingCurDir_;
    QString pendingStat2_;
    bool curDirPending_ = false;
    bool stat2Pending_ = false;
    QElapsedTimer sinceShown_;
    std::array<QString, 2> lastFileName_;  // CDlg, Cdlg2: each offers its last choice again
    bool busy_ = false;
    bool repeating_ = false;
};

}  // namespace dirscribe::ui
