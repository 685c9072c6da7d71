// What the connection reports to the main window, passed on to the panes and the
// status bar.
#include "core/engine/ftp_session.h"
#include "core/engine/result_texts.h"
#include "core/platform/prompts.h"
#include "gui/panes/file_row.h"
#include "gui/panes/local_folder_tree.h"
#include "gui/panes/message_pane.h"
#include "gui/panes/remote_file_list.h"
#include "gui/panes/site_tree.h"
#include "gui/window/main_window.h"
#include "gui/window/status_dialog_bar.h"

#include <QSignalBlocker>
#include <QTimer>

#include <utility>

void MainWindow::operationEnded(const OperationEnd& end) {
    // A folder typed in the site bar that the server cannot enter leaves
    // no folder behind in the tree (once the connection's handler is done).
    if (end.message == EndMessage::CannotEnterFolder)
        QTimer::singleShot(0, this, [this] { app_.siteTree->forgetTypedPath(); });
    transferEnded(end);
    if (exiting_)
        return; // the user is leaving: the goodbye needs no box
    // Success is said by the transfer list and the status bar; a box would
    // only have to be dismissed. Anything else is asked once the
    // connection's handler is through: no box may hold the connection up.
    if (end.outcome() == Outcome::Completed) {
        showResult(end.text());
        return;
    }
    const QString text = end.explained();
    showResult(end.text());
    QTimer::singleShot(0, this, [this, text] {
        if (!exiting_)
            prompts_.report(text);
    });
}

void MainWindow::securityChanged(const QString& protocol) {
    statusBar_->setSecurity(protocol);
}

void MainWindow::showStatusText(const QString& text) {
    statusBar_->setStatusLine(text);
}

void MainWindow::transcriptChanged(const QString& text, const QString& appended) {
    app_.messagePane->showTranscript(text, appended);
}

void MainWindow::resetConnectedSiteDisplay() {
    app_.siteTree->connectionClosed();
    // A connection made to resume a task ended before the task could go on:
    // the user learns where it waits.
    // The transfer list already shows it, ready to be resumed.
    if (!resumingTask_.isEmpty()) {
        const QString task = std::exchange(resumingTask_, {});
        const QString text = QString::fromUtf8(EngineText::TaskKept) + programDir_ + task;
        if (!transfers_.withTask(task))
            QTimer::singleShot(0, this, [this, text] { prompts_.report(text); });
    }
}

void MainWindow::controlConnectionClosed() {
    messages_.killTimer(FrameTimer);
    // A transfer whose end goes untold (the connection went between two
    // steps) is listed as cut off, its task kept for a resume. The engine
    // tells its end after closing: the line waits for that first.
    if (runningTransfer_ != 0) {
        OperationEnd lost(EndMessage::ConnectionBroken);
        lost.address = connection_ ? connection_->siteAddress() : QString();
        const int id = runningTransfer_;
        connectionLost_ = lost.explained();
        QTimer::singleShot(0, this, [this, id, text = lost.explained()] {
            if (runningTransfer_ == id && notConnected())
                failRunningTransfer(text);
        });
    }
    if (exiting_)
        QTimer::singleShot(0, this, &QWidget::close); // the goodbye is through
    app_.listingCache.clear();
    app_.remoteList->clearRows();
    // Site paths copied name files of this connection's site: pasted after
    // a reconnection they would be fetched from whatever site is connected.
    if (app_.copiedFromSite)
        clearCopyBuffer();
}

void MainWindow::currentFolderLearned(const QString& folder) {
    app_.siteTree->setCurrentFolder(folder);
}

void MainWindow::remoteFolderAdded(const QString& name) {
    app_.siteTree->addFolder(name);
}

void MainWindow::remoteFileRemoved(const QString& path) {
    app_.siteTree->removeFile(path);
}

void MainWindow::remoteFolderRemoved(const QString& path) {
    app_.siteTree->removeFolder(path);
}

// The renamed entry is the row selected in the remote list; a folder's item
// in the site tree takes the new name too.
void MainWindow::remoteItemRenamed(const QString& newName) {
    QTreeWidgetItem* row = app_.remoteList->currentItem();
    if (!row)
        return;
    const QString oldName = FileRow::nameOf(row);
    {
        const QSignalBlocker quiet(app_.remoteList);
        FileRow::setName(row, newName);
    }
    app_.siteTree->renameEntry(oldName, newName);
}

void MainWindow::progressStarted(qint64 baseline) {
    lastBytes_ = quint64(baseline);
    statusBar_->setProgressMode(true);
}

void MainWindow::progressStopped() {
    lastBytes_ = 0;
    statusBar_->setProgressMode(false);
}

void MainWindow::showListing(const QByteArray& listing) {
    app_.siteTree->showListing(listing);
    QTreeWidgetItem* shown = app_.siteTree->shownItem();
    if (const CachedListing* cached = shown ? app_.listingCache.find(shown) : nullptr)
        editor_->listingShown(SiteTree::remoteFolder(shown), *cached);
    updateOrientation(); // the bar names the folder with its listing, not a tick later
}

// The side that received files is shown again.
void MainWindow::operationCompleted(bool download) {
    automaticResumes_ = 0;
    if (download)
        app_.localTree->showLocalFolder(true);
    else
        app_.siteTree->relist();
}

bool MainWindow::takeCancelMark() {
    const bool mark = cancelMark_;
    cancelMark_ = false;
    return mark;
}

void MainWindow::postResume() {
    messages_.post(Msg::ResumeTransfer);
}

// The engine is in the middle of a step when it leaves an item out: the
// message waits until that step is over, and items left out together are
// shown together.
void MainWindow::itemSkipped(const QString& text) {
    if (skippedItems_.isEmpty())
        QTimer::singleShot(0, this, &MainWindow::showSkippedItems);
    skippedItems_ << text;
}

void MainWindow::showSkippedItems() {
    const QStringList items = std::exchange(skippedItems_, {});
    if (items.size() == 1)
        prompts_.report(items.first());
    else if (!items.isEmpty())
        prompts_.report(QString::fromUtf8(EngineText::SkippedItems).arg(items.size()) +
                        QStringLiteral("\r\n") + items.join(QStringLiteral("\r\n")));
}
