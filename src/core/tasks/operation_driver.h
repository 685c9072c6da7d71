#pragma once

#include "core/engine/dir_compare.h"
#include "core/engine/folder_walk.h"
#include "core/engine/operation_record.h"
#include "core/engine/session_operations.h"
#include "core/platform/timing.h"
#include "core/tasks/transfer_queue.h"

#include <QFileInfo>
#include <QSet>
#include <QStringList>

#include <memory>
#include <optional>

class Clock;
class ConnectionSource;
class FtpHost;
class FtpSession;
class Prompts;
struct DirEntry;
struct SegmentJob;
struct SegmentRun;

// The operations over an FTP session: downloads and uploads of files and
// trees, deletes, renames, new folders, a directory update and the upload
// of an edited file. It owns the operation record and the task file, queues
// each step's commands on the session and goes on when the session tells
// it what happened (SessionOperations).
class OperationDriver : public SessionOperations {
public:
    struct Deps {
        FtpHost& host;
        Prompts& prompts;
        Clock& clock;
        Timing timing;
    };

    OperationDriver(FtpSession& session, ConnectionSource& source, Deps deps);
    ~OperationDriver() override;

    // Operations. Callers make sure the connection is free first. Without
    // `kinds` (OperationRecord::Kind per item) a size of 0 marks a folder.
    void startDownload(const QString& localFolder, const QString& siteFolder,
                       const QStringList& sitePaths, const QList<quint64>& sizes,
                       const QList<qint32>& kinds = {});
    void startFolderDownload(const QString& localFolder, const QString& siteFolder);
    void startUpload(const QString& siteFolder, const QString& localFolder,
                     const QStringList& localPaths, const QList<quint64>& sizes,
                     const QList<qint32>& kinds = {});
    void startFolderUpload(const QString& siteFolder, const QString& localFolder);
    // The upload of a file edited in a local application, in edit mode.
    // With `expected`, the site's file is listed first and, when it is no
    // longer what `expected` says, the user is asked before it is replaced.
    void startEditUpload(const QString& siteFolder, const QString& localPath, quint64 size,
                         const std::optional<RemoteStamp>& expected);
    void makeSiteFolder(const QString& sitePath);
    void deleteSiteItems(const QStringList& sitePaths, const QStringList& kindTexts);
    void renameSiteItem(const QString& oldPath, const QString& newPath);
    // Makes the site folder match the local one; a dry run only reports
    // the plan (FtpHost::directoryUpdatePlanned) and changes nothing.
    void startDirectoryUpdate(const QString& localFolder, const QString& remoteFolder,
                              bool dryRun = false);
    // Online editing holds the connection while its application runs.
    void setEditMode(bool on) { op_.editMode = on; }

    // Task files: created at the start of a transfer operation, rewritten
    // before each item, deleted when the operation completes.
    void createTaskFile();
    // Restores the operation a task file in the task folder describes and
    // goes on with it; false, with the reason shown, when the file cannot
    // be used or belongs to another site.
    bool resumeTask(const QString& name);

    // How far the running operation is, for the transfer list.
    TransferProgress progress() const;
    // The item the running operation is at: its path and size.
    QString currentItemPath() const { return op_.itemPaths.value(0); }
    quint64 currentItemSize() const { return op_.itemSizes.value(0); }
    // For tests: the next transfer continues what is on disk or on the
    // site, as one of a resumed task does.
    void resumeNextTransferForTest() { resumeTransfer_ = true; }

    // SessionOperations.
    bool holdsConnection() const override { return op_.hasItems() || op_.editMode; }
    bool isRunning() const override { return op_.hasItems() || op_.deleting || dirUpdate_; }
    bool isSegmented() const override { return segmented_; }
    bool continuesTransfer() const override { return resumeTransfer_; }
    QString downloadPath() const override { return localPathOf(); }
    QString uploadSource(const QString& sitePath) override;
    quint64 expectedSize() const override;
    bool itemsPending() const override { return op_.hasItems(); }
    bool isUpdating() const override { return dirUpdate_; }
    void continueOperation() override;
    void checkSegments() override;
    void operationReset() override;
    void connectionClosed() override;
    bool takeContinuation() override;
    void downloadOpened() override;
    bool lineRefused(const OperationEnd& refusal) override;
    void appendRefused() override;
    void restartRefused() override;
    bool listingArrived(const QByteArray& listing) override;
    void fileChecked(const QByteArray& listing, bool found, bool edit) override;
    void fileTransferEnded(bool complete) override;
    bool transferEndedShort() override;
    void itemDone() override;

private:
    // An item the operation leaves out, named to the host and counted: an
    // operation that left something out never ends as a plain success.
    void skipItem(const QString& text);
    // The local path of the head item of a download.
    QString localPathOf() const;
    // The site path of an upload item.
    QString uploadSitePath(const QString& localPath, int kind) const;
    void endedShort();
    void keepTaskFile();
    void writeTaskFile();
    void deleteTaskFile();

    bool queueUpload(const QString& path, int kind);
    bool queueFolderListing(const QString& path);
    bool queueFileDownload(const QString& path);
    void completeOperation();
    bool createLocalFolder(const QString& path);
    void expandRemoteFolder(const QByteArray& listing);
    bool readFolderToUpload(const QString& folder);
    void expandLocalFolder(const QString& folder);
    void collectDeleteListing(const QByteArray& listing);
    void deleteStep();
    void sizeChecked(const QByteArray& listing);
    void downloadSizeChecked(quint64 remoteSize);
    void uploadSizeChecked(quint64 remoteSize);
    void restartWholeDownload();
    void storeWholeFile();
    // The one-file listing before an edited file replaces the site's.
    void editCheckFinished(const std::optional<DirEntry>& found);
    void sendEditedFile();
    // Segmented download.
    bool tryStartSegmented();
    std::unique_ptr<SegmentJob> openSegmentJob();
    void describeConnectionTo(SegmentJob& job) const;
    void segmentSizeChecked(std::optional<quint64> remoteSize, const QString& remoteTime);
    void stopSegments();
    // Directory update.
    void updateStep();
    void showUpdatePlan();
    void endUpdate();
    void compareUpdateListing(const QByteArray& listing);
    void updateUploadDone();
    void noteLinksLeadingOutside(const QStringList& sitePaths);
    void resetTransferRecord(bool download, const QString& target, const QString& sourceFolder);
    void beginTransferOperation(const QString& description, unsigned phase);

    FtpSession& session_;
    ConnectionSource& source_;
    FtpHost& host_;
    Prompts& prompts_;
    Clock& clock_;
    Timing timing_;
    OperationRecord op_;
    bool segmented_ = false;
    bool resumeTransfer_ = false;
    bool dirUpdate_ = false;
    bool updateDryRun_ = false;
    qint64 uploadSize_ = 0;
    QString localBase_;
    QString remoteBase_;
    // The workers of a segmented download.
    struct SegmentRunDeleter {
        void operator()(SegmentRun* run) const;
    };
    std::unique_ptr<SegmentRun, SegmentRunDeleter> segmentRun_;
    // Site folders an operation over a tree has listed.
    FolderWalk folderWalk_;
    // Site folders of the update that the local folder lacks.
    QSet<QString> updateGoneFolders_;
    // The local folders the running update has taken.
    DirCompare::LocalWalk updateLocalWalk_{QString()};
    QSet<QString> expandedLocalFolders_; // real paths, for links to folders
    // The local folder at the head of an upload, read while the site makes
    // its twin.
    struct ReadFolder {
        QString path;
        QString realPath;
        QFileInfoList entries;
    };
    std::optional<ReadFolder> folderRead_;
    std::optional<quint32> taskFileWrittenAt_; // tick of the last task file write
    // The site file whose local file holds bytes of this task (the task
    // file records whether the head's does), and the one a resumed task
    // said holds none: an older file of its name is replaced, not continued.
    QString headOpenedPath_;
    QString headFreshPath_;
    // The size query before a segmented download is running, and the file
    // it was made for once it has answered.
    bool segmentSizeCheck_ = false;
    QString sizeCheckedPath_;
    QString sizeCheckedTime_; // the listed time of that file, for its record
    int itemsSkipped_ = 0;    // by the operation now running
};
