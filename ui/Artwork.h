// Artwork: the program's logo and icon, drawn at run time.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace dirscribe::ui {

// The About window's logo: a disc beside a written list, 86 by 84 pixels.
QPixmap DrawLogo();
// The program's icon: the same picture at 16, 32 and 48 pixels.
QIcon AppIcon();

}  // namespace dirscribe::ui
