// SPDX-License-Identifier: MIT
// Twips: pixels from twips, with the screen's resolution and the font's width.
#include "ui/Twips.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QStyle>
#include <QWidget>
#include <algorithm>
#include <cmath>

#include "ui/MainLayout.h"

namespace dirscribe::ui {

double FontScale(const QFont& font, double dpi) {
    const QFontMetricsF metrics(font);
    const QStyle* style = QApplication::style();
    const double option = style->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth) +
                          style->pixelMetric(QStyle::PM_RadioButtonLabelSpacing);
    // Each caption, with an option button's circle beside it, fits the width and height of its
    // control's box.
    double scale = 1.0;
    const auto fit = [&](const CaptionedControl& control, double beside) {
        const double needed = metrics.horizontalAdvance(QLatin1String(control.text)) + beside + 2;
        scale = std::max(scale, needed / (control.width * dpi / kTwipsPerInch));
        scale = std::max(scale, (metrics.height() + 1) / (control.height * dpi / kTwipsPerInch));
    };
    for (const CaptionedControl* label : kLabels) fit(*label, 0);
    for (const CaptionedControl& button : kDFlag) fit(button, option);
    for (const CaptionedControl& button : kAppFlag) fit(button, option);
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
