// SPDX-License-Identifier: MIT
// WindowFrame: the frame and title-bar buttons each kind of window asks the window manager for.
// The window flags say it to Windows; on X11 a window manager reads the Motif hints, which Qt
// writes with a resize handle and resizing even for a window of fixed size, so they are
// written here as the window should have them.
#pragma once

class QWidget;

namespace dirscribe::ui {

enum class FrameKind {
    Main,    // the main window: title bar, system menu and close button; fixed size
    Tool,    // the progress window: a title bar without buttons; fixed size
    Dialog,  // the About window: a dialog frame with a close button; fixed size
    Box,     // a box that only its buttons close: a title bar without buttons
};

// From now on `window` asks for the frame of `kind` each time it is shown.
void KeepFrame(QWidget* window, FrameKind kind);

}  // namespace dirscribe::ui
