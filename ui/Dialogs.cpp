// SPDX-License-Identifier: MIT
// Dialogs: Qt's file dialog and message boxes, set up as the program's boxes look.
#include "ui/Dialogs.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QMessageBox>
#include <QProxyStyle>
#include <QPushButton>
#include <QScreen>
#include <QStyleFactory>
#include <QTreeView>

#include "engine/AppIdentity.h"
#include "ui/WindowFrame.h"

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

// A style that lays out a button box's buttons in the Windows order, which keeps actions in the
// order they were added.
class AddedOrderButtons : public QProxyStyle {
  public:
    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* data) const override {
        if (hint == SH_DialogButtonLayout) return QDialogButtonBox::WinLayout;
        return QProxyStyle::styleHint(hint, option, widget, data);
    }
};

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

std::optional<QStringList> StandardDialogs::AskExistingFiles(QWidget* parent,
                                                             const FileDialogRequest& request) {
    QFileDialog dialog(parent, request.title);
    dialog.setObjectName(QStringLiteral("OpenFiles"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setNameFilters(NameFilters(request.filter));
    if (auto* model = dialog.findChild<QFileSystemModel*>()) model->setNameFilterDisables(false);
    if (!request.fileName.isEmpty()) dialog.selectFile(request.fileName);
    FitColumns(dialog);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.selectedFiles();
}

bool StandardDialogs::AskYesNo(QWidget* parent, const QString& text) {
    return Ask(parent, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) ==
           QMessageBox::Yes;
}

void StandardDialogs::ShowMessage(QWidget* parent, const QString& text) {
    Ask(parent, text, QMessageBox::Ok, QMessageBox::Ok);
}

AbortRetryIgnore StandardDialogs::AskAbortRetryIgnore(QWidget* parent, const QString& text) {
    // Like the system's box of this kind: no close button, and Escape does nothing; A, R and I
    // press the buttons.
    QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(kApp.title), BoxText(text),
                    QMessageBox::NoButton, parent);
    box.setTextFormat(Qt::PlainText);
    // QMessageBox adds a close button to the flags it is given.
    box.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                       Qt::MSWindowsFixedSizeDialogHint);
    KeepFrame(&box, FrameKind::Box);
    // Abort, Retry, Ignore from left to right on every system. As standard buttons Qt would
    // order them by their roles (Abort last); as actions they keep the order they are added
    // in, in a layout that does not reverse actions (as some desktops' do).
    if (auto* buttons = box.findChild<QDialogButtonBox*>()) {
        auto* style = new AddedOrderButtons(QStyleFactory::create(QApplication::style()->name()));
        style->setParent(&box);
        buttons->setStyle(style);
    }
    QPushButton* abort = box.addButton(QStringLiteral("&Abort"), QMessageBox::ActionRole);
    QPushButton* retry = box.addButton(QStringLiteral("&Retry"), QMessageBox::ActionRole);
    QPushButton* ignore = box.addButton(QStringLiteral("&Ignore"), QMessageBox::ActionRole);
    abort->setObjectName(QStringLiteral("Abort"));
    retry->setObjectName(QStringLiteral("Retry"));
    ignore->setObjectName(QStringLiteral("Ignore"));
    box.setDefaultButton(abort);
    box.exec();
    if (box.clickedButton() == retry) return AbortRetryIgnore::Retry;
    if (box.clickedButton() == ignore) return AbortRetryIgnore::Ignore;
    return AbortRetryIgnore::Abort;
}

}  // namespace dirscribe::ui
