// SPDX-License-Identifier: MIT
// WholeFrame: the widgets keep no frame of Qt's own (only its width, as margins) and draw the
// style's border themselves, at a fractional ratio in device pixels.
#include "ui/WholeFrame.h"

#include <QImage>
#include <QPainter>
#include <QRegion>
#include <QStyle>
#include <QStyleOptionFrame>
#include <algorithm>
#include <cmath>

namespace dirscribe::ui {

int PanelFrameWidth(const QWidget& widget) {
    QStyleOptionFrame option;
    option.initFrom(&widget);
    option.frameShape = QFrame::StyledPanel;
    return widget.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, &widget);
}

void PaintWholeFrame(QWidget& widget, QPainter& painter) {
    QStyleOptionFrame option;
    option.initFrom(&widget);
    option.state |= QStyle::State_Sunken;
    option.frameShape = QFrame::StyledPanel;
    // As a QFrame of this shape draws it.
    option.lineWidth = 1;
    option.midLineWidth = 0;
    // The device pixels to a pixel, as the painter maps them (a window on a screen, or a
    // picture of it).
    const QTransform device = painter.deviceTransform();
    const qreal ratio = device.m22();
    if (ratio == std::floor(ratio)) {
        option.rect = widget.rect();
        widget.style()->drawPrimitive(QStyle::PE_Frame, &option, &painter, &widget);
        return;
    }
    // The device pixels the widget may paint: its edges mapped and rounded as Qt rounds the
    // area it lets a widget paint.
    const QRectF mapped = device.mapRect(QRectF(widget.rect()));
    const QPoint topLeft(qRound(mapped.left()), qRound(mapped.top()));
    const QPoint end(qRound(mapped.right()), qRound(mapped.bottom()));
    const QRect box(topLeft, end - QPoint(1, 1));
    // Drawn into a picture in device pixels, of which only the border is copied, and without
    // the widget: the Windows styles draw the system theme's border scaled by the widget's
    // ratio once more, and fill its inside over the field's text.
    QImage picture(box.size(), QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    {
        QPainter onPicture(&picture);
        option.rect = picture.rect();
        widget.style()->drawPrimitive(QStyle::PE_Frame, &option, &onPicture, nullptr);
    }
    const int width = std::max(1, PanelFrameWidth(widget));
    painter.save();
    // Drawing in device pixels from here on.
    painter.setWorldTransform(device.inverted() * painter.worldTransform());
    painter.setClipRegion(QRegion(box).subtracted(box.adjusted(width, width, -width, -width)),
                          Qt::IntersectClip);
    painter.drawImage(box.topLeft(), picture);
    painter.restore();
}

DisplayField::DisplayField(QWidget* parent) : QLabel(parent) {
    setFrameShape(QFrame::NoFrame);
    const int width = PanelFrameWidth(*this);
    setContentsMargins(width, width, width, width);
}

void DisplayField::paintEvent(QPaintEvent* event) {
    QLabel::paintEvent(event);
    QPainter painter(this);
    PaintWholeFrame(*this, painter);
}

}  // namespace dirscribe::ui
