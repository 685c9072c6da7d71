#pragma once

#include <QList>
#include <QObject>
#include <QStringList>

#include <optional>

// What one transfer of the list does when its turn comes: the call that
// starts it, with the values it had when the user gave it (the rows chosen
// then, not those selected when it runs).
struct TransferRequest {
    enum class Kind {
        Rows,   // chosen files and folders of a list
        Folder, // one folder with all it holds
        Update, // the site folder made to match the local one
        Task,   // a kept task file, resumed
    };
    Kind kind = Kind::Rows;
    bool download = true;
    // Downloads land in the local folder and come from the site folder;
    // uploads and updates the other way round.
    QString localFolder;
    QString siteFolder;
    QStringList paths; // Rows: full paths, a local folder with a trailing "/"
    QList<quint64> sizes;
    QList<qint32> kinds; // OperationRecord::Kind per path
    QString taskFile;    // Task: its name in the program folder
};

// How far a running transfer is: the files and bytes known so far (a
// folder's grow as it is listed).
struct TransferProgress {
    int filesDone = 0;
    int filesTotal = 0;
    quint64 bytesDone = 0;
    quint64 bytesTotal = 0;
    bool operator==(const TransferProgress&) const = default;
};

// One line of the transfer list.
struct TransferItem {
    enum class State { Queued, Running, Done, Failed };

    int id = 0;
    TransferRequest request;
    // The connection it belongs to ("host:port user"), and the site's name
    // as the user knows it.
    QString site;
    QString siteLabel;
    State state = State::Queued;
    // How it ended when it did not simply complete: the failure with its
    // address and reason, or the items left out.
    QString reason;
    // The task file a run that did not finish left: the transfer goes on
    // from there when it runs again, instead of starting over.
    QString taskFile;
    TransferProgress progress;
    // The speed over the last few seconds, from the updates' moments and
    // byte counts in that time.
    quint64 bytesPerSecond = 0;
    QList<std::pair<quint32, quint64>> speedSamples;

    bool finished() const { return state == State::Done || state == State::Failed; }
    // Resumed from its task where it stopped, rather than started again.
    bool resumable() const { return state == State::Failed && !taskFile.isEmpty(); }

    // The list's columns.
    QString directionText() const;
    QString sourceText() const;
    QString targetText() const;
    QString sizeText() const;
    QString stateText() const;
    // "1.5 MB / 4.2 MB  1.1 MB/s  剩余 0:03  3/10 个文件" while running.
    QString progressText() const;

private:
    std::optional<quint64> chosenSize() const;
};

// The transfers of this run, in the order given: each waits for the
// connection to its own site to be free, runs, and stays listed with how it
// ended until the user clears it.
class TransferQueue : public QObject {
    Q_OBJECT
public:
    int add(const TransferRequest& request, const QString& site, const QString& siteLabel);
    const QList<TransferItem>& items() const { return items_; }
    TransferItem* item(int id);
    const TransferItem* running() const;
    // The first waiting transfer of that site.
    const TransferItem* nextFor(const QString& site) const;
    // The transfer that goes on from this task file.
    const TransferItem* withTask(const QString& taskFile) const;
    // Waiting or running: what quitting would drop.
    int unfinishedCount() const;

    void setRunning(int id);
    void setProgress(int id, const TransferProgress& progress, quint32 tick);
    void setDone(int id, const QString& note = {});
    void setFailed(int id, const QString& reason, const QString& taskFile);
    // A failed transfer waits for its turn again: from its task where it
    // left one, otherwise from the start.
    void requeue(int id);
    // A waiting or ended transfer leaves the list; a running one stays.
    void remove(int id);
    void clearFinished();

signals:
    void itemAdded(int id);
    void itemChanged(int id);
    void itemRemoved(int id);

private:
    QList<TransferItem> items_;
    int nextId_ = 1;
};
