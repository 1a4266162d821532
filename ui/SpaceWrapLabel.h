// SPDX-License-Identifier: MIT
// SpaceWrapLabel: a label of fixed size whose text breaks only at spaces and shows whole lines.
#pragma once

#include <QLabel>
#include <QStringList>

class QFontMetrics;

namespace dirscribe::ui {

// The lines `text` fills in a box `width` pixels wide: broken where the text has a line break
// (CR LF) and at spaces (a path breaks at its spaces, never at "/" or "\"), at most `maxLines`
// of them. A stretch without spaces that is wider than the box stays one line, cut at the
// box's edge when drawn.
QStringList WrapAtSpaces(const QString& text, const QFontMetrics& metrics, int width, int maxLines);

// A label whose text wraps at spaces within its fixed box; a line that would be cut by the
// bottom of the box is not drawn. text() is the text as set.
class SpaceWrapLabel : public QLabel {
    Q_OBJECT

  public:
    explicit SpaceWrapLabel(QWidget* parent = nullptr);

    // The lines as drawn in the label's present size and font.
    QStringList ShownLines() const;

  protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace dirscribe::ui
