// The file commands of the main window: new folder, delete, rename, select
// all, the view modes and up one level, each on the pane that last had the
// focus.
#include "core/engine/dir_listing.h"
#include "core/engine/ftp_session.h"
#include "core/platform/prompts.h"
#include "core/tasks/operation_driver.h"
#include "gui/panes/listing_cache.h"
#include "gui/panes/local_file_list.h"
#include "gui/panes/local_folder_tree.h"
#include "gui/panes/pane_texts.h"
#include "gui/panes/remote_file_list.h"
#include "gui/panes/site_tree.h"
#include "gui/window/main_window.h"
#include "gui/window/shell_services.h"

#include <QDir>
#include <QHeaderView>

void MainWindow::newFolderCommand() {
    if (app_.activePane == Pane::LocalTree) {
        app_.localTree->newFolder();
        return;
    }
    QTreeWidgetItem* node = app_.siteTree->selectedNode();
    if (app_.activePane != Pane::SiteTree || !SiteTree::isRemoteFolder(node) || !connectionReady())
        return;
    const QString name = prompts_.askName(Prompts::NameDialog::NewFolder);
    if (name.isEmpty())
        return;
    if (!DirListing::isSafeLocalName(name)) {
        prompts_.report(QString::fromUtf8(PaneText::NameNotPlain));
        return;
    }
    for (int i = 0; i < node->childCount(); ++i) {
        if (node->child(i)->text(0) == name) {
            prompts_.report(QString::fromUtf8(PaneText::FolderExists));
            return;
        }
    }
    operations_->makeSiteFolder(SiteTree::remoteFolder(node) + name);
}

void MainWindow::deleteCommand() {
    switch (app_.activePane) {
    case Pane::LocalTree:
        app_.localTree->deleteSelectedFolder();
        break;
    case Pane::LocalList:
        app_.localList->deleteSelectedFiles();
        break;
    case Pane::SiteTree: {
        QTreeWidgetItem* node = app_.siteTree->selectedNode();
        if (!connectionReady() || !SiteTree::isRemoteFolder(node))
            break;
        const QString path = SiteTree::remotePath(node);
        if (path == QLatin1String("/")) {
            prompts_.report(QString::fromUtf8(PaneText::CannotDeleteRoot));
            break;
        }
        if (prompts_.askYesNo(QString::fromUtf8("是否确定删除站点目录 ") + path +
                              QString::fromUtf8(" ？")))
            operations_->deleteSiteItems({path}, {QStringLiteral("d")});
        break;
    }
    case Pane::RemoteList: {
        QTreeWidgetItem* node = app_.siteTree->selectedNode();
        if (!connectionReady() || !SiteTree::isRemoteFolder(node))
            break;
        const QString folder = SiteTree::remoteFolder(node);
        QStringList paths;
        QStringList kinds;
        for (int i = 0; i < app_.remoteList->topLevelItemCount(); ++i) {
            QTreeWidgetItem* row = app_.remoteList->topLevelItem(i);
            if (!row->isSelected())
                continue;
            paths << folder + row->text(RemoteFileList::NameColumn);
            kinds << (app_.remoteList->isFolderRow(row) ? QStringLiteral("d") : QString());
        }
        if (!paths.isEmpty() &&
            prompts_.askYesNo(QString::fromUtf8("是否确定删除选择的站点文件？")))
            operations_->deleteSiteItems(paths, kinds);
        break;
    }
    default:
        break;
    }
}

void MainWindow::renameCommand() {
    switch (app_.activePane) {
    case Pane::LocalTree:
        app_.localTree->renameSelected();
        break;
    case Pane::LocalList:
        app_.localList->renameSelected();
        break;
    case Pane::SiteTree:
        if (QTreeWidgetItem* node = app_.siteTree->selectedNode())
            app_.siteTree->editItem(node, 0);
        break;
    case Pane::RemoteList:
        if (connectionReady())
            app_.remoteList->renameSelected();
        break;
    default:
        break;
    }
}

// A remote row renamed in place; a name that any row has already, its own
// included, is refused.
void MainWindow::renameRemoteItem(const QString& oldName, const QString& newName) {
    QTreeWidgetItem* node = app_.siteTree->selectedNode();
    if (!connectionReady() || !SiteTree::isRemoteFolder(node))
        return;
    if (!DirListing::isSafeLocalName(newName)) {
        prompts_.report(QString::fromUtf8(PaneText::NameNotPlain));
        return;
    }
    // Every name of the folder counts, rows a pattern hides included: the
    // rename would replace a hidden file without a word.
    const CachedListing* listing = app_.listingCache.find(node);
    if (app_.remoteList->rowNamed(newName) || (listing && listing->names.contains(newName))) {
        prompts_.report(QString::fromUtf8(PaneText::RemoteNameExists));
        return;
    }
    const QString folder = SiteTree::remoteFolder(node);
    operations_->renameSiteItem(folder + oldName, folder + newName);
}

QTreeWidget* MainWindow::activeFileList() const {
    if (app_.activePane == Pane::LocalList)
        return app_.localList;
    if (app_.activePane == Pane::RemoteList)
        return app_.remoteList;
    return nullptr;
}

// The list styles of the file lists: details shows the four columns; list
// and small icons show the names alone, small icons with larger pictures.
void MainWindow::setListStyle(int command) {
    if (QTreeWidget* list = activeFileList())
        applyListStyle(list, command);
}

void MainWindow::applyListStyle(QTreeWidget* list, int command) {
    list->setProperty("listStyle", command);
    const bool details = command == Cmd::DetailsView;
    list->setHeaderHidden(!details);
    for (int column = 1; column < list->columnCount(); ++column)
        list->setColumnHidden(column, !details);
    const int icon = command == Cmd::SmallIcons ? 24 : 16;
    list->setIconSize(QSize(icon, icon));
}

void MainWindow::upOneLevelCommand() {
    const int pane = app_.activePane;
    if (pane == Pane::LocalTree || pane == Pane::LocalList) {
        QTreeWidgetItem* node = app_.localTree->selectedNode();
        if (node && node->parent())
            app_.localTree->setCurrentItem(node->parent());
    } else if (pane == Pane::SiteTree || pane == Pane::RemoteList) {
        QTreeWidgetItem* node = app_.siteTree->selectedNode();
        if (node && node->parent())
            app_.siteTree->setCurrentItem(node->parent());
    }
}

// The site folder selected is made to match a local folder the user picks.
// It deletes on the site what the local folder lacks: the user confirms.
void MainWindow::directoryUpdateCommand() {
    QTreeWidgetItem* node = app_.siteTree->selectedNode();
    if (!acceptsTransfers() || !SiteTree::isRemoteFolder(node))
        return;
    const QString local = services_.pickLocalFolder(localStartFolder_, this);
    if (local.isEmpty())
        return;
    // A folder that cannot be read is named, before any question: the
    // update would otherwise delete on the site all that it seems to lack.
    const QDir chosen(local);
    if (!chosen.exists() || !chosen.isReadable()) {
        prompts_.report(QString::fromUtf8(PaneText::LocalFolderUnreadable) + local);
        return;
    }
    const QString site = SiteTree::remotePath(node);
    if (!prompts_.askYesNo(QString::fromUtf8(PaneText::AskDirectoryUpdate).arg(local, site)))
        return;
    TransferRequest update;
    update.kind = TransferRequest::Kind::Update;
    update.download = false;
    update.localFolder = local;
    update.siteFolder = site;
    queueTransfer(update);
}

// Both lists are refreshed with the new patterns; a pattern that is not
// kept is forgotten once its list has been refreshed. A site folder with no
// listing in the cache is listed from the server: its pattern waits for
// that listing.
void MainWindow::fileListOptionsCommand() {
    ListFilters& filters = app_.filters;
    if (!services_.editListFilters(filters, this))
        return;
    app_.localTree->showLocalFolder(true);
    filters.localRefreshed();
    if (app_.siteTree->browse(true))
        filters.siteAwaitsListing = !filters.keepSite;
    else
        filters.siteRefreshed();
}
