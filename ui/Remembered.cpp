// SPDX-License-Identifier: MIT
// Remembered: one store for the program.
#include "ui/Remembered.h"

namespace dirscribe::ui {

namespace {
QSettings* store = nullptr;
}  // namespace

QSettings* RememberedSettings() {
    return store;
}

void SetRememberedSettings(QSettings* settings) {
    store = settings;
}

}  // namespace dirscribe::ui
