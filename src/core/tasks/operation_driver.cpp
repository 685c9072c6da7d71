// The operation driver: each ContinueOperation message takes the head item
// of the running operation, queues the commands of its step and asks for a
// send. The step's replies and its data connection post the next message.
#include "core/tasks/operation_driver.h"
#include "core/engine/connection_source.h"
#include "core/engine/dir_listing.h"
#include "core/engine/ftp_host.h"
#include "core/engine/ftp_session.h"
#include "core/engine/result_texts.h"
#include "core/platform/local_folder.h"
#include "core/platform/prompts.h"
#include "core/tasks/segment_plan.h"

#include <QDir>
#include <QFileInfo>
#include <limits>
#include <utility>

namespace {

QString skippedText(const char* reason, const QString& path) {
    return QString::fromUtf8(reason) + path;
}

// A one-file listing that tells what the site has of `path`.
FtpCommand checkOf(const QString& path, FtpCommand::Purpose purpose) {
    return FtpCommand::with(QStringLiteral("LIST"), path, purpose);
}

} // namespace

void OperationDriver::continueOperation() {
    // A message left over from a connection that has since closed.
    if (!session_.isGreeted())
        return;
    session_.reset(false);
    segmented_ = false;
    if (dirUpdate_) {
        updateStep();
        return;
    }
    if (op_.deleting) {
        deleteStep();
        return;
    }
    if (!op_.hasItems()) {
        completeOperation();
        return;
    }
    if (!(op_.editMode && op_.isDownload))
        keepTaskFile();
    const QString path = op_.itemPaths.first();
    const int kind = op_.itemKinds.first();
    bool queued;
    if (!op_.isDownload)
        queued = queueUpload(path, kind);
    else if (kind == OperationRecord::Folder)
        queued = queueFolderListing(path);
    else
        queued = queueFileDownload(path);
    if (queued)
        session_.send();
}

// The commands that send the item at the head of the list; false when the
// item was dealt with otherwise (a folder left out).
bool OperationDriver::queueUpload(const QString& path, int kind) {
    // A folder is made on the site first; what it holds joins the work
    // list once it is there (itemDone), so that a folder the site refuses
    // leaves a task that lists its contents once, not twice.
    if (kind == OperationRecord::Folder) {
        if (!readFolderToUpload(path)) {
            op_.dropHead();
            session_.postContinue();
            return false;
        }
        QString sitePath = uploadSitePath(path, kind);
        if (sitePath.endsWith(QLatin1Char('/')))
            sitePath.chop(1);
        session_.queue(FtpCommand::with(QStringLiteral("MKD"), sitePath));
        return true;
    }
    const QString sitePath = uploadSitePath(path, kind);
    if (op_.editMode && op_.editExpected)
        session_.queueDataCommand(QStringLiteral("A"),
                                  checkOf(sitePath, FtpCommand::Purpose::EditCheck));
    if (resumeTransfer_) {
        session_.queueDataCommand(QStringLiteral("A"),
                                  checkOf(sitePath, FtpCommand::Purpose::SizeCheck));
        session_.queueDataCommand(QStringLiteral("I"),
                                  FtpCommand::with(QStringLiteral("APPE"), sitePath));
    } else {
        session_.queueDataCommand(QStringLiteral("I"),
                                  FtpCommand::with(QStringLiteral("STOR"), sitePath));
    }
    return true;
}

// A site folder to download: its local twin first, then its listing.
bool OperationDriver::queueFolderListing(const QString& path) {
    if (!createLocalFolder(localPathOf()))
        return false;
    session_.queueDataCommand(QStringLiteral("A"), FtpCommand::with(QStringLiteral("LIST"), path));
    return true;
}

// A file to download, over several connections or this one; false when
// the ranges have started.
bool OperationDriver::queueFileDownload(const QString& path) {
    // A large file comes over several connections when the server
    // restarts transfers and the settings allow more than one. Its
    // ranges are planned on what the site has now: a file grown since
    // it was listed would be cut at its listed size, and a changed one
    // continued from old ranges would be spliced from old and new bytes.
    const int limit = source_.segmentsAllowed ? source_.segmentLimit : 1;
    const bool splittable = !op_.editMode && source_.restSupported && !source_.useProxy &&
                            SegmentPlan::worthSplitting(op_.itemSizes.first(), limit);
    const bool sizeChecked = sizeCheckedPath_ == path;
    sizeCheckedPath_.clear();
    if (splittable && !sizeChecked) {
        segmentSizeCheck_ = true;
        session_.queueDataCommand(QStringLiteral("A"),
                                  checkOf(path, FtpCommand::Purpose::SizeCheck));
        return true;
    }
    if (splittable && tryStartSegmented())
        return false;
    // Bytes on disk are continued only when this task wrote them, and
    // never past the site's size: an older file of the same name, left
    // by a download cut before its first block, is replaced whole.
    const QString target = localPathOf();
    quint64 have = 0;
    if (resumeTransfer_ && source_.restSupported && headFreshPath_ != path) {
        const QFileInfo local(target);
        const qint64 size = local.exists() ? local.size() : 0;
        have = quint64(size) <= op_.itemSizes.first() ? quint64(size) : 0;
    }
    if (resumeTransfer_) {
        // A segmented download now fetched whole leaves no record behind.
        SegmentPlan::discardRecord(target, op_.itemSizes.first());
    }
    if (have == 0)
        resumeTransfer_ = false;
    source_.bytesDone = have;
    // Bytes on disk are continued only while the site's file is still
    // the one begun: its size is asked first (restartWholeDownload).
    if (have > 0 && !sizeChecked)
        session_.queueDataCommand(QStringLiteral("A"),
                                  checkOf(path, FtpCommand::Purpose::SizeCheck));
    session_.queueDataCommand(QStringLiteral("I"), FtpCommand::with(QStringLiteral("RETR"), path),
                              have > 0 ? std::optional<quint64>(have) : std::nullopt);
    return true;
}

// The site's size and time of a file about to come in ranges. A resumed
// download whose file changed (another size, or another time than its
// record kept) starts again whole, without the ranges it had; a new one is
// planned on the size the site has now.
void OperationDriver::segmentSizeChecked(std::optional<quint64> remoteSize,
                                         const QString& remoteTime) {
    segmentSizeCheck_ = false;
    const QString path = op_.itemPaths.value(0);
    const quint64 listed = op_.itemSizes.value(0);
    bool changed = !remoteSize || *remoteSize != listed;
    if (!changed && resumeTransfer_) {
        const std::optional<SegmentPlan> record = SegmentPlan::readRecord(localPathOf(), listed);
        changed = record && !record->siteTime.isEmpty() && record->siteTime != remoteTime;
    }
    if (changed && resumeTransfer_) {
        SegmentPlan::discardRecord(localPathOf(), listed);
        session_.addNote(QString::fromUtf8(EngineText::RemoteFileChanged) + path);
        resumeTransfer_ = false;
    }
    if (remoteSize && *remoteSize != listed)
        op_.itemSizes.first() = *remoteSize;
    sizeCheckedPath_ = path;
    sizeCheckedTime_ = remoteTime;
    session_.reset(false);
    session_.postContinue();
}

void OperationDriver::completeOperation() {
    const bool editDownload = op_.editMode && op_.isDownload;
    const bool editUpload = op_.editMode && !op_.isDownload;
    const int skipped = itemsSkipped_;
    if (!editDownload)
        deleteTaskFile();
    session_.reset(true);
    if (editDownload) {
        host_.editCopyFetched();
        return;
    }
    session_.showPhase(Phase::Idle);
    if (editUpload)
        host_.editUploadCompleted();
    host_.operationEnded(skipped == 0
                             ? OperationEnd{EndMessage::AllCompleted}
                             : OperationEnd{EndMessage::CompletedWithSkips, QString(), skipped});
    host_.operationCompleted(op_.isDownload);
}

// The files passed, those still listed, and the bytes of the one on the
// wire. A folder's files count once its listing has named them.
TransferProgress OperationDriver::progress() const {
    TransferProgress p;
    if (dirUpdate_) {
        p.filesDone = op_.updateStepsPassed;
        p.filesTotal = p.filesDone + int(op_.updatePaths.size());
        return p;
    }
    p.filesDone = p.filesTotal = op_.filesPassed;
    p.bytesDone = p.bytesTotal = op_.bytesPassed;
    for (qsizetype i = 0; i < op_.itemKinds.size(); ++i) {
        if (op_.itemKinds.at(i) == OperationRecord::Folder)
            continue;
        ++p.filesTotal;
        p.bytesTotal += op_.itemSizes.at(i);
    }
    if (op_.hasItems() && session_.isTransferringFile())
        p.bytesDone += qMin<quint64>(source_.bytesDone, op_.itemSizes.first());
    return p;
}

QString OperationDriver::uploadSitePath(const QString& localPath, int kind) const {
    return op_.uploadSitePath(localPath, kind);
}

QString OperationDriver::localPathOf() const {
    return op_.localPathOf(source_.hostName());
}

bool OperationDriver::createLocalFolder(const QString& path) {
    const QFileInfo info(path);
    if ((info.isDir() && !info.isSymLink()) || QDir().mkdir(path))
        return true;
    session_.reset(true);
    session_.report(EndMessage::CannotCreateFile);
    return false;
}

// The listing of the head folder of a download: its folders and files join
// the end of the work list. Names that could step out of the local folder
// are never used.
void OperationDriver::expandRemoteFolder(const QByteArray& listing) {
    const QString head = op_.itemPaths.value(0);
    const QString base = head == QLatin1String("/") ? head : head + QLatin1Char('/');
    if (!folderWalk_.enter(head, listing)) {
        skipItem(skippedText(EngineText::SkippedRepeatedFolder, head));
        return;
    }
    DirListing::parseLines(
        listing,
        [&](const DirEntry& e) {
            if (DirListing::isDotName(e.name))
                return; // the folder itself and its parent, listed by some servers
            if (!DirListing::isSafeLocalName(e.name)) {
                skipItem(skippedText(EngineText::SkippedUnsafeName, base + e.name));
                return;
            }
            if (e.isFolder) {
                op_.itemPaths << base + e.name;
                op_.itemSizes << 0;
                op_.itemKinds << OperationRecord::Folder;
                return;
            }
            const std::optional<quint64> size = DirListing::sizeOf(e);
            if (!size)
                return;
            op_.itemPaths << base + e.name;
            op_.itemSizes << *size;
            op_.itemKinds << OperationRecord::FileInFolder;
        },
        session_.wire());
}

// A folder to upload is read before the site is asked to make it, so that
// one that cannot be read gets no empty twin there; what it holds joins
// the work list once the site has the folder (expandLocalFolder). A link
// is taken for what it points to; a folder reached again through a link (a
// circle, or a second way to the same folder) is left out, and so is one
// that cannot be read. False when the folder is left out.
bool OperationDriver::readFolderToUpload(const QString& folder) {
    const QString real = QFileInfo(folder).canonicalFilePath();
    if (real.isEmpty() || expandedLocalFolders_.contains(real)) {
        skipItem(skippedText(real.isEmpty() ? EngineText::SkippedBrokenLink
                                            : EngineText::SkippedRepeatedFolder,
                             folder));
        return false;
    }
    std::optional<QFileInfoList> entries = readLocalFolder(folder);
    if (!entries) {
        skipItem(skippedText(EngineText::SkippedUnreadableFolder, folder));
        return false;
    }
    folderRead_ = ReadFolder{folder, real, std::move(*entries)};
    return true;
}

// The folder read for the head item is on the site: its entries join the
// end of the work list.
void OperationDriver::expandLocalFolder(const QString& folder) {
    if (!folderRead_ || folderRead_->path != folder)
        return;
    const ReadFolder read = *std::exchange(folderRead_, std::nullopt);
    expandedLocalFolders_.insert(read.realPath);
    for (const QFileInfo& entry : read.entries) {
        if (entry.isSymLink() && !entry.exists()) {
            skipItem(skippedText(EngineText::SkippedBrokenLink, entry.filePath()));
        } else if (entry.isDir()) {
            op_.itemPaths << folder + entry.fileName() + QLatin1Char('/');
            op_.itemSizes << 0;
            op_.itemKinds << OperationRecord::Folder;
        } else {
            op_.itemPaths << folder + entry.fileName();
            op_.itemSizes << quint64(entry.size());
            op_.itemKinds << OperationRecord::FileInFolder;
        }
    }
}

// Recursive delete: list every folder found (discovery order), then delete
// the files, then remove the folders deepest first.
void OperationDriver::deleteStep() {
    if (!op_.deleteFolders.isEmpty() && op_.nextDeleteFolder < op_.deleteFolders.size()) {
        const QString folder = op_.deleteFolders.at(op_.nextDeleteFolder++);
        session_.queueDataCommand(QStringLiteral("A"),
                                  FtpCommand::with(QStringLiteral("LIST"), folder));
        session_.send();
        return;
    }
    if (op_.deleteFolders.isEmpty() && op_.deleteFiles.isEmpty()) {
        session_.reset(true);
        return;
    }
    for (const QString& file : std::as_const(op_.deleteFiles))
        session_.queue(FtpCommand::with(QStringLiteral("DELE"), file));
    op_.deleteFiles.clear();
    for (qsizetype i = op_.deleteFolders.size() - 1; i >= 0; --i)
        session_.queue(FtpCommand::with(QStringLiteral("RMD"), op_.deleteFolders.at(i)));
    op_.deleteFolders.clear();
    op_.deleting = false;
    session_.send();
}

void OperationDriver::collectDeleteListing(const QByteArray& listing) {
    const QString folder = op_.deleteFolders.value(op_.nextDeleteFolder - 1);
    const QString base = folder == QLatin1String("/") ? folder : folder + QLatin1Char('/');
    // A link back up the tree: what it shows is deleted (or kept) where it
    // really is, never through the link, and the link stays.
    if (!folderWalk_.enter(folder, listing)) {
        skipItem(skippedText(EngineText::SkippedRepeatedFolder, folder));
        op_.deleteFolders.removeAt(--op_.nextDeleteFolder);
        return;
    }
    DirListing::parseLines(
        listing,
        [&](const DirEntry& e) {
            // "." or ".." would remove the folder's parent; a name with a slash
            // some other folder.
            if (DirListing::isDotName(e.name))
                return;
            if (!DirListing::isSafeLocalName(e.name)) {
                skipItem(skippedText(EngineText::SkippedUnsafeName, base + e.name));
                return;
            }
            if (e.isFolder)
                op_.deleteFolders << base + e.name;
            else
                op_.deleteFiles << base + e.name;
        },
        session_.wire());
}
