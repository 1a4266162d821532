// SPDX-License-Identifier: MIT
// WholeFrame: the sunken border of the display fields and the folder list, drawn whole at any
// scale. At a fractional ratio of device pixels to pixels (125%, 150%) the styles' one-pixel
// border lines fall partly outside the device pixels a widget may paint, and edges go missing.
#pragma once

#include <QLabel>

class QPainter;

namespace dirscribe::ui {

// The width of the border the style draws around a sunken panel, in pixels.
int PanelFrameWidth(const QWidget& widget);

// Draws the style's sunken panel border around the whole of `widget` with `painter` (a painter
// on the widget). At a fractional ratio the border runs along the outermost device pixels
// that belong to the widget, one device pixel wide.
void PaintWholeFrame(QWidget& widget, QPainter& painter);

// A read-only one-line field with a sunken border drawn whole at any scale.
class DisplayField : public QLabel {
    Q_OBJECT

  public:
    explicit DisplayField(QWidget* parent = nullptr);

  protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace dirscribe::ui
