#pragma once

#include "core/engine/operation_record.h"
#include "core/platform/timing.h"

#include <QDateTime>
#include <QObject>
#include <QTimer>

#include <optional>

class FtpSession;
class OperationDriver;
class Prompts;
class QFileInfo;
struct CachedListing;

// Online editing: a site file is fetched into the work folder, opened in a
// local application, and sent back when it was changed. The application is
// watched while it runs; after it has ended, the local copy is watched as
// well, because many editors hand the file to a window already open and
// end at once. That later watch lasts until the connection is closed or
// another file is edited, and it never holds the connection.
class OnlineEditor : public QObject {
    Q_OBJECT
public:
    class Host {
    public:
        virtual ~Host() = default;
        virtual FtpSession* connection() const = 0;
        virtual OperationDriver* operations() const = 0;
        virtual bool connectionReady() const = 0;
        virtual Prompts& prompts() = 0;
        virtual void setStatusLine(const QString& text) = 0;
        virtual void addNote(const QString& text) = 0;
        // The application chosen for the copy; empty when cancelled.
        virtual QString chooseApplication(const QString& copyPath) = 0;
    };

    enum class State { Idle, Fetching, Watching, WatchingCopy };

    OnlineEditor(Host& host, const QString& workFolder, const Timing& timing);

    // The edit command on a site file of `size` bytes as the list showed it
    // (`shown`: its size and time texts). An earlier copy that is not empty
    // is opened again rather than fetched.
    void edit(const QString& remoteFolder, const QString& name, quint64 size,
              const RemoteStamp& shown);
    // A new site file: an empty copy is made and opened; the file comes into
    // being on the site when the copy is saved. False when the copy cannot
    // be made.
    bool editNew(const QString& remoteFolder, const QString& name);
    // The copy asked for by edit() has arrived.
    void copyFetched();
    // The edited file is back on the site: the next listing of its folder
    // tells what the site has now.
    void uploadCompleted();
    // A listing of `remoteFolder` ("/" or ending with "/") is on show.
    void listingShown(const QString& remoteFolder, const CachedListing& listing);
    // Stops watching; the copy stays.
    void stop();
    // Stops watching and empties the work folder (files only).
    void cleanup();

    State state() const { return state_; }
    QString remotePath() const { return remotePath_; }
    QString copyPath() const;

private:
    void launch();
    void onTick();
    void watchApplication();
    void watchCopy();
    void upload(const QFileInfo& copy);
    bool copyChanged(const QFileInfo& copy) const;
    void remember(const QFileInfo& copy);
    bool applicationRunning() const;
    QString siteFolder() const;
    QString fileName() const;
    QString copyFolder() const;
    void saveStamp() const;
    std::optional<RemoteStamp> savedStamp() const;

    Host& host_;
    QString workFolder_; // ends with "/"
    Timing timing_;
    QTimer watchTimer_;
    State state_ = State::Idle;
    qint64 applicationPid_ = 0;
    QString remotePath_;
    QDateTime copyTime_;
    qint64 copySize_ = -1;
    // What the site's file was when editing began, or after our last upload.
    std::optional<RemoteStamp> siteStamp_;
    bool awaitingStamp_ = false;
};
