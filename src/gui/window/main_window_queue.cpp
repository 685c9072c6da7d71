// The transfer list in the window: transfers given while the connection is
// busy wait their turn, each runs when the connection to its own site is
// free, and each stays listed with how it ended; a failed one runs again
// (from its kept task where it left one) when the user asks.
#include "core/engine/connection_source.h"
#include "core/engine/ftp_session.h"
#include "core/engine/result_texts.h"
#include "core/platform/clock.h"
#include "core/platform/prompts.h"
#include "core/tasks/operation_driver.h"
#include "gui/panes/pane_texts.h"
#include "gui/panes/site_tree.h"
#include "gui/panes/transfer_list.h"
#include "gui/window/main_window.h"
#include "gui/window/status_dialog_bar.h"

#include <QDateTime>
#include <QFileInfo>
#include <QTimer>

#include <utility>

namespace {

// A reason of several lines on one line of the list.
QString oneLine(QString text) {
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text.split(QLatin1Char('\n'), Qt::SkipEmptyParts).join(QLatin1Char(' '));
}

} // namespace

QString MainWindow::transferSiteKey(const QString& host, int port, const QString& user) {
    return host.toLower() + QLatin1Char(':') + QString::number(port) + QLatin1Char(' ') + user;
}

bool MainWindow::acceptsTransfers() const {
    return connection_ && connection_->isGreeted() && !connection_->isSettingUp();
}

QString MainWindow::connectedSiteKey() const {
    return source_ ? transferSiteKey(source_->hostName(), source_->port, source_->user())
                   : QString();
}

QString MainWindow::connectedSiteLabel() const {
    QTreeWidgetItem* site = app_.siteTree->connectedSiteItem();
    return site ? site->text(0) : (source_ ? source_->hostName() : QString());
}

// Given now, it runs at once when the connection is free; otherwise it
// waits, and the status bar says so.
void MainWindow::queueTransfer(const TransferRequest& request) {
    const int id = transfers_.add(request, connectedSiteKey(), connectedSiteLabel());
    if (!connectionReady())
        statusBar_->setResult(QString::fromUtf8(PaneText::TransferQueued) +
                              transfers_.item(id)->sourceText());
    pumpTransfers();
}

// The next transfer of the connected site, once nothing else holds the
// connection. Run from the window's short timer too: a reconnection to a
// site takes up what waited for it.
void MainWindow::pumpTransfers() {
    if (exiting_ || runningTransfer_ != 0 || !connectionReady() || transfers_.running())
        return;
    if (const TransferItem* next = transfers_.nextFor(connectedSiteKey()))
        startTransfer(next->id);
}

void MainWindow::startTransfer(int id) {
    const TransferItem* item = transfers_.item(id);
    if (!item)
        return;
    const TransferRequest r = item->request;
    const QString task = item->taskFile.isEmpty() ? r.taskFile : item->taskFile;
    runningTransfer_ = id;
    transfers_.setRunning(id);
    statusBar_->setResult({}); // how the last one ended is old news now
    if (!task.isEmpty()) {
        resumeByName(task);
        return;
    }
    switch (r.kind) {
    case TransferRequest::Kind::Rows:
        if (r.download)
            operations_->startDownload(r.localFolder, r.siteFolder, r.paths, r.sizes, r.kinds);
        else
            operations_->startUpload(r.siteFolder, r.localFolder, r.paths, r.sizes, r.kinds);
        break;
    case TransferRequest::Kind::Folder:
        if (r.download)
            operations_->startFolderDownload(r.localFolder, r.siteFolder);
        else
            operations_->startFolderUpload(r.siteFolder, r.localFolder);
        break;
    case TransferRequest::Kind::Update:
        operations_->startDirectoryUpdate(r.localFolder, r.siteFolder);
        break;
    case TransferRequest::Kind::Task:
        break; // a task always names its file
    }
}

// A task resumed from the list, by the resume command or on its own after a
// transfer ended short: its line runs again, or a new line stands for it.
void MainWindow::trackTaskTransfer(const QString& name, const QString& site, const QString& label) {
    if (runningTransfer_ != 0) {
        // The running transfer resuming its own task, perhaps over a new
        // connection: the line keeps the task's name for what follows.
        if (TransferItem* running = transfers_.item(runningTransfer_))
            running->taskFile = name;
        return;
    }
    const TransferItem* item = transfers_.withTask(name);
    int id = item ? item->id : 0;
    if (!item) {
        TransferRequest request;
        request.kind = TransferRequest::Kind::Task;
        request.taskFile = name;
        id = transfers_.add(request, site, label);
        transfers_.item(id)->taskFile = name;
    }
    runningTransfer_ = id;
    transfers_.setRunning(id);
    statusBar_->setResult({});
}

// The task file the running transfer leaves behind, when it left one.
QString MainWindow::keptTaskFile(const TransferItem& item) const {
    const QString name = source_ ? source_->taskFileName : QString();
    if (!name.isEmpty() && QFileInfo::exists(programDir_ + name))
        return name;
    if (!item.taskFile.isEmpty() && QFileInfo::exists(programDir_ + item.taskFile))
        return item.taskFile;
    return {};
}

// How the running transfer ended, on its line; the next one runs once the
// connection's handler is through.
void MainWindow::transferEnded(const OperationEnd& end) {
    if (runningTransfer_ == 0)
        return;
    const int id = std::exchange(runningTransfer_, 0);
    TransferItem* item = transfers_.item(id);
    if (!item)
        return;
    switch (end.outcome()) {
    case Outcome::Completed:
        if (operations_)
            transfers_.setProgress(id, operations_->progress(), clock_.tickCount());
        transfers_.setDone(id);
        break;
    case Outcome::CompletedWithSkips:
        transfers_.setDone(id, end.text());
        break;
    case Outcome::ConnectFailed:
        // The connection went, and the new one made to go on could not be
        // made: both are said.
        transfers_.setFailed(
            id,
            oneLine(connectionLost_.isEmpty()
                        ? end.explained()
                        : connectionLost_ + QStringLiteral("\n") + end.explained()),
            keptTaskFile(*item));
        break;
    default:
        transfers_.setFailed(id, oneLine(end.explained()), keptTaskFile(*item));
        break;
    }
    connectionLost_.clear();
    QTimer::singleShot(0, this, [this] {
        showResumedSite();
        pumpTransfers();
    });
}

// A connection made to resume a task showed no folder of its site: the
// task's own folder is shown once the task has ended, so that the user can
// go on browsing there.
void MainWindow::showResumedSite() {
    const QString folder = std::exchange(resumeSiteFolder_, {});
    if (!connectionReady() || !app_.siteTree->connectedSiteItem() || app_.siteTree->shownItem())
        return;
    app_.siteTree->goTo(folder.isEmpty() ? QStringLiteral("/") : folder);
}

// The running transfer stopped without the engine telling how (its
// connection went, or it could not be resumed).
void MainWindow::failRunningTransfer(const QString& reason) {
    if (runningTransfer_ == 0)
        return;
    const int id = std::exchange(runningTransfer_, 0);
    connectionLost_.clear();
    if (const TransferItem* item = transfers_.item(id))
        transfers_.setFailed(id, oneLine(reason), keptTaskFile(*item));
}

// A line chosen in the list: it waits for its turn again. One that goes on
// from its task needs no connection of the user's: it makes its own, as
// the resume command does.
void MainWindow::retryTransfer(int id) {
    transfers_.requeue(id);
    const TransferItem* item = transfers_.item(id);
    if (!item || item->state != TransferItem::State::Queued)
        return;
    if (!item->taskFile.isEmpty() && notConnected())
        startTransfer(id);
    else
        pumpTransfers();
}

void MainWindow::showTransferProgress() {
    if (runningTransfer_ != 0 && operations_ && operations_->isRunning())
        transfers_.setProgress(runningTransfer_, operations_->progress(), clock_.tickCount());
}

// "所有操作已成功完成！ 10:44": what the list says of the transfer, the
// status bar says of the last operation.
void MainWindow::showResult(const QString& text) {
    const QTime now = QDateTime::fromSecsSinceEpoch(clock_.calendarSeconds()).time();
    statusBar_->setResult(text + QLatin1Char(' ') + now.toString(QStringLiteral("HH:mm")));
    emit resultShown(text);
}
