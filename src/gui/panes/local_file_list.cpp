#include "gui/panes/local_file_list.h"

#include "core/platform/prompts.h"
#include "gui/panes/command_ids.h"
#include "gui/panes/file_row.h"
#include "gui/panes/file_types.h"
#include "gui/panes/focus_report.h"
#include "gui/panes/local_folder_tree.h"
#include "gui/panes/pane_host.h"
#include "gui/panes/pane_menu.h"
#include "gui/panes/pane_state.h"
#include "gui/panes/pane_texts.h"
#include "gui/panes/site_tree.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QSignalBlocker>

#include <algorithm>

namespace {

// The name a row has on disk, kept while its label is edited.
constexpr int NameRole = Qt::UserRole + 1;

QString ask(const char* a, const QString& b, const char* c) {
    return QString::fromUtf8(a) + b + QString::fromUtf8(c);
}

} // namespace

namespace {
constexpr int ColumnWidths[4] = {150, 80, 200, 180};
} // namespace

LocalFileList::LocalFileList(PaneState& app, PaneHost& host, QWidget* parent)
    : FileListView(app, host, ColumnWidths, parent) {
    setObjectName(QStringLiteral("localList"));
    app_.localList = this;
    new FocusReport(app_, this, Pane::LocalList);
    setEditTriggers(QAbstractItemView::EditKeyPressed);
    connect(this, &QTreeWidget::itemDoubleClicked, this, &LocalFileList::onDoubleClick);
    connect(this, &QTreeWidget::itemChanged, this, &LocalFileList::onNameEdited);
    PaneMenu::add(menu_, Cmd::PaneRename, "重命名");
    PaneMenu::add(menu_, Cmd::PaneDelete, "删除");
    menu_->addSeparator();
    PaneMenu::add(menu_, Cmd::PaneCopy, "复制");
    PaneMenu::add(menu_, Cmd::PanePaste, "粘贴");
}

// File rows only: folders, in the list as in the tree, are never hidden.
bool LocalFileList::passesFilter(const QString& name) const {
    return app_.filters.localPasses(name);
}

// The modification time in the one form of both lists, to the minute.
void LocalFileList::setRowTime(QTreeWidgetItem* row, const QFileInfo& info) {
    const QDateTime time = info.lastModified();
    row->setData(NameColumn, FileRow::MinutesRole, time.toSecsSinceEpoch() / 60);
    row->setText(TimeColumn, time.toString(QStringLiteral("yyyy-MM-dd HH:mm")));
}

void LocalFileList::insertFolderRow(int position, const QFileInfo& info) {
    const QSignalBlocker quiet(this);
    QTreeWidgetItem* row =
        FileRow::make(info.fileName(), FileTypes::folderTypeName(), FileTypes::folderIcon(), true);
    setRowTime(row, info);
    row->setData(NameColumn, NameRole, info.fileName());
    row->setFlags(row->flags() | Qt::ItemIsEditable);
    insertTopLevelItem(position, row);
}

void LocalFileList::addFileRow(const QFileInfo& info) {
    const QSignalBlocker quiet(this);
    const QString name = info.fileName();
    QTreeWidgetItem* row =
        FileRow::make(name, FileTypes::typeNameFor(name), FileTypes::iconFor(name), false);
    FileRow::setBytes(row, quint64(info.size()));
    setRowTime(row, info);
    row->setData(NameColumn, NameRole, name);
    row->setFlags(row->flags() | Qt::ItemIsEditable);
    addTopLevelItem(row);
}

QString LocalFileList::folderPath() const {
    return app_.localTree ? LocalFolderTree::folderPath(app_.localTree->shownItem()) : QString();
}

// A folder row opens its folder through the tree, which shows it.
void LocalFileList::onDoubleClick(QTreeWidgetItem* row, int column) {
    if (!app_.dragState.dragging && column == NameColumn)
        openFolderRow(row);
}

void LocalFileList::openFolderRow(QTreeWidgetItem* row) {
    if (isFolderRow(row) && app_.localTree)
        app_.localTree->openChildFolder(row->data(NameColumn, NameRole).toString());
}

// --- renaming in place --------------------------------------------------------

void LocalFileList::renameSelected() {
    const QList<QTreeWidgetItem*> rows = selectedItems();
    if (rows.size() == 1)
        editItem(rows.first(), NameColumn);
}

void LocalFileList::onNameEdited(QTreeWidgetItem* row, int column) {
    if (column != NameColumn)
        return;
    const QString oldName = row->data(NameColumn, NameRole).toString();
    const QString newName = row->text(NameColumn).trimmed();
    const auto keepOld = [&] {
        const QSignalBlocker quiet(this);
        row->setText(NameColumn, oldName);
    };
    if (newName.isEmpty() || newName == oldName) {
        keepOld();
        return;
    }
    for (int i = 0; i < topLevelItemCount(); ++i) {
        if (topLevelItem(i) != row && topLevelItem(i)->text(NameColumn) == newName) {
            keepOld();
            host_.prompts().report(QString::fromUtf8(PaneText::FileExistsInList));
            return;
        }
    }
    const QString folder = folderPath();
    // A name holding "/" would move the file elsewhere rather than rename it.
    const bool renamed = !folder.isEmpty() && !newName.contains(QLatin1Char('/')) &&
                         QDir().rename(folder + oldName, folder + newName);
    if (!renamed) {
        keepOld();
        host_.prompts().report(QString::fromUtf8(PaneText::RenameFailed));
        return;
    }
    {
        const QSignalBlocker quiet(this);
        row->setText(NameColumn, newName);
        row->setData(NameColumn, NameRole, newName);
    }
    if (isFolderRow(row) && app_.localTree)
        app_.localTree->relabelChild(oldName, newName);
}

// --- delete -------------------------------------------------------------------

// Files only; folder rows are left alone. The last selected row goes first,
// and the first file that cannot be removed stops the command with its name.
// Files, and folders when they are empty (as in the folder tree); the
// first that cannot go stops the rest, and says which.
void LocalFileList::deleteSelectedFiles() {
    const QString folder = folderPath();
    const QList<QTreeWidgetItem*> rows = selectedItems();
    if (folder.isEmpty() || rows.isEmpty())
        return;
    const bool folders = std::any_of(rows.cbegin(), rows.cend(),
                                     [this](QTreeWidgetItem* row) { return isFolderRow(row); });
    if (!host_.prompts().askYesNo(QString::fromUtf8(folders ? PaneText::AskDeleteLocalRows
                                                            : "是否确定删除选择的本地文件？")))
        return;
    for (auto it = rows.crbegin(); it != rows.crend(); ++it) {
        const QString name = (*it)->data(NameColumn, NameRole).toString();
        const QString path = folder + name;
        if (isFolderRow(*it)) {
            if (!QDir(path).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden |
                                    QDir::System)) {
                host_.prompts().report(QString::fromUtf8(PaneText::FolderNotEmpty) + path);
                return;
            }
            if (!QDir().rmdir(path)) {
                host_.prompts().report(QString::fromUtf8(PaneText::DeleteFolderFailed) + path);
                return;
            }
            if (app_.localTree)
                app_.localTree->removeChild(name);
        } else if (!QFile::remove(path)) {
            host_.prompts().report(QString::fromUtf8(PaneText::DeleteFileFailed) + path);
            return;
        }
        delete *it;
    }
}

// --- context menu ---------------------------------------------------------------

QMenu* LocalFileList::prepareContextMenu(const QPoint& point) {
    const bool folderShown = !folderPath().isEmpty();
    QTreeWidgetItem* row = itemAt(point);
    const bool onName = folderShown && row && columnAt(point.x()) == NameColumn;
    PaneMenu::enable(menu_, host_, Cmd::PaneRename, onName);
    PaneMenu::enable(menu_, host_, Cmd::PaneDelete, onName);
    PaneMenu::enable(menu_, host_, Cmd::PaneCopy, onName && host_.frameCommandEnabled(Cmd::Copy));
    PaneMenu::enable(menu_, host_, Cmd::PanePaste,
                     folderShown && host_.frameCommandEnabled(Cmd::Paste));
    return menu_;
}

void LocalFileList::runListCommand(int command) {
    switch (command) {
    case Cmd::PaneRename:
        if (QTreeWidgetItem* row = itemAt(lastMousePoint_))
            editItem(row, NameColumn);
        break;
    case Cmd::PaneDelete:
        deleteSelectedFiles();
        break;
    default:
        break;
    }
}

// --- dragging -------------------------------------------------------------------

int LocalFileList::paneCode() const {
    return Pane::LocalList;
}

int LocalFileList::refusedSource() const {
    return Pane::LocalTree;
}

// Remote files or a remote folder dropped here go to the folder shown.
void LocalFileList::dropAt(const QPoint&, const DragState& drag) {
    QTreeWidgetItem* folder = app_.localTree ? app_.localTree->shownItem() : nullptr;
    if (!folder || !host_.acceptsTransfers())
        return;
    const QString localLabel = folder->text(0);
    if (drag.sourcePane == Pane::RemoteList) {
        if (host_.prompts().askYesNo(ask("是否确定把选择的站点文件下载到本地当前目录：", localLabel,
                                         " ？\r\n注意：已有同名文件将被覆盖！")))
            host_.downloadRows(folder);
    } else if (drag.sourcePane == Pane::SiteTree) {
        QTreeWidgetItem* site = app_.siteTree->itemOf(drag.draggedItem);
        if (!SiteTree::isRemoteFolder(site))
            return;
        if (host_.prompts().askYesNo(ask("是否确定把站点目录 ", SiteTree::labelOf(site),
                                         " 及其文件下载到本地当前目录：") +
                                     localLabel +
                                     QString::fromUtf8(" ？请先删除本地保存目录下的同名子目录！")))
            host_.downloadFolder(folder, site);
    }
}
