// SPDX-License-Identifier: MIT
// Artwork: a silver disc with a sheet of ruled lines in front of it.
#include "ui/Artwork.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace dirscribe::ui {

// Draws the picture into a square (the logo is drawn a little wider).
void PaintIcon(QPainter& p, QRectF area) {
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = std::min(area.width(), area.height());
    const QPointF centre(area.left() + s * 0.42, area.top() + s * 0.42);
    const qreal r = s * 0.40;

    // The disc.
    QRadialGradient shine(centre, r, centre - QPointF(r * 0.4, r * 0.5));
    shine.setColorAt(0.0, QColor(250, 250, 255));
    shine.setColorAt(0.55, QColor(176, 196, 222));
    shine.setColorAt(0.8, QColor(214, 190, 230));
    shine.setColorAt(1.0, QColor(140, 160, 190));
    p.setPen(QPen(QColor(70, 80, 100), std::max<qreal>(1.0, s / 48)));
    p.setBrush(shine);
    p.drawEllipse(centre, r, r);
    p.setBrush(QColor(235, 238, 245));
    p.drawEllipse(centre, r * 0.32, r * 0.32);
    p.setBrush(Qt::white);
    p.drawEllipse(centre, r * 0.12, r * 0.12);

    // The sheet of the list, lower right, with a folded corner.
    const QRectF sheet(area.left() + s * 0.50, area.top() + s * 0.38, s * 0.44, s * 0.56);
    const qreal fold = sheet.width() * 0.3;
    QPainterPath page;
    page.moveTo(sheet.topLeft());
    page.lineTo(sheet.right() - fold, sheet.top());
    page.lineTo(sheet.right(), sheet.top() + fold);
    page.lineTo(sheet.bottomRight());
    page.lineTo(sheet.bottomLeft());
    page.closeSubpath();
    p.setBrush(QColor(255, 253, 240));
    p.drawPath(page);
    p.setBrush(QColor(220, 215, 190));
    QPainterPath corner;
    corner.moveTo(sheet.right() - fold, sheet.top());
    corner.lineTo(sheet.right() - fold, sheet.top() + fold);
    corner.lineTo(sheet.right(), sheet.top() + fold);
    corner.closeSubpath();
    p.drawPath(corner);

    // Its lines: a heading and entries.
    p.setPen(QPen(QColor(40, 90, 160), std::max<qreal>(1.0, s / 40)));
    const qreal left = sheet.left() + sheet.width() * 0.15;
    const qreal step = sheet.height() / 7;
    for (int i = 1; i < 7; ++i) {
        const qreal y = sheet.top() + step * i + step * 0.3;
        const qreal indent = i == 1 ? 0 : sheet.width() * 0.12;
        const qreal right = sheet.right() - sheet.width() * (i == 1 ? 0.35 : 0.12);
        p.drawLine(QPointF(left + indent, y), QPointF(right, y));
    }
}

namespace {

QPixmap Square(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    PaintIcon(p, QRectF(0, 0, size, size));
    return pixmap;
}

}  // namespace

QPixmap DrawLogo() {
    QPixmap pixmap(86, 84);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    PaintIcon(p, QRectF(1, 0, 84, 84));
    return pixmap;
}

QIcon AppIcon() {
    QIcon drawn;
    for (int size : {16, 32, 48}) drawn.addPixmap(Square(size));
    // The installed copy in the theme is the same picture; the desktop finds it by this name.
    return QIcon::fromTheme(QStringLiteral(DIRSCRIBE_APP_ID), drawn);
}

}  // namespace dirscribe::ui
