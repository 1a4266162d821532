// SPDX-License-Identifier: MIT
// dirscribe-find-bench: times a search from the real Find window, as Find (or Enter) starts it, for
// comparing the window's search with dirscribe-cli --find on a large catalogue.
//   dirscribe-find-bench PATTERN LIST...
// Prints the seconds from the click to the end of the search (the matches all in the table), the
// window's status line, and the longest time the table took to draw itself while scrolled from
// top to bottom. Run it with QT_QPA_PLATFORM=offscreen where no display is.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "ui/FindResults.h"
#include "ui/FindWindow.h"
#include "ui/ScriptedDialogs.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: dirscribe-find-bench PATTERN LIST...\n");
        return 2;
    }
    QStringList lists;
    for (int i = 2; i < argc; ++i) lists << QString::fromLocal8Bit(argv[i]);
    dirscribe::ui::ScriptedDialogs dialogs;
    dialogs.echoAs = QStringLiteral("dirscribe-find-bench");
    dirscribe::ui::FindWindow window(dialogs);
    window.show();
    QApplication::processEvents();
    auto* pattern = window.findChild<QLineEdit*>(QStringLiteral("PatternBox"));
    pattern->setText(QString::fromLocal8Bit(argv[1]));
    window.findChild<QLineEdit*>(QStringLiteral("ListsBox"))
        ->setText(lists.join(QStringLiteral("; ")));

    std::chrono::steady_clock::time_point ended;
    QObject::connect(&window, &dirscribe::ui::FindWindow::SearchEnded, &app, [&ended] {
        ended = std::chrono::steady_clock::now();
        QCoreApplication::quit();
    });
    const auto began = std::chrono::steady_clock::now();
    window.findChild<QPushButton*>(QStringLiteral("FindButton"))->click();  // as Enter does
    QApplication::exec();
    const std::chrono::duration<double> took = ended - began;
    std::printf("%.3f s, %d rows: %s\n", took.count(), window.Results().rowCount(),
                qPrintable(window.findChild<QLabel*>(QStringLiteral("FindStatus"))->text()));

    // Scrolling: the table drawn at 200 places from top to bottom (after a first drawing, which
    // loads the fonts), the median and the longest drawing timed.
    auto* table = window.findChild<QTableView*>(QStringLiteral("Results"));
    QScrollBar* bar = table->verticalScrollBar();
    table->viewport()->grab();
    std::vector<double> drawings;
    for (int step = 0; step <= 200; ++step) {
        const auto from = std::chrono::steady_clock::now();
        bar->setValue(static_cast<int>(static_cast<long long>(bar->maximum()) * step / 200));
        table->viewport()->grab();  // drawn now, whatever the platform
        const std::chrono::duration<double> drew = std::chrono::steady_clock::now() - from;
        drawings.push_back(drew.count() * 1000);
    }
    std::sort(drawings.begin(), drawings.end());
    std::printf("scrolling: drawing %.1f ms (median), %.1f ms (longest)\n",
                drawings[drawings.size() / 2], drawings.back());
    return 0;
}
