#include "gui/panes/remote_file_list.h"

#include "core/engine/ftp_connection.h"
#include "core/platform/prompts.h"
#include "gui/panes/file_list_sort.h"
#include "gui/panes/file_types.h"
#include "gui/panes/focus_report.h"
#include "gui/panes/listing_cache.h"
#include "gui/panes/local_folder_tree.h"
#include "gui/panes/pane_host.h"
#include "gui/panes/pane_menu.h"
#include "gui/panes/pane_state.h"
#include "gui/panes/site_tree.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>

RemoteFileList::RemoteFileList(PaneState& app, PaneHost& host, QWidget* parent)
    : QTreeWidget(parent), menu_(new QMenu(this)), app_(app), host_(host) {
    setObjectName(QStringLiteral("remoteList"));
    app_.remoteList = this;
    app_.dragPanes << this;
    new FocusReport(app_, this, Pane::RemoteList);
    setColumnCount(4);
    setHeaderLabels({QString::fromUtf8("文件名称"), QString::fromUtf8("文件大小"),
                     QString::fromUtf8("文件类型"), QString::fromUtf8("修改时间")});
    const int widths[] = {150, 100, 200, 200};
    for (int c = 0; c < 4; ++c)
        setColumnWidth(c, widths[c]);
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    viewport()->setMouseTracking(true); // moves with the button up end a drag
    header()->setSectionsClickable(true);
    header()->setSortIndicatorShown(false);
    connect(header(), &QHeaderView::sectionClicked, this, &RemoteFileList::sortByColumn);
    connect(this, &QTreeWidget::itemDoubleClicked, this, &RemoteFileList::onDoubleClick);

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
                                         const QString& type, const QString& date,
                                         const QIcon& icon) {
    auto* row = new QTreeWidgetItem(QStringList{name, size, type, date});
    row->setIcon(NameColumn, icon);
    return row;
}

void RemoteFileList::insertFolderRow(int position, const QString& name, const QString& date) {
    insertTopLevelItem(position, makeRow(name, QString(), FileTypes::folderTypeName(), date,
                                         FileTypes::folderIcon()));
}

void RemoteFileList::fillFromCache(const CachedListing& listing) {
    clear();
    const QString folderType = FileTypes::folderTypeName();
    for (qsizetype i = 0; i < listing.size(); ++i) {
        const bool folder = listing.types.at(i) == folderType;
        addTopLevelItem(makeRow(
            listing.names.at(i), listing.sizes.at(i), listing.types.at(i), listing.dates.at(i),
            folder ? FileTypes::folderIcon() : FileTypes::iconFor(listing.names.at(i))));
    }
    sortByColumn(NameColumn);
}

void RemoteFileList::sortByColumn(int column) {
    FileListSort::sortRows(this, column, FileTypes::folderTypeName(), host_.today());
}

bool RemoteFileList::isFolderRow(const QTreeWidgetItem* row) const {
    return row && row->text(TypeColumn) == FileTypes::folderTypeName();
}

QTreeWidgetItem* RemoteFileList::rowNamed(const QString& name) const {
    for (int i = 0; i < topLevelItemCount(); ++i)
        if (topLevelItem(i)->text(NameColumn) == name)
            return topLevelItem(i);
    return nullptr;
}

// A folder row opens the folder through the site tree, whose selection
// lists it; a folder without its tree item is left alone.
void RemoteFileList::onDoubleClick(QTreeWidgetItem* row, int column) {
    if (column != NameColumn || !isFolderRow(row) || !app_.siteTree)
        return;
    app_.siteTree->openChildFolder(row->text(NameColumn));
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

void RemoteFileList::contextMenuEvent(QContextMenuEvent* event) {
    if (app_.dragState.dragging)
        return;
    app_.activePane = Pane::RemoteList;
    const QPoint point = viewport()->mapFromGlobal(event->globalPos());
    if (QAction* chosen = prepareContextMenu(point)->exec(event->globalPos()))
        runPaneCommand(chosen->data().toInt());
}

// The menu's file commands are the main window's, on this list's selection.
void RemoteFileList::runPaneCommand(int command) {
    switch (command) {
    case Cmd::PaneRename:
        host_.runFrameCommand(Cmd::Rename);
        break;
    case Cmd::PaneDelete:
        host_.runFrameCommand(Cmd::Delete);
        break;
    case Cmd::PaneCopy:
        host_.copySelection(nullptr);
        break;
    case Cmd::PanePaste:
        host_.pasteInto(nullptr);
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

void RemoteFileList::mousePressEvent(QMouseEvent* event) {
    QTreeWidget::mousePressEvent(event);
    PaneDrag::recordPress(press_, this, event);
}

void RemoteFileList::mouseMoveEvent(QMouseEvent* event) {
    if (!PaneDrag::handleMove(app_, this, press_, event))
        QTreeWidget::mouseMoveEvent(event);
}

void RemoteFileList::mouseReleaseEvent(QMouseEvent* event) {
    if (!PaneDrag::handleRelease(app_, this, press_, event))
        QTreeWidget::mouseReleaseEvent(event);
}

// Local files or a local folder dropped here go to the site folder shown.
void RemoteFileList::dropAt(const QPoint&, const DragState& drag) {
    QTreeWidgetItem* folder = app_.siteTree ? app_.siteTree->selectedNode() : nullptr;
    if (!SiteTree::isRemoteFolder(folder) || !host_.connectionReady())
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
        if (host_.prompts().askYesNo(QString::fromUtf8("是否确定把选择的本地文件上传到站点当前目录：") +
                                     remoteLabel +
                                     QString::fromUtf8(" ？注意：已有同名文件将被覆盖！")))
            host_.uploadRows(folder);
    }
}
