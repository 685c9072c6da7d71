// Transfers started from the panes: the selected rows or a folder, dragged
// or copied and pasted, become a download or an upload of the connection.
#include "core/engine/ftp_session.h"
#include "core/engine/operation_record.h"
#include "core/engine/result_texts.h"
#include "core/platform/prompts.h"
#include "core/tasks/operation_driver.h"
#include "gui/panes/file_row.h"
#include "gui/panes/file_types.h"
#include "gui/panes/local_file_list.h"
#include "gui/panes/local_folder_tree.h"
#include "gui/panes/pane_texts.h"
#include "gui/panes/remote_file_list.h"
#include "gui/panes/site_tree.h"
#include "gui/window/main_window.h"

#include <limits>

// The selected rows of a file list, in the list's order: folders (a local
// one with a trailing "/") and files of every size, empty ones included.
MainWindow::ChosenRows MainWindow::chosenRows(QTreeWidget* list, const QString& folder,
                                              bool local) {
    ChosenRows rows;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = list->topLevelItem(i);
        if (!row->isSelected())
            continue;
        const QString name = row->text(FileRow::NameColumn);
        if (FileRow::isFolder(row)) {
            rows.paths << folder + name + (local ? QStringLiteral("/") : QString());
            rows.sizes << 0;
            rows.kinds << OperationRecord::Folder;
            continue;
        }
        const std::optional<quint64> bytes = FileRow::bytesOf(row);
        if (!bytes)
            continue; // a size the listing did not give cannot be checked
        rows.paths << folder + name;
        rows.sizes << *bytes;
        rows.kinds << OperationRecord::ChosenFile;
    }
    return rows;
}

// With no local folder the transfer would land in the program's working
// folder: refused.
bool MainWindow::checkLocalFolder(const QString& folder) {
    if (!folder.isEmpty())
        return true;
    prompts_.report(QString::fromUtf8(PaneText::NoLocalFolder));
    return false;
}

// Each transfer goes to the transfer list with the rows and folders as
// they are now; it runs at once when the connection is free.
TransferRequest MainWindow::rowsRequest(bool download, const QString& localFolder,
                                        const QString& siteFolder, const ChosenRows& rows) {
    TransferRequest request;
    request.download = download;
    request.localFolder = localFolder;
    request.siteFolder = siteFolder;
    request.paths = rows.paths;
    request.sizes = rows.sizes;
    request.kinds = rows.kinds;
    return request;
}

TransferRequest MainWindow::folderRequest(bool download, const QString& localFolder,
                                          const QString& siteFolder) {
    TransferRequest request;
    request.kind = TransferRequest::Kind::Folder;
    request.download = download;
    request.localFolder = localFolder;
    request.siteFolder = siteFolder;
    return request;
}

void MainWindow::downloadRows(QTreeWidgetItem* localNode) {
    if (!acceptsTransfers())
        return;
    const QString local = LocalFolderTree::folderPath(localNode);
    QTreeWidgetItem* siteNode = app_.siteTree->selectedNode();
    if (!SiteTree::isRemoteFolder(siteNode) || !checkLocalFolder(local))
        return;
    const QString site = SiteTree::remotePath(siteNode);
    const ChosenRows rows = chosenRows(app_.remoteList, SiteTree::remoteFolder(siteNode), false);
    if (!rows.paths.isEmpty())
        queueTransfer(rowsRequest(true, local, site, rows));
}

void MainWindow::downloadFolder(QTreeWidgetItem* localNode, QTreeWidgetItem* siteNode) {
    if (!acceptsTransfers() || !SiteTree::isRemoteFolder(siteNode))
        return;
    const QString local = LocalFolderTree::folderPath(localNode);
    if (checkLocalFolder(local))
        queueTransfer(folderRequest(true, local, SiteTree::remotePath(siteNode)));
}

void MainWindow::uploadRows(QTreeWidgetItem* siteNode) {
    if (!acceptsTransfers() || !SiteTree::isRemoteFolder(siteNode))
        return;
    const QString local = app_.localList->folderPath();
    if (!checkLocalFolder(local))
        return;
    const ChosenRows rows = chosenRows(app_.localList, local, true);
    if (!rows.paths.isEmpty())
        queueTransfer(rowsRequest(false, local, SiteTree::remotePath(siteNode), rows));
}

void MainWindow::uploadFolder(QTreeWidgetItem* siteNode, QTreeWidgetItem* localNode) {
    if (!acceptsTransfers() || !SiteTree::isRemoteFolder(siteNode))
        return;
    const QString local = LocalFolderTree::folderPath(localNode);
    if (checkLocalFolder(local))
        queueTransfer(folderRequest(false, local, SiteTree::remotePath(siteNode)));
}

// --- copy and paste -------------------------------------------------------------

MainWindow::ChosenRows MainWindow::copiedRows() const {
    return ChosenRows{app_.copiedItems, app_.copiedSizes, app_.copiedKinds};
}

void MainWindow::clearCopyBuffer() {
    app_.copiedFolder.clear();
    app_.copiedItems.clear();
    app_.copiedSizes.clear();
    app_.copiedKinds.clear();
    app_.copiedFromSite = false;
}

void MainWindow::copySelection(QTreeWidgetItem* node) {
    clearCopyBuffer();
    switch (app_.activePane) {
    case Pane::LocalTree:
        if (node && node->parent())
            app_.copiedFolder = LocalFolderTree::folderPath(node);
        break;
    case Pane::LocalList: {
        const QString local = app_.localList->folderPath();
        if (local.isEmpty())
            break;
        const ChosenRows rows = chosenRows(app_.localList, local, true);
        app_.copiedItems = rows.paths;
        app_.copiedSizes = rows.sizes;
        app_.copiedKinds = rows.kinds;
        break;
    }
    case Pane::SiteTree:
        if (SiteTree::isRemoteFolder(node)) {
            app_.copiedFolder = SiteTree::remotePath(node);
            app_.copiedFromSite = true;
        }
        break;
    case Pane::RemoteList: {
        QTreeWidgetItem* siteNode = app_.siteTree->selectedNode();
        if (!SiteTree::isRemoteFolder(siteNode))
            break;
        const ChosenRows rows =
            chosenRows(app_.remoteList, SiteTree::remoteFolder(siteNode), false);
        app_.copiedItems = rows.paths;
        app_.copiedSizes = rows.sizes;
        app_.copiedKinds = rows.kinds;
        app_.copiedFromSite = true;
        break;
    }
    default:
        break;
    }
}

// A paste uses the copy up, whether it was confirmed, refused or did not
// apply where it was given.
void MainWindow::pasteInto(QTreeWidgetItem* node) {
    const bool copied = !app_.copiedFolder.isEmpty() || !app_.copiedItems.isEmpty();
    const int pane = app_.activePane;
    if (copied && app_.copiedFromSite && (pane == Pane::LocalTree || pane == Pane::LocalList))
        pasteDownload(pane == Pane::LocalList ? app_.localTree->shownItem() : node);
    else if (copied && !app_.copiedFromSite && (pane == Pane::SiteTree || pane == Pane::RemoteList))
        pasteUpload(pane == Pane::RemoteList ? app_.siteTree->selectedNode() : node);
    clearCopyBuffer();
}

void MainWindow::pasteDownload(QTreeWidgetItem* localNode) {
    const QString local = LocalFolderTree::folderPath(localNode);
    if (!acceptsTransfers() || !checkLocalFolder(local))
        return;
    if (!app_.copiedFolder.isEmpty()) {
        if (prompts_.askYesNo(QString::fromUtf8("是否确定把站点目录 ") + app_.copiedFolder +
                              QString::fromUtf8(" 及其文件下载到本地目录：") + local +
                              QString::fromUtf8(" ？请先删除本地保存目录下的同名子目录！")))
            queueTransfer(folderRequest(true, local, app_.copiedFolder));
        return;
    }
    const QString first = app_.copiedItems.first();
    QString site = first.left(first.lastIndexOf(QLatin1Char('/')));
    if (site.isEmpty())
        site = QStringLiteral("/");
    if (prompts_.askYesNo(QString::fromUtf8("是否确定把选择的站点文件下载到本地目录：") + local +
                          QString::fromUtf8(" ？\r\n注意：已有同名文件将被覆盖！")))
        queueTransfer(rowsRequest(true, local, site, copiedRows()));
}

void MainWindow::pasteUpload(QTreeWidgetItem* siteNode) {
    if (!acceptsTransfers() || !SiteTree::isRemoteFolder(siteNode))
        return;
    const QString site = SiteTree::remotePath(siteNode);
    if (!app_.copiedFolder.isEmpty()) {
        if (prompts_.askYesNo(QString::fromUtf8("是否确定把本地目录 ") + app_.copiedFolder +
                              QString::fromUtf8(" 及其文件上传到站点目录：") + site +
                              QString::fromUtf8(" ？注意：请先删除上传站点目录下的同名子目录！")))
            queueTransfer(folderRequest(false, app_.copiedFolder, site));
        return;
    }
    const QString first = app_.copiedItems.first();
    const QString local = first.left(first.lastIndexOf(QLatin1Char('/'), first.size() - 2) + 1);
    if (prompts_.askYesNo(QString::fromUtf8("是否确定把选择的本地文件上传到站点目录：") + site +
                          QString::fromUtf8(" ？注意：已有同名文件将被覆盖！")))
        queueTransfer(rowsRequest(false, local, site, copiedRows()));
}
