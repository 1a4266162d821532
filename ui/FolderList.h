// SPDX-License-Identifier: MIT
// FolderList: Dir1, the main window's folder picker: a line for each folder from the drive's
// top folder to the open one, then a line for each sub-folder of the open folder.
#pragma once

#include <QString>
#include <QTreeWidget>

namespace dirscribe::ui {

class FolderList : public QTreeWidget {
    Q_OBJECT

  public:
    // Data role of an item: its folder's full path.
    static constexpr int kPathRole = Qt::UserRole + 1;

    explicit FolderList(QWidget* parent = nullptr);

    // The full path of the open folder, with the system's separators; empty before the first.
    QString Path() const;
    // The drive's top folder, the first line.
    QString Root() const;

    // Opens `folder` below `root`, the drive's top folder (when the folder does not lie under
    // it, under the top folder of the volume holding it). Raises Changed when the path is not
    // the one open before. Throws Failure when the folder cannot be read; the list then stays
    // as it was.
    void SetPath(const QString& folder, const QString& root);
    // The same, below the present top folder.
    void SetPath(const QString& folder);
    // Reads the sub-folders of the open folder again; the path stays. Throws Failure when the
    // folder can no longer be read.
    void Refresh();

  signals:
    // The path changed, by the user or by code.
    void Changed();
    // A folder the user opened could not be read: its description.
    void OpenFailed(const QString& description);

  protected:
    // Paints the border after the list, whole at any scale.
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // The lines are indented by their depth alone: no branch marks, nothing to fold.
    void drawBranches(QPainter*, const QRect&, const QModelIndex&) const override {}

  private:
    void OpenItem(QTreeWidgetItem* item);
    void Fill(const QString& path, const QString& root, const QStringList& subFolders);

    QString path_;  // with "/" separators, as Qt keeps paths
    QString root_;
};

}  // namespace dirscribe::ui
