// SPDX-License-Identifier: MIT
// Main: the main window, in which a listing run is set up and started: drive, start folder,
// mask, description, options, output format; and the Start/Stop button.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <array>
#include <cstdint>
#include <memory>

#include "cdtray/DiscDrive.h"
#include "engine/ListFiles.h"
#include "engine/ListingRun.h"
#include "engine/SharedState.h"
#include "platform/FileSystem.h"

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace dirscribe::ui {

class Dialogs;
class DriveList;
class DriveSource;
class FindWindow;
class FolderList;
class Status;
class WindowFrontEnd;

// Failures a drive or folder change meets before it gives up.
inline constexpr int kChangeRetryLimit = 1000;

class Main : public QMainWindow {
    Q_OBJECT

  public:
    // Creates the window and runs its load handler; the caller shows it.
    Main(SharedState& state, Dialogs& dialogs, DriveSource& drives, QWidget* parent = nullptr);
    ~Main() override;

    // The progress window while it exists, else null.
    Status* StatusWindow() const;
    // What the listing run asks of the windows (the screenshot tour asks it too).
    WindowFrontEnd& RunFrontEnd() const { return *frontEnd_; }

  signals:
    // The window was closed (Quit or its close box): the program ends.
    void Unloaded();

  protected:
    // Closing during a run stops the run; the window closes once the run has written its
    // footer and closed its files.
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    void BuildControls();
    void BuildMenu();

    void Form_Load();
    void Drive1_Change();
    void Dir1_Change();
    void Refresh_Click();
    void Command1_Click();
    void MnuOFmt_Click(ListFormat format);
    void MnuFind_Click();
    void MnuAbout_Click();
    void MnuQuit_Click();

    // After a run that ended normally with "List Disc after Disc" checked: lists each new disc
    // put into the selected drive until Cancel or Stop.
    void ListDiscAfterDisc();
    // Reads the drive again as Refresh does and starts at the top of `disc`.
    void ReadDisc(const cdtray::MountedDisc& disc);

    // Opens the folder list on the drive list's selected drive.
    void OpenSelectedDrive();
    // Carries out `step` until it succeeds. After each failure: a yield, then `between`, then
    // the count; at the limit "Error:" and the description in a box, and false.
    template <class Step, class Between>
    bool RetryStep(int& retryCount, Step&& step, Between&& between);
    void ShowError(const std::string& description);
    // Shows the start path in SelPath.
    void SetSelPath(const QString& path);

    SharedState& state_;
    Dialogs& dialogs_;
    DriveSource& drives_;

    DriveList* Drive1_ = nullptr;
    FolderList* Dir1_ = nullptr;
    QLabel* SelPath_ = nullptr;
    QLabel* VLabel_ = nullptr;
    QComboBox* MaskBox_ = nullptr;
    QPushButton* Command1_ = nullptr;
    QLineEdit* VolDescBox_ = nullptr;
    std::array<QRadioButton*, 2> DFlag_{};
    std::array<QRadioButton*, 3> AppFlag_{};
    QPushButton* Refresh_ = nullptr;
    QLabel* CurDir_ = nullptr;
    std::array<QAction*, 6> MnuOFmt_{};
    QAction* MnuDiscAfterDisc_ = nullptr;

    std::unique_ptr<WindowFrontEnd> frontEnd_;
    ListFiles files_;
    std::unique_ptr<platform::FileSystem> fileSystem_;
    std::unique_ptr<ListingRun> run_;
    QPointer<FindWindow> find_;  // the Find window while it is open

    bool running_ = false;       // inside the click that started the run in progress
    bool quitAfterRun_ = false;  // closing was asked for during the run
    bool closing_ = false;       // the window has been closed
};

}  // namespace dirscribe::ui
