#pragma once

#include "gui/panes/pane_drag.h"

#include <QTreeWidget>

class PaneState;
class PaneHost;
class QFileInfo;
class QMenu;

// The files of the local folder selected in the local folder tree: folders
// first, then files, in the four columns of the remote list.
class LocalFileList : public QTreeWidget, public DragPane {
    Q_OBJECT
public:
    enum Column { NameColumn = 0, SizeColumn = 1, TypeColumn = 2, TimeColumn = 3 };
    // The file's size in bytes (qint64): the size column is text.
    static constexpr int SizeRole = Qt::UserRole;

    LocalFileList(PaneState& app, PaneHost& host, QWidget* parent = nullptr);

    void clearRows() { clear(); }
    // Whether a name passes the local file filter.
    bool passesFilter(const QString& name) const;
    void insertFolderRow(int position, const QFileInfo& info);
    void addFileRow(const QFileInfo& info);
    void sortByColumn(int column);
    bool isFolderRow(const QTreeWidgetItem* row) const;
    // The folder shown, with a trailing "/"; empty when none is.
    QString folderPath() const;
    // "2026-12-08 09:30:00": the modification time as the list shows it.
    static QString timeText(const QFileInfo& info);

    // The file commands on this pane.
    void renameSelected();
    void deleteSelectedFiles();

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
    void onNameEdited(QTreeWidgetItem* row, int column);

    PaneState& app_;
    PaneHost& host_;
    QMenu* menu_;
    PaneDrag::Press press_;
    QPoint lastMousePoint_;
};
