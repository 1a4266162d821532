// SPDX-License-Identifier: MIT
// Dialogs: every box and file dialog the windows show goes through here, so that tests can
// answer them without a user.
#pragma once

#include <QString>
#include <optional>

#include "engine/FrontEnd.h"

class QWidget;

namespace dirscribe::ui {

// What a run asks of one of its two file dialogs.
struct FileDialogRequest {
    ListDialog dialog = ListDialog::CDlg;
    QString title;
    // Pairs of description and pattern joined by "|": "Text Files (*.txt)|*.txt".
    QString filter;
    // The name chosen in this dialog the last time, offered again; empty the first time.
    QString fileName;
};

class Dialogs {
  public:
    virtual ~Dialogs() = default;

    // An open-file dialog that also takes the name of a file that does not exist yet, gives no
    // warning about one that does and adds no extension. The chosen name, or nothing on Cancel.
    virtual std::optional<QString> AskFileName(QWidget* parent,
                                               const FileDialogRequest& request) = 0;
    // An open-file dialog in which one or more existing files are chosen. The chosen names, or
    // nothing on Cancel.
    virtual std::optional<QStringList> AskExistingFiles(QWidget* parent,
                                                        const FileDialogRequest& request) = 0;
    // A box with Yes and No, no icon, the program's title as caption; true for Yes.
    virtual bool AskYesNo(QWidget* parent, const QString& text) = 0;
    // A box with OK only, no icon, the program's title as caption.
    virtual void ShowMessage(QWidget* parent, const QString& text) = 0;
    // A box with Abort, Retry and Ignore, Abort the default, no icon.
    virtual AbortRetryIgnore AskAbortRetryIgnore(QWidget* parent, const QString& text) = 0;
};

// The real dialogs: Qt's file dialog and message boxes, shown modally.
class StandardDialogs final : public Dialogs {
  public:
    std::optional<QString> AskFileName(QWidget* parent, const FileDialogRequest& request) override;
    std::optional<QStringList> AskExistingFiles(QWidget* parent,
                                                const FileDialogRequest& request) override;
    bool AskYesNo(QWidget* parent, const QString& text) override;
    void ShowMessage(QWidget* parent, const QString& text) override;
    AbortRetryIgnore AskAbortRetryIgnore(QWidget* parent, const QString& text) override;
};

// Qt's name filters for a filter text of description|pattern pairs:
// "Text Files (*.txt)|*.txt" gives {"Text Files (*.txt)"}; a description that does not name
// its pattern gets it added in parentheses.
QStringList NameFilters(const QString& filter);

}  // namespace dirscribe::ui
