// SPDX-License-Identifier: MIT
// StartGuard: Qt's failure to open its windows at start (no display to connect to, a platform
// plugin missing) told in one line and ended with status 1, where Qt would abort with a core.
#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <vector>

namespace dirscribe::ui {

// The one line that tells why `program` cannot open its windows, made from what Qt said before
// it gave up (`messages`, its fatal message last). `pluginFolder` is where the platform plugins
// belong, for naming the file of one that was not found.
QString StartFailureText(const QString& program, const QStringList& messages,
                         const QString& pluginFolder);

// The line of StartFailureText for Qt's platform plugin `name` when its file is in none of
// `folders` (the first is named), else an empty string. On Windows Qt shows a box of its own,
// naming no file, before it gives up on a plugin it cannot find: the program looks first.
QString MissingPluginText(const QString& program, const QString& name, const QStringList& folders);

// Lives across the construction of QApplication. Qt's messages are held back meanwhile; should
// Qt fail to start its platform, the user gets the line of StartFailureText (on Windows in a
// message box as well) and the process ends with status 1. Once the application is up, the
// messages held back are passed on and Qt's handler is back.
class StartGuard {
  public:
    explicit StartGuard(QString program);
    ~StartGuard();
    StartGuard(const StartGuard&) = delete;
    StartGuard& operator=(const StartGuard&) = delete;

  private:
    struct Held {
        QtMsgType type;
        QByteArray category;
        QString text;
    };
    static void Handle(QtMsgType type, const QMessageLogContext& context, const QString& text);

    QString program_;
    QtMessageHandler previous_ = nullptr;
    std::vector<Held> held_;
};

}  // namespace dirscribe::ui
