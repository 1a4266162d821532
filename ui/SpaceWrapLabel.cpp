// SPDX-License-Identifier: MIT
// SpaceWrapLabel: Qt's own word wrap also breaks after "/" and "-" and draws a last line cut
// through the middle; this one breaks at spaces (and line breaks) only and leaves out what does
// not fit whole.
#include "ui/SpaceWrapLabel.h"

#include <QFontMetrics>
#include <QPainter>
#include <QRegularExpression>
#include <QStyle>
#include <algorithm>

namespace dirscribe::ui {

namespace {

// Appends the lines of one paragraph (a text without line breaks) to `lines`.
void WrapParagraph(const QString& text, const QFontMetrics& metrics, int width, int maxLines,
                   QStringList& lines) {
    if (text.isEmpty()) {
        lines << QString();
        return;
    }
    qsizetype start = 0;
    const qsizetype size = text.size();
    while (start < size && lines.size() < maxLines) {
        // The longest run of words from `start` that fits; at least one word.
        qsizetype end = text.indexOf(QLatin1Char(' '), start);
        if (end < 0) end = size;
        for (;;) {
            qsizetype word = end;
            while (word < size && text[word] == QLatin1Char(' ')) ++word;
            if (word >= size) break;
            qsizetype next = text.indexOf(QLatin1Char(' '), word);
            if (next < 0) next = size;
            if (metrics.horizontalAdvance(text.mid(start, next - start)) > width) break;
            end = next;
        }
        lines << text.mid(start, end - start);
        // The spaces at a break belong to neither line.
        start = end;
        while (start < size && text[start] == QLatin1Char(' ')) ++start;
    }
}

}  // namespace

QStringList WrapAtSpaces(const QString& text, const QFontMetrics& metrics, int width,
                         int maxLines) {
    QStringList lines;
    if (text.isEmpty()) return lines;
    // A line break in the text (CR LF, as the walker's reports have it) always starts a line.
    static const QRegularExpression kBreak(QStringLiteral("\\r\\n|\\r|\\n"));
    for (const QString& paragraph : text.split(kBreak)) {
        if (lines.size() >= maxLines) break;
        WrapParagraph(paragraph, metrics, width, maxLines, lines);
    }
    return lines;
}

SpaceWrapLabel::SpaceWrapLabel(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

QStringList SpaceWrapLabel::ShownLines() const {
    const QFontMetrics metrics = fontMetrics();
    const QRect box = contentsRect();
    const int lineCount = std::max(0, box.height() / std::max(1, metrics.lineSpacing()));
    return WrapAtSpaces(text(), metrics, box.width(), lineCount);
}

void SpaceWrapLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect box = contentsRect();
    painter.setClipRect(box);
    const int step = fontMetrics().lineSpacing();
    int y = box.top();
    for (const QString& line : ShownLines()) {
        style()->drawItemText(&painter, QRect(box.left(), y, box.width(), step),
                              Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, palette(),
                              isEnabled(), line, foregroundRole());
        y += step;
    }
}

}  // namespace dirscribe::ui
