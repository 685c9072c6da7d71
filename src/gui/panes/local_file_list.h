#pragma once

#include "gui/panes/file_list_view.h"

class QFileInfo;

// The files of the local folder selected in the local folder tree: folders
// first, then files, in the four columns of the remote list.
class LocalFileList : public FileListView {
    Q_OBJECT
public:
    LocalFileList(PaneState& app, PaneHost& host, QWidget* parent = nullptr);

    // Whether a name passes the local file filter.
    bool passesFilter(const QString& name) const;
    void insertFolderRow(int position, const QFileInfo& info);
    void addFileRow(const QFileInfo& info);
    // The folder shown, with a trailing "/"; empty when none is.
    QString folderPath() const;

    // The file commands on this pane.
    void renameSelected();
    void deleteSelectedFiles();

    QMenu* prepareContextMenu(const QPoint& point) override;

    // DragPane
    int paneCode() const override;
    int refusedSource() const override;
    void dropAt(const QPoint& point, const DragState& drag) override;

protected:
    void runListCommand(int command) override;
    void openFolderRow(QTreeWidgetItem* row) override;

private:
    static void setRowTime(QTreeWidgetItem* row, const QFileInfo& info);
    void onDoubleClick(QTreeWidgetItem* row, int column);
    void onNameEdited(QTreeWidgetItem* row, int column);
};
