// The site tree's context menu and the site commands behind it: connect or
// disconnect, properties, add, delete, and renaming in place.
#include "core/engine/ftp_session.h"
#include "core/platform/prompts.h"
#include "gui/panes/command_ids.h"
#include "gui/panes/pane_host.h"
#include "gui/panes/pane_menu.h"
#include "gui/panes/pane_state.h"
#include "gui/panes/site_tree.h"

#include <QContextMenuEvent>
#include <QMenu>

namespace {

const char* const kConnectLabel = "连接站点";
const char* const kDisconnectLabel = "断开连接";

} // namespace

void SiteTree::buildMenu() {
    PaneMenu::add(menu_, Cmd::PaneConnect, kConnectLabel);
    PaneMenu::add(menu_, Cmd::PaneProperties, "站点属性");
    menu_->addSeparator();
    PaneMenu::add(menu_, Cmd::PaneDirectoryUpdate, "目录更新");
    menu_->addSeparator();
    PaneMenu::add(menu_, Cmd::PaneAddSite, "增加站点");
    PaneMenu::add(menu_, Cmd::PaneNewFolder, "新建目录");
    PaneMenu::add(menu_, Cmd::PaneNewFile, "新建文件");
    PaneMenu::add(menu_, Cmd::PaneDelete, "删除");
    menu_->addSeparator();
    PaneMenu::add(menu_, Cmd::PaneCopy, "复制");
    PaneMenu::add(menu_, Cmd::PanePaste, "粘贴");
}

QMenu* SiteTree::prepareContextMenu(const QPoint& point) {
    QTreeWidgetItem* item = itemAt(point);
    const bool ready = host_.connectionReady();
    const bool notConnected = host_.notConnected();
    const bool folder = item && item->parent();
    const bool connectedSite = isSiteItem(item) && itemData(item) != 0;
    const bool site = isSiteItem(item);

    PaneMenu::find(menu_, Cmd::PaneConnect)
        ->setText(QString::fromUtf8(connectedSite ? kDisconnectLabel : kConnectLabel));
    PaneMenu::enable(menu_, host_, Cmd::PaneConnect,
                     connectedSite ? ready : (site && notConnected));
    PaneMenu::enable(menu_, host_, Cmd::PaneProperties, site && notConnected);
    PaneMenu::enable(menu_, host_, Cmd::PaneAddSite, !item || (site && notConnected));
    // Deleting a folder is the main window's delete command; a site is deleted here.
    if (folder)
        PaneMenu::enable(menu_, host_, Cmd::PaneDelete, ready);
    else
        PaneMenu::enable(menu_, host_, Cmd::PaneDelete, site && notConnected);
    const bool remoteFolder = folder || connectedSite;
    for (int command : {Cmd::PaneNewFolder, Cmd::PaneNewFile})
        PaneMenu::enable(menu_, host_, command, remoteFolder && ready);
    PaneMenu::enable(menu_, host_, Cmd::PaneDirectoryUpdate,
                     remoteFolder && host_.acceptsTransfers());
    PaneMenu::enable(menu_, host_, Cmd::PaneCopy,
                     remoteFolder && host_.frameCommandEnabled(Cmd::Copy));
    PaneMenu::enable(menu_, host_, Cmd::PanePaste,
                     remoteFolder && host_.frameCommandEnabled(Cmd::Paste));
    return menu_;
}

void SiteTree::contextMenuEvent(QContextMenuEvent* event) {
    if (app_.dragState.dragging)
        return;
    const QPoint point = viewport()->mapFromGlobal(event->globalPos());
    lastMousePoint_ = point;
    app_.activePane = Pane::SiteTree;
    if (QAction* chosen = prepareContextMenu(point)->exec(event->globalPos()))
        runPaneCommand(chosen->data().toInt(), itemAt(lastMousePoint_));
}

void SiteTree::runPaneCommand(int command, QTreeWidgetItem* clicked) {
    switch (command) {
    case Cmd::PaneConnect:
        if (isSiteItem(clicked) && itemData(clicked) == 0)
            connectSite(clicked);
        else if (host_.connectionReady())
            host_.closeConnectionCommand();
        break;
    case Cmd::PaneProperties:
        editSiteProperties(clicked);
        break;
    case Cmd::PaneAddSite:
        addSite();
        break;
    case Cmd::PaneDelete:
        if (clicked && clicked->parent()) {
            app_.activePane = Pane::SiteTree;
            host_.runFrameCommand(Cmd::Delete);
        } else if (isSiteItem(clicked) && sites_.remove(clicked->text(0))) {
            delete clicked;
        }
        break;
    case Cmd::PaneNewFolder:
        app_.activePane = Pane::SiteTree;
        host_.runFrameCommand(Cmd::NewFolder);
        break;
    case Cmd::PaneDirectoryUpdate:
        app_.activePane = Pane::SiteTree;
        host_.runFrameCommand(Cmd::DirectoryUpdate);
        break;
    case Cmd::PaneNewFile:
        app_.activePane = Pane::SiteTree;
        host_.runFrameCommand(Cmd::NewFile);
        break;
    case Cmd::PaneCopy:
        app_.activePane = Pane::SiteTree;
        host_.copySelection(clicked);
        break;
    case Cmd::PanePaste:
        app_.activePane = Pane::SiteTree;
        host_.pasteInto(clicked);
        break;
    default:
        break;
    }
}

bool SiteTree::isComplete(const SiteRecord& record) {
    return !record.address.isEmpty() && !record.port.isEmpty() && !record.user.isEmpty() &&
           !record.startFolder.isEmpty();
}

// A double click connects, as in every FTP client; a site whose properties
// are not complete yet opens them instead.
void SiteTree::openSite(QTreeWidgetItem* site) {
    const auto index = site ? sites_.find(site->text(0)) : std::nullopt;
    if (!index || !host_.notConnected())
        return;
    if (isComplete(sites_.records().at(*index)))
        connectSite(site);
    else
        editSiteProperties(site);
}

void SiteTree::connectSite(QTreeWidgetItem* site) {
    const auto index = site ? sites_.find(site->text(0)) : std::nullopt;
    if (!index)
        return;
    const SiteRecord record = sites_.records().at(*index);
    if (!isComplete(record)) {
        host_.prompts().report(QString::fromUtf8("请先设置好站点属性！"));
        return;
    }
    // A connection can fail before the call returns (a proxy address that is
    // no address at all): the tree has been made anew then and stays so.
    if (host_.startConnection(record) && !host_.notConnected())
        markConnected(record.name);
}

void SiteTree::editSiteProperties(QTreeWidgetItem* site) {
    if (!site)
        site = currentItem();
    const auto index = site ? sites_.find(site->text(0)) : std::nullopt;
    if (!index)
        return;
    SiteRecord record = sites_.records().at(*index);
    if (host_.editSite(record))
        sites_.update(record.name, record);
}

void SiteTree::addSite() {
    if (!sites_.addNew())
        return;
    QTreeWidgetItem* item = insertSiteItem(sites_.records().constLast().name);
    setCurrentItem(item);
    editSiteProperties(item); // a site is of no use before its properties
}

// The label of a site changes only when the store accepts the new name.
void SiteTree::onLabelEdited(QTreeWidgetItem* item, int column) {
    if (column != 0 || !isSiteItem(item))
        return;
    const QString oldName = item->data(0, SiteNameRole).toString();
    if (item->text(0) == oldName)
        return;
    const QString inForce = sites_.rename(oldName, item->text(0));
    const QSignalBlocker quiet(this);
    item->setText(0, inForce);
    item->setData(0, SiteNameRole, inForce);
}
