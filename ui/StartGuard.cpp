// SPDX-License-Identifier: MIT
// StartGuard: a message handler that holds Qt's messages while the application starts and
// turns its fatal "no platform plugin could be initialized" into a clear line and status 1.
#include "ui/StartGuard.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QRegularExpression>
#include <cstdlib>
#include <utility>

#include "engine/AppIdentity.h"
#include "platform/Console.h"

namespace dirscribe::ui {

namespace {

StartGuard* g_guard = nullptr;

QString FirstLine(const QString& text) {
    return text.section(QLatin1Char('\n'), 0, 0).trimmed();
}

// Where the platform plugins belong: beside the program (as the Windows package has them),
// else where Qt is installed.
QString PluginFolder() {
    QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/platforms");
    QString installed =
        QLibraryInfo::path(QLibraryInfo::PluginsPath) + QStringLiteral("/platforms");
    if (!QFileInfo(beside).isDir() && QFileInfo(installed).isDir()) return installed;
    return beside;
}

}  // namespace

QString StartFailureText(const QString& program, const QStringList& messages,
                         const QString& pluginFolder) {
    static const QRegularExpression noDisplay(
        QStringLiteral("could not connect to display *(\\S*)|Failed to create wl_display"));
    static const QRegularExpression notFound(
        QStringLiteral("Could not find the Qt platform plugin \"([^\"]*)\""));
    static const QRegularExpression notLoaded(
        QStringLiteral("Could not load the Qt platform plugin \"([^\"]*)\""));

    for (const QString& message : messages) {
        const QRegularExpressionMatch match = noDisplay.match(message);
        if (!match.hasMatch()) continue;
        QString why = QStringLiteral("could not connect to display ") + match.captured(1);
        if (match.captured(0).startsWith(QLatin1String("Failed")))
            why = QStringLiteral("no Wayland display could be reached");
        else if (match.captured(1).isEmpty())
            why = QStringLiteral("DISPLAY is not set");
        return program +
               QStringLiteral(": the windows need a display, and none could be opened (") + why +
               QStringLiteral("); dirscribe-cli writes lists without one");
    }
    for (const QString& message : messages) {
        const QRegularExpressionMatch match = notFound.match(message);
        if (!match.hasMatch()) continue;
        const QString file =
            QDir::toNativeSeparators(pluginFolder + QLatin1Char('/') +
                                     QString::fromStdString(platform::console::SharedLibraryName(
                                         "q" + match.captured(1).toStdString())));
        return program + QStringLiteral(": the windows cannot open: the file '") + file +
               QStringLiteral("' (Qt's platform plugin \"") + match.captured(1) +
               QStringLiteral("\") is missing; install the program again");
    }
    for (const QString& message : messages) {
        const QRegularExpressionMatch match = notLoaded.match(message);
        if (!match.hasMatch()) continue;
        return program + QStringLiteral(": the windows cannot open: Qt's platform plugin \"") +
               match.captured(1) + QStringLiteral("\" could not be loaded");
    }
    return program + QStringLiteral(": the windows cannot open: ") +
           (messages.isEmpty() ? QStringLiteral("Qt could not start") : FirstLine(messages.last()));
}

QString MissingPluginText(const QString& program, const QString& name, const QStringList& folders) {
    const QString file =
        QString::fromStdString(platform::console::SharedLibraryName("q" + name.toStdString()));
    for (const QString& folder : folders) {
        if (QFileInfo::exists(folder + QLatin1Char('/') + file)) return {};
    }
    return StartFailureText(
        program, {QStringLiteral("Could not find the Qt platform plugin \"%1\" in \"\"").arg(name)},
        folders.value(0));
}

StartGuard::StartGuard(QString program) : program_(std::move(program)) {
    g_guard = this;
    previous_ = qInstallMessageHandler(&StartGuard::Handle);
}

StartGuard::~StartGuard() {
    qInstallMessageHandler(previous_);
    g_guard = nullptr;
    for (const Held& held : held_) {
        const QMessageLogContext context(nullptr, 0, nullptr, held.category.constData());
        previous_(held.type, context, held.text);
    }
}

void StartGuard::Handle(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    StartGuard* guard = g_guard;
    if (guard == nullptr) return;
    if (type != QtFatalMsg) {
        guard->held_.push_back({type, QByteArray(context.category), text});
        return;
    }
    // Qt gives up on its platform: nothing more can be shown than this line.
    QStringList messages;
    for (const Held& held : guard->held_) messages << held.text;
    messages << text;
    const QString line = StartFailureText(guard->program_, messages, PluginFolder());
    platform::console::ShowStartFailure(kApp.title, line.toStdString());
    std::_Exit(1);
}

}  // namespace dirscribe::ui
