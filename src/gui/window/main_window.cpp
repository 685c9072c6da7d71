#include "gui/window/main_window.h"

#include "core/engine/connection_source.h"
#include "core/engine/ftp_session.h"
#include "core/engine/result_texts.h"
#include "core/platform/certificate_store.h"
#include "core/platform/clock.h"
#include "core/platform/prompts.h"
#include "core/tasks/connection_setup.h"
#include "core/tasks/operation_driver.h"
#include "gui/panes/command_ids.h"
#include "gui/panes/focus_report.h"
#include "gui/panes/local_file_list.h"
#include "gui/panes/local_folder_tree.h"
#include "gui/panes/message_pane.h"
#include "gui/panes/pane_texts.h"
#include "gui/panes/path_bar.h"
#include "gui/panes/remote_file_list.h"
#include "gui/panes/site_tree.h"
#include "gui/panes/transfer_list.h"
#include "gui/window/shell_services.h"
#include "gui/window/status_dialog_bar.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QSplitter>
#include <QTimer>
#include <QVBoxLayout>

#include <utility>

namespace {

const char* const kQuitConnected = "是否关闭当前连接并退出？";
const char* const kQuitWhileBusy =
    "当前操作尚未完成，是否中断操作、关闭连接并退出？\r\n中断的操作可用“中断续传”接着进行。";
// How long the server has to answer QUIT before the connection is closed
// from here.
constexpr int QuitWaitMs = 2000;

} // namespace

MainWindow::MainWindow(Deps deps, QWidget* parent)
    : QMainWindow(parent), prompts_(deps.prompts), services_(deps.services), clock_(deps.clock),
      programDir_(deps.programDir), localStartFolder_(startFolderOf(deps)), timing_(deps.timing),
      resolver_(std::move(deps.resolver)) {
    setObjectName(QStringLiteral("mainFrame"));
    setWindowTitle(QStringLiteral("corvane"));
    messages_.messageHandler = [this](int msg, WParam w, LParam l) { onMessage(msg, w, l); };
    messages_.timerHandler = [this](int id) { onTimer(id); };

    app_.folderReader = std::move(deps.folderReader);
    buildPanes();
    // The work folder of online editing; an existing one is no error.
    QDir().mkpath(programDir_ + QStringLiteral("bak"));
    editor_ = std::make_unique<OnlineEditor>(static_cast<OnlineEditor::Host&>(*this),
                                             programDir_ + QStringLiteral("bak"), timing_);
    settings_ = NetworkSettings::read(iniPath());
    messages_.setTimer(StartupTimer, timing_.startupTickMs, MessageTarget::TimerKind::SingleShot);
    buildCommands();

    // The menu, the toolbar and the path bars follow the connection's state
    // as it changes.
    auto* stateTimer = new QTimer(this);
    connect(stateTimer, &QTimer::timeout, this, &MainWindow::updateCommandStates);
    connect(stateTimer, &QTimer::timeout, this, &MainWindow::updateOrientation);
    connect(stateTimer, &QTimer::timeout, this, &MainWindow::showTransferProgress);
    connect(stateTimer, &QTimer::timeout, this, &MainWindow::pumpTransfers);
    focusWatch_ =
        connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
            markFocusedPane(now);
            returnFocusAfterDialog(old, now);
        });
    connect(localBar_, &PathBar::pathEntered, this, &MainWindow::goToLocalPath);
    connect(remoteBar_, &PathBar::pathEntered, this, &MainWindow::goToRemotePath);
    connect(localBar_, &PathBar::patternCleared, this, &MainWindow::clearLocalPattern);
    connect(remoteBar_, &PathBar::patternCleared, this, &MainWindow::clearSitePattern);
    stateTimer->start(250);
    restoreLayout();
    updateCommandStates();
    updateOrientation();
}

MainWindow::~MainWindow() {
    // Focus moves while the panes are destroyed: the window must no longer
    // hear of it.
    disconnect(focusWatch_);
    // The transfer list shows the window's queue: it goes while that is
    // still there.
    delete std::exchange(transferList_, nullptr);
    // The window refers to its source record: it goes first.
    operations_.reset();
    connection_.reset();
    source_.reset();
}

QString MainWindow::iniPath() const {
    return programDir_ + QString::fromLatin1(NetworkSettings::FileName);
}

// Left column: local tree | local list above site tree | remote list; the
// message pane fills the right column. The left column keeps its width and
// the upper row its height when the window is resized.
void MainWindow::buildPanes() {
    mainSplitter_ = new QSplitter(Qt::Horizontal);
    leftSplitter_ = new QSplitter(Qt::Vertical);
    auto* localSplitter = localRowSplitter_ = new QSplitter(Qt::Horizontal);
    auto* remoteSplitter = remoteRowSplitter_ = new QSplitter(Qt::Horizontal);
    auto* localTree = new LocalFolderTree(app_, *this);
    localSplitter->addWidget(localTree);
    localBar_ = new PathBar(QString::fromUtf8(PaneText::LocalSide));
    remoteBar_ = new PathBar(QString::fromUtf8(PaneText::SiteSide));
    localSplitter->addWidget(withPathBar(localBar_, new LocalFileList(app_, *this)));
    remoteSplitter->addWidget(
        new SiteTree(app_, *this, programDir_ + QStringLiteral("ftpsite.dat")));
    remoteSplitter->addWidget(withPathBar(remoteBar_, new RemoteFileList(app_, *this)));
    for (QSplitter* row : {localSplitter, remoteSplitter}) {
        row->setSizes({250, 400});
        row->setStretchFactor(1, 1);
    }
    leftSplitter_->addWidget(localSplitter);
    leftSplitter_->addWidget(remoteSplitter);
    leftSplitter_->setStretchFactor(0, 0);
    leftSplitter_->setStretchFactor(1, 1);
    leftSplitter_->setSizes({UpperRowHeight, 400});
    mainSplitter_->addWidget(leftSplitter_);
    mainSplitter_->addWidget(buildRightColumn());
    mainSplitter_->setStretchFactor(0, 0);
    mainSplitter_->setStretchFactor(1, 1);
    mainSplitter_->setSizes({LeftColumnWidth, 300});
    for (QSplitter* s :
         {mainSplitter_, leftSplitter_, localSplitter, remoteSplitter, rightSplitter_})
        s->setChildrenCollapsible(true);

    auto* central = new QWidget;
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(mainSplitter_, 1);
    statusBar_ = new StatusDialogBar;
    layout->addWidget(statusBar_);
    setCentralWidget(central);
    setUpPaneKeys();
    localTree->fill(localStartFolder_);
    app_.localTree->setFocus();
}

// The transcript above the transfer list; the list keeps its height when
// the window grows.
QWidget* MainWindow::buildRightColumn() {
    rightSplitter_ = new QSplitter(Qt::Vertical);
    rightSplitter_->addWidget(new MessagePane(app_));
    transferList_ = new TransferList(transfers_);
    new FocusReport(app_, transferList_->view(), Pane::Transfers);
    connect(transferList_, &TransferList::retryRequested, this, &MainWindow::retryTransfer);
    rightSplitter_->addWidget(transferList_);
    rightSplitter_->setStretchFactor(0, 1);
    rightSplitter_->setStretchFactor(1, 0);
    rightSplitter_->setSizes({400, 180});
    return rightSplitter_;
}

bool MainWindow::event(QEvent* event) {
    // The title is the program's name, whatever the framework would show.
    if (event->type() == QEvent::Paint || event->type() == QEvent::WindowTitleChange) {
        if (windowTitle() != QLatin1String("corvane"))
            setWindowTitle(QStringLiteral("corvane"));
    }
    return QMainWindow::event(event);
}

// --- connections -----------------------------------------------------------

bool MainWindow::connectSiteNamed(const QString& name) {
    QTreeWidgetItem* site = app_.siteTree->findItems(name, Qt::MatchExactly).value(0);
    if (!site)
        return false;
    app_.siteTree->setCurrentItem(site);
    app_.siteTree->setFocus();
    app_.activePane = Pane::SiteTree;
    updateCommandStates();
    if (action(Cmd::Connect)->isEnabled())
        runCommand(Cmd::Connect);
    return true;
}

QDate MainWindow::today() const {
    return QDateTime::fromSecsSinceEpoch(clock_.calendarSeconds()).date();
}

bool MainWindow::connectionReady() const {
    return connection_ && connection_->connectionReady();
}

bool MainWindow::notConnected() const {
    return !connection_ || connection_->phase() == ConnectionPhase::Closed;
}

// A connection started from the site tree empties the editing work folder;
// one made to resume a task leaves it.
bool MainWindow::startConnection(const SiteRecord& site) {
    editor_->cleanup();
    return connectTo(site, QString());
}

// A connection to the site; with `pendingTask` that task resumes as soon as
// the login is through.
bool MainWindow::connectTo(const SiteRecord& site, const QString& pendingTask) {
    // A port beyond 16 bits (a store written by hand) is refused, not wrapped.
    if (const QString problem = site.portProblem(); !problem.isEmpty()) {
        prompts_.report(problem);
        return false;
    }
    messages_.killTimer(FrameTimer);
    editor_->stop();
    if (app_.copiedFromSite)
        clearCopyBuffer(); // site paths of the connection being replaced
    operations_.reset();
    connection_.reset();
    source_.reset();
    app_.listingCache.clear();
    app_.siteTree->connectionStarted();
    app_.messagePane->startConnection(site.name,
                                      QDateTime::fromSecsSinceEpoch(clock_.calendarSeconds()));

    source_ = std::make_unique<ConnectionSource>();
    source_->setHostAddress(site.address);
    source_->setHostName(site.address);
    source_->port = site.portNumber();
    source_->setUser(site.user);
    source_->setPassword(site.password);
    source_->setAccount(site.account);
    source_->setStartFolder(site.startFolder);
    source_->setHomepageUrl(site.homepageUrl);
    source_->setHomepageFtpPath(site.homepageFtpPath);
    source_->taskFolder = programDir_;
    source_->encoding = encodingChoiceOf(site.encoding);
    source_->tlsMode = site.tls;
    source_->trustFile = CertificateStore::pathIn(programDir_);
    applyNetworkSettings(settings_, *source_);
    connection_ = std::make_unique<FtpSession>(
        *source_, 0, FtpSession::Deps{*this, prompts_, clock_, timing_, resolver_});
    if (!connection_->create()) {
        connection_.reset();
        source_.reset();
        prompts_.report(QString::fromUtf8(EngineText::CannotCreateResources));
        return false;
    }
    operations_ = std::make_unique<OperationDriver>(
        *connection_, *source_, OperationDriver::Deps{*this, prompts_, clock_, timing_});
    messages_.setTimer(FrameTimer, timing_.frameTickMs);
    connection_->beginConnection(pendingTask);
    return true;
}

void MainWindow::closeConnectionCommand() {
    if (!connection_)
        return;
    editor_->cleanup();
    connection_->quit();
}

bool MainWindow::editSite(SiteRecord& site) {
    return services_.editSite(site, this);
}

// Closing never ends the program while a connection is open: the user is
// told to close it first, and may force it closed.
// One question while connected. Yes says goodbye to the server (QUIT) and
// exits once it has answered, or after a moment; a running operation is cut
// off instead, its task file kept for a resume.
// Transfers still waiting in the list are named in that one question.
void MainWindow::closeEvent(QCloseEvent* event) {
    const int unfinished = transfers_.unfinishedCount();
    const QString queueNote = unfinished > 0
                                  ? QString::fromUtf8(PaneText::QueuedTransfersLeft).arg(unfinished)
                                  : QString();
    if (!connection_ || !connection_->hasControlConnection() ||
        (!connection_->isGreeted() && !exiting_)) {
        if (!exiting_ && unfinished > 0 &&
            !prompts_.askYesNo(queueNote + QStringLiteral("\r\n") +
                               QString::fromUtf8(PaneText::AskQuitWithQueue))) {
            event->ignore();
            return;
        }
        saveLayout();
        event->accept();
        return;
    }
    event->ignore();
    if (exiting_)
        return; // the goodbye is under way
    const bool busy = (operations_ && operations_->isRunning()) || connection_->isTransferring();
    const QString question = QString::fromUtf8(busy ? kQuitWhileBusy : kQuitConnected);
    if (!prompts_.askYesNo(queueNote.isEmpty() ? question
                                               : question + QStringLiteral("\r\n") + queueNote))
        return;
    exiting_ = true;
    if (busy) {
        connection_->closeConnection();
        QTimer::singleShot(0, this, &QWidget::close);
        return;
    }
    connection_->quit();
    QTimer::singleShot(QuitWaitMs, this, [this] {
        if (connection_ && connection_->hasControlConnection())
            connection_->closeConnection();
        close();
    });
}
