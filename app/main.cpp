// SPDX-License-Identifier: MIT
// dirscribe: the program with the windows. Takes no command line but --help and --version.
// Every start begins with the main window's defaults; only the Find window's size and list
// files, and the last append file, are remembered from one start to the next.
#include <QApplication>
#include <QLibraryInfo>
#include <QSettings>
#include <algorithm>
#include <clocale>
#include <cstring>
#include <iostream>
#include <optional>

#include "engine/AppIdentity.h"
#include "engine/SharedState.h"
#include "platform/Console.h"
#include "ui/Artwork.h"
#include "ui/Dialogs.h"
#include "ui/DriveSource.h"
#include "ui/Main.h"
#include "ui/Remembered.h"
#include "ui/StartGuard.h"

int main(int argc, char** argv) {
    // Answered before Qt starts, so that they need no display (the manual page is made from
    // them at build time).
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::cout << "dirscribe " << dirscribe::kApp.VersionText() << "\n";
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::cout << "Usage: dirscribe [--help | --version]\n"
                     "Opens the window that writes lists of the folders and files below a start\n"
                     "folder into text files.\n"
                     "\n"
                     "Options:\n"
                     "      --help            show this help\n"
                     "      --version         show the version\n";
        return 0;
    }

#ifdef _WIN32
    // Qt finds its windows plugin beside the program or where it was installed, unless told of
    // another plugin or folder; a missing file is named before Qt shows its own box.
    const auto given = [](const char* name) { return !qEnvironmentVariableIsEmpty(name); };
    const bool platformArgument = std::find_if(argv + 1, argv + argc, [](const char* argument) {
                                      return std::strcmp(argument, "-platform") == 0 ||
                                             std::strcmp(argument, "--platform") == 0;
                                  }) != argv + argc;
    if (!platformArgument && !given("QT_QPA_PLATFORM") && !given("QT_PLUGIN_PATH") &&
        !given("QT_QPA_PLATFORM_PLUGIN_PATH")) {
        const QString folder =
            QString::fromStdString(dirscribe::platform::console::ProgramFolder());
        const QString missing = dirscribe::ui::MissingPluginText(
            QStringLiteral("dirscribe"), QStringLiteral("windows"),
            {folder + QStringLiteral("/platforms"),
             QLibraryInfo::path(QLibraryInfo::PluginsPath) + QStringLiteral("/platforms")});
        if (!missing.isEmpty()) {
            dirscribe::platform::console::ShowStartFailure(dirscribe::kApp.title,
                                                           missing.toStdString());
            return 1;
        }
    }
#endif
    // Without a display (or with a platform plugin missing) Qt would abort: say so in one line.
    std::optional<dirscribe::ui::StartGuard> guard(std::in_place, QStringLiteral("dirscribe"));
    QApplication app(argc, argv);
    guard.reset();
    // Lets the desktop match the windows to the installed desktop entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(DIRSCRIBE_APP_ID));
    // Sizes and dates in the lists follow the user's regional settings.
    std::setlocale(LC_ALL, "");
    QApplication::setWindowIcon(dirscribe::ui::AppIcon());

    QCoreApplication::setOrganizationName(QStringLiteral("Quillmere"));
    QCoreApplication::setApplicationName(QStringLiteral("Dirscribe"));
    QSettings remembered;
    dirscribe::ui::SetRememberedSettings(&remembered);

    dirscribe::SharedState state;
    dirscribe::ui::StandardDialogs dialogs;
    dirscribe::ui::SystemDrives drives;
    dirscribe::ui::Main main(state, dialogs, drives);
    QObject::connect(&main, &dirscribe::ui::Main::Unloaded, &app, &QCoreApplication::quit);
    main.show();
    return QApplication::exec();
}
