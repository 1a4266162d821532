// SPDX-License-Identifier: MIT
// dirscribe-window-bench: times one listing run started from the real main window, as a click
// on Start does it, for the benchmark's comparison of the window's run with dirscribe-cli's.
//   dirscribe-window-bench TREE LIST      (format 0, New List, LIST replaced)
// Prints the seconds the click took. Run it with QT_QPA_PLATFORM=offscreen where no display is.
#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QRadioButton>
#include <chrono>
#include <cstdio>

#include "engine/SharedState.h"
#include "ui/DriveSource.h"
#include "ui/Main.h"
#include "ui/ScriptedDialogs.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: dirscribe-window-bench TREE LIST\n");
        return 2;
    }
    // The window starts in the current folder, which becomes the start path.
    if (!QDir::setCurrent(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "dirscribe-window-bench: cannot open %s\n", argv[1]);
        return 1;
    }
    dirscribe::SharedState state;
    // The new-list dialog is answered with the list's name, every question with yes.
    dirscribe::ui::ScriptedDialogs dialogs;
    dialogs.fileAnswer = QString::fromLocal8Bit(argv[2]);
    dialogs.yesNoAnswer = true;
    dialogs.echoAs = QStringLiteral("dirscribe-window-bench");
    dirscribe::ui::SystemDrives drives;
    dirscribe::ui::Main main(state, dialogs, drives);
    main.show();
    QApplication::processEvents();
    main.findChild<QRadioButton*>(QStringLiteral("AppFlag(0)"))->setChecked(true);
    auto* start = main.findChild<QPushButton*>(QStringLiteral("Command1"));

    const auto began = std::chrono::steady_clock::now();
    start->click();  // the whole run happens inside the click
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - began;
    std::printf("%.3f\n", took.count());
    return 0;
}
