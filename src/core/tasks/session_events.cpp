// What the session tells the operation driver, and what it asks of it.
#include "core/engine/connection_source.h"
#include "core/engine/ftp_host.h"
#include "core/engine/ftp_session.h"
#include "core/engine/result_texts.h"
#include "core/platform/prompts.h"
#include "core/tasks/operation_driver.h"

#include <QFileInfo>

#include <utility>

OperationDriver::OperationDriver(FtpSession& session, ConnectionSource& source, Deps deps)
    : session_(session), source_(source), host_(deps.host), prompts_(deps.prompts),
      clock_(deps.clock), timing_(deps.timing) {
    session_.setOperations(this);
}

OperationDriver::~OperationDriver() {
    stopSegments();
    session_.setOperations(nullptr);
}

// The local twin of an update's site path, below the local base folder;
// otherwise the head item.
QString OperationDriver::uploadSource(const QString& sitePath) {
    if (!dirUpdate_)
        return op_.itemPaths.value(0);
    const QString path = DirCompare::localPathFor(sitePath, remoteBase_, localBase_);
    const QFileInfo info(path);
    uploadSize_ = info.exists() ? info.size() : 0;
    return path;
}

quint64 OperationDriver::expectedSize() const {
    if (dirUpdate_)
        return quint64(uploadSize_);
    return op_.itemSizes.isEmpty() ? 0 : op_.itemSizes.first();
}

// Everything the ended operation held goes; its task file is written as it
// stands first, so that an operation ending unfinished can be resumed.
void OperationDriver::operationReset() {
    itemsSkipped_ = 0;
    writeTaskFile();
    op_.clearWork();
    folderWalk_.clear();
    segmentSizeCheck_ = false;
    sizeCheckedPath_.clear();
    sizeCheckedTime_.clear();
    headOpenedPath_.clear();
    headFreshPath_.clear();
    segmented_ = false;
    dirUpdate_ = false;
    updateDryRun_ = false;
}

void OperationDriver::connectionClosed() {
    resumeTransfer_ = false;
}

bool OperationDriver::takeContinuation() {
    return std::exchange(resumeTransfer_, false);
}

void OperationDriver::downloadOpened() {
    headOpenedPath_ = op_.itemPaths.value(0);
}

// A line that cannot go out: an item of a transfer is left out and the
// rest goes on; a delete or an update stops (false).
bool OperationDriver::lineRefused(const OperationEnd& refusal) {
    if (!op_.hasItems() || op_.deleting || dirUpdate_)
        return false;
    skipItem(refusal.text());
    op_.dropHead();
    session_.postContinue();
    return true;
}

void OperationDriver::appendRefused() {
    resumeTransfer_ = false;
    if (prompts_.askYesNo(QString::fromUtf8(EngineText::RestartUploadQuestion))) {
        session_.postContinue();
        return;
    }
    session_.reset(true);
    session_.report(EndMessage::Stopped);
}

void OperationDriver::restartRefused() {
    resumeTransfer_ = false;
    source_.bytesDone = 0;
}

// A listing of the operation's: the update compares it, a delete collects
// it, a download of a tree adds its entries. False for a listing of the
// folder shown.
bool OperationDriver::listingArrived(const QByteArray& listing) {
    if (dirUpdate_) {
        compareUpdateListing(listing);
    } else if (op_.deleting) {
        collectDeleteListing(listing);
        session_.postContinue();
    } else if (!op_.hasItems()) {
        return false;
    } else {
        expandRemoteFolder(listing);
        if (op_.hasItems()) {
            op_.dropHead();
            session_.postContinue();
        }
    }
    return true;
}

void OperationDriver::fileTransferEnded(bool complete) {
    if (dirUpdate_) {
        if (complete) {
            updateUploadDone();
        } else {
            session_.reset(true);
            session_.report(EndMessage::Stopped);
        }
    } else if (!complete) {
        endedShort();
    } else if (op_.hasItems()) {
        op_.dropHead();
        session_.postContinue();
    }
}

bool OperationDriver::transferEndedShort() {
    if (dirUpdate_ || host_.takeCancelMark())
        return false;
    session_.reset(false);
    endedShort();
    return true;
}

// A transfer ended short: the task file is brought up to date before the
// main window takes the task over.
void OperationDriver::endedShort() {
    writeTaskFile();
    host_.postResume();
}

// A folder of an upload is there on the site: what it holds goes up next.
void OperationDriver::itemDone() {
    if (!op_.isDownload && op_.hasItems() && op_.itemKinds.first() == OperationRecord::Folder) {
        // A copy: the work list grows while the folder's entries join it.
        const QString head = op_.itemPaths.first();
        expandLocalFolder(head);
    }
    op_.dropHead();
}

void OperationDriver::skipItem(const QString& text) {
    ++itemsSkipped_;
    host_.itemSkipped(text);
}
