// SPDX-License-Identifier: MIT
// dirscribe-screenshot-tour: shows the real windows on the display it is given and saves
// pictures of them taken from the screen: the main window, the progress window during a run
// over a made-up tree with the run's boxes and the Output Format menu, the Find window searching
// the list the run wrote, the progress window waiting for the next disc, and the About window.
// After each box and the menu it checks that the progress window is on top of the main window
// again, and fails when it is not. Used by tools/screenshots.sh.
#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <functional>
#include <memory>

#include "engine/SharedState.h"
#include "ui/DriveSource.h"
#include "ui/FindWindow.h"
#include "ui/Main.h"
#include "ui/ScriptedDialogs.h"
#include "ui/Status.h"
#include "ui/WindowFrontEnd.h"

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

// Saves what the screen shows in `area`.
bool ShootArea(QWidget* window, QRect area, const QString& file) {
    const bool saved =
        window->screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height()).save(file);
    std::fprintf(stderr, "%s %s\n", saved ? "saved" : "could not save", qPrintable(file));
    return saved;
}

// Whether the screen shows the progress window's contents, that is, no other window lies over
// it: nearly all of its pixels on screen are those it draws.
bool OnTop(QWidget* status, const char* after) {
    const QImage drawn = status->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QRect area(status->mapToGlobal(QPoint(0, 0)), status->size());
    const QImage shown = status->screen()
                             ->grabWindow(0, area.x(), area.y(), area.width(), area.height())
                             .toImage()
                             .convertToFormat(QImage::Format_RGB32);
    qint64 same = 0;
    const int width = std::min(drawn.width(), shown.width());
    const int height = std::min(drawn.height(), shown.height());
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) same += drawn.pixel(x, y) == shown.pixel(x, y) ? 1 : 0;
    }
    const bool onTop = same * 10 >= qint64(drawn.width()) * drawn.height() * 9;
    std::fprintf(stderr, "after %s the progress window is %s\n", after,
                 onTop ? "on top" : "covered");
    return onTop;
}

// The boxes of the run are the real ones, pictured by the tour and answered by it; the file
// dialog is answered from the script.
class TourDialogs : public dirscribe::ui::ScriptedDialogs {
  public:
    bool AskYesNo(QWidget* parent, const QString& text) override {
        return real_.AskYesNo(parent, text);
    }
    dirscribe::AbortRetryIgnore AskAbortRetryIgnore(QWidget* parent, const QString& text) override {
        return real_.AskAbortRetryIgnore(parent, text);
    }

  private:
    dirscribe::ui::StandardDialogs real_;
};

// The part of the screen that shows all of `windows`, frames included.
QRect Around(std::initializer_list<QWidget*> windows) {
    QRect area;
    for (QWidget* w : windows) area = area.united(w->frameGeometry());
    return area;
}

// Calls `act` once `ready` holds, looking every 20 ms, for at most `tries` looks.
void When(const std::function<bool()>& ready, const std::function<void()>& act, int tries = 500) {
    QTimer::singleShot(20, [=] {
        if (ready())
            act();
        else if (tries > 0)
            When(ready, act, tries - 1);
        else
            std::fprintf(stderr, "gave up waiting\n");
    });
}

// The machine's drives, with a disc drive "D:" that waits for ever for its next disc: the
// picture of the progress window in the disc-after-disc loop needs no real drive.
class TourDrives final : public dirscribe::ui::DriveSource {
  public:
    std::vector<dirscribe::platform::DriveInfo> ListDrives() override {
        return system_.ListDrives();
    }
    std::string CurrentFolder() override { return system_.CurrentFolder(); }
    dirscribe::platform::DriveFolder OpenDrive(const std::string& text) override {
        return system_.OpenDrive(text);
    }
    std::string VolumeLabel(const std::string& text) override { return system_.VolumeLabel(text); }
    std::string TrayDriveOfText(const std::string& text) override {
        return system_.TrayDriveOfText(text);
    }
    std::string TrayDriveOfPath(const std::string& path) override {
        return system_.TrayDriveOfPath(path);
    }
    void OpenCDDoor(const std::string&) override {}
    void CloseCDDoor(const std::string&) override {}
    std::unique_ptr<dirscribe::cdtray::DiscDrive> OpenDiscDrive(const std::string&) override {
        struct Empty final : dirscribe::cdtray::DiscDrive {
            std::string Name() const override { return "D:"; }
            dirscribe::cdtray::MediaState Poll() override { return {}; }
            dirscribe::cdtray::MountedDisc Mount() override { return {}; }
            void Unmount() noexcept override {}
            bool Eject() noexcept override { return true; }
        };
        return std::make_unique<Empty>();
    }

  private:
    dirscribe::ui::SystemDrives system_;
};

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
            if (file.open(QIODevice::WriteOnly))
                file.write(QByteArray(qsizetype{1000} * track, 'x'));
        }
    }
    QDir::setCurrent(tree);

    dirscribe::SharedState state;
    // The run's file dialog is answered with a list in the temporary folder, which exists: the
    // run asks before it overwrites it.
    TourDialogs dialogs;
    const QString list = temp.path() + QStringLiteral("/list.txt");
    dialogs.fileAnswer = list;
    dialogs.echoAs = QStringLiteral("dirscribe-screenshot-tour");
    QFile old(list);
    if (old.open(QIODevice::WriteOnly)) old.write("an older list\r\n");
    old.close();
    TourDrives drives;
    dirscribe::ui::Main main(state, dialogs, drives);
    main.findChild<QRadioButton*>(QStringLiteral("AppFlag(0)"))->setChecked(true);
    main.move(40, 40);
    main.show();
    Settle(800);
    bool ok = Shoot(&main, out + QStringLiteral("/main-window.png"));

    auto* command1 = main.findChild<QPushButton*>(QStringLiteral("Command1"));
    auto* curDir = main.findChild<QLabel*>(QStringLiteral("CurDir"));
    // A box of the run: pictured over both windows, then answered with `button`.
    const auto answerBox = [&](const QString& file, const QString& button) {
        dirscribe::ui::WhenModal([&, file, button](QWidget* box) {
            Settle(600);
            QWidget* status = main.StatusWindow();
            ok = ShootArea(box,
                           Around({&main, box}).united(status ? status->frameGeometry() : QRect()),
                           out + QLatin1Char('/') + file) &&
                 ok;
            for (QAbstractButton* b : box->findChildren<QAbstractButton*>()) {
                if (b->text().remove(QLatin1Char('&')) == button) return b->click();
            }
            box->close();
        });
    };
    // The overwrite question comes before the walk.
    answerBox(QStringLiteral("overwrite-question.png"), QStringLiteral("Yes"));
    bool caught = false;
    // In the middle of the walk: both windows, the progress window alone; the walker's box and
    // a choice in the Output Format menu, after each of which the progress window must be back
    // on top; then Cancel.
    When([&] { return main.StatusWindow() != nullptr && !curDir->text().isEmpty(); },
         [&] {
             Settle(600);
             caught = true;
             dirscribe::ui::Status* status = main.StatusWindow();
             ok = OnTop(status, "the overwrite question") && ok;
             // The walker's report of an entry it skips, in two lines, with the system's
             // separators as the walker writes paths.
             const auto shown = [&](const QString& below) {
                 return QDir::toNativeSeparators(tree + below).toStdString();
             };
             main.RunFrontEnd().SetErrorText(
                 "Last Error: Permission denied\r\nError reading '" +
                 shown(QStringLiteral("/Disc 007 - Recorded Live at the Town Hall/private")) +
                 "' Skipping.");
             Settle(300);
             // The main window as it draws itself, the progress window lying over it on screen.
             ok = main.grab().save(out + QStringLiteral("/main-window-during-run.png")) && ok;
             ok = Shoot(status, out + QStringLiteral("/progress-window.png")) && ok;
             ok = ShootArea(&main, Around({&main, status}), out + QStringLiteral("/run.png")) && ok;

             answerBox(QStringLiteral("abort-retry-ignore.png"), QStringLiteral("Ignore"));
             main.RunFrontEnd().AskAbortRetryIgnore(
                 "Error reading '" + shown(QStringLiteral("/Disc 008")) + "': Input/output error",
                 dirscribe::Failure(dirscribe::FailureNo::DeviceIO, "Input/output error"));
             Settle(600);
             ok = OnTop(status, "the Abort, Retry, Ignore box") && ok;

             // A click on the main window's menu bar brings the main window to the front over
             // the progress window, as any click on it may; then the menu opens, and a format
             // is chosen with the keys.
             main.raise();
             main.activateWindow();
             Settle(600);
             if (OnTop(status, "a click on the main window")) {
                 std::fprintf(stderr, "the main window did not come to the front\n");
                 ok = false;
             }
             auto* formats = main.findChild<QMenu*>(QStringLiteral("MnuOutFrm"));
             main.menuBar()->setActiveAction(formats->menuAction());
             Settle(600);
             ok = ShootArea(&main, Around({&main, formats}),
                            out + QStringLiteral("/format-menu.png")) &&
                  ok;
             for (const int key : {Qt::Key_Down, Qt::Key_Down, Qt::Key_Return}) {
                 QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
                 QApplication::sendEvent(formats, &press);
             }
             Settle(600);
             ok = OnTop(status, "a choice in the Output Format menu") && ok;
             ok = ShootArea(&main, Around({&main, status}),
                            out + QStringLiteral("/run-after-menu.png")) &&
                  ok;
             status->Cancel()->click();
         });
    QTimer::singleShot(0, command1, &QPushButton::click);
    // The run happens inside the click; wait until it is over.
    const auto showAbout = [&] {
        dirscribe::ui::WhenModal([&](QWidget* about) {
            Settle(600);
            ok = Shoot(about, out + QStringLiteral("/about-window.png")) && ok;
            about->close();
            QTimer::singleShot(100, &app, [&] { app.exit(ok ? 0 : 1); });
        });
        QTimer::singleShot(
            0, &main, [&main] { main.findChild<QAction*>(QStringLiteral("MnuAbout"))->trigger(); });
    };
    // A whole run with List Disc after Disc: the progress window waiting for the next disc.
    const auto showNextDisc = [&] {
        // Appended to the list of the first run: no question before the walk.
        main.findChild<QRadioButton*>(QStringLiteral("AppFlag(1)"))->setChecked(true);
        main.findChild<QAction*>(QStringLiteral("MnuDiscAfterDisc"))->setChecked(true);
        When(
            [&] {
                return main.StatusWindow() != nullptr &&
                       main.StatusWindow()->Stat1()->text().startsWith(
                           QLatin1String("Insert the next disc"));
            },
            [&] {
                Settle(600);
                const QRect both =
                    main.frameGeometry().united(main.StatusWindow()->frameGeometry());
                ok = main.screen()
                         ->grabWindow(0, both.x(), both.y(), both.width(), both.height())
                         .save(out + QStringLiteral("/next-disc.png")) &&
                     ok;
                main.StatusWindow()->Cancel()->click();
                When([&] { return command1->text() == QLatin1String("Start"); }, showAbout);
            });
        QTimer::singleShot(0, command1, &QPushButton::click);
    };
    // Then the Find window with the matches in the list the run wrote, then About.
    const auto showFind = [&] {
        main.findChild<QAction*>(QStringLiteral("MnuFind"))->trigger();
        auto* find = main.findChild<dirscribe::ui::FindWindow*>();
        find->move(20, 40);
        find->findChild<QLineEdit*>(QStringLiteral("PatternBox"))
            ->setText(QStringLiteral("track 1?.mp3"));
        find->findChild<QLineEdit*>(QStringLiteral("ListsBox"))
            ->setText(QDir::toNativeSeparators(*dialogs.fileAnswer));
        QObject::connect(find, &dirscribe::ui::FindWindow::SearchEnded, find, [&, find] {
            Settle(600);
            ok = Shoot(find, out + QStringLiteral("/find-window.png")) && ok;
            find->close();
            showNextDisc();
        });
        find->findChild<QPushButton*>(QStringLiteral("FindButton"))->click();
    };
    When([&] { return command1->text() == QLatin1String("Start") && caught; }, showFind);
    const int status = QApplication::exec();
    if (!caught) std::fprintf(stderr, "the run ended before it could be pictured\n");
    return caught ? status : 1;
}
