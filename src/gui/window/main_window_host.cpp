// What the connection reports to the frame, passed on to the panes and the
// status bar.
#include "core/engine/ftp_connection.h"
#include "gui/panes/message_pane.h"
#include "gui/panes/remote_file_list.h"
#include "gui/panes/site_tree.h"
#include "gui/window/main_window.h"
#include "gui/window/status_dialog_bar.h"

void CMainFrame::showStatusText(const QString& text) {
    statusBar_->setStatusLine(text);
}

void CMainFrame::transcriptChanged(const QString& text, const QString& appended) {
    app_.messagePane->showTranscript(text, appended);
}

void CMainFrame::resetConnectedSiteDisplay() {
    app_.siteTree->connectionClosed();
}

void CMainFrame::controlConnectionClosed() {
    messages_.killTimer(FrameTimer);
    app_.listingCache.clear();
    app_.remoteList->clearRows();
}

void CMainFrame::currentFolderLearned(const QString& folder) {
    app_.siteTree->setCurrentFolder(folder);
}

void CMainFrame::remoteFolderAdded(const QString& name) {
    app_.siteTree->addFolder(name);
}

void CMainFrame::remoteFileRemoved(const QString& path) {
    app_.siteTree->removeFile(path);
}

void CMainFrame::remoteFolderRemoved(const QString& path) {
    app_.siteTree->removeFolder(path);
}

// The renamed entry is the row selected in the remote list.
void CMainFrame::remoteItemRenamed(const QString& newName) {
    QTreeWidgetItem* row = app_.remoteList->currentItem();
    if (!row)
        return;
    const QString oldName = row->text(CFtpView4::NameColumn);
    row->setText(CFtpView4::NameColumn, newName);
    app_.siteTree->renameEntry(oldName, newName);
}

void CMainFrame::progressStarted(qint32 baseline) {
    lastBytes_ = quint32(baseline);
    statusBar_->setProgressMode(true);
}

void CMainFrame::progressStopped() {
    lastBytes_ = 0;
    statusBar_->setProgressMode(false);
}

void CMainFrame::showListing(const QByteArray& listing) {
    app_.siteTree->showListing(listing);
}

// After an upload the site folder shown has changed: list it again. The
// local side has no panes to refresh yet.
void CMainFrame::operationCompleted(bool download) {
    if (!download)
        app_.siteTree->relist();
}

bool CMainFrame::takeCancelMark() {
    const bool mark = cancelMark_;
    cancelMark_ = false;
    return mark;
}

void CMainFrame::postResume() {
    messages_.post(Msg::ResumeTransfer);
}

void CMainFrame::resumeInterruptedTask(const QString& taskFile) {
    Q_UNUSED(taskFile); // set only by resuming, which is not built yet
}
