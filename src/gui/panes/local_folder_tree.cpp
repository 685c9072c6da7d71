#include "gui/panes/local_folder_tree.h"

#include "core/platform/gbk_text.h"
#include "core/platform/prompts.h"
#include "gui/panes/command_ids.h"
#include "gui/panes/file_types.h"
#include "gui/panes/focus_report.h"
#include "gui/panes/local_file_list.h"
#include "gui/panes/pane_host.h"
#include "gui/panes/pane_menu.h"
#include "gui/panes/pane_state.h"
#include "gui/panes/pane_texts.h"
#include "gui/panes/site_tree.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QMenu>
#include <QSet>
#include <QSignalBlocker>
#include <QStyle>
#include <QTimer>

namespace {

// Siblings in the order the program compares names everywhere.
class FolderItem : public QTreeWidgetItem {
public:
    using QTreeWidgetItem::QTreeWidgetItem;
    bool operator<(const QTreeWidgetItem& other) const override {
        return Gbk::compareNoCase(text(0), other.text(0)) < 0;
    }
};

QIcon rootPicture() {
    return QIcon::fromTheme(QStringLiteral("drive-harddisk"),
                            QApplication::style()->standardIcon(QStyle::SP_DriveHDIcon));
}

// Folders of the root that are never shown.
bool hiddenAtRoot(const QString& name) {
    return name.compare(QLatin1String("recycled"), Qt::CaseInsensitive) == 0 ||
           name == QString::fromUtf8("回收站");
}

// What an item's DataRole says about its subfolders.
enum ChildState { Unread = 0, Read = 1, Reading = 2 };

QString ask(const char* a, const QString& b, const char* c) {
    return QString::fromUtf8(a) + b + QString::fromUtf8(c);
}

} // namespace

LocalFolderTree::LocalFolderTree(PaneState& app, PaneHost& host, QWidget* parent)
    : QTreeWidget(parent), app_(app), host_(host), menu_(new QMenu(this)), dropTarget_(this) {
    setObjectName(QStringLiteral("localTree"));
    app_.localTree = this;
    app_.dragPanes << this;
    new FocusReport(app_, this, Pane::LocalTree);
    setHeaderHidden(true);
    setColumnCount(1);
    setRootIsDecorated(true);
    setSortingEnabled(true);
    sortByColumn(0, Qt::AscendingOrder);
    setEditTriggers(QAbstractItemView::EditKeyPressed);
    setMouseTracking(true);
    viewport()->setMouseTracking(true); // moves with the button up end a drag
    PaneMenu::add(menu_, Cmd::PaneNewFolder, "新建目录");
    PaneMenu::add(menu_, Cmd::PaneRename, "重命名");
    PaneMenu::add(menu_, Cmd::PaneDelete, "删除");
    menu_->addSeparator();
    PaneMenu::add(menu_, Cmd::PaneCopy, "复制");
    PaneMenu::add(menu_, Cmd::PanePaste, "粘贴");
    connect(this, &QTreeWidget::currentItemChanged, this, &LocalFolderTree::onCurrentChanged);
    connect(this, &QTreeWidget::itemExpanded, this, &LocalFolderTree::onExpanded);
    connect(this, &QTreeWidget::itemCollapsed, this, &LocalFolderTree::onExpanded);
    connect(this, &QTreeWidget::itemChanged, this, &LocalFolderTree::onLabelEdited);
}

QString LocalFolderTree::localPath(const QTreeWidgetItem* item) {
    if (!item)
        return {};
    if (!item->parent())
        return QStringLiteral("/");
    return folderPath(item->parent()) + item->data(0, NameRole).toString();
}

QString LocalFolderTree::folderPath(const QTreeWidgetItem* item) {
    const QString path = localPath(item);
    return path.isEmpty() || path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
}

QTreeWidgetItem* LocalFolderTree::insertFolderItem(QTreeWidgetItem* parent, const QString& name) {
    const QSignalBlocker quiet(this);
    auto* item = new FolderItem(parent, QStringList{name});
    item->setData(0, NameRole, name);
    item->setData(0, DataRole, Unread);
    item->setIcon(0, FileTypes::folderIcon());
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    // Until it is read, a folder may have subfolders.
    item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    return item;
}

void LocalFolderTree::addSubfolders(QTreeWidgetItem* item, const FolderRead& read) {
    const QSignalBlocker quiet(this);
    const bool root = !item->parent();
    for (const QFileInfo& entry : read.entries)
        if (entry.isDir() && !(root && hiddenAtRoot(entry.fileName())))
            insertFolderItem(item, entry.fileName());
    item->setData(0, DataRole, Read);
    item->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
}

void LocalFolderTree::withChildren(QTreeWidgetItem* item,
                                   const std::function<void(QTreeWidgetItem*)>& then) {
    if (item->data(0, DataRole).toInt() == Read) {
        then(item);
        return;
    }
    {
        const QSignalBlocker quiet(this);
        item->setData(0, DataRole, Reading);
    }
    const QPersistentModelIndex index(indexFromItem(item));
    const auto arrived = [this, index, then](const QList<FolderRead>& reads) {
        QTreeWidgetItem* again = itemOf(index);
        if (!again)
            return;
        if (again->data(0, DataRole).toInt() != Read) // another read may have come first
            addSubfolders(again, reads.first());
        then(again);
    };
    if (const auto reads = app_.folderReader.read({localPath(item)},
                                                  FolderReader::Kind::FoldersOnly, this, arrived))
        arrived(*reads);
}

void LocalFolderTree::fill(const QString& startFolder) {
    QTreeWidgetItem* root;
    {
        const QSignalBlocker quiet(this);
        clear();
        shown_ = QPersistentModelIndex();
        root = new FolderItem(this, QStringList{QStringLiteral("/")});
        root->setData(0, NameRole, QStringLiteral("/"));
        root->setData(0, DataRole, Unread);
        root->setIcon(0, rootPicture());
    }
    descendTo(root, QDir::cleanPath(startFolder).split(QLatin1Char('/'), Qt::SkipEmptyParts));
}

void LocalFolderTree::goTo(const QString& path) {
    if (QTreeWidgetItem* root = topLevelItem(0))
        descendTo(root, QDir::cleanPath(path).split(QLatin1Char('/'), Qt::SkipEmptyParts));
}

// Down to the start folder, each level read one ahead as if opened; the
// folder opens with its subfolders in view, once the pane has its size.
void LocalFolderTree::descendTo(QTreeWidgetItem* item, QStringList parts) {
    withChildren(item, [this, parts](QTreeWidgetItem* at) {
        if (QTreeWidgetItem* child = parts.isEmpty() ? nullptr : childNamed(at, parts.first())) {
            at->setExpanded(true);
            descendTo(child, parts.mid(1));
            return;
        }
        setCurrentItem(at);
        at->setExpanded(true);
        QTimer::singleShot(0, this, [this] {
            if (QTreeWidgetItem* shown = shownItem())
                scrollToItem(shown, QAbstractItemView::PositionAtTop);
        });
    });
}

QTreeWidgetItem* LocalFolderTree::childNamed(QTreeWidgetItem* parent, const QString& name) const {
    for (int i = 0; parent && i < parent->childCount(); ++i)
        if (parent->child(i)->data(0, NameRole).toString() == name)
            return parent->child(i);
    return nullptr;
}

QTreeWidgetItem* LocalFolderTree::itemOf(const QPersistentModelIndex& index) const {
    return index.isValid() ? itemFromIndex(index) : nullptr;
}

QTreeWidgetItem* LocalFolderTree::selectedNode() const {
    QTreeWidgetItem* item = currentItem();
    return item && item->isSelected() ? item : nullptr;
}

QTreeWidgetItem* LocalFolderTree::shownItem() const {
    return itemOf(shown_);
}

void LocalFolderTree::setShownLook(QTreeWidgetItem* item, bool shown) {
    if (!item || !item->parent())
        return; // the root keeps its picture
    const QSignalBlocker quiet(this);
    item->setIcon(0, shown ? FileTypes::openFolderIcon() : FileTypes::folderIcon());
}

void LocalFolderTree::onCurrentChanged(QTreeWidgetItem* current) {
    if (!current || current == shownItem())
        return;
    setShownLook(shownItem(), false);
    setShownLook(current, true);
    shown_ = QPersistentModelIndex(indexFromItem(current));
    showLocalFolder(false);
}

// Expanding and collapsing alike make sure every child shows the right
// expand button.
void LocalFolderTree::onExpanded(QTreeWidgetItem* item) {
    withChildren(item, [this](QTreeWidgetItem* at) { readChildrenAhead(at); });
}

// The subfolders of each child not read yet, one level ahead of the item,
// all in one read. A child where another file system is mounted is left
// to be read when it is opened: it may be a network share that does not
// answer.
void LocalFolderTree::readChildrenAhead(QTreeWidgetItem* item) {
    const QSet<QString> mounts = app_.folderReader.mountPoints();
    QList<QPersistentModelIndex> children;
    QStringList paths;
    {
        const QSignalBlocker quiet(this);
        for (int i = 0; i < item->childCount(); ++i) {
            QTreeWidgetItem* child = item->child(i);
            if (child->data(0, DataRole).toInt() != Unread || mounts.contains(localPath(child)))
                continue;
            child->setData(0, DataRole, Reading);
            children << QPersistentModelIndex(indexFromItem(child));
            paths << localPath(child);
        }
    }
    if (paths.isEmpty())
        return;
    const auto arrived = [this, children](const QList<FolderRead>& reads) {
        for (qsizetype i = 0; i < children.size(); ++i) {
            QTreeWidgetItem* child = itemOf(children.at(i));
            if (child && child->data(0, DataRole).toInt() == Reading)
                addSubfolders(child, reads.at(i));
        }
    };
    if (const auto reads =
            app_.folderReader.read(paths, FolderReader::Kind::FoldersOnly, this, arrived))
        arrived(*reads);
}

// The list shows the folder once it is read; a read that comes after
// another folder was chosen is dropped.
void LocalFolderTree::showLocalFolder(bool refresh) {
    QTreeWidgetItem* item = shownItem();
    if (!item || !app_.localList)
        return;
    app_.localList->clearRows();
    const QPersistentModelIndex index = shown_;
    const auto arrived = [this, index, refresh](const QList<FolderRead>& reads) {
        QTreeWidgetItem* again = itemOf(index);
        if (again && shown_ == index)
            showRead(again, refresh, reads.first());
    };
    if (const auto reads = app_.folderReader.read({localPath(item)}, FolderReader::Kind::Everything,
                                                  this, arrived))
        arrived(*reads);
}

void LocalFolderTree::showRead(QTreeWidgetItem* item, bool refresh, const FolderRead& read) {
    LocalFileList* list = app_.localList;
    list->clearRows();
    if (!read.readable) {
        host_.prompts().report(QString::fromUtf8(PaneText::UnreadableLocalFolder) +
                               localPath(item));
        return;
    }
    const QSignalBlocker quiet(this);
    bool added = item->data(0, DataRole).toInt() == Read;
    if (refresh) {
        qDeleteAll(item->takeChildren());
        added = false;
    }
    int folderRows = 0;
    list->setAppliedPattern(app_.filters.local);
    for (const QFileInfo& entry : read.entries) {
        if (entry.isDir()) {
            if (!added && !(item->parent() == nullptr && hiddenAtRoot(entry.fileName())))
                insertFolderItem(item, entry.fileName());
            // A pattern hides files only: every folder stays reachable.
            list->insertFolderRow(folderRows++, entry);
        } else if (list->passesFilter(entry.fileName())) {
            list->addFileRow(entry);
        }
    }
    if (!added) {
        item->setData(0, DataRole, Read);
        item->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
    }
    readChildrenAhead(item);
    list->resort();
}

bool LocalFolderTree::openChildFolder(const QString& name) {
    QTreeWidgetItem* parent = shownItem();
    QTreeWidgetItem* child = childNamed(parent, name);
    if (!child)
        return false;
    parent->setExpanded(true);
    setCurrentItem(child);
    return true;
}

void LocalFolderTree::relabelChild(const QString& name, const QString& newName) {
    if (QTreeWidgetItem* child = childNamed(shownItem(), name)) {
        const QSignalBlocker quiet(this);
        child->setText(0, newName);
        child->setData(0, NameRole, newName);
        shownItem()->sortChildren(0, Qt::AscendingOrder);
    }
}

void LocalFolderTree::removeChild(const QString& name) {
    const QSignalBlocker quiet(this);
    delete childNamed(shownItem(), name);
}

// --- renaming in place --------------------------------------------------------

void LocalFolderTree::renameSelected() {
    QTreeWidgetItem* item = selectedNode();
    if (item && item->parent())
        editItem(item, 0);
}

void LocalFolderTree::onLabelEdited(QTreeWidgetItem* item, int column) {
    if (column != 0 || !item->parent())
        return;
    const QString oldName = item->data(0, NameRole).toString();
    const QString newName = item->text(0).trimmed();
    const auto keepOld = [&] {
        const QSignalBlocker quiet(this);
        item->setText(0, oldName);
    };
    if (newName.isEmpty() || newName == oldName) {
        keepOld();
        return;
    }
    QTreeWidgetItem* parent = item->parent();
    for (int i = 0; i < parent->childCount(); ++i) {
        if (parent->child(i) != item && parent->child(i)->text(0) == newName) {
            keepOld();
            host_.prompts().report(QString::fromUtf8(PaneText::FolderExistsInTree));
            return;
        }
    }
    // A name holding "/" would move the folder elsewhere rather than rename it.
    const bool renamed = !newName.contains(QLatin1Char('/')) &&
                         QDir().rename(localPath(item), folderPath(parent) + newName);
    if (!renamed) {
        keepOld();
        host_.prompts().report(QString::fromUtf8(PaneText::RenameFailed));
        return;
    }
    const QSignalBlocker quiet(this);
    item->setText(0, newName);
    item->setData(0, NameRole, newName);
}

// --- new folder and delete ----------------------------------------------------

void LocalFolderTree::newFolder() {
    QTreeWidgetItem* node = selectedNode();
    if (!node)
        return;
    const QString name = host_.prompts().askName(Prompts::NameDialog::NewFolder);
    if (name.isEmpty())
        return;
    if (childNamed(node, name)) {
        host_.prompts().report(QString::fromUtf8(PaneText::FolderExists));
        return;
    }
    if (name.contains(QLatin1Char('/')) || !QDir().mkdir(folderPath(node) + name)) {
        host_.prompts().report(QString::fromUtf8(PaneText::MakeFolderFailed));
        return;
    }
    addSubfolders(insertFolderItem(node, name), FolderRead{true, {}}); // new, so empty
    if (node == shownItem())
        showLocalFolder(false);
}

// Only an empty folder is removed (rmdir), so nothing inside it and nothing
// a link inside it points to can be lost.
void LocalFolderTree::deleteSelectedFolder() {
    QTreeWidgetItem* node = selectedNode();
    if (!node || !node->parent())
        return;
    const bool listed = node == shownItem() && app_.localList->topLevelItemCount() > 0;
    if (node->childCount() > 0 || listed) {
        host_.prompts().report(QString::fromUtf8(PaneText::FolderNotEmpty));
        return;
    }
    const QString path = localPath(node);
    if (!host_.prompts().askYesNo(ask("是否确定删除本地目录 ", path, " ？")))
        return;
    if (!QDir().rmdir(path)) {
        host_.prompts().report(QString::fromUtf8(PaneText::DeleteFolderFailed));
        return;
    }
    QTreeWidgetItem* parent = node->parent();
    delete node;
    setCurrentItem(parent);
}

// --- context menu ---------------------------------------------------------------

QMenu* LocalFolderTree::prepareContextMenu(const QPoint& point) {
    QTreeWidgetItem* item = itemAt(point);
    const bool folder = item && item->parent();
    PaneMenu::enable(menu_, host_, Cmd::PaneNewFolder, item != nullptr);
    PaneMenu::enable(menu_, host_, Cmd::PaneRename, folder);
    PaneMenu::enable(menu_, host_, Cmd::PaneDelete, folder && item->childCount() == 0);
    PaneMenu::enable(menu_, host_, Cmd::PaneCopy,
                     item && host_.frameCommandEnabled(Cmd::Copy) && folder);
    PaneMenu::enable(menu_, host_, Cmd::PanePaste, item && host_.frameCommandEnabled(Cmd::Paste));
    return menu_;
}

void LocalFolderTree::contextMenuEvent(QContextMenuEvent* event) {
    if (app_.dragState.dragging)
        return;
    const QPoint point = viewport()->mapFromGlobal(event->globalPos());
    lastMousePoint_ = point;
    // The commands act on the folder clicked, which becomes the selected one.
    if (QTreeWidgetItem* item = itemAt(point))
        setCurrentItem(item);
    if (QAction* chosen = prepareContextMenu(point)->exec(event->globalPos()))
        runPaneCommand(chosen->data().toInt(), itemAt(lastMousePoint_));
}

void LocalFolderTree::runPaneCommand(int command, QTreeWidgetItem* clicked) {
    switch (command) {
    case Cmd::PaneNewFolder:
        newFolder();
        break;
    case Cmd::PaneRename:
        renameSelected();
        break;
    case Cmd::PaneDelete:
        deleteSelectedFolder();
        break;
    case Cmd::PaneCopy:
        app_.activePane = Pane::LocalTree;
        host_.copySelection(clicked);
        break;
    case Cmd::PanePaste:
        app_.activePane = Pane::LocalTree;
        host_.pasteInto(clicked);
        break;
    default:
        break;
    }
}

// --- dragging -------------------------------------------------------------------

int LocalFolderTree::paneCode() const {
    return Pane::LocalTree;
}

int LocalFolderTree::refusedSource() const {
    return Pane::LocalList;
}

void LocalFolderTree::mousePressEvent(QMouseEvent* event) {
    QTreeWidget::mousePressEvent(event);
    PaneDrag::recordPress(press_, this, event);
}

void LocalFolderTree::mouseMoveEvent(QMouseEvent* event) {
    lastMousePoint_ = event->pos();
    if (!PaneDrag::handleMove(app_, this, press_, event))
        QTreeWidget::mouseMoveEvent(event);
}

void LocalFolderTree::mouseReleaseEvent(QMouseEvent* event) {
    if (!PaneDrag::handleRelease(app_, this, press_, event))
        QTreeWidget::mouseReleaseEvent(event);
}

// Folders can be dragged, the root cannot.
bool LocalFolderTree::dragStartsOn(const QTreeWidgetItem* item) const {
    return item->parent() != nullptr;
}

void LocalFolderTree::clearDropTarget() {
    dropTarget_.clear();
}

void LocalFolderTree::dragMovedOver(const QPoint& point) {
    dropTarget_.follow(point, app_.dragState.sourcePane, {Pane::SiteTree, Pane::RemoteList});
}

void LocalFolderTree::dropAt(const QPoint& point, const DragState& drag) {
    if (drag.sourcePane == Pane::LocalTree) {
        PaneDrag::refuseOwnDrop(host_.prompts(), itemOf(drag.draggedItem), itemAt(point));
        return;
    }
    QTreeWidgetItem* target = dropTarget_.landing(point);
    if (!target || !host_.acceptsTransfers())
        return;
    const QString localLabel = target->text(0);
    if (drag.sourcePane == Pane::RemoteList) {
        if (!host_.prompts().askYesNo(ask("是否确定把选择的站点文件下载到本地目录：", localLabel,
                                          " ？\r\n注意：已有同名文件将被覆盖！")))
            return;
        setCurrentItem(target);
        host_.downloadRows(target);
    } else if (drag.sourcePane == Pane::SiteTree) {
        QTreeWidgetItem* site = app_.siteTree->itemOf(drag.draggedItem);
        if (!SiteTree::isRemoteFolder(site))
            return;
        if (!host_.prompts().askYesNo(
                ask("是否确定把站点目录 ", SiteTree::labelOf(site), " 及其文件下载到本地目录：") +
                localLabel + QString::fromUtf8(" ？请先删除本地保存目录下的同名子目录！")))
            return;
        host_.downloadFolder(target, site);
    }
}
