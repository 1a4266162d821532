// SPDX-License-Identifier: MIT
// MotifHintsX11: the property written through Qt's connection to the X server.
#include <xcb/xcb.h>

#include <QtGui/qguiapplication_platform.h>
#include <QGuiApplication>
#include <QWidget>
#include <cstdint>
#include <cstdlib>

#include "ui/MotifHints.h"

namespace dirscribe::ui {

void WriteMotifHints(QWidget& window, MotifHints hints) {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr || x11->connection() == nullptr) return;
    xcb_connection_t* connection = x11->connection();
    static const char kName[] = "_MOTIF_WM_HINTS";
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, sizeof kName - 1, kName), nullptr);
    if (reply == nullptr) return;
    const xcb_atom_t atom = reply->atom;
    std::free(reply);
    constexpr std::uint32_t kHintsFunctions = 1;
    constexpr std::uint32_t kHintsDecorations = 2;
    // flags, functions, decorations, input mode, status
    const std::uint32_t property[5] = {kHintsFunctions | kHintsDecorations, hints.functions,
                                       hints.decorations, 0, 0};
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE,
                        static_cast<xcb_window_t>(window.winId()), atom, atom, 32, 5, property);
    xcb_flush(connection);
}

}  // namespace dirscribe::ui
