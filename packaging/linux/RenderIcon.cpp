// SPDX-License-Identifier: MIT
// dirscribe-render-icon: writes the windows' icon, drawn by ui/Artwork, into the files of the
// desktop's icon theme, at build time.
//   dirscribe-render-icon THEME_FOLDER NAME SIZE...
// writes THEME_FOLDER/SIZExSIZE/apps/NAME.png for each size and, built with Qt Svg,
// THEME_FOLDER/scalable/apps/NAME.svg.
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdio>

#include "ui/Artwork.h"

#ifdef DIRSCRIBE_RENDER_SVG
#include <QSvgGenerator>
#endif

namespace {

// Makes the folder of `file` and reports a failure naming the file.
bool Prepare(const QString& file) {
    if (QDir().mkpath(QFileInfo(file).path())) return true;
    std::fprintf(stderr, "dirscribe-render-icon: cannot make the folder of %s\n", qPrintable(file));
    return false;
}

bool WritePng(const QString& file, int size) {
    if (!Prepare(file)) return false;
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        dirscribe::ui::PaintIcon(painter, QRectF(0, 0, size, size));
    }
    if (image.save(file, "PNG")) return true;
    std::fprintf(stderr, "dirscribe-render-icon: cannot write %s\n", qPrintable(file));
    return false;
}

#ifdef DIRSCRIBE_RENDER_SVG
bool WriteSvg(const QString& file) {
    if (!Prepare(file)) return false;
    // Drawn on a 256-pixel canvas: the line widths scale with the picture as they do there.
    constexpr int kCanvas = 256;
    QSvgGenerator svg;
    svg.setFileName(file);
    svg.setSize(QSize(kCanvas, kCanvas));
    svg.setViewBox(QRect(0, 0, kCanvas, kCanvas));
    svg.setTitle(QStringLiteral("Dirscribe"));
    svg.setDescription(QStringLiteral("A disc and a written list"));
    {
        QPainter painter;
        if (!painter.begin(&svg)) {
            std::fprintf(stderr, "dirscribe-render-icon: cannot write %s\n", qPrintable(file));
            return false;
        }
        dirscribe::ui::PaintIcon(painter, QRectF(0, 0, kCanvas, kCanvas));
    }
    return true;
}
#endif

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QStringList args = QGuiApplication::arguments();
    if (args.size() < 4) {
        std::fprintf(stderr, "usage: dirscribe-render-icon THEME_FOLDER NAME SIZE...\n");
        return 2;
    }
    const QString& root = args[1];
    const QString& name = args[2];
    bool ok = true;
    for (qsizetype i = 3; i < args.size(); ++i) {
        bool number = false;
        const int size = args[i].toInt(&number);
        if (!number || size <= 0) {
            std::fprintf(stderr, "dirscribe-render-icon: bad size '%s'\n", qPrintable(args[i]));
            return 2;
        }
        const QString dir = QStringLiteral("%1/%2x%2/apps").arg(root).arg(size);
        ok = WritePng(dir + QLatin1Char('/') + name + QStringLiteral(".png"), size) && ok;
    }
#ifdef DIRSCRIBE_RENDER_SVG
    ok = WriteSvg(root + QStringLiteral("/scalable/apps/") + name + QStringLiteral(".svg")) && ok;
#endif
    return ok ? 0 : 1;
}
