// SPDX-License-Identifier: MIT
// MotifHints: the _MOTIF_WM_HINTS property of a window on X11 (ui/x11/), nothing elsewhere.
#pragma once

class QWidget;

namespace dirscribe::ui {

// The window manager functions and decorations a window asks for (Motif's bits).
struct MotifHints {
    unsigned functions = 0;
    unsigned decorations = 0;
};

// Writes `hints` on the native window of `window` when the program runs on X11.
void WriteMotifHints(QWidget& window, MotifHints hints);

}  // namespace dirscribe::ui
