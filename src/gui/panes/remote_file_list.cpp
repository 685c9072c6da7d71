#include "gui/panes/remote_file_list.h"

#include "core/engine/ftp_session.h"
#include "core/platform/prompts.h"
#include "gui/panes/file_row.h"
#include "gui/panes/file_types.h"
#include "gui/panes/focus_report.h"
#include "gui/panes/listing_cache.h"
#include "gui/panes/local_folder_tree.h"
#include "gui/panes/pane_host.h"
#include "gui/panes/pane_menu.h"
#include "gui/panes/pane_state.h"
#include "gui/panes/site_tree.h"

#include <QApplication>
#include <QMenu>
#include <QSignalBlocker>

namespace {
constexpr int ColumnWidths[4] = {150, 100, 200, 200};
} // namespace

RemoteFileList::RemoteFileList(PaneState& app, PaneHost& host, QWidget* parent)
    : FileListView(app, host, ColumnWidths, parent) {
    setObjectName(QStringLiteral("remoteList"));
    app_.remoteList = this;
    new FocusReport(app_, this, Pane::RemoteList);
    // Names are edited in place only through the rename command, which
    // knows whether the connection is free.
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    connect(this, &QTreeWidget::itemDoubleClicked, this, &RemoteFileList::onDoubleClick);
    connect(this, &QTreeWidget::itemChanged, this, &RemoteFileList::onNameEdited);

    PaneMenu::add(menu_, Cmd::PaneEditFile, "编辑文件");
    menu_->addSeparator();
    PaneMenu::add(menu_, Cmd::PaneWebPreview, "网页预览");
    menu_->addSeparator();
    PaneMenu::add(menu_, Cmd::PaneNewFile, "新建文件");
    menu_->addSeparator();
    PaneMenu::add(menu_, Cmd::PaneRename, "重命名");
    menu_->addSeparator();
    PaneMenu::add(menu_, Cmd::PaneDelete, "删除");
    menu_->addSeparator();
    PaneMenu::add(menu_, Cmd::PaneCopy, "复制");
    PaneMenu::add(menu_, Cmd::PanePaste, "粘贴");
}

QTreeWidgetItem* RemoteFileList::makeRow(const QString& name, const QString& size,
                                         const QString& type, const QString& date, bool folder) {
    QTreeWidgetItem* row = FileRow::make(
        name, type, folder ? FileTypes::folderIcon() : FileTypes::iconFor(name), folder);
    row->setFlags(row->flags() | Qt::ItemIsEditable);
    if (!folder)
        FileRow::setListedSize(row, size);
    FileRow::setListedTime(row, date, host_.today());
    return row;
}

void RemoteFileList::insertFolderRow(int position, const QString& name, const QString& date) {
    const QSignalBlocker quiet(this);
    insertTopLevelItem(position, makeRow(name, QString(), FileTypes::folderTypeName(), date, true));
}

void RemoteFileList::fillFromCache(const CachedListing& listing) {
    const QSignalBlocker quiet(this);
    clear();
    setAppliedPattern(app_.filters.site);
    const QString folderType = FileTypes::folderTypeName();
    // The site pattern hides file rows only; the cache keeps every row, so
    // that a file hidden now shows again without a new listing.
    QList<QTreeWidgetItem*> rows;
    rows.reserve(listing.size());
    for (qsizetype i = 0; i < listing.size(); ++i) {
        const bool folder = listing.types.at(i) == folderType;
        if (!folder && !app_.filters.sitePasses(listing.names.at(i)))
            continue;
        rows << makeRow(listing.names.at(i), listing.sizes.at(i), listing.types.at(i),
                        listing.dates.at(i), folder);
    }
    addTopLevelItems(rows);
    resort();
}

QTreeWidgetItem* RemoteFileList::rowNamed(const QString& name) const {
    for (int i = 0; i < topLevelItemCount(); ++i)
        if (FileRow::nameOf(topLevelItem(i)) == name)
            return topLevelItem(i);
    return nullptr;
}

// A folder row opens the folder through the site tree, whose selection
// lists it; a folder without its tree item is left alone.
void RemoteFileList::onDoubleClick(QTreeWidgetItem* row, int column) {
    if (column == NameColumn)
        openFolderRow(row);
}

void RemoteFileList::openFolderRow(QTreeWidgetItem* row) {
    if (isFolderRow(row) && app_.siteTree)
        app_.siteTree->openChildFolder(FileRow::nameOf(row));
}

void RemoteFileList::renameSelected() {
    QTreeWidgetItem* row = currentItem();
    if (row && row->isSelected())
        editItem(row, NameColumn);
}

// The row keeps its name until the server has renamed the file or folder.
void RemoteFileList::onNameEdited(QTreeWidgetItem* row, int column) {
    if (column != NameColumn)
        return;
    const QString oldName = FileRow::nameOf(row);
    const QString newName = row->text(NameColumn).trimmed();
    {
        const QSignalBlocker quiet(this);
        row->setText(NameColumn, oldName);
    }
    if (!newName.isEmpty() && newName != oldName)
        host_.renameRemoteItem(oldName, newName);
}

QMenu* RemoteFileList::prepareContextMenu(const QPoint& point) {
    QTreeWidgetItem* row = itemAt(point);
    const bool onName = row && columnAt(point.x()) == NameColumn;
    const bool ready = host_.connectionReady();
    const bool fileRowReady = onName && !isFolderRow(row) && ready;
    const bool folderChosen = app_.siteTree && app_.siteTree->remoteFolderSelected();
    PaneMenu::enable(menu_, host_, Cmd::PaneEditFile, fileRowReady);
    PaneMenu::enable(menu_, host_, Cmd::PaneWebPreview, fileRowReady);
    PaneMenu::enable(menu_, host_, Cmd::PaneRename, fileRowReady);
    PaneMenu::enable(menu_, host_, Cmd::PaneDelete, onName && ready);
    PaneMenu::enable(menu_, host_, Cmd::PaneCopy, onName && host_.frameCommandEnabled(Cmd::Copy));
    PaneMenu::enable(menu_, host_, Cmd::PanePaste, host_.frameCommandEnabled(Cmd::Paste));
    PaneMenu::enable(menu_, host_, Cmd::PaneNewFile, folderChosen && ready);
    return menu_;
}

// The menu's file commands are the main window's, on this list's selection.
void RemoteFileList::runListCommand(int command) {
    switch (command) {
    case Cmd::PaneRename:
        host_.runFrameCommand(Cmd::Rename);
        break;
    case Cmd::PaneDelete:
        host_.runFrameCommand(Cmd::Delete);
        break;
    case Cmd::PaneEditFile:
        host_.runFrameCommand(Cmd::EditFile);
        break;
    case Cmd::PaneWebPreview:
        host_.runFrameCommand(Cmd::WebPreview);
        break;
    case Cmd::PaneNewFile:
        host_.runFrameCommand(Cmd::NewFile);
        break;
    default:
        break;
    }
}

// --- dragging -------------------------------------------------------------------

int RemoteFileList::paneCode() const {
    return Pane::RemoteList;
}

int RemoteFileList::refusedSource() const {
    return Pane::SiteTree;
}

// Local files or a local folder dropped here go to the site folder shown.
void RemoteFileList::dropAt(const QPoint&, const DragState& drag) {
    QTreeWidgetItem* folder = app_.siteTree ? app_.siteTree->selectedNode() : nullptr;
    if (!SiteTree::isRemoteFolder(folder) || !host_.acceptsTransfers())
        return;
    const QString remoteLabel = SiteTree::labelOf(folder);
    if (drag.sourcePane == Pane::LocalTree) {
        QTreeWidgetItem* local = app_.localTree->itemOf(drag.draggedItem);
        if (local && host_.prompts().askYesNo(
                         QString::fromUtf8("是否确定把本地目录 ") + local->text(0) +
                         QString::fromUtf8(" 及其文件上传到站点当前目录：") + remoteLabel +
                         QString::fromUtf8(" ？注意：请先删除上传站点目录下的同名子目录！")))
            host_.uploadFolder(folder, local);
    } else if (drag.sourcePane == Pane::LocalList) {
        if (host_.prompts().askYesNo(
                QString::fromUtf8("是否确定把选择的本地文件上传到站点当前目录：") + remoteLabel +
                QString::fromUtf8(" ？注意：已有同名文件将被覆盖！")))
            host_.uploadRows(folder);
    }
}
