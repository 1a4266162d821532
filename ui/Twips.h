// SPDX-License-Identifier: MIT
// Twips: window geometry is laid out in twips (1/1440 inch) and shown in pixels.
#pragma once

#include <QRect>

class QFont;
class QWidget;

namespace dirscribe::ui {

inline constexpr double kTwipsPerInch = 1440.0;

// How much wider than the layout's own font (8 point, about 6 pixels a character at 96 dpi)
// the captions of the main window come out in `font` at `dpi`: 1 when they fit their boxes,
// more when the font is wider, so that the windows grow as a whole and no caption is cut.
double FontScale(const QFont& font, double dpi);

// Converts a layout in twips to pixels of one window: 15 twips to the pixel at 96 dpi, times
// the font's scale.
class Twips {
  public:
    Twips(double dpiX, double dpiY, double scale = 1.0)
        : perTwipX_(dpiX * scale / kTwipsPerInch), perTwipY_(dpiY * scale / kTwipsPerInch) {}

    // The screen's logical resolution where `widget` is, and the scale of its font.
    static Twips Of(const QWidget& widget);

    int X(double twips) const;
    int Y(double twips) const;
    // A rectangle given in twips. Its edges are rounded, not its size, so neighbouring controls
    // keep the distances they have in twips.
    QRect Rect(int left, int top, int width, int height) const;

  private:
    double perTwipX_;
    double perTwipY_;
};

}  // namespace dirscribe::ui
