#pragma once

#include "core/engine/ftp_host.h"
#include "core/platform/folder_reader.h"
#include "core/platform/host_lookup.h"
#include "core/platform/message_target.h"
#include "core/platform/timing.h"
#include "core/settings/network_settings.h"
#include "core/tasks/transfer_queue.h"
#include "gui/panes/pane_host.h"
#include "gui/panes/pane_state.h"
#include "gui/window/online_editor.h"

#include <QHash>
#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <memory>

class ConnectionSource;
class FtpSession;
class OperationDriver;
class LocalFolderTree;
class LocalFileList;
class Clock;
class Prompts;
class QAction;
class QSplitter;
class QToolBar;
class QTreeWidget;
class QTreeWidgetItem;
class ShellServices;
class StatusDialogBar;
class PathBar;
class TransferList;

// The main window's own message target: its timer and the resume message
// the connection posts to it.
class FrameMessages : public MessageTarget {
    Q_OBJECT
public:
    std::function<void(int, WParam, LParam)> messageHandler;
    std::function<void(int)> timerHandler;

protected:
    void onMessage(int msg, WParam wParam, LParam lParam) override {
        messageHandler(msg, wParam, lParam);
    }
    void onTimer(int id) override { timerHandler(id); }
};

// The main window: five panes in nested splitters, the menu, toolbar and
// status bar. It owns the current connection and its source record, the
// network settings and the timer that watches the connection and shows
// transfer progress.
class MainWindow : public QMainWindow, public FtpHost, public PaneHost, private OnlineEditor::Host {
    Q_OBJECT
public:
    struct Deps {
        Prompts& prompts;
        ShellServices& services;
        Clock& clock;
        QString programDir; // ends with "/"
        Timing timing = {};
        HostLookup::Resolver resolver = HostLookup::systemResolver();
        // The folder the local tree opens at; the user's home by default.
        QString localStartFolder = {};
        // How local folders are read (tests slow some down).
        FolderReader folderReader = {};
    };

    static constexpr int FrameTimer = 1;
    // The one start-up tick has its own id, so that a connection started
    // before it fires keeps its watch timer.
    static constexpr int StartupTimer = 3;
    static constexpr int LeftColumnWidth = 650;
    static constexpr int UpperRowHeight = 200;

    explicit MainWindow(Deps deps, QWidget* parent = nullptr);
    ~MainWindow() override;

    PaneState& app() { return app_; }
    StatusDialogBar* statusDialogBar() const { return statusBar_; }
    QAction* action(int command) const { return actions_.value(command); }
    const NetworkSettings& networkSettings() const { return settings_; }
    ConnectionSource* source() const { return source_.get(); }
    QSplitter* mainSplitter() const { return mainSplitter_; }
    PathBar* localPathBar() const { return localBar_; }
    // The window took back the size and place it had when it last closed.
    bool hasRememberedGeometry() const { return rememberedGeometry_; }
    PathBar* remotePathBar() const { return remoteBar_; }
    QSplitter* leftSplitter() const { return leftSplitter_; }
    QSplitter* rightSplitter() const { return rightSplitter_; }
    // Every transfer of this run, and the pane that shows them.
    TransferQueue& transfers() { return transfers_; }
    TransferList* transferList() const { return transferList_; }

    // Greys every command whose rule does not hold (also run on a short
    // timer, as the menu and toolbar must follow the connection's state).
    void updateCommandStates();
    // The path bars, the sides' labels and the connection in the status bar
    // (also run on the short timer).
    void updateOrientation();
    // Runs a command of the menu, toolbar or keyboard.
    void runCommand(int command);
    // Selects the defined site of that name and connects to it, as the
    // user would; false when there is no such site.
    bool connectSiteNamed(const QString& name);
    // The help page at a keyword's place.
    void showHelpTopic(const QString& keyword);
    // Opens the URL in the browser, with the fallback message.
    void openInBrowser(const QString& url);

    // PaneHost
    FtpSession* connection() const override { return connection_.get(); }
    OperationDriver* operations() const override { return operations_.get(); }
    bool connectionReady() const override;
    bool acceptsTransfers() const override;
    bool notConnected() const override;
    bool startConnection(const SiteRecord& site) override;
    void closeConnectionCommand() override;
    bool editSite(SiteRecord& site) override;
    bool paneCommandBuilt(int command) const override;
    Prompts& prompts() override { return prompts_; }
    QDate today() const override;
    void downloadRows(QTreeWidgetItem* localNode) override;
    void downloadFolder(QTreeWidgetItem* localNode, QTreeWidgetItem* siteNode) override;
    void uploadRows(QTreeWidgetItem* siteNode) override;
    void uploadFolder(QTreeWidgetItem* siteNode, QTreeWidgetItem* localNode) override;
    void copySelection(QTreeWidgetItem* node) override;
    void pasteInto(QTreeWidgetItem* node) override;
    void runFrameCommand(int command) override { runCommand(command); }
    bool frameCommandEnabled(int command) override;
    void renameRemoteItem(const QString& oldName, const QString& newName) override;

    // FtpHost
    void operationEnded(const OperationEnd& end) override;
    void showStatusText(const QString& text) override;
    void securityChanged(const QString& protocol) override;
    void transcriptChanged(const QString& text, const QString& appended) override;
    void resetConnectedSiteDisplay() override;
    void controlConnectionClosed() override;
    void currentFolderLearned(const QString& folder) override;
    void remoteFolderAdded(const QString& name) override;
    void remoteFileRemoved(const QString& path) override;
    void remoteFolderRemoved(const QString& path) override;
    void remoteItemRenamed(const QString& newName) override;
    void progressStarted(qint64 baseline) override;
    void progressStopped() override;
    void showListing(const QByteArray& listing) override;
    void operationCompleted(bool download) override;
    bool takeCancelMark() override;
    bool userInterrupted() const override { return userInterrupted_; }
    void postResume() override;
    void resumeInterruptedTask(const QString& taskFile) override;
    void itemSkipped(const QString& text) override;

signals:
    // An operation ended and the status bar says how ("所有操作已成功完成！").
    void resultShown(const QString& text);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;

public:
    OnlineEditor& editor() { return *editor_; }

private:
    // Selected rows of a file list as an operation takes them.
    struct ChosenRows {
        QStringList paths;
        QList<quint64> sizes;
        QList<qint32> kinds;
    };
    ChosenRows chosenRows(QTreeWidget* list, const QString& folder, bool local);
    ChosenRows copiedRows() const;
    static TransferRequest rowsRequest(bool download, const QString& localFolder,
                                       const QString& siteFolder, const ChosenRows& rows);
    static TransferRequest folderRequest(bool download, const QString& localFolder,
                                         const QString& siteFolder);
    bool checkLocalFolder(const QString& folder);
    void clearCopyBuffer();
    void pasteDownload(QTreeWidgetItem* localNode);
    void pasteUpload(QTreeWidgetItem* siteNode);
    bool copyEnabled() const;
    bool pasteEnabled() const;
    void newFolderCommand();
    void deleteCommand();
    void renameCommand();
    QTreeWidget* activeFileList() const;
    void setListStyle(int command);
    void upOneLevelCommand();
    void refreshCommand();
    void directoryUpdateCommand();
    void fileListOptionsCommand();
    void editFileCommand();
    void newFileCommand();
    void webPreviewCommand();
    void editCopyFetched() override;
    void editUploadCompleted() override;
    // OnlineEditor::Host
    void setStatusLine(const QString& text) override;
    void addNote(const QString& text) override;
    QString chooseApplication(const QString& copyPath) override;
    bool connectTo(const SiteRecord& site, const QString& pendingTask);
    void interruptCommand();
    void resumeTaskCommand();
    void resumeByName(const QString& name);
    void resumeOnConnection(const QString& name);
    bool resumeEnabled() const;
    // The transfer list (main_window_queue.cpp).
    static QString transferSiteKey(const QString& host, int port, const QString& user);
    QString connectedSiteKey() const;
    QString connectedSiteLabel() const;
    void queueTransfer(const TransferRequest& request);
    void pumpTransfers();
    void startTransfer(int id);
    void trackTaskTransfer(const QString& name, const QString& site, const QString& label);
    QString keptTaskFile(const TransferItem& item) const;
    void transferEnded(const OperationEnd& end);
    void failRunningTransfer(const QString& reason);
    void retryTransfer(int id);
    void showTransferProgress();
    void showResult(const QString& text);
    void showResumedSite();
    QWidget* buildRightColumn();

    void buildPanes();
    // Where am I: the path bars, the sides' labels, the mark on the pane
    // with the focus, the connection in the status bar.
    QWidget* withPathBar(PathBar* bar, QWidget* list);
    QString connectionSummary() const;
    void goToLocalPath(const QString& typed);
    void goToRemotePath(const QString& typed);
    void markFocusedPane(QWidget* focused);
    void returnFocusAfterDialog(QWidget* old, QWidget* now);
    void clearLocalPattern();
    void clearSitePattern();
    void setUpPaneKeys();
    QString desktopIconPath() const;
    // The layout the user left (corvane.ini, section WINDOW).
    static QString startFolderOf(const Deps& deps);
    void restoreLayout();
    void saveLayout();
    void applyListStyle(QTreeWidget* list, int command);
    bool eventFilter(QObject* watched, QEvent* event) override;
    void buildCommands();
    void addFileCommands();
    void addViewEditAndHelpCommands();
    void buildMenus();
    void buildToolbar();
    void bindShortcuts();
    QAction* addCommand(int command, const char* text, const char* tip,
                        std::function<void()> handler);
    void copyCommand();
    void pasteCommand();
    void forwardToMessagePane(int command);
    void onMessage(int msg, WParam wParam, LParam lParam);
    void onTimer(int id);
    void startupCheck();
    void updateProgress();
    void createDesktopShortcut();
    void editNetworkSettings();
    void onResumeMessage();
    void showSkippedItems();
    QString iniPath() const;

    PaneState app_;
    Prompts& prompts_;
    ShellServices& services_;
    Clock& clock_;
    QString programDir_;
    QString localStartFolder_;
    Timing timing_;
    HostLookup::Resolver resolver_;
    NetworkSettings settings_;
    std::unique_ptr<ConnectionSource> source_;
    std::unique_ptr<FtpSession> connection_;
    // Drives connection_; made after it and gone before it.
    std::unique_ptr<OperationDriver> operations_;
    FrameMessages messages_;
    bool startupDone_ = false;
    quint64 lastBytes_ = 0;
    bool userInterrupted_ = false;
    bool cancelMark_ = false;
    // Resumes started on their own since the last completed operation: a
    // server that cuts every transfer short is not tried for ever.
    int automaticResumes_ = 0;
    QString resumingTask_;     // a connection was made to resume this task
    QString resumeSiteFolder_; // and the site folder that task works in
    bool exiting_ = false;     // the user chose to exit: the connection is ending
    bool rememberedGeometry_ = false;
    QMetaObject::Connection focusWatch_; // markFocusedPane
    QPointer<QWidget> lastFocus_;        // in this window, for after a dialog
    TransferQueue transfers_;
    int runningTransfer_ = 0;  // the line of the transfer the connection runs
    QString connectionLost_;   // how the running transfer's connection went
    QStringList skippedItems_; // left out by the running operation, not yet shown

    QSplitter* mainSplitter_ = nullptr;
    QSplitter* leftSplitter_ = nullptr;
    QSplitter* localRowSplitter_ = nullptr;
    QSplitter* remoteRowSplitter_ = nullptr;
    QSplitter* rightSplitter_ = nullptr; // the transcript above the transfer list
    TransferList* transferList_ = nullptr;
    StatusDialogBar* statusBar_ = nullptr;
    PathBar* localBar_ = nullptr;
    PathBar* remoteBar_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    QHash<int, QAction*> actions_;
    QHash<int, std::function<void()>> handlers_; // what each command does
    std::unique_ptr<OnlineEditor> editor_;
};
