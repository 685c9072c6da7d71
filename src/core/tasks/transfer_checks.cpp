// The one-file listing asked before a transfer tells what the site has: the
// copy an edit began from, the size and time of a file about to come in
// ranges, or how much of a file a continued download or upload has.
#include "core/engine/connection_source.h"
#include "core/engine/dir_listing.h"
#include "core/engine/ftp_session.h"
#include "core/engine/result_texts.h"
#include "core/tasks/operation_driver.h"

#include <limits>

namespace {

// The first file a listing names, if any.
std::optional<DirEntry> firstFileListed(const QByteArray& listing, const WireText& wire) {
    std::optional<DirEntry> found;
    DirListing::parseLines(
        listing,
        [&](const DirEntry& e) {
            if (!found && !e.isFolder)
                found = e;
        },
        wire);
    return found;
}

} // namespace

void OperationDriver::fileChecked(const QByteArray& listing, bool found, bool edit) {
    if (edit) {
        // Refused: no such file on the site.
        editCheckFinished(found ? firstFileListed(listing, session_.wire()) : std::nullopt);
        return;
    }
    if (found) {
        sizeChecked(listing);
        return;
    }
    // The size query was refused or failed: the file is sent whole.
    if (op_.isDownload && segmentSizeCheck_) {
        segmentSizeChecked(std::nullopt, {});
        return;
    }
    if (op_.isDownload)
        restartWholeDownload();
    else
        storeWholeFile();
    session_.continueQueue();
}

void OperationDriver::sizeChecked(const QByteArray& listing) {
    const std::optional<DirEntry> listed = firstFileListed(listing, session_.wire());
    const quint64 remoteSize = DirListing::sizeFromListing(listing);
    if (op_.isDownload && segmentSizeCheck_) {
        // Nothing readable in the listing tells nothing of the size.
        segmentSizeChecked(remoteSize > 0 ? std::optional<quint64>(remoteSize) : std::nullopt,
                           listed ? listed->dateText.simplified() : QString());
        return;
    }
    if (op_.isDownload)
        downloadSizeChecked(remoteSize);
    else
        uploadSizeChecked(remoteSize);
}

// A continued download: the site's file must still be the size the
// operation recorded, or the old bytes would be glued to new ones.
void OperationDriver::downloadSizeChecked(quint64 remoteSize) {
    if (remoteSize != op_.itemSizes.value(0)) {
        restartWholeDownload();
        // What the site has now is what is expected.
        if (remoteSize > 0 && !op_.itemSizes.isEmpty())
            op_.itemSizes.first() = remoteSize;
    }
    session_.continueQueue();
}

// A continued upload sends only what the site lacks; nothing there, or
// nothing readable, sends the whole file, never appends blindly.
void OperationDriver::uploadSizeChecked(quint64 remoteSize) {
    resumeTransfer_ = false;
    source_.bytesDone = 0;
    if (remoteSize == 0)
        storeWholeFile();
    if (remoteSize > 0 && !op_.itemSizes.isEmpty()) {
        if (remoteSize >= op_.itemSizes.first()) {
            session_.reset(false); // the site already has the whole file
            op_.dropHead();
            session_.postContinue();
            return;
        }
        resumeTransfer_ = true;
        source_.bytesDone = remoteSize;
    }
    session_.continueQueue();
}

// The queued "APPE" of a continued upload becomes "STOR": the whole file
// goes up again from its first byte.
void OperationDriver::storeWholeFile() {
    session_.storeInsteadOfAppend();
    resumeTransfer_ = false;
    source_.bytesDone = 0;
}

// The site's file is not the one a continued download began: it comes
// again from its first byte, and the message pane says why.
void OperationDriver::restartWholeDownload() {
    session_.dropRestart();
    resumeTransfer_ = false;
    source_.bytesDone = 0;
    session_.addNote(QString::fromUtf8(EngineText::RemoteFileChanged) + op_.itemPaths.value(0));
}
