#pragma once

#include "core/platform/folder_reader.h"
#include "gui/panes/pane_drag.h"

#include <QPersistentModelIndex>
#include <QTreeWidget>

#include <functional>

class PaneState;
class PaneHost;
class QMenu;

// The local disk's folders below the file-system root "/", filled one level
// ahead of what is open so that the expand buttons are right without
// reading whole disks. Selecting a folder shows it in the local file list.
// Folders are read away from the window's thread (FolderReader): one that
// does not answer leaves its item waiting, never the window, and nothing is
// read ahead into another mounted file system (a folder there keeps its
// expand button until it is opened).
class LocalFolderTree : public QTreeWidget, public DragPane {
    Q_OBJECT
public:
    // Item data: 1 when the item's subfolders have been added, 2 while
    // they are being read.
    static constexpr int DataRole = Qt::UserRole;
    // The name the folder has on disk, kept while its label is edited.
    static constexpr int NameRole = Qt::UserRole + 1;

    LocalFolderTree(PaneState& app, PaneHost& host, QWidget* parent = nullptr);

    // The root, its folders and theirs, then the folders down to
    // `startFolder`, which is selected.
    void fill(const QString& startFolder);
    // "/" for the root, "/home/me" below it.
    static QString localPath(const QTreeWidgetItem* item);
    // The local path with a trailing "/": what transfers take.
    static QString folderPath(const QTreeWidgetItem* item);
    // Fills the local file list from the selected folder; with `refresh`
    // the folder's children in the tree are read again as well.
    void showLocalFolder(bool refresh);
    QTreeWidgetItem* selectedNode() const;
    // The folder the local file list shows, or null.
    QTreeWidgetItem* shownItem() const;
    QTreeWidgetItem* childNamed(QTreeWidgetItem* parent, const QString& name) const;
    // The item of a drag's dragged index, or null once it is gone.
    QTreeWidgetItem* itemOf(const QPersistentModelIndex& index) const;
    // Expands the selected folder and selects its child `name`.
    bool openChildFolder(const QString& name);
    // Shows the folder at `path` (absolute), reading the levels on the way.
    void goTo(const QString& path);
    // The selected folder's child `name` takes the label `newName`.
    void relabelChild(const QString& name, const QString& newName);
    // A folder of the folder shown was deleted from the file list.
    void removeChild(const QString& name);

    // The file commands on this pane.
    void newFolder();
    void deleteSelectedFolder();
    void renameSelected();

    QMenu* prepareContextMenu(const QPoint& point);
    void runPaneCommand(int command, QTreeWidgetItem* clicked);

    // DragPane
    int paneCode() const override;
    QAbstractItemView* dragView() override { return this; }
    int refusedSource() const override;
    bool dragStartsOn(const QTreeWidgetItem* item) const override;
    bool dragsTreeItem() const override { return true; }
    void dragMovedOver(const QPoint& point) override;
    void dropAt(const QPoint& point, const DragState& drag) override;
    void clearDropTarget() override;

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QTreeWidgetItem* insertFolderItem(QTreeWidgetItem* parent, const QString& name);
    // The item's subfolders become its children (data 0) and it is marked
    // read (data 1).
    void addSubfolders(QTreeWidgetItem* item, const FolderRead& read);
    // Runs `then` once the item's children are in: at once when they
    // already are or are read within the grace, later otherwise, never if
    // the item is gone meanwhile.
    void withChildren(QTreeWidgetItem* item, const std::function<void(QTreeWidgetItem*)>& then);
    void descendTo(QTreeWidgetItem* item, QStringList parts);
    void onCurrentChanged(QTreeWidgetItem* current);
    void onExpanded(QTreeWidgetItem* item);
    void readChildrenAhead(QTreeWidgetItem* item);
    void showRead(QTreeWidgetItem* item, bool refresh, const FolderRead& read);
    void onLabelEdited(QTreeWidgetItem* item, int column);
    void setShownLook(QTreeWidgetItem* item, bool shown);

    PaneState& app_;
    PaneHost& host_;
    QMenu* menu_;
    QPersistentModelIndex shown_;
    DropTarget dropTarget_;
    PaneDrag::Press press_;
    QPoint lastMousePoint_;
};
