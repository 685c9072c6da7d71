// The main window's commands: menu, toolbar and keys, their enabling rules, and
// what each one does.
#include "core/engine/ftp_session.h"
#include "gui/dialogs/about_dialog.h"
#include "gui/panes/command_ids.h"
#include "gui/panes/local_file_list.h"
#include "gui/panes/local_folder_tree.h"
#include "gui/panes/message_pane.h"
#include "gui/panes/remote_file_list.h"
#include "gui/panes/site_tree.h"
#include "gui/panes/transfer_list.h"
#include "gui/window/main_window.h"
#include "gui/window/shell_services.h"

#include <QAction>
#include <QApplication>
#include <QMenuBar>
#include <QShortcut>
#include <QStyle>
#include <QToolBar>

namespace {

struct ToolbarIcon {
    int command;
    const char* themeName;
    QStyle::StandardPixmap fallback;
};

// One picture per toolbar button, in the toolbar's order.
const ToolbarIcon kToolbarIcons[] = {
    {Cmd::Connect, "network-connect", QStyle::SP_DriveNetIcon},
    {Cmd::SiteProperties, "document-properties", QStyle::SP_FileDialogDetailedView},
    {Cmd::CloseConnection, "network-disconnect", QStyle::SP_BrowserStop},
    {Cmd::Copy, "edit-copy", QStyle::SP_FileLinkIcon},
    {Cmd::Paste, "edit-paste", QStyle::SP_DialogSaveButton},
    {Cmd::NewFolder, "folder-new", QStyle::SP_FileDialogNewFolder},
    {Cmd::NewFile, "document-new", QStyle::SP_FileIcon},
    {Cmd::Delete, "edit-delete", QStyle::SP_TrashIcon},
    {Cmd::ResumeTask, "media-playback-start", QStyle::SP_MediaPlay},
    {Cmd::Interrupt, "media-playback-pause", QStyle::SP_MediaPause},
    {Cmd::Refresh, "view-refresh", QStyle::SP_BrowserReload},
    {Cmd::EditFile, "accessories-text-editor", QStyle::SP_FileDialogContentsView},
    {Cmd::WebPreview, "document-print-preview", QStyle::SP_ComputerIcon},
    {Cmd::HomePage, "go-home", QStyle::SP_DirHomeIcon},
    {Cmd::Help, "help-contents", QStyle::SP_MessageBoxQuestion},
};

// Where a separator follows in the toolbar.
bool separatorAfter(int command) {
    return command == Cmd::CloseConnection || command == Cmd::Paste || command == Cmd::Delete ||
           command == Cmd::Interrupt || command == Cmd::Refresh || command == Cmd::WebPreview ||
           command == Cmd::HomePage || command == Cmd::Help;
}

struct Accelerator {
    int command;
    QKeyCombination keys;
};

const Accelerator kAccelerators[] = {
    {Cmd::SiteProperties, Qt::CTRL | Qt::Key_N},
    {Cmd::SiteProperties, Qt::ALT | Qt::Key_Return},
    {Cmd::Connect, Qt::CTRL | Qt::Key_I},
    {Cmd::CloseConnection, Qt::CTRL | Qt::Key_O},
    {Cmd::NewFolder, Qt::CTRL | Qt::Key_M},
    {Cmd::NewFile, Qt::CTRL | Qt::Key_F},
    {Cmd::Delete, Qt::CTRL | Qt::Key_D},
    {Cmd::EditFile, Qt::CTRL | Qt::Key_E},
    {Cmd::WebPreview, Qt::CTRL | Qt::Key_W},
    {Cmd::Interrupt, Qt::CTRL | Qt::Key_P},
    {Cmd::ResumeTask, Qt::CTRL | Qt::Key_T},
    {Cmd::Exit, Qt::ALT | Qt::Key_X},
    {Cmd::Refresh, Qt::CTRL | Qt::Key_R},
    {Cmd::Copy, Qt::CTRL | Qt::Key_C},
    {Cmd::Paste, Qt::CTRL | Qt::Key_V},
    {Cmd::SelectAll, Qt::CTRL | Qt::Key_A},
    {Cmd::Help, QKeyCombination(Qt::Key_F1)},
    // The keys of every file manager, beside the program's own.
    {Cmd::Delete, QKeyCombination(Qt::Key_Delete)},
    {Cmd::Rename, QKeyCombination(Qt::Key_F2)},
    {Cmd::Refresh, QKeyCombination(Qt::Key_F5)},
    {Cmd::UpOneLevel, QKeyCombination(Qt::Key_Backspace)},
    {Cmd::UpOneLevel, Qt::ALT | Qt::Key_Up},
};

// " (Ctrl+D, Delete)": the keys of a command, for its button's tooltip.
QString shortcutsOf(int command) {
    QStringList keys;
    for (const Accelerator& acc : kAccelerators)
        if (acc.command == command)
            keys << QKeySequence(acc.keys).toString(QKeySequence::NativeText);
    return keys.isEmpty()
               ? QString()
               : QStringLiteral(" (") + keys.join(QStringLiteral(", ")) + QLatin1Char(')');
}

} // namespace

QAction* MainWindow::addCommand(int command, const char* text, const char* tip,
                                std::function<void()> handler) {
    auto* action = new QAction(QString::fromUtf8(text), this);
    action->setData(command);
    action->setObjectName(QStringLiteral("cmd%1").arg(command));
    if (tip)
        action->setToolTip(QString::fromUtf8(tip));
    connect(action, &QAction::triggered, this, [this, command] { runCommand(command); });
    actions_.insert(command, action);
    handlers_.insert(command, std::move(handler));
    return action;
}

void MainWindow::buildCommands() {
    addFileCommands();
    addViewEditAndHelpCommands();
    buildMenus();
    buildToolbar();
    bindShortcuts();
}

void MainWindow::addFileCommands() {
    addCommand(Cmd::NetworkSettings, "网络属性定义", nullptr, [this] { editNetworkSettings(); });
    addCommand(Cmd::NewSite, "新增站点", "增加站点", [this] { app_.siteTree->addSite(); });
    addCommand(Cmd::SiteProperties, "站点属性(Ctrl+N)", "修改编辑FTP站点的属性",
               [this] { app_.siteTree->editSiteProperties(app_.siteTree->selectedNode()); });
    addCommand(Cmd::Connect, "连接站点(Ctrl+I)", "连接FTP站点",
               [this] { app_.siteTree->connectSite(app_.siteTree->selectedNode()); });
    addCommand(Cmd::CloseConnection, "关闭连接(Ctrl+O)", "关闭现在的站点连接",
               [this] { closeConnectionCommand(); });
    addCommand(Cmd::NewFolder, "新建目录(Ctrl+M)", "在当前目录下建立新目录",
               [this] { newFolderCommand(); });
    addCommand(Cmd::NewFile, "新建文件(Ctrl+F)", "创建一个新的FTP文件",
               [this] { newFileCommand(); });
    addCommand(Cmd::Rename, "重命名", "重新命名当前选择的目录或文件", [this] { renameCommand(); });
    addCommand(Cmd::Delete, "删除(Ctrl+D)", "删除当前选择的目录或文件",
               [this] { deleteCommand(); });
    addCommand(Cmd::EditFile, "编辑文件(Ctrl+E)", "打开或编辑FTP文件",
               [this] { editFileCommand(); });
    addCommand(Cmd::WebPreview, "网页预览(Ctrl+W)", "浏览FTP文件对应的网页",
               [this] { webPreviewCommand(); });
    addCommand(Cmd::DirectoryUpdate, "目录更新", "和本地目录比较，更新站点FTP目录",
               [this] { directoryUpdateCommand(); });
    addCommand(Cmd::Interrupt, "中断当前操作(Ctrl+P)", "停止当前的处理过程并保存现场",
               [this] { interruptCommand(); });
    addCommand(Cmd::ResumeTask, "中断续传(Ctrl+T)", "选择还未完成的任务从中断处接着进行",
               [this] { resumeTaskCommand(); });
    addCommand(Cmd::Exit, "退出(Alt+X)", "退出", [this] { close(); });
}

void MainWindow::addViewEditAndHelpCommands() {
    addCommand(Cmd::SmallIcons, "小图标", nullptr, [this] { setListStyle(Cmd::SmallIcons); });
    addCommand(Cmd::ListView, "列表", nullptr, [this] { setListStyle(Cmd::ListView); });
    addCommand(Cmd::DetailsView, "详细资料", nullptr, [this] { setListStyle(Cmd::DetailsView); });
    addCommand(Cmd::Refresh, "刷新(Ctrl+R)", "刷新选择目录下的文件列表显示",
               [this] { refreshCommand(); });
    addCommand(Cmd::ToggleToolbar, "工具栏(&T)", "显隐工具栏", [this] {
        toolBar_->setVisible(!toolBar_->isVisible());
    })->setCheckable(true);
    addCommand(Cmd::ToggleTransferList, "传送列表(&L)", "显隐传送列表", [this] {
        transferList_->setHidden(!transferList_->isHidden());
        actions_.value(Cmd::ToggleTransferList)->setChecked(!transferList_->isHidden());
    })->setCheckable(true);
    addCommand(Cmd::UpOneLevel, "向上一级", "向上一级", [this] { upOneLevelCommand(); });
    addCommand(Cmd::FileListOptions, "文件列表选项", "文件列表选项",
               [this] { fileListOptionsCommand(); });
    addCommand(Cmd::Copy, "复制(Ctrl+C)", "复制选择的目录或文件", [this] { copyCommand(); });
    addCommand(Cmd::Paste, "粘贴(Ctrl+V)", "把刚复制的目录或文件拷贝到选择的目录",
               [this] { pasteCommand(); });
    addCommand(Cmd::SelectAll, "全选(Ctrl+A)", "选择全部文件和目录", [this] {
        if (QTreeWidget* list = activeFileList())
            list->selectAll();
    });
    addCommand(Cmd::Help, "帮助(&F1)", "显示帮助信息", [this] { showHelpTopic(QString()); });
    addCommand(Cmd::About, "关于corvane...", "关于", [this] { services_.showAbout(this); });
    addCommand(Cmd::HomePage, "到软件主页...", "浏览软件的主页",
               [this] { openInBrowser(QString::fromLatin1(AboutDialog::HomePageUrl)); });
}

void MainWindow::buildMenus() {
    // 0 stands for a separator.
    const struct {
        const char* title;
        std::initializer_list<int> commands;
    } menus[] = {
        {"文件(&F)",
         {Cmd::NetworkSettings,
          0,
          Cmd::NewSite,
          Cmd::SiteProperties,
          Cmd::Connect,
          Cmd::CloseConnection,
          0,
          Cmd::NewFolder,
          Cmd::NewFile,
          Cmd::Rename,
          Cmd::Delete,
          0,
          Cmd::EditFile,
          Cmd::WebPreview,
          0,
          Cmd::DirectoryUpdate,
          0,
          Cmd::Interrupt,
          Cmd::ResumeTask,
          0,
          Cmd::Exit}},
        {"查看(&V)",
         {Cmd::SmallIcons, Cmd::ListView, Cmd::DetailsView, 0, Cmd::Refresh, 0, Cmd::ToggleToolbar,
          Cmd::ToggleTransferList, 0, Cmd::UpOneLevel, 0, Cmd::FileListOptions}},
        {"编辑(&E)", {Cmd::Copy, Cmd::Paste, 0, Cmd::SelectAll}},
        {"帮助(&H)", {Cmd::Help, 0, Cmd::About, Cmd::HomePage}},
    };
    for (const auto& m : menus) {
        QMenu* menu = menuBar()->addMenu(QString::fromUtf8(m.title));
        connect(menu, &QMenu::aboutToShow, this, &MainWindow::updateCommandStates);
        for (int command : m.commands) {
            if (command == 0)
                menu->addSeparator();
            else
                menu->addAction(actions_.value(command));
        }
    }
}

void MainWindow::buildToolbar() {
    toolBar_ = addToolBar(QStringLiteral("toolbar"));
    toolBar_->setObjectName(QStringLiteral("toolbar"));
    toolBar_->setIconSize(QSize(24, 22));
    for (const ToolbarIcon& icon : kToolbarIcons) {
        QAction* a = actions_.value(icon.command);
        a->setIcon(QIcon::fromTheme(QString::fromLatin1(icon.themeName),
                                    style()->standardIcon(icon.fallback)));
        a->setToolTip(a->toolTip() + shortcutsOf(icon.command));
        toolBar_->addAction(a);
        if (separatorAfter(icon.command))
            toolBar_->addSeparator();
    }
    actions_.value(Cmd::ToggleToolbar)->setChecked(true);
    actions_.value(Cmd::ToggleTransferList)->setChecked(true);
    connect(toolBar_, &QToolBar::visibilityChanged, actions_.value(Cmd::ToggleToolbar),
            &QAction::setChecked);
}

// The menu texts carry their keys already, so the keys are separate
// shortcuts that run the command only while it is enabled.
void MainWindow::bindShortcuts() {
    for (const Accelerator& acc : kAccelerators) {
        auto* shortcut = new QShortcut(QKeySequence(acc.keys), this);
        const int command = acc.command;
        connect(shortcut, &QShortcut::activated, this, [this, command] {
            updateCommandStates();
            if (actions_.value(command)->isEnabled())
                runCommand(command);
            else if (app_.activePane == Pane::Messages)
                forwardToMessagePane(command);
        });
    }
}

// The main window's keys would otherwise take copying and selecting from the
// transcript.
void MainWindow::forwardToMessagePane(int command) {
    if (command == Cmd::Copy)
        app_.messagePane->copy();
    else if (command == Cmd::SelectAll)
        app_.messagePane->selectAll();
}

// Every command of the menu and the toolbar is built.
bool MainWindow::paneCommandBuilt(int) const {
    return true;
}

bool MainWindow::frameCommandEnabled(int command) {
    updateCommandStates();
    const QAction* a = actions_.value(command);
    return a && a->isEnabled();
}

bool MainWindow::copyEnabled() const {
    if (!acceptsTransfers())
        return false;
    switch (app_.activePane) {
    case Pane::LocalTree: {
        const QTreeWidgetItem* node = app_.localTree->selectedNode();
        return node && node->parent();
    }
    case Pane::LocalList:
        return !app_.localList->selectedItems().isEmpty();
    case Pane::SiteTree:
        return app_.siteTree->remoteFolderSelected() && app_.siteTree->selectedNode();
    case Pane::RemoteList:
        return !app_.remoteList->selectedItems().isEmpty();
    default:
        return false;
    }
}

// A local copy goes to the site side, a site copy to the local side.
bool MainWindow::pasteEnabled() const {
    if (!acceptsTransfers() || (app_.copiedFolder.isEmpty() && app_.copiedItems.isEmpty()))
        return false;
    const int pane = app_.activePane;
    if (app_.copiedFromSite)
        return pane == Pane::LocalTree || pane == Pane::LocalList;
    return (pane == Pane::SiteTree || pane == Pane::RemoteList) &&
           SiteTree::isRemoteFolder(app_.siteTree->selectedNode());
}

void MainWindow::updateCommandStates() {
    const int pane = app_.activePane;
    const bool sitePane = pane == Pane::SiteTree || pane == Pane::RemoteList;
    const bool localPane = pane == Pane::LocalTree || pane == Pane::LocalList;
    const bool ready = connectionReady();
    const bool idle = notConnected();
    QTreeWidgetItem* node = app_.siteTree->selectedNode();
    const bool unconnectedSite = SiteTree::isSiteItem(node) && SiteTree::itemData(node) == 0;
    const bool remoteFolder = SiteTree::isRemoteFolder(node);
    QTreeWidgetItem* localNode = app_.localTree->selectedNode();
    const bool localFolder = localNode && localNode->parent();
    const QList<QTreeWidgetItem*> localRows = app_.localList->selectedItems();
    const QList<QTreeWidgetItem*> remoteRows = app_.remoteList->selectedItems();
    const bool oneRemoteFile =
        remoteRows.size() == 1 && !app_.remoteList->isFolderRow(remoteRows.first());
    const FtpSession* c = connection_.get();

    const auto set = [this](int command, bool rule) {
        actions_.value(command)->setEnabled(rule && paneCommandBuilt(command));
    };
    set(Cmd::Connect, unconnectedSite && idle);
    set(Cmd::CloseConnection, ready && !c->isTransferring());
    set(Cmd::NewSite, idle);
    set(Cmd::SiteProperties, sitePane && unconnectedSite && idle);
    set(Cmd::Rename, (pane == Pane::LocalTree && localFolder) ||
                         (pane == Pane::LocalList && localRows.size() == 1) ||
                         (pane == Pane::SiteTree && unconnectedSite && idle) ||
                         (pane == Pane::RemoteList && remoteRows.size() == 1 && ready));
    set(Cmd::NewFolder, (pane == Pane::LocalTree && localNode) ||
                            (pane == Pane::SiteTree && remoteFolder && ready));
    set(Cmd::Delete,
        (pane == Pane::LocalTree && localFolder && app_.localList->topLevelItemCount() == 0) ||
            (pane == Pane::LocalList && !localRows.isEmpty()) ||
            (pane == Pane::SiteTree && remoteFolder && SiteTree::remotePath(node) != "/" &&
             ready) ||
            (pane == Pane::RemoteList && !remoteRows.isEmpty() && ready));
    set(Cmd::Copy, copyEnabled());
    set(Cmd::Paste, pasteEnabled());
    set(Cmd::Refresh, localPane || (sitePane && remoteFolder && ready));
    const QTreeWidgetItem* upFrom = localPane ? localNode : sitePane ? node : nullptr;
    set(Cmd::UpOneLevel, upFrom && upFrom->parent());
    set(Cmd::SelectAll,
        (pane == Pane::LocalList && app_.localList->topLevelItemCount() > 0) ||
            (pane == Pane::RemoteList && app_.remoteList->topLevelItemCount() > 0 && ready));
    set(Cmd::Interrupt, c && (c->isTransferring() || c->isSettingUp()));
    set(Cmd::NewFile, sitePane && remoteFolder && ready);
    set(Cmd::DirectoryUpdate, pane == Pane::SiteTree && remoteFolder && acceptsTransfers());
    set(Cmd::EditFile, pane == Pane::RemoteList && oneRemoteFile && ready);
    set(Cmd::WebPreview, pane == Pane::RemoteList && oneRemoteFile && ready);
    set(Cmd::ResumeTask, resumeEnabled());
    for (int command : {Cmd::NetworkSettings, Cmd::Exit, Cmd::ToggleToolbar,
                        Cmd::ToggleTransferList, Cmd::Help, Cmd::About, Cmd::HomePage,
                        Cmd::FileListOptions, Cmd::SmallIcons, Cmd::ListView, Cmd::DetailsView})
        set(command, true);
}

void MainWindow::refreshCommand() {
    const int pane = app_.activePane;
    if (pane == Pane::LocalTree || pane == Pane::LocalList) {
        app_.localTree->showLocalFolder(true);
        return;
    }
    if (SiteTree::isRemoteFolder(app_.siteTree->selectedNode()) && connectionReady()) {
        connection_->reset(true);
        app_.siteTree->relist();
    }
}

void MainWindow::runCommand(int command) {
    if (const std::function<void()> handler = handlers_.value(command))
        handler();
}

// The selection of the pane in use; a site folder only when one is chosen.
void MainWindow::copyCommand() {
    QTreeWidgetItem* node = app_.siteTree->selectedNode();
    if (app_.activePane == Pane::LocalTree)
        copySelection(app_.localTree->selectedNode());
    else if (app_.activePane == Pane::SiteTree)
        copySelection(SiteTree::isRemoteFolder(node) ? node : nullptr);
    else
        copySelection(nullptr);
}

void MainWindow::pasteCommand() {
    if (!acceptsTransfers())
        return;
    QTreeWidgetItem* node = app_.siteTree->selectedNode();
    if (app_.activePane == Pane::LocalTree)
        pasteInto(app_.localTree->selectedNode());
    else if (app_.activePane == Pane::SiteTree)
        pasteInto(SiteTree::isRemoteFolder(node) ? node : nullptr);
    else
        pasteInto(nullptr);
}
