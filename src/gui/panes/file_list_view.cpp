#include "gui/panes/file_list_view.h"

#include "gui/panes/command_ids.h"
#include "gui/panes/file_list_sort.h"
#include "gui/panes/file_row.h"
#include "gui/panes/file_types.h"
#include "gui/panes/pane_host.h"
#include "gui/panes/pane_state.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>

FileListView::FileListView(PaneState& app, PaneHost& host, const int (&columnWidths)[4],
                           QWidget* parent)
    : QTreeWidget(parent), app_(app), host_(host), menu_(new QMenu(this)) {
    app_.dragPanes << this;
    setColumnCount(4);
    setHeaderLabels({QString::fromUtf8("文件名称"), QString::fromUtf8("文件大小"),
                     QString::fromUtf8("文件类型"), QString::fromUtf8("修改时间")});
    for (int c = 0; c < 4; ++c)
        setColumnWidth(c, columnWidths[c]);
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setMouseTracking(true);
    viewport()->setMouseTracking(true); // moves with the button up end a drag
    header()->setSectionsClickable(true);
    header()->setSortIndicatorShown(true);
    header()->setSortIndicator(sortColumn_, sortOrder_);
    connect(header(), &QHeaderView::sectionClicked, this, &FileListView::sortBy);
}

void FileListView::sortBy(int column) {
    const bool again = column == sortColumn_;
    sortOrder_ =
        again && sortOrder_ == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    sortColumn_ = column;
    resort();
}

void FileListView::resort() {
    header()->setSortIndicator(sortColumn_, sortOrder_);
    FileListSort::sortRows(this, sortColumn_, sortOrder_);
}

QByteArray FileListView::columnsState() const {
    return header()->saveState();
}

void FileListView::restoreColumns(const QByteArray& state) {
    if (state.isEmpty() || !header()->restoreState(state))
        return;
    sortColumn_ = qBound(0, header()->sortIndicatorSection(), columnCount() - 1);
    sortOrder_ = header()->sortIndicatorOrder();
    resort();
}

bool FileListView::isFolderRow(const QTreeWidgetItem* row) const {
    return FileRow::isFolder(row);
}

void FileListView::runPaneCommand(int command) {
    if (command == Cmd::PaneCopy)
        host_.copySelection(nullptr);
    else if (command == Cmd::PanePaste)
        host_.pasteInto(nullptr);
    else
        runListCommand(command);
}

void FileListView::contextMenuEvent(QContextMenuEvent* event) {
    if (app_.dragState.dragging)
        return;
    const QPoint point = viewport()->mapFromGlobal(event->globalPos());
    lastMousePoint_ = point;
    app_.activePane = paneCode();
    if (QAction* chosen = prepareContextMenu(point)->exec(event->globalPos()))
        runPaneCommand(chosen->data().toInt());
}

void FileListView::mousePressEvent(QMouseEvent* event) {
    QTreeWidget::mousePressEvent(event);
    PaneDrag::recordPress(press_, this, event);
}

void FileListView::mouseMoveEvent(QMouseEvent* event) {
    lastMousePoint_ = event->pos();
    if (!PaneDrag::handleMove(app_, this, press_, event))
        QTreeWidget::mouseMoveEvent(event);
}

// Enter opens the folder of the current row; on a file it does nothing (a
// transfer starts only by a drag or a paste).
void FileListView::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && state() != EditingState) {
        if (QTreeWidgetItem* row = currentItem(); row && isFolderRow(row))
            openFolderRow(row);
        event->accept();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

void FileListView::mouseReleaseEvent(QMouseEvent* event) {
    if (!PaneDrag::handleRelease(app_, this, press_, event))
        QTreeWidget::mouseReleaseEvent(event);
}
