// SPDX-License-Identifier: MIT
// FolderList: reads folders with QDir; hidden folders and links to folders are left out, as
// the walker leaves them out.
#include "ui/FolderList.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStorageInfo>
#include <QStyle>
#include <QStyleOption>

#include "base/Failure.h"
#include "base/Paths.h"
#include "ui/WholeFrame.h"

namespace dirscribe::ui {

namespace {

// True when `path` is `root` or lies below it (both with "/" separators).
bool IsUnder(const QString& path, const QString& root) {
    return dirscribe::IsUnder(path.toStdString(), root.toStdString());
}

// The names of the sub-folders of `path`, in name order without regard to case.
QStringList ReadSubFolders(const QString& path) {
    const QFileInfo info(path);
    const std::string shown = QDir::toNativeSeparators(path).toStdString();
    if (!info.exists() || !info.isDir())
        throw Failure(FailureNo::PathNotFound, "Path not found: '" + shown + "'");
    if (!info.isReadable())
        throw Failure(FailureNo::PathFileAccess, "Permission denied: '" + shown + "'");
    return QDir(path).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks,
                                QDir::Name | QDir::IgnoreCase);
}

}  // namespace

FolderList::FolderList(QWidget* parent) : QTreeWidget(parent) {
    setHeaderHidden(true);
    setColumnCount(1);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setExpandsOnDoubleClick(false);
    setUniformRowHeights(true);
    setIndentation(10);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    header()->setStretchLastSection(false);
    connect(this, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* item) { OpenItem(item); });
}

QString FolderList::Path() const {
    return QDir::toNativeSeparators(path_);
}

QString FolderList::Root() const {
    return QDir::toNativeSeparators(root_);
}

void FolderList::SetPath(const QString& folder) {
    SetPath(folder, Root());
}

void FolderList::SetPath(const QString& folder, const QString& root) {
    const QString path = QDir::cleanPath(QDir::fromNativeSeparators(folder));
    QString top = root.isEmpty() ? QString() : QDir::cleanPath(QDir::fromNativeSeparators(root));
    if (!IsUnder(path, top)) top = QStorageInfo(path).rootPath();
    if (!IsUnder(path, top)) top = QDir(path).rootPath();
    const QStringList subFolders = ReadSubFolders(path);
    const bool changed = path != path_;
    Fill(path, top, subFolders);
    if (changed) emit Changed();
}

void FolderList::Refresh() {
    Fill(path_, root_, ReadSubFolders(path_));
}

void FolderList::Fill(const QString& path, const QString& root, const QStringList& subFolders) {
    path_ = path;
    root_ = root;
    clear();
    const QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closedIcon = style()->standardIcon(QStyle::SP_DirClosedIcon);

    auto* item = new QTreeWidgetItem(this, QStringList(QDir::toNativeSeparators(root)));
    item->setIcon(0, openIcon);
    item->setData(0, kPathRole, root);
    QString walked = root;
    const QStringList parts = path.mid(root.size()).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        if (!walked.endsWith(QLatin1Char('/'))) walked += QLatin1Char('/');
        walked += part;
        item = new QTreeWidgetItem(item, QStringList(part));
        item->setIcon(0, openIcon);
        item->setData(0, kPathRole, walked);
    }
    QTreeWidgetItem* open = item;
    const QString prefix = path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
    for (const QString& name : subFolders) {
        auto* sub = new QTreeWidgetItem(open, QStringList(name));
        sub->setIcon(0, closedIcon);
        sub->setData(0, kPathRole, prefix + name);
    }
    expandAll();
    setCurrentItem(open);
    // A newly opened folder shows the list from its top line (the drive's top folder), as far
    // as the open folder stays in sight; the scroll position of the folder before means nothing.
    scrollToTop();
    horizontalScrollBar()->setValue(horizontalScrollBar()->minimum());
    scrollToItem(open);
}

void FolderList::OpenItem(QTreeWidgetItem* item) {
    if (item == nullptr) return;
    try {
        SetPath(item->data(0, kPathRole).toString(), root_);
    } catch (const Failure& failure) {
        emit OpenFailed(QString::fromStdString(failure.Description()));
    }
}

bool FolderList::event(QEvent* event) {
    if (event->type() != QEvent::Paint) return QTreeWidget::event(event);
    // The list paints only its border and the corner between its scroll bars on itself; the
    // border is drawn whole at any scale in place of Qt's.
    QPainter painter(this);
    if (horizontalScrollBar()->isVisible() && verticalScrollBar()->isVisible()) {
        QStyleOption corner;
        corner.initFrom(this);
        corner.rect = QRect(verticalScrollBar()->x(), horizontalScrollBar()->y(),
                            verticalScrollBar()->width(), horizontalScrollBar()->height());
        style()->drawPrimitive(QStyle::PE_PanelScrollAreaCorner, &corner, &painter, this);
    }
    PaintWholeFrame(*this, painter);
    return true;
}

void FolderList::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        OpenItem(currentItem());
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

}  // namespace dirscribe::ui
