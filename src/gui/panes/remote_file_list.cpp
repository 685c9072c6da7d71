#include "gui/panes/remote_file_list.h"

#include "core/engine/ftp_connection.h"
#include "gui/panes/file_list_sort.h"
#include "gui/panes/file_types.h"
#include "gui/panes/focus_report.h"
#include "gui/panes/listing_cache.h"
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
    // Deleting remote rows comes with the file commands; grey until then.
    PaneMenu::enable(menu_, host_, Cmd::PaneDelete, false);
    PaneMenu::enable(menu_, host_, Cmd::PaneCopy, onName);
    PaneMenu::enable(menu_, host_, Cmd::PanePaste, true);
    PaneMenu::enable(menu_, host_, Cmd::PaneNewFile, folderChosen && ready);
    return menu_;
}

void RemoteFileList::contextMenuEvent(QContextMenuEvent* event) {
    if (app_.dragState.dragging)
        return;
    const QPoint point = viewport()->mapFromGlobal(event->globalPos());
    prepareContextMenu(point)->exec(event->globalPos());
}

// A drag is only recorded here; the panes that take drops come later.
void RemoteFileList::mousePressEvent(QMouseEvent* event) {
    QTreeWidget::mousePressEvent(event);
    pressPoint_ = event->pos();
    pressedRow_ = event->button() == Qt::LeftButton ? itemAt(event->pos()) : nullptr;
}

void RemoteFileList::mouseMoveEvent(QMouseEvent* event) {
    DragState& drag = app_.dragState;
    if (drag.dragging) {
        if (!(event->buttons() & Qt::LeftButton))
            drag = DragState{};
        return;
    }
    if (pressedRow_ && (event->buttons() & Qt::LeftButton) &&
        (event->pos() - pressPoint_).manhattanLength() >= QApplication::startDragDistance()) {
        drag = DragState{true, Pane::RemoteList, Pane::RemoteList, this};
        return;
    }
    QTreeWidget::mouseMoveEvent(event);
}

void RemoteFileList::mouseReleaseEvent(QMouseEvent* event) {
    pressedRow_ = nullptr;
    if (app_.dragState.dragging && app_.dragState.sourcePane == Pane::RemoteList)
        app_.dragState = DragState{};
    QTreeWidget::mouseReleaseEvent(event);
}
