// SPDX-License-Identifier: MIT
// dirscribe-screenshot-tour: shows the real windows on the display it is given and saves
// pictures of them taken from the screen: the main window, the progress window during a run
// over a made-up tree, and the About window. Used by tools/screenshots.sh.
#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <functional>

#include "engine/SharedState.h"
#include "ui/DriveSource.h"
#include "ui/Main.h"
#include "ui/ScriptedDialogs.h"
#include "ui/Status.h"

namespace {

// Lets the window system draw for a while.
void Settle(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Saves what the screen shows of a window, frame included.
bool Shoot(QWidget* window, const QString& file) {
    const QRect frame = window->frameGeometry();
    const QPixmap picture =
        window->screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
    const bool saved = picture.save(file);
    std::fprintf(stderr, "%s %s (%dx%d)\n", saved ? "saved" : "could not save", qPrintable(file),
                 picture.width(), picture.height());
    return saved;
}

// Calls `act` once `ready` holds, looking every 20 ms, for at most `tries` looks.
void When(std::function<bool()> ready, std::function<void()> act, int tries = 500) {
    QTimer::singleShot(20, [=] {
        if (ready())
            act();
        else if (tries > 0)
            When(ready, act, tries - 1);
        else
            std::fprintf(stderr, "gave up waiting\n");
    });
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    QDir().mkpath(out);

    // A tree of discs with enough folders (600) for the run to be caught in the middle, also on a
    // fast machine.
    QTemporaryDir temp;
    const QString tree = temp.path() + QStringLiteral("/Music Collection");
    for (int disc = 1; disc <= 200; ++disc) {
        for (int track = 1; track <= 12; ++track) {
            const QString folder =
                tree + QStringLiteral("/Disc %1 - Recorded Live at the Town Hall/Set %2")
                           .arg(disc, 3, 10, QLatin1Char('0'))
                           .arg(track % 3 + 1);
            QDir().mkpath(folder);
            QFile file(folder +
                       QStringLiteral("/Track %1.mp3").arg(track, 2, 10, QLatin1Char('0')));
            if (file.open(QIODevice::WriteOnly)) file.write(QByteArray(1000 * track, 'x'));
        }
    }
    QDir::setCurrent(tree);

    dirscribe::SharedState state;
    // The run's file dialog is answered with a list in the temporary folder, every question
    // with yes.
    dirscribe::ui::ScriptedDialogs dialogs;
    dialogs.fileAnswer = temp.path() + QStringLiteral("/list.txt");
    dialogs.yesNoAnswer = true;
    dialogs.echoAs = QStringLiteral("dirscribe-screenshot-tour");
    dirscribe::ui::SystemDrives drives;
    dirscribe::ui::Main main(state, dialogs, drives);
    main.move(40, 40);
    main.show();
    Settle(800);
    bool ok = Shoot(&main, out + QStringLiteral("/main-window.png"));

    auto* command1 = main.findChild<QPushButton*>(QStringLiteral("Command1"));
    auto* curDir = main.findChild<QLabel*>(QStringLiteral("CurDir"));
    bool caught = false;
    // In the middle of the walk: both windows, then the progress window alone, then Cancel.
    When([&] { return main.StatusWindow() != nullptr && !curDir->text().isEmpty(); },
         [&] {
             Settle(600);
             caught = true;
             // The main window as it draws itself, the progress window lying over it on screen.
             ok = main.grab().save(out + QStringLiteral("/main-window-during-run.png")) && ok;
             ok = Shoot(main.StatusWindow(), out + QStringLiteral("/progress-window.png")) && ok;
             const QRect both = main.frameGeometry().united(main.StatusWindow()->frameGeometry());
             ok = main.screen()
                      ->grabWindow(0, both.x(), both.y(), both.width(), both.height())
                      .save(out + QStringLiteral("/run.png")) &&
                  ok;
             main.StatusWindow()->Cancel()->click();
         });
    QTimer::singleShot(0, command1, &QPushButton::click);
    // The run happens inside the click; wait until it is over.
    When([&] { return command1->text() == QLatin1String("Start") && caught; },
         [&] {
             dirscribe::ui::WhenModal([&](QWidget* about) {
                 Settle(600);
                 ok = Shoot(about, out + QStringLiteral("/about-window.png")) && ok;
                 about->close();
                 QTimer::singleShot(100, &app, [&] { app.exit(ok ? 0 : 1); });
             });
             QTimer::singleShot(0, &main, [&main] {
                 main.findChild<QAction*>(QStringLiteral("MnuAbout"))->trigger();
             });
         });
    const int status = QApplication::exec();
    if (!caught) std::fprintf(stderr, "the run ended before it could be pictured\n");
    return caught ? status : 1;
}
