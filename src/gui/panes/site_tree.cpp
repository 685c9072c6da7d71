#include "gui/panes/site_tree.h"

#include "core/engine/dir_listing.h"
#include "core/engine/ftp_session.h"
#include "core/platform/gbk_text.h"
#include "core/sites/site_store.h"
#include "gui/panes/file_types.h"
#include "gui/panes/focus_report.h"
#include "gui/panes/pane_host.h"
#include "gui/panes/pane_state.h"
#include "gui/panes/remote_file_list.h"

#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QRandomGenerator>

namespace {

// The two site pictures: a small server, grey while not connected, green
// when connected.
QIcon sitePicture(bool connected) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor body = connected ? QColor(0x2e, 0x9d, 0x3a) : QColor(0x6b, 0x72, 0x80);
    p.setPen(body.darker(140));
    p.setBrush(body);
    p.drawRoundedRect(QRectF(2.5, 1.5, 11, 5.5), 1.5, 1.5);
    p.drawRoundedRect(QRectF(2.5, 8.5, 11, 5.5), 1.5, 1.5);
    p.setPen(Qt::NoPen);
    p.setBrush(connected ? QColor(0xd8, 0xff, 0x5c) : QColor(0xe5, 0xe7, 0xeb));
    p.drawEllipse(QRectF(10, 3.2, 2, 2));
    p.drawEllipse(QRectF(10, 10.2, 2, 2));
    return QIcon(pixmap);
}

// Siblings sort as the program compares names: by code-page bytes, so
// Chinese names fall in pinyin order.
class TreeItem : public QTreeWidgetItem {
public:
    using QTreeWidgetItem::QTreeWidgetItem;
    bool operator<(const QTreeWidgetItem& other) const override {
        return Gbk::compareNoCase(text(0), other.text(0)) < 0;
    }
};

} // namespace

SiteTree::SiteTree(PaneState& app, PaneHost& host, const QString& storePath, QWidget* parent)
    : QTreeWidget(parent), app_(app), host_(host), storePath_(storePath),
      sites_(host.prompts(),
             [this](const QList<SiteRecord>& records) {
                 return SiteStore::save(storePath_, records, QRandomGenerator::global()->generate(),
                                        host_.prompts());
             }),
      menu_(new QMenu(this)), dropTarget_(this) {
    setObjectName(QStringLiteral("siteTree"));
    app_.siteTree = this;
    app_.dragPanes << this;
    new FocusReport(app_, this, Pane::SiteTree);
    setHeaderHidden(true);
    setColumnCount(1);
    setRootIsDecorated(true);
    setSortingEnabled(true);
    sortByColumn(0, Qt::AscendingOrder);
    setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    setMouseTracking(true);
    viewport()->setMouseTracking(true); // moves with the button up end a drag
    buildMenu();
    connect(this, &QTreeWidget::currentItemChanged, this, [this] { browse(false); });
    connect(this, &QTreeWidget::itemChanged, this, &SiteTree::onLabelEdited);
    connect(this, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
        if (isSiteItem(item) && itemData(item) == 0)
            openSite(item);
    });
    sites_.setRecords(SiteStore::load(storePath_));
    fill();
}

int SiteTree::itemData(const QTreeWidgetItem* item) {
    return item ? item->data(0, DataRole).toInt() : 0;
}

bool SiteTree::isRemoteFolder(const QTreeWidgetItem* item) {
    return item && (item->parent() || itemData(item) != 0);
}

QString SiteTree::remotePath(const QTreeWidgetItem* item) {
    QString path;
    for (; item && item->parent(); item = item->parent())
        path.prepend(QLatin1Char('/') + item->text(0));
    return path.isEmpty() ? QStringLiteral("/") : path;
}

QString SiteTree::remoteFolder(const QTreeWidgetItem* item) {
    const QString path = remotePath(item);
    return path == QLatin1String("/") ? path : path + QLatin1Char('/');
}

QTreeWidgetItem* SiteTree::connectedSiteItem() const {
    for (int i = 0; i < topLevelItemCount(); ++i)
        if (itemData(topLevelItem(i)) != 0)
            return topLevelItem(i);
    return nullptr;
}

QTreeWidgetItem* SiteTree::selectedNode() const {
    QTreeWidgetItem* item = currentItem();
    return item && item->isSelected() ? item : nullptr;
}

QTreeWidgetItem* SiteTree::shownItem() const {
    return itemOf(shown_);
}

QTreeWidgetItem* SiteTree::itemOf(const QPersistentModelIndex& index) const {
    return index.isValid() ? itemFromIndex(index) : nullptr;
}

QString SiteTree::labelOf(const QTreeWidgetItem* item) {
    return item && item->parent() ? item->text(0) : QStringLiteral("/");
}

QTreeWidgetItem* SiteTree::insertSiteItem(const QString& name) {
    auto* item = new TreeItem(QStringList{name});
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    item->setData(0, SiteNameRole, name);
    item->setData(0, DataRole, 0);
    item->setIcon(0, sitePicture(false));
    addTopLevelItem(item);
    return item;
}

QTreeWidgetItem* SiteTree::insertFolderItem(QTreeWidgetItem* parent, const QString& name) {
    auto* item = new TreeItem(QStringList{name});
    item->setData(0, DataRole, 0);
    item->setIcon(0, FileTypes::folderIcon());
    parent->addChild(item);
    return item;
}

void SiteTree::deleteChildren(QTreeWidgetItem* item) {
    for (int i = 0; i < item->childCount(); ++i)
        app_.listingCache.dropBelow(item->child(i));
    qDeleteAll(item->takeChildren());
}

void SiteTree::deleteItem(QTreeWidgetItem* item) {
    app_.listingCache.dropBelow(item);
    delete item;
}

void SiteTree::setConnectedLook(QTreeWidgetItem* site, bool connected) {
    site->setIcon(0, sitePicture(connected));
    site->setData(0, DataRole, connected ? 1 : 0);
}

void SiteTree::fill() {
    const QSignalBlocker quiet(this); // nothing is browsed while the tree is rebuilt
    clear();
    app_.listingCache.clear();
    shown_ = QPersistentModelIndex();
    listingFor_ = QPersistentModelIndex();
    serverFolder_ = QPersistentModelIndex();
    for (const SiteRecord& site : sites_.records())
        insertSiteItem(site.name);
}

void SiteTree::markConnected(const QString& name) {
    if (currentItem() && itemData(currentItem()) != 0)
        return;
    for (int i = topLevelItemCount() - 1; i >= 0; --i) {
        QTreeWidgetItem* site = topLevelItem(i);
        if (site->text(0) != name)
            deleteItem(site);
        else
            setConnectedLook(site, true);
    }
}

// The server a task is resumed on: the defined site with its address and
// port, else an item of its own for as long as the connection lasts.
void SiteTree::markConnectedServer(const QString& address, int port) {
    QString name;
    for (const SiteRecord& site : sites_.records()) {
        if (site.address == address && site.portNumber() == port) {
            name = site.name;
            break;
        }
    }
    if (name.isEmpty()) {
        name = address + QLatin1Char(':') + QString::number(port);
        QTreeWidgetItem* item = insertSiteItem(name);
        item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    }
    markConnected(name);
}

void SiteTree::connectionStarted() {
    shown_ = QPersistentModelIndex();
    listingFor_ = QPersistentModelIndex();
    serverFolder_ = QPersistentModelIndex();
}

// Remembering the start folder is left alone here: a site keeps the start
// folder its user gave it.
void SiteTree::connectionClosed() {
    fill();
}

void SiteTree::setShown(QTreeWidgetItem* item) {
    QTreeWidgetItem* shown = shownItem();
    if (shown && shown != item && shown->parent())
        shown->setIcon(0, FileTypes::folderIcon());
    if (item->parent())
        item->setIcon(0, FileTypes::openFolderIcon());
    shown_ = QPersistentModelIndex(indexFromItem(item));
}

bool SiteTree::browse(bool force) {
    QTreeWidgetItem* item = currentItem();
    if (!item || (isSiteItem(item) && itemData(item) == 0))
        return false;
    if (!force && item == shownItem())
        return false;

    const QString folder = remotePath(item);
    FtpSession* connection = host_.connection();
    const CachedListing* cached = app_.listingCache.find(item);
    if (!cached) {
        // A busy connection sends nothing: the selection moves, the list stays.
        if (connection && host_.connectionReady() && connection->changeFolderAndList(folder)) {
            setShown(item);
            listingFor_ = shown_;
            serverFolder_ = shown_;
            return true;
        }
        return false;
    }
    setShown(item);
    if (app_.remoteList)
        app_.remoteList->fillFromCache(*cached);
    // The server's current folder follows the selection, if it is free.
    if (!force && connection && connection->changeFolder(folder))
        serverFolder_ = shown_;
    return false;
}

// Without a "CWD" when the server is in that folder already; a folder chosen
// while the connection was busy was never entered, so it is entered first.
void SiteTree::relist() {
    FtpSession* connection = host_.connection();
    QTreeWidgetItem* item = currentItem();
    if (!isRemoteFolder(item) || !connection || !host_.connectionReady())
        return;
    if (serverFolder_.isValid() && itemFromIndex(serverFolder_) == item)
        connection->listCurrentFolder();
    else
        connection->changeFolderAndList(remotePath(item));
    setShown(item);
    listingFor_ = shown_;
    serverFolder_ = shown_;
}

// The listing belongs to the folder it was asked for. The remote list shows
// it when that folder is still the one chosen or the one on show; a folder
// the user has moved to from the cache meanwhile keeps its rows.
void SiteTree::showListing(const QByteArray& listing) {
    RemoteFileList* list = app_.remoteList;
    QTreeWidgetItem* folder = listingFor_.isValid() ? itemFromIndex(listingFor_) : currentItem();
    listingFor_ = QPersistentModelIndex();
    if (!folder || (!folder->parent() && itemData(folder) == 0)) {
        list->clearRows();
        return;
    }
    setUpdatesEnabled(false);
    list->setUpdatesEnabled(false);
    app_.listingCache.dropBelow(folder);
    deleteChildren(folder);
    const QString folderType = FileTypes::folderTypeName();
    CachedListing cached;
    const WireText wire = host_.connection() ? host_.connection()->wire() : WireText();
    DirListing::parseLines(
        listing,
        [&](const DirEntry& entry) {
            // A name that is not a plain name ("..", "a/b") is never offered:
            // dragged, it would name a place outside the folder chosen.
            if (!DirListing::isSafeLocalName(entry.name))
                return;
            if (entry.isFolder) {
                insertFolderItem(folder, entry.name);
                cached.append(entry.name, QString(), folderType, entry.dateText);
            } else {
                cached.append(entry.name, entry.sizeText, FileTypes::typeNameFor(entry.name),
                              entry.dateText);
            }
        },
        wire);
    if (folder == currentItem() || folder == shownItem()) {
        list->fillFromCache(cached);
        setShown(folder);
        if (app_.filters.siteAwaitsListing)
            app_.filters.siteRefreshed();
    }
    app_.listingCache.insert(folder, std::move(cached));
    folder->setData(0, DataRole, 1);
    setUpdatesEnabled(true);
    list->setUpdatesEnabled(true);
}

void SiteTree::goTo(const QString& path) {
    QTreeWidgetItem* item = connectedSiteItem();
    if (!item)
        return;
    beforeTypedPath_ = shown_;
    typedPathStart_ = QPersistentModelIndex();
    for (const QString& part : path.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        QTreeWidgetItem* child = nullptr;
        for (int i = 0; i < item->childCount() && !child; ++i)
            if (item->child(i)->text(0) == part)
                child = item->child(i);
        if (!child) {
            child = insertFolderItem(item, part);
            if (!typedPathStart_.isValid())
                typedPathStart_ = indexFromItem(child);
        }
        item->setExpanded(true);
        item = child;
    }
    if (item == currentItem())
        browse(true);
    else
        setCurrentItem(item); // browsing it changes to it and lists it
}

void SiteTree::forgetTypedPath() {
    QTreeWidgetItem* added = typedPathStart_.isValid() ? itemFromIndex(typedPathStart_) : nullptr;
    typedPathStart_ = QPersistentModelIndex();
    if (!added)
        return;
    QTreeWidgetItem* back =
        beforeTypedPath_.isValid() ? itemFromIndex(beforeTypedPath_) : added->parent();
    {
        const QSignalBlocker quiet(this);
        setCurrentItem(back);
    }
    deleteItem(added);
    browse(false);
}

void SiteTree::setCurrentFolder(const QString& folder) {
    QTreeWidgetItem* site = connectedSiteItem();
    if (!site)
        return;
    QTreeWidgetItem* last = site;
    {
        const QSignalBlocker quiet(this);
        setUpdatesEnabled(false);
        app_.listingCache.dropBelow(site);
        deleteChildren(site);
        for (const QString& part : folder.split(QLatin1Char('/'), Qt::SkipEmptyParts))
            last = insertFolderItem(last, part);
        setUpdatesEnabled(true);
    }
    if (last == site) {
        // The root: the site item stands for it and is what gets listed.
        if (currentItem() != site) {
            const QSignalBlocker quiet(this);
            setCurrentItem(site);
        }
        setShown(site);
        listingFor_ = shown_;
        serverFolder_ = shown_;
        if (FtpSession* connection = host_.connection())
            connection->listCurrentFolder();
        return;
    }
    for (QTreeWidgetItem* up = last->parent(); up; up = up->parent())
        up->setExpanded(true);
    setCurrentItem(last); // browsing it changes to it and lists it
}

void SiteTree::openChildFolder(const QString& name) {
    QTreeWidgetItem* parent = currentItem();
    if (!parent)
        return;
    for (int i = 0; i < parent->childCount(); ++i) {
        if (parent->child(i)->text(0) == name) {
            parent->setExpanded(true);
            setCurrentItem(parent->child(i));
            return;
        }
    }
}
