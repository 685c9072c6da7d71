#pragma once

#include "core/engine/outcome.h"

#include <QList>
#include <QString>
#include <QStringList>

// What a connection reports to the program around it: the main window, which
// forwards to the panes, or a test host. The engine never includes a pane.
class FtpHost {
public:
    virtual ~FtpHost() = default;

    // An operation, or the connection, has ended: the one call that says
    // how (end.outcome()) and with which of the program's messages.
    virtual void operationEnded(const OperationEnd& end) = 0;
    // The status line: a phase text, empty when idle.
    virtual void showStatusText(const QString& text) = 0;
    // The transcript changed; `appended` is the block just added (empty when
    // the transcript was cleared).
    virtual void transcriptChanged(const QString& text, const QString& appended) = 0;
    // The control connection is now encrypted ("TLSv1.3"), or no longer
    // (empty).
    virtual void securityChanged(const QString& protocol) { Q_UNUSED(protocol); }
    // The site tree forgets which site is connected.
    virtual void resetConnectedSiteDisplay() = 0;
    // The control connection was closed: stop the connection timers, empty
    // the listing cache and the remote file list.
    virtual void controlConnectionClosed() = 0;
    // The server named its current folder after login ("/" or deeper).
    virtual void currentFolderLearned(const QString& folder) = 0;
    // Listing-cache and pane upkeep after a successful command.
    virtual void remoteFolderAdded(const QString& name) = 0;
    virtual void remoteFileRemoved(const QString& path) = 0;
    virtual void remoteFolderRemoved(const QString& path) = 0;
    virtual void remoteItemRenamed(const QString& newName) = 0;
    // The progress display of a file transfer, from `baseline` bytes on.
    virtual void progressStarted(qint64 baseline) = 0;
    virtual void progressStopped() = 0;
    // A plain folder listing arrived (LIST of the current folder).
    virtual void showListing(const QByteArray& listing) = 0;
    // A transfer operation finished: the local side (download) or the
    // current site folder (upload) has changed.
    virtual void operationCompleted(bool download) = 0;
    // Online editing: the copy to edit has arrived; an edited file is back
    // on the site.
    virtual void editCopyFetched() {}
    virtual void editUploadCompleted() {}
    // Reads and clears the main window's mark that the user has just cancelled.
    virtual bool takeCancelMark() = 0;
    // The user has just cancelled the running operation in the main window.
    virtual bool userInterrupted() const = 0;
    // A transfer ended short: the main window resumes the running task.
    virtual void postResume() = 0;
    // Logged in for an interrupted task: run it from its task file.
    virtual void resumeInterruptedTask(const QString& taskFile) = 0;
    // An item of the running operation was left out (too large, a name that
    // could step out of its folder, a link that leads nowhere or in a
    // circle); the operation goes on without it. `text` says which and why.
    virtual void itemSkipped(const QString& text) = 0;
    // A directory update run as a preview planned these steps (site paths
    // and DirCompare step kinds, in the order they would run). Only the
    // command line offers a preview.
    virtual void directoryUpdatePlanned(const QStringList& paths, const QList<qint32>& kinds) {
        Q_UNUSED(paths);
        Q_UNUSED(kinds);
    }
};
