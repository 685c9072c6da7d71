// The directory update: every site folder below the chosen one is listed
// and compared with its local twin (DirCompare), then the planned steps run
// one per driver step, from the last planned to the first.
#include "core/engine/connection_source.h"
#include "core/engine/dir_compare.h"
#include "core/engine/ftp_host.h"
#include "core/engine/ftp_session.h"
#include "core/engine/result_texts.h"
#include "core/platform/clock.h"
#include "core/platform/prompts.h"
#include "core/tasks/operation_driver.h"

#include <QDateTime>
#include <QFileInfo>

void OperationDriver::startDirectoryUpdate(const QString& localFolder, const QString& remoteFolder,
                                           bool dryRun) {
    session_.reset(true);
    localBase_ =
        localFolder.endsWith(QLatin1Char('/')) ? localFolder : localFolder + QLatin1Char('/');
    remoteBase_ = remoteFolder;
    op_.updateFolders = QStringList{remoteFolder};
    op_.clearProgress();
    updateGoneFolders_.clear();
    updateLocalWalk_ = DirCompare::LocalWalk(localBase_);
    dirUpdate_ = true;
    updateDryRun_ = dryRun;
    session_.showPhase(Phase::UpdatingFolder);
    session_.postContinue();
}

void OperationDriver::updateStep() {
    if (!op_.updateFolders.isEmpty()) {
        deleteTaskFile(); // a plan still growing is no task to resume
        session_.queueDataCommand(QStringLiteral("A"), FtpCommand::with(QStringLiteral("LIST"),
                                                                        op_.updateFolders.first()));
        session_.send();
        return;
    }
    if (updateDryRun_) {
        showUpdatePlan();
        return;
    }
    if (op_.updatePaths.isEmpty()) {
        endUpdate();
        return;
    }
    if (!op_.taskFile) {
        op_.taskDescription =
            QString::fromUtf8("站点目录") + remoteBase_ + QString::fromUtf8("和本地目录") +
            localBase_ + QString::fromUtf8("的比较目录更新文件操作。站点：") + source_.hostName();
        createTaskFile();
    }
    keepTaskFile();
    const QString path = op_.updatePaths.last();
    const qint32 kind = op_.updateKinds.last();
    // A step leaves the list when it goes out, so that a task written later
    // does not repeat it; an upload only when it is complete, so that an
    // upload cut short is done again on resume rather than left half-sent.
    if (kind != DirCompare::Upload)
        op_.dropUpdateStep();
    switch (kind) {
    case DirCompare::Upload:
        session_.queueDataCommand(QStringLiteral("I"),
                                  FtpCommand::with(QStringLiteral("STOR"), path));
        break;
    case DirCompare::MakeFolder:
        session_.queue(FtpCommand::with(QStringLiteral("MKD"), path));
        break;
    case DirCompare::DeleteFile:
        session_.queue(FtpCommand::with(QStringLiteral("DELE"), path));
        break;
    case DirCompare::RemoveFolder:
        session_.queue(FtpCommand::with(QStringLiteral("RMD"), path));
        break;
    default:
        session_.postContinue(); // a step of no known kind is passed over
        return;
    }
    session_.send();
}

// A preview: the steps in the order they would run (the last planned
// first), and no task left behind.
void OperationDriver::showUpdatePlan() {
    QStringList paths(op_.updatePaths.crbegin(), op_.updatePaths.crend());
    QList<qint32> kinds(op_.updateKinds.crbegin(), op_.updateKinds.crend());
    op_.updatePaths.clear();
    op_.updateKinds.clear();
    session_.reset(true);
    host_.directoryUpdatePlanned(paths, kinds);
}

// Every step has run.
void OperationDriver::endUpdate() {
    const int skipped = itemsSkipped_;
    deleteTaskFile();
    session_.reset(true);
    host_.operationEnded(skipped == 0
                             ? OperationEnd{EndMessage::UpdateCompleted}
                             : OperationEnd{EndMessage::CompletedWithSkips, QString(), skipped});
    host_.operationCompleted(false); // the site folder shown has changed
}

// The listing of the folder at the head of the list: compared with its local
// twin, whose steps join the plan. A local folder that cannot be read ends
// the update before anything is deleted on its account.
void OperationDriver::compareUpdateListing(const QByteArray& listing) {
    const QString current = op_.updateFolders.first();
    if (!folderWalk_.enter(current, listing)) {
        skipItem(QString::fromUtf8(EngineText::SkippedRepeatedFolder) + current);
        op_.updateFolders.removeFirst();
        session_.postContinue();
        return;
    }
    // Only plain names are acted on: a listed "../x" or "/etc/passwd" would
    // name something outside the chosen site folder.
    QList<DirEntry> entries;
    const QString base = current.endsWith(QLatin1Char('/')) ? current : current + QLatin1Char('/');
    DirListing::parseLines(
        listing,
        [&](const DirEntry& e) {
            if (DirListing::isSafeLocalName(e.name))
                entries << e;
            else if (!DirListing::isDotName(e.name))
                skipItem(QString::fromUtf8(EngineText::SkippedUnsafeName) + base + e.name);
        },
        session_.wire());
    const QDate today = QDateTime::fromSecsSinceEpoch(clock_.calendarSeconds()).toUTC().date();
    const DirCompare::Plan plan = DirCompare::compare(
        entries, DirCompare::localFolderFor(current, remoteBase_, localBase_), current, today,
        updateGoneFolders_.contains(current), &updateLocalWalk_);
    if (plan.localUnreadable) {
        op_.updatePaths.clear();
        op_.updateKinds.clear();
        session_.reset(true);
        session_.report(EndMessage::UpdateFailed);
        return;
    }
    for (const auto& [sitePath, localName] : plan.caseDifferences)
        session_.addNote(QString::fromUtf8(EngineText::NamesDifferInCase).arg(sitePath, localName));
    for (const QString& repeated : plan.repeatedFolders)
        skipItem(QString::fromUtf8(EngineText::SkippedRepeatedFolder) + repeated);
    noteLinksLeadingOutside(plan.paths + plan.foldersToCompare);
    op_.updatePaths << plan.paths;
    op_.updateKinds << plan.kinds;
    op_.updateFolders.removeFirst();
    op_.updateFolders << plan.foldersToCompare;
    for (const QString& gone : plan.foldersGoneLocally)
        updateGoneFolders_.insert(gone);
    session_.postContinue();
}

// A local link is taken for what it points to, as an upload takes it; one
// that leads out of the chosen local folder is named, so that nothing from
// elsewhere goes up unsaid.
void OperationDriver::noteLinksLeadingOutside(const QStringList& sitePaths) {
    for (const QString& sitePath : sitePaths) {
        const QFileInfo local(DirCompare::localPathFor(sitePath, remoteBase_, localBase_));
        if (!local.isSymLink())
            continue;
        const QString real = local.canonicalFilePath();
        if (!real.isEmpty() && !updateLocalWalk_.holds(real))
            session_.addNote(
                QString::fromUtf8(EngineText::LinkLeadsOutside).arg(local.filePath(), real));
    }
}

// The upload step at the end of the plan went through.
void OperationDriver::updateUploadDone() {
    if (!op_.updatePaths.isEmpty())
        op_.dropUpdateStep();
    session_.postContinue();
}
