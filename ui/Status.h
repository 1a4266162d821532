// SPDX-License-Identifier: MIT
// Status: the progress window of a listing run: two status lines, the last error, Cancel.
#pragma once

#include <QPoint>
#include <QWidget>

class QLabel;
class QPushButton;

namespace dirscribe {
struct SharedState;
}

namespace dirscribe::ui {

class Status : public QWidget {
    Q_OBJECT

  public:
    // Creates the window hidden, placed 1000 twips below and 800 to the right of `mainTopLeft`
    // (the main window's outer top-left corner), without an owner.
    Status(SharedState& state, QPoint mainTopLeft);

    void SetStat1(const QString& text);
    void SetStat2(const QString& text);
    void SetError(const QString& text);

    QLabel* Stat1() const { return stat1_; }
    QLabel* Stat2() const { return stat2_; }
    QLabel* Error() const { return error_; }
    QPushButton* Cancel() const { return cancel_; }

  protected:
    // The window takes no close request of its own: the run removes it.
    void closeEvent(QCloseEvent* event) override;

  private:
    void Form_Load(QPoint mainTopLeft);
    void Cancel_Click();

    SharedState& state_;
    QLabel* stat1_;
    QLabel* stat2_;
    QLabel* error_;
    QPushButton* cancel_;
};

}  // namespace dirscribe::ui
