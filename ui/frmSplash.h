// SPDX-License-Identifier: MIT
// frmSplash: the About window: the program's title, description and version, its maker and a
// logo. Shown modally by the main window's About command.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace dirscribe::ui {

class frmSplash : public QDialog {
    Q_OBJECT

  public:
    // Creates the window and runs its load handler.
    explicit frmSplash(QWidget* parent = nullptr);

  private:
    void Form_Load();
    // Sizes a self-sizing label to its text, keeping its left edge, or its right edge when it
    // is right-aligned.
    void FitToText(QLabel* label);

    QLabel* lblProductName_;
    QLabel* AppDesc_;
    QLabel* lblVersion_;
};

}  // namespace dirscribe::ui
