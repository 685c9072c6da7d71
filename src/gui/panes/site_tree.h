#pragma once

#include "core/sites/site_list.h"
#include "gui/panes/pane_drag.h"

#include <QMouseEvent>
#include <QPersistentModelIndex>
#include <QTreeWidget>

#include <memory>

class PaneState;
class PaneHost;
class QMenu;

// The site tree: the defined sites at the top; while connected only the
// connected site, with the remote folders listed so far below it. Selecting
// a folder shows it in the remote file list, from the listing cache or by
// asking the connection to list it.
class SiteTree : public QTreeWidget, public DragPane {
    Q_OBJECT
public:
    // Item data: 0 site not connected / folder never listed, 1 connected /
    // listed. A site item also keeps the name its record has.
    static constexpr int DataRole = Qt::UserRole;
    static constexpr int SiteNameRole = Qt::UserRole + 1;

    SiteTree(PaneState& app, PaneHost& host, const QString& storePath, QWidget* parent = nullptr);

    SiteList& sites() { return sites_; }

    // Deletes every item and shows one item per defined site.
    void fill();
    // Leaves only the site named `name`, marked connected.
    void markConnected(const QString& name);
    // The same for the server a task names: its defined site (address and
    // port), or an item of its own.
    void markConnectedServer(const QString& address, int port);
    // A new connection starts: no folder is shown yet.
    void connectionStarted();
    // The connection ended: all sites again, none connected.
    void connectionClosed();
    // Shows the selected folder: from the cache (and lets the server's
    // folder follow), or by changing to it and listing it. True when a
    // listing was asked of the server.
    bool browse(bool force);
    // Lists the selected folder again.
    void relist();
    // A listing of the selected folder arrived: its folders become its
    // children, the remote list shows it, the cache keeps it.
    void showListing(const QByteArray& listing);
    // The folder the server named after login, built below the connected
    // site; the deepest part is selected and so listed.
    void setCurrentFolder(const QString& folder);
    // Double-click on a folder row of the remote list.
    void openChildFolder(const QString& name);
    // A folder typed in the path bar: the folders on the way that the tree
    // does not hold yet are added, and the last one is selected (and so
    // listed). When the server cannot enter it, forgetTypedPath takes the
    // added folders away again and goes back to where the list was.
    void goTo(const QString& path);
    void forgetTypedPath();

    // Upkeep after single commands succeeded on the server.
    void addFolder(const QString& name);
    void removeFile(const QString& path);
    void removeFolder(const QString& path);
    void renameEntry(const QString& oldName, const QString& newName);

    // "/" for a site item, "/a/b" for folder b below folder a.
    static QString remotePath(const QTreeWidgetItem* item);
    // The folder names are joined to: "/" for a site item, "/a/b/" below.
    static QString remoteFolder(const QTreeWidgetItem* item);
    // The command that enters the item's folder on the server.
    static int itemData(const QTreeWidgetItem* item);
    static bool isSiteItem(const QTreeWidgetItem* item) { return item && !item->parent(); }
    // A folder item, or the connected site item.
    static bool isRemoteFolder(const QTreeWidgetItem* item);
    bool remoteFolderSelected() const { return isRemoteFolder(currentItem()); }
    // The first top-level item marked connected, or null.
    QTreeWidgetItem* connectedSiteItem() const;
    // The item the window's commands act on: the current item when it is
    // selected. Keyboard focus alone makes an item current without
    // selecting it.
    QTreeWidgetItem* selectedNode() const;
    // The item whose contents the remote list shows.
    QTreeWidgetItem* shownItem() const;
    // The item of a drag's dragged index, or null once it is gone.
    QTreeWidgetItem* itemOf(const QPersistentModelIndex& index) const;
    // What questions call a folder: its label, "/" for the site itself.
    static QString labelOf(const QTreeWidgetItem* item);

    // Context menu for a click at `point` (viewport coordinates).
    QMenu* prepareContextMenu(const QPoint& point);
    void runPaneCommand(int command, QTreeWidgetItem* clicked);
    void connectSite(QTreeWidgetItem* site);
    void openSite(QTreeWidgetItem* site);
    static bool isComplete(const SiteRecord& record);
    void editSiteProperties(QTreeWidgetItem* site);
    void addSite();

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
    QTreeWidgetItem* insertSiteItem(const QString& name);
    QTreeWidgetItem* insertFolderItem(QTreeWidgetItem* parent, const QString& name);
    // Deletes the children of `item` with their cached listings.
    void deleteChildren(QTreeWidgetItem* item);
    void deleteItem(QTreeWidgetItem* item);
    void setConnectedLook(QTreeWidgetItem* site, bool connected);
    // The remote list now shows `item`: the folder pictures follow.
    void setShown(QTreeWidgetItem* item);
    void onLabelEdited(QTreeWidgetItem* item, int column);
    void buildMenu();

    PaneState& app_;
    PaneHost& host_;
    QString storePath_;
    SiteList sites_;
    QPersistentModelIndex shown_;
    // The folder whose listing was asked for: a listing that arrives after
    // the selection has moved on still belongs to it.
    QPersistentModelIndex listingFor_;
    // The folder the server was last asked to enter.
    QPersistentModelIndex serverFolder_;
    // The first folder goTo added, and the folder shown before it.
    QPersistentModelIndex typedPathStart_;
    QPersistentModelIndex beforeTypedPath_;
    QMenu* menu_;
    QPoint lastMousePoint_;
    PaneDrag::Press press_;
    std::unique_ptr<QMouseEvent> deferredPress_; // see mousePressEvent
    DropTarget dropTarget_;
};
