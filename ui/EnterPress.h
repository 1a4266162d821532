// SPDX-License-Identifier: MIT
// EnterPress: Enter presses a push button that has the focus, as Space does, without making it
// a default button.
#pragma once

class QAbstractButton;

namespace dirscribe::ui {

// From now on Enter (and the keypad's Enter) clicks `button` while it has the focus. A key
// held down clicks it once.
void PressOnEnter(QAbstractButton* button);

}  // namespace dirscribe::ui
