// SPDX-License-Identifier: MIT
// DriveList: the drive list of the main window (Drive1): a closed drop-down of the machine's
// drives. Its text is the selected entry's.
#pragma once

#include <QComboBox>
#include <string>
#include <vector>

#include "platform/Drives.h"

namespace dirscribe::ui {

class DriveSource;

class DriveList : public QComboBox {
    Q_OBJECT

  public:
    DriveList(DriveSource& drives, QWidget* parent = nullptr);

    // Reads the drives and selects the one holding `path` (the first when none does), without
    // raising currentIndexChanged.
    void Load(const std::string& path);
    // Reads the drives again, keeping the selected drive selected without raising
    // currentIndexChanged, even when its text has changed (a disc put in or taken out).
    // A selected drive that has gone stays in the list until another one is chosen.
    void Reread();

    // The selected entry's text.
    std::string DriveText() const { return currentText().toStdString(); }
    // The selected drive's top folder as last read; empty when none.
    std::string SelectedRoot() const;

    void showPopup() override;

  protected:
    // The closed box shortens a long entry in its middle, so that the label in brackets at
    // its end stays readable.
    void paintEvent(QPaintEvent* event) override;

  private:
    void Fill(const std::vector<platform::DriveInfo>& drives, int selected);

    DriveSource& drives_;
    std::vector<platform::DriveInfo> shown_;
};

}  // namespace dirscribe::ui
