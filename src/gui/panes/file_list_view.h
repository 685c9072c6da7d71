#pragma once

#include "gui/panes/pane_drag.h"

#include <QTreeWidget>

class PaneState;
class PaneHost;
class QMenu;

// What the local and the remote file list share: four columns with folders
// first, sorting by a click on a header (a second click on the same header
// reverses the order), a context menu on a right click, and rows dragged
// to another pane.
class FileListView : public QTreeWidget, public DragPane {
    Q_OBJECT
public:
    enum Column { NameColumn = 0, SizeColumn = 1, TypeColumn = 2, TimeColumn = 3 };

    void clearRows() { clear(); }
    // A header's click: that column ascending, or the other way round when
    // it is the column sorted already.
    void sortBy(int column);
    // The rows again in the order chosen last (after a new listing).
    void resort();
    int sortColumn() const { return sortColumn_; }
    Qt::SortOrder sortOrder() const { return sortOrder_; }
    bool isFolderRow(const QTreeWidgetItem* row) const;
    // The name pattern the rows shown were chosen by; empty: all shown.
    void setAppliedPattern(const QString& pattern) { appliedPattern_ = pattern; }
    const QString& appliedPattern() const { return appliedPattern_; }
    // The columns as the user left them (widths, which are shown, the
    // sort), to keep and to take back.
    QByteArray columnsState() const;
    void restoreColumns(const QByteArray& state);

    // The context menu, its items enabled for a click at `point` (viewport
    // coordinates).
    virtual QMenu* prepareContextMenu(const QPoint& point) = 0;
    // A command of the menu: copy and paste are the same on both lists, the
    // others are each list's own.
    void runPaneCommand(int command);

    // DragPane
    QAbstractItemView* dragView() override { return this; }

protected:
    virtual void runListCommand(int command) = 0;
    // A folder row opened (double click, Enter): its folder is shown.
    virtual void openFolderRow(QTreeWidgetItem* row) = 0;

    FileListView(PaneState& app, PaneHost& host, const int (&columnWidths)[4], QWidget* parent);

    void contextMenuEvent(QContextMenuEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

    PaneState& app_;
    PaneHost& host_;
    QMenu* menu_;
    // Where the mouse was last, for the commands of the menu it opened.
    QPoint lastMousePoint_;

private:
    PaneDrag::Press press_;
    QString appliedPattern_;
    int sortColumn_ = NameColumn;
    Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
};
