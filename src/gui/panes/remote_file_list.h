#pragma once

#include "gui/panes/pane_drag.h"

#include <QTreeWidget>

class PaneState;
class PaneHost;
class QMenu;
struct CachedListing;

// The remote file list: the contents of the site folder selected in the
// site tree, folders first, four columns.
class RemoteFileList : public QTreeWidget, public DragPane {
    Q_OBJECT
public:
    enum Column { NameColumn = 0, SizeColumn = 1, TypeColumn = 2, TimeColumn = 3 };

    RemoteFileList(PaneState& app, PaneHost& host, QWidget* parent = nullptr);

    void clearRows() { clear(); }
    // A folder row at `position`.
    void insertFolderRow(int position, const QString& name, const QString& date);
    // Rows of a cached listing, in its order, then sorted by name.
    void fillFromCache(const CachedListing& listing);
    void sortByColumn(int column);
    bool isFolderRow(const QTreeWidgetItem* row) const;
    // The first row with this name, or null.
    QTreeWidgetItem* rowNamed(const QString& name) const;

    // The context menu, its items enabled for a click at `point` (viewport
    // coordinates); opened by a right click.
    QMenu* prepareContextMenu(const QPoint& point);
    void runPaneCommand(int command);

    // DragPane
    int paneCode() const override;
    QAbstractItemView* dragView() override { return this; }
    int refusedSource() const override;
    void dropAt(const QPoint& point, const DragState& drag) override;

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void onDoubleClick(QTreeWidgetItem* row, int column);
    QTreeWidgetItem* makeRow(const QString& name, const QString& size, const QString& type,
                             const QString& date, const QIcon& icon);

    QMenu* menu_;
    PaneState& app_;
    PaneHost& host_;
    PaneDrag::Press press_;
};
