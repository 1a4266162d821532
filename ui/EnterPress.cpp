// SPDX-License-Identifier: MIT
// EnterPress: Qt's push buttons take Enter only as a dialog's default buttons, whereas on
// Windows any focused button takes it; a small event filter on the button gives it that.
#include "ui/EnterPress.h"

#include <QAbstractButton>
#include <QKeyEvent>

namespace dirscribe::ui {

namespace {

class EnterPresser : public QObject {
  public:
    explicit EnterPresser(QAbstractButton* button) : QObject(button), button_(button) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != button_ || event->type() != QEvent::KeyPress) return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) return false;
        if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) return false;
        // Holding the key down does not start and stop a run over and over.
        if (!key->isAutoRepeat() && button_->isEnabled()) button_->click();
        return true;
    }

  private:
    QAbstractButton* button_;
};

}  // namespace

void PressOnEnter(QAbstractButton* button) {
    button->installEventFilter(new EnterPresser(button));
}

}  // namespace dirscribe::ui
