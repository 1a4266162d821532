// SPDX-License-Identifier: MIT
// WindowFrontEnd: what the run asks of the windows, done with Qt.
#include "ui/WindowFrontEnd.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTimer>
#include <functional>
#include <utility>

#include "ui/Dialogs.h"
#include "ui/DriveList.h"
#include "ui/DriveSource.h"
#include "ui/QtText.h"
#include "ui/Remembered.h"
#include "ui/Status.h"

namespace dirscribe::ui {

namespace {

// How long after a box or a menu choice an activation of the main window is still taken as
// the window system's doing (a box gone, a menu closed), not the user's.
constexpr qint64 kActivationAfterMs = 500;

// Calls `onActivate` when `window` is activated.
class ActivationWatch : public QObject {
  public:
    ActivationWatch(QWidget* window, std::function<void()> onActivate)
        : window_(window), onActivate_(std::move(onActivate)) {
        window_->installEventFilter(this);
    }
    ~ActivationWatch() override {
        if (!window_.isNull()) window_->removeEventFilter(this);
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == window_ && event->type() == QEvent::WindowActivate) onActivate_();
        return false;
    }

  private:
    QPointer<QWidget> window_;
    std::function<void()> onActivate_;
};

}  // namespace

WindowFrontEnd::WindowFrontEnd(SharedState& state, Dialogs& dialogs, DriveSource& drives,
                               const MainControls& controls)
    : state_(state), dialogs_(dialogs), drives_(drives), c_(controls) {
    frontKeeper_ = std::make_unique<ActivationWatch>(c_.window, [this] {
        if (sinceBrought_.isValid() && sinceBrought_.elapsed() < kActivationAfterMs)
            RaiseProgressUnderBox();
    });
}

WindowFrontEnd::~WindowFrontEnd() {
    delete status_.data();
    if (busy_) QApplication::restoreOverrideCursor();
}

std::string WindowFrontEnd::Command1Caption() {
    return c_.Command1->text().toStdString();
}

void WindowFrontEnd::SetCommand1Caption(const std::string& caption) {
    c_.Command1->setText(Q(caption));
}

RunSettings WindowFrontEnd::ReadSettings() {
    RunSettings s;
    s.drive = c_.Drive1->DriveText();
    s.startPath = c_.SelPath->text().toStdString();
    s.mask = c_.MaskBox->currentText().toStdString();
    s.description = c_.VolDescBox->text().toStdString();
    s.dirsOnly = c_.DFlag[1]->isChecked();
    s.newList = c_.AppFlag[0]->isChecked();
    s.append = c_.AppFlag[1]->isChecked();
    s.both = c_.AppFlag[2]->isChecked();
    return s;
}

std::string WindowFrontEnd::AskListFile(ListDialog dialog, const std::string& title,
                                        const std::string& filter) {
    QString& last = lastFileName_[dialog == ListDialog::CDlg ? 0 : 1];
    if (repeating_ && !last.isEmpty()) return last.toStdString();
    const auto chosen = dialogs_.AskFileName(c_.window, {dialog, Q(title), Q(filter), last});
    if (!chosen) throw Failure(FailureNo::DialogCancelled, "Cancel was selected.");
    last = QDir::toNativeSeparators(*chosen);
    // The Find window offers the last append file as the catalogue to search.
    if (QSettings* store = RememberedSettings(); store && dialog == ListDialog::Cdlg2)
        store->setValue(QLatin1String(kLastAppendFileKey), last);
    return last.toStdString();
}

bool WindowFrontEnd::AskYesNo(const std::string& text) {
    if (repeating_) return true;
    ShowPendingTexts();
    const bool yes = dialogs_.AskYesNo(c_.window, Q(text));
    BringProgressToFront();
    return yes;
}

void WindowFrontEnd::ShowMessage(const std::string& text) {
    ShowPendingTexts();
    dialogs_.ShowMessage(c_.window, Q(text));
    BringProgressToFront();
}

AbortRetryIgnore WindowFrontEnd::AskAbortRetryIgnore(const std::string& text, const Failure&) {
    ShowPendingTexts();
    const AbortRetryIgnore answer = dialogs_.AskAbortRetryIgnore(c_.window, Q(text));
    BringProgressToFront();
    return answer;
}

std::string WindowFrontEnd::VolumeLabel(const std::string& drive) {
    return drives_.VolumeLabel(drive);
}

void WindowFrontEnd::SetBusyPointer(bool busy) {
    if (busy == busy_) return;
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
    busy_ = busy;
}

Status& WindowFrontEnd::LoadStatus() {
    if (status_.isNull()) status_ = new Status(state_, c_.window->frameGeometry().topLeft());
    return *status_;
}

void WindowFrontEnd::ShowProgress() {
    LoadStatus().show();
    RaiseProgress();
}

void WindowFrontEnd::BringProgressToFront() {
    if (status_.isNull() || !status_->isVisible()) return;
    RaiseProgress();
    sinceBrought_.start();
    // The window system deals with the box's leaving (the main window activated and brought
    // forward) only once the run lets the event loop turn, which may be seconds later (under
    // Wine, a list file emptied and a large folder read first): the time counts from that
    // turn, and at its end the progress window comes back once more.
    QTimer::singleShot(0, status_.data(), [this] {
        sinceBrought_.start();
        QTimer::singleShot(kActivationAfterMs, status_.data(), [this] { RaiseProgressUnderBox(); });
    });
}

void WindowFrontEnd::RaiseProgressUnderBox() {
    RaiseProgress();
    // A box open by then is the run's next one (a Retry that failed again), and what brought
    // the main window forward was the last box's leaving, handled late: the new box stays in
    // front.
    if (QWidget* box = QApplication::activeModalWidget()) box->raise();
}

void WindowFrontEnd::RaiseProgress() {
    // raise() only restacks the window: the focus stays where the user put it.
    if (!status_.isNull() && status_->isVisible()) status_->raise();
}

void WindowFrontEnd::UnloadProgress() {
    ShowPendingTexts();
    if (status_.isNull()) return;
    status_->hide();
    delete status_.data();
}

void WindowFrontEnd::ShowStatus(const std::string& stat1, const std::string& stat2) {
    Status& status = LoadStatus();
    status.SetStat1(Q(stat1));
    status.SetStat2(Q(stat2));
    stat2Pending_ = false;
    Yield();
}

void WindowFrontEnd::SetStat2(const std::string& text) {
    LoadStatus();
    pendingStat2_ = Q(text);
    stat2Pending_ = true;
}

void WindowFrontEnd::SetErrorText(const std::string& text) {
    LoadStatus().SetError(Q(text));
}

void WindowFrontEnd::SetCurDir(const std::string& text) {
    pendingCurDir_ = Q(text);
    curDirPending_ = true;
}

void WindowFrontEnd::ShowPendingTexts() {
    if (curDirPending_) c_.CurDir->setText(pendingCurDir_);
    if (stat2Pending_ && !status_.isNull()) status_->SetStat2(pendingStat2_);
    curDirPending_ = stat2Pending_ = false;
    sinceShown_.start();
}

void WindowFrontEnd::Yield() {
    if ((curDirPending_ || stat2Pending_) &&
        (!sinceShown_.isValid() || sinceShown_.elapsed() >= 40)) {
        ShowPendingTexts();
    }
    QCoreApplication::processEvents();
}

void WindowFrontEnd::OpenTray(const std::string& startPath) {
    drives_.OpenCDDoor(drives_.TrayDriveOfPath(startPath));
}

}  // namespace dirscribe::ui
