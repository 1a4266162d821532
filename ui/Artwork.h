// SPDX-License-Identifier: MIT
// Artwork: the program's logo and icon, drawn at run time.
#pragma once

#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QRectF>

namespace dirscribe::ui {

// The About window's logo: a disc beside a written list, 86 by 84 pixels.
QPixmap DrawLogo();
// The program's icon: the desktop's icon theme's copy when the program is installed, else
// the same picture drawn at 16, 32 and 48 pixels.
QIcon AppIcon();
// Paints the icon's picture into the square `area` of any paint device (the installed icon
// files are made with it).
void PaintIcon(QPainter& painter, QRectF area);

}  // namespace dirscribe::ui
