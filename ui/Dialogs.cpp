// SPDX-License-Identifier: MIT
// Dialogs: Qt's file dialog and message boxes, set up as the program's boxes look.
#include "ui/Dialogs.h"

#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTreeView>

#include "engine/AppIdentity.h"

namespace dirscribe::ui {

namespace {

// Box texts may carry CR LF between their lines.
QString BoxText(const QString& text) {
    QString plain = text;
    plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return plain;
}

QMessageBox::StandardButton Ask(QWidget* parent, const QString& text,
                                QMessageBox::StandardButtons buttons,
                                QMessageBox::StandardButton defaultButton) {
    QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(kApp.title), BoxText(text), buttons,
                    parent);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(defaultButton);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

// Opens the dialog wide enough for its detail view's columns (name, size, type, date) to show
// whole, within the screen.
void FitColumns(QFileDialog& dialog) {
    const QFontMetrics metrics(dialog.font());
    QSize size = dialog.sizeHint().expandedTo(QSize(
        metrics.horizontalAdvance(QString(100, QLatin1Char('x'))), metrics.lineSpacing() * 26));
    if (const QScreen* screen = dialog.screen())
        size = size.boundedTo(screen->availableGeometry().size() * 9 / 10);
    dialog.resize(size);
    if (auto* view = dialog.findChild<QTreeView*>(QStringLiteral("treeView"))) {
        QHeaderView* header = view->header();
        for (int column = 1; column < header->count(); ++column)
            header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
        header->setSectionResizeMode(0, QHeaderView::Stretch);
    }
}

}  // namespace

QStringList NameFilters(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString& description = parts[i];
        const QString& pattern = parts[i + 1];
        if (description.contains(QLatin1Char('(') + pattern + QLatin1Char(')')))
            filters << description;
        else
            filters << description + QStringLiteral(" (") + pattern + QLatin1Char(')');
    }
    return filters;
}

std::optional<QString> StandardDialogs::AskFileName(QWidget* parent,
                                                    const FileDialogRequest& request) {
    QFileDialog dialog(parent, request.title);
    dialog.setObjectName(request.dialog == ListDialog::CDlg ? QStringLiteral("CDlg")
                                                            : QStringLiteral("Cdlg2"));
    // Qt's own dialog on every system: the desktops' open dialogs refuse a name that does not
    // exist yet, and the save dialogs ask before reusing one.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QString());
    dialog.setNameFilters(NameFilters(request.filter));
    // Files that do not match the chosen filter are left out, not offered greyed out (as some
    // desktops' settings have it).
    if (auto* model = dialog.findChild<QFileSystemModel*>()) model->setNameFilterDisables(false);
    if (!request.fileName.isEmpty()) dialog.selectFile(request.fileName);
    FitColumns(dialog);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    return chosen.isEmpty() ? QString() : chosen.front();
}

bool StandardDialogs::AskYesNo(QWidget* parent, const QString& text) {
    return Ask(parent, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) ==
           QMessageBox::Yes;
}

void StandardDialogs::ShowMessage(QWidget* parent, const QString& text) {
    Ask(parent, text, QMessageBox::Ok, QMessageBox::Ok);
}

AbortRetryIgnore StandardDialogs::AskAbortRetryIgnore(QWidget* parent, const QString& text) {
    switch (Ask(parent, text, QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore,
                QMessageBox::Abort)) {
        case QMessageBox::Retry:
            return AbortRetryIgnore::Retry;
        case QMessageBox::Ignore:
            return AbortRetryIgnore::Ignore;
        default:
            return AbortRetryIgnore::Abort;
    }
}

}  // namespace dirscribe::ui
