#pragma once

#include "gui/panes/file_list_view.h"

struct CachedListing;

// The remote file list: the contents of the site folder selected in the
// site tree, folders first, four columns.
class RemoteFileList : public FileListView {
    Q_OBJECT
public:
    RemoteFileList(PaneState& app, PaneHost& host, QWidget* parent = nullptr);

    // A folder row at `position`.
    void insertFolderRow(int position, const QString& name, const QString& date);
    // Rows of a cached listing, in the order chosen last.
    void fillFromCache(const CachedListing& listing);
    // The first row with this name, or null.
    QTreeWidgetItem* rowNamed(const QString& name) const;
    // F2 and the rename command: the current row's name, edited in place.
    void renameSelected();

    QMenu* prepareContextMenu(const QPoint& point) override;

    // DragPane
    int paneCode() const override;
    int refusedSource() const override;
    void dropAt(const QPoint& point, const DragState& drag) override;

protected:
    void runListCommand(int command) override;
    void openFolderRow(QTreeWidgetItem* row) override;

private:
    void onDoubleClick(QTreeWidgetItem* row, int column);
    void onNameEdited(QTreeWidgetItem* row, int column);
    QTreeWidgetItem* makeRow(const QString& name, const QString& size, const QString& type,
                             const QString& date, bool folder);
};
