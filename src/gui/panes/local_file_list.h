#pragma once

#include "gui/panes/file_list_view.h"

class QFileInfo;

// The files of the local folder selected in the local folder tree: folders
// first, then files, in the four columns of the remote list.
class LocalFileList : public FileListView {
    Q_OBJECT
public:
    // The file's size in bytes (qint64): the size column is text.
    static constexpr int SizeRole = Qt::UserRole;

    LocalFileList(PaneState& app, PaneHost& host, QWidget* parent = nullptr);

    // Whether a name passes the local file filter.
    bool passesFilter(const QString& name) const;
    void insertFolderRow(int position, const QFileInfo& info);
    void addFileRow(const QFileInfo& info);
    // The folder shown, with a trailing "/"; empty when none is.
    QString folderPath() const;
    // "2026-12-08 09:30:00": the modification time as the list shows it.
    static QString timeText(const QFileInfo& info);

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

private:
    void onDoubleClick(QTreeWidgetItem* row, int column);
    void onNameEdited(QTreeWidgetItem* row, int column);
};
