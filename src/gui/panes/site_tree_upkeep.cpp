// Keeping the site tree, the remote list and the listing cache in step with
// single commands that succeeded on the server, without listing again.
#include "core/engine/site_path.h"
#include "gui/panes/file_types.h"
#include "gui/panes/pane_state.h"
#include "gui/panes/remote_file_list.h"
#include "gui/panes/site_tree.h"

#include <QDate>
#include <QLocale>
#include <QSignalBlocker>

namespace {

void removeNamedRow(CachedListing* cached, const QString& name) {
    if (!cached)
        return;
    const qsizetype row = cached->names.indexOf(name);
    if (row >= 0)
        cached->removeAt(row);
}

} // namespace

void SiteTree::addFolder(const QString& name) {
    QTreeWidgetItem* folder = currentItem();
    if (!isRemoteFolder(folder))
        return;
    insertFolderItem(folder, name);
    folder->setExpanded(true);
    const QString today =
        QLocale::c().toString(QDate::currentDate(), QStringLiteral("MMMM dd, yyyy"));
    if (app_.remoteList)
        app_.remoteList->insertFolderRow(app_.remoteList->topLevelItemCount(), name, today);
    if (CachedListing* cached = app_.listingCache.find(folder))
        cached->append(name, QString(), FileTypes::folderTypeName(), today);
}

void SiteTree::removeFile(const QString& path) {
    QTreeWidgetItem* folder = currentItem();
    const QString parent = SitePath::parentOf(path);
    const QString name = SitePath::nameOf(path);
    if (!folder || parent != remotePath(folder))
        return;
    removeNamedRow(app_.listingCache.find(folder), name);
    if (app_.remoteList)
        delete app_.remoteList->rowNamed(name);
}

void SiteTree::removeFolder(const QString& path) {
    QTreeWidgetItem* folder = currentItem();
    if (!folder)
        return;
    if (folder->parent() && path == remotePath(folder)) {
        // The folder shown was removed itself.
        if (app_.remoteList)
            app_.remoteList->clearRows();
        removeNamedRow(app_.listingCache.find(folder->parent()), folder->text(0));
        deleteItem(folder);
        return;
    }
    const QString parent = SitePath::parentOf(path);
    const QString name = SitePath::nameOf(path);
    if (parent != remotePath(folder))
        return;
    if (app_.remoteList)
        delete app_.remoteList->rowNamed(name);
    for (int i = 0; i < folder->childCount(); ++i) {
        if (folder->child(i)->text(0) == name) {
            removeNamedRow(app_.listingCache.find(folder), name);
            deleteItem(folder->child(i));
            return;
        }
    }
}

// A renamed folder keeps its item, and what is cached below it: the paths
// there follow the item's label.
void SiteTree::renameEntry(const QString& oldName, const QString& newName) {
    QTreeWidgetItem* folder = currentItem();
    for (int i = 0; folder && i < folder->childCount(); ++i) {
        if (folder->child(i)->text(0) == oldName) {
            const QSignalBlocker quiet(this);
            folder->child(i)->setText(0, newName);
            break;
        }
    }
    CachedListing* cached = app_.listingCache.find(folder);
    if (!cached)
        return;
    const qsizetype row = cached->names.indexOf(oldName);
    if (row >= 0)
        cached->names[row] = newName;
}
