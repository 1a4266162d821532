// dirscribe: the program with the windows. Takes no command line and keeps no settings: every
// start begins with the main window's defaults.
#include <QApplication>
#include <clocale>

#include "engine/SharedState.h"
#include "ui/Artwork.h"
#include "ui/Dialogs.h"
#include "ui/DriveSource.h"
#include "ui/Main.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // Sizes and dates in the lists follow the user's regional settings.
    std::setlocale(LC_ALL, "");
    QApplication::setWindowIcon(dirscribe::ui::AppIcon());

    dirscribe::SharedState state;
    dirscribe::ui::StandardDialogs dialogs;
    dirscribe::ui::SystemDrives drives;
    dirscribe::ui::Main main(state, dialogs, drives);
    QObject::connect(&main, &dirscribe::ui::Main::Unloaded, &app, &QCoreApplication::quit);
    main.show();
    return QApplication::exec();
}
