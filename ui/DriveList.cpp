// SPDX-License-Identifier: MIT
// DriveList: the machine's drives, read again whenever the list opens.
#include "ui/DriveList.h"

#include <QAbstractItemView>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QStylePainter>

#include "ui/DriveSource.h"

namespace dirscribe::ui {

namespace {

// Whether two entries name the same drive: by device, else by top folder, else by text.
bool SameDrive(const platform::DriveInfo& a, const platform::DriveInfo& b) {
    if (!a.device.empty() || !b.device.empty()) return a.device == b.device;
    if (!a.root.empty() || !b.root.empty()) return a.root == b.root;
    return a.text == b.text;
}

}  // namespace

DriveList::DriveList(DriveSource& drives, QWidget* parent) : QComboBox(parent), drives_(drives) {
    setEditable(false);
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
}

void DriveList::Load(const std::string& path) {
    const auto drives = drives_.ListDrives();
    const int holder = platform::DriveIndexOfPath(drives, path);
    Fill(drives, holder < 0 ? 0 : holder);
}

void DriveList::Reread() {
    auto drives = drives_.ListDrives();
    const int old = currentIndex();
    int selected = 0;
    if (old >= 0 && static_cast<std::size_t>(old) < shown_.size()) {
        const platform::DriveInfo& current = shown_[static_cast<std::size_t>(old)];
        selected = -1;
        for (std::size_t i = 0; i < drives.size(); ++i) {
            if (SameDrive(drives[i], current)) {
                selected = static_cast<int>(i);
                break;
            }
        }
        if (selected < 0) {
            drives.push_back(current);
            selected = static_cast<int>(drives.size()) - 1;
        }
    }
    Fill(drives, selected);
}

std::string DriveList::SelectedRoot() const {
    const int index = currentIndex();
    if (index < 0 || static_cast<std::size_t>(index) >= shown_.size()) return {};
    return shown_[static_cast<std::size_t>(index)].root;
}

void DriveList::showPopup() {
    Reread();
    // The open list is as wide as its widest entry, also when that is wider than the box.
    view()->setMinimumWidth(view()->sizeHintForColumn(0) +
                            style()->pixelMetric(QStyle::PM_ScrollBarExtent) +
                            2 * view()->frameWidth());
    QComboBox::showPopup();
}

void DriveList::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    painter.setPen(palette().color(QPalette::Text));
    QStyleOptionComboBox option;
    initStyleOption(&option);
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    const QRect field =
        style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    int room = field.width() - 4;
    if (!option.currentIcon.isNull()) room -= option.iconSize.width() + 4;
    option.currentText = fontMetrics().elidedText(option.currentText, Qt::ElideMiddle, room);
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}

void DriveList::Fill(const std::vector<platform::DriveInfo>& drives, int selected) {
    const QSignalBlocker blocker(this);
    clear();
    const QIcon fixed = style()->standardIcon(QStyle::SP_DriveHDIcon);
    const QIcon removable = style()->standardIcon(QStyle::SP_DriveCDIcon);
    for (const auto& drive : drives) {
        addItem(drive.removable ? removable : fixed, QString::fromStdString(drive.text));
    }
    shown_ = drives;
    setCurrentIndex(selected);
}

}  // namespace dirscribe::ui
