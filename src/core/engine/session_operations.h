#pragma once

#include "core/engine/outcome.h"

#include <QByteArray>
#include <QString>

// What an FTP session asks of, and tells to, the operation that drives it
// (downloads and uploads of trees, deletes, a directory update, an edit).
// The session knows nothing of operations over trees; the operation drives
// the session through its public functions and hears back through this.
class SessionOperations {
public:
    virtual ~SessionOperations() = default;

    // --- What the session asks.
    // Items wait, or an edit holds the connection: no command of the user's.
    virtual bool holdsConnection() const = 0;
    // An operation is under way (items, a delete, an update): no keep-alive
    // may slip in between its commands.
    virtual bool isRunning() const = 0;
    // The running file comes in ranges over connections of its own.
    virtual bool isSegmented() const = 0;
    // The next transfer continues what is already on disk or on the site.
    virtual bool continuesTransfer() const = 0;
    // Where the download now going out is written.
    virtual QString downloadPath() const = 0;
    // The local file the upload of `sitePath` reads.
    virtual QString uploadSource(const QString& sitePath) = 0;
    // How many bytes the file transfer now running moves.
    virtual quint64 expectedSize() const = 0;
    // Items of a download or an upload wait (the head one is in progress).
    virtual bool itemsPending() const = 0;
    // The running operation is a directory update.
    virtual bool isUpdating() const = 0;
    // The operation stores downloaded bytes itself (a range of a file that
    // comes over several connections): no local file is opened or made.
    virtual bool storesDownloads() const { return false; }

    // --- What the session tells.
    // The operation's turn (a ContinueOperation posted for it).
    virtual void continueOperation() = 0;
    // The segment watch: the workers may all have ended.
    virtual void checkSegments() = 0;
    // The session dropped everything queued: the operation is over, done
    // or not.
    virtual void operationReset() = 0;
    virtual void connectionClosed() = 0;
    // A transfer starts counting progress: false when its count starts at 0.
    virtual bool takeContinuation() = 0;
    // The local file of the download was opened with its first bytes.
    virtual void downloadOpened() = 0;
    // Received bytes of a download the operation stores itself: More when
    // it wants the rest, Enough when it has all it wants of this transfer
    // (the data connection is then cut), Failed when they could not be
    // stored.
    enum class Stored { More, Enough, Failed };
    virtual Stored storeDownloaded(const char* data, qint64 length) {
        Q_UNUSED(data);
        Q_UNUSED(length);
        return Stored::Failed;
    }
    // A command of the operation cannot go out; true when the operation
    // left its item out and goes on.
    virtual bool lineRefused(const OperationEnd& refusal) = 0;
    // "APPE" failed three times: the site cannot continue uploads.
    virtual void appendRefused() = 0;
    // "REST" before a download was refused: the whole file comes.
    virtual void restartRefused() = 0;
    // A folder listing arrived; false when no operation wants it (it is
    // the listing of the folder shown).
    virtual bool listingArrived(const QByteArray& listing) = 0;
    // A one-file listing before a transfer (the edit check when `edit`);
    // `found` is false when the server refused or the listing named no file.
    virtual void fileChecked(const QByteArray& listing, bool found, bool edit) = 0;
    // A file transfer ended, not cancelled: whole (`complete`) or short.
    virtual void fileTransferEnded(bool complete) = 0;
    // The server refused a transfer that had moved part of a file; true
    // when the operation keeps it for a resume (not cancelled, no update).
    virtual bool transferEndedShort() = 0;
    // The head item is done (a folder made on the site): the next one is
    // the operation's next turn.
    virtual void itemDone() = 0;
};
