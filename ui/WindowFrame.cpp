// SPDX-License-Identifier: MIT
// WindowFrame: an event filter writes the Motif hints just before the window is mapped; on a
// system without X11 it does nothing.
#include "ui/WindowFrame.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>

#include "ui/MotifHints.h"

namespace dirscribe::ui {

namespace {

// The Motif window manager hints' bits.
constexpr unsigned kFunctionMove = 4;
constexpr unsigned kFunctionClose = 32;
constexpr unsigned kDecorBorder = 2;
constexpr unsigned kDecorTitle = 8;
constexpr unsigned kDecorMenu = 16;

MotifHints HintsOf(FrameKind kind) {
    switch (kind) {
        case FrameKind::Main:
        case FrameKind::Dialog:
            return {kFunctionMove | kFunctionClose, kDecorBorder | kDecorTitle | kDecorMenu};
        case FrameKind::Tool:
        case FrameKind::Box:
            return {kFunctionMove, kDecorBorder | kDecorTitle};
    }
    return {};
}

class FrameKeeper : public QObject {
  public:
    FrameKeeper(QWidget* window, FrameKind kind) : QObject(window), kind_(kind) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        // The show event comes after the native window is made and before it is mapped,
        // which is when a window manager reads the hints. A window that changes its own flags
        // while it shows (a message box without an escape button drops its close button)
        // makes Qt write its hints again: they are written once more when the show is done.
        if (event->type() == QEvent::Show && watched == parent()) {
            auto* window = static_cast<QWidget*>(watched);
            WriteMotifHints(*window, HintsOf(kind_));
            QTimer::singleShot(0, this, [this, window] {
                if (window->isVisible()) WriteMotifHints(*window, HintsOf(kind_));
            });
        }
        return false;
    }

  private:
    FrameKind kind_;
};

}  // namespace

void KeepFrame(QWidget* window, FrameKind kind) {
    window->installEventFilter(new FrameKeeper(window, kind));
}

}  // namespace dirscribe::ui
