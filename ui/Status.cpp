// SPDX-License-Identifier: MIT
// Status: a tool window without close button, owner or task-bar entry; its labels wrap at
// spaces inside boxes that never grow, and show whole lines only.
#include "ui/Status.h"

#include <QCloseEvent>
#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>

#include "engine/SharedState.h"
#include "ui/EnterPress.h"
#include "ui/SpaceWrapLabel.h"
#include "ui/Twips.h"
#include "ui/WindowFrame.h"

namespace dirscribe::ui {

namespace {

QLabel* MakeLabel(QWidget* parent, const char* name, QRect box) {
    auto* label = new SpaceWrapLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(box);
    label->setFixedSize(box.size());
    return label;
}

}  // namespace

Status::Status(SharedState& state, QPoint mainTopLeft)
    : QWidget(nullptr, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint), state_(state) {
    setObjectName(QStringLiteral("Status"));
    setWindowTitle(QStringLiteral("Dirscribe Progress"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    KeepFrame(this, FrameKind::Tool);
    // The window has no icon; without one of its own it would show the program's.
    QPixmap clear(16, 16);
    clear.fill(Qt::transparent);
    setWindowIcon(QIcon(clear));
    const Twips dpi = Twips::Of(*this);
    setFixedSize(dpi.X(6045), dpi.Y(2445));

    // Created in tab order; on screen Error lies between Stat2 and Cancel.
    stat1_ = MakeLabel(this, "Stat1", dpi.Rect(180, 180, 5655, 495));
    stat2_ = MakeLabel(this, "Stat2", dpi.Rect(180, 840, 5655, 615));
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancel_->setObjectName(QStringLiteral("Cancel"));
    cancel_->setGeometry(dpi.Rect(2400, 2040, 1155, 315));
    cancel_->setAutoDefault(false);
    cancel_->setDefault(false);
    // Enter presses Cancel only while it has the focus, as Space does.
    PressOnEnter(cancel_);
    error_ = MakeLabel(this, "Error", dpi.Rect(180, 1560, 5655, 495));
    connect(cancel_, &QPushButton::clicked, this, [this] { Cancel_Click(); });

    Form_Load(mainTopLeft);
}

void Status::Form_Load(QPoint mainTopLeft) {
    // 1000 twips down and 800 across from the main window, even where that is off screen.
    const Twips dpi = Twips::Of(*this);
    move(mainTopLeft.x() + dpi.X(800), mainTopLeft.y() + dpi.Y(1000));
}

void Status::Cancel_Click() {
    state_.StopRequested = true;
}

void Status::SetStat1(const QString& text) {
    stat1_->setText(text);
}

void Status::SetStat2(const QString& text) {
    stat2_->setText(text);
}

void Status::SetError(const QString& text) {
    error_->setText(text);
}

void Status::closeEvent(QCloseEvent* event) {
    event->ignore();
}

}  // namespace dirscribe::ui
