// Twips: pixels from twips, with the screen's resolution and the font's width.
#include "ui/Twips.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QStyle>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace dirscribe::ui {

double FontScale(const QFont& font, double dpi) {
    const QFontMetricsF metrics(font);
    const QStyle* style = QApplication::style();
    const double option = style->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth) +
                          style->pixelMetric(QStyle::PM_RadioButtonLabelSpacing);
    struct Caption {
        const char* text;
        int twips;     // the width of its box
        double extra;  // what the control needs beside the text, in pixels
    };
    // The fixed captions of the main window: labels, and option buttons with their circle.
    static constexpr Caption kCaptions[] = {
        {"Selected Start Path", 1575, 0},
        {"Volume Label:", 1095, 0},
        {"Files to include:", 1215, 0},
        {"Description:", 975, 0},
        {"Include Files", 1215, 1},
        {"Directories Only", 1455, 1},
        {"New List", 975, 1},
        {"Append", 975, 1},
        {"Both", 735, 1},
    };
    double scale = 1.0;
    for (const Caption& c : kCaptions) {
        const double needed =
            metrics.horizontalAdvance(QLatin1String(c.text)) + c.extra * option + 2;
        scale = std::max(scale, needed / (c.twips * dpi / kTwipsPerInch));
    }
    // A label is 255 twips high.
    scale = std::max(scale, (metrics.height() + 1) / (255 * dpi / kTwipsPerInch));
    // In steps of 5 %, so that small differences between fonts give the same window.
    return std::min(3.0, std::ceil(scale * 20 - 1e-9) / 20);
}

Twips Twips::Of(const QWidget& widget) {
    const double dpiX = widget.logicalDpiX();
    return Twips(dpiX, widget.logicalDpiY(), FontScale(QApplication::font(), dpiX));
}

int Twips::X(double twips) const {
    return static_cast<int>(std::lround(twips * perTwipX_));
}

int Twips::Y(double twips) const {
    return static_cast<int>(std::lround(twips * perTwipY_));
}

QRect Twips::Rect(int left, int top, int width, int height) const {
    const int x = X(left);
    const int y = Y(top);
    return QRect(x, y, X(left + width) - x, Y(top + height) - y);
}

}  // namespace dirscribe::ui
