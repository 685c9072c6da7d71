// The data connection: the listening socket announced by "PORT", the
// accepted connection and what moves over it (listing text, downloaded and
// uploaded file data), progress counting, and the end of a transfer.
#include "core/engine/connection_source.h"
#include "core/engine/dir_compare.h"
#include "core/engine/dir_listing.h"
#include "core/engine/ftp_host.h"
#include "core/engine/ftp_session.h"
#include "core/engine/result_texts.h"
#include "core/platform/clock.h"
#include "core/platform/prompts.h"

#include <QFileInfo>

#include <algorithm>
#include <limits>
#include <utility>

namespace {

constexpr int ListingBlock = 65536;
// Larger receives cost fewer calls: 256 KiB takes a quarter off the system
// time of a loopback download against 64 KiB.
constexpr int DownloadBlock = 262144;
constexpr int DownloadBlocksPerTurn = 16;
// Uploads read the file a window at a time and hand the socket large blocks,
// as many as it takes in one notification (up to a bound, so the window
// stays responsive).
constexpr int UploadBlock = 65536;
constexpr int UploadWindow = 262144;
constexpr int UploadBlocksPerTurn = 16;

} // namespace

// Opens a listening socket and returns the "PORT" line announcing it at the
// control connection's own local address; empty when that fails.
QString FtpSession::buildPortCommand() {
    listenSocket_.reset();
    auto listener = std::make_unique<AsyncSocket>();
    quint16 port = 0;
    quint32 address = 0;
    const bool ipv6 = controlSocket_ && controlSocket_->isIpv6();
    if (!listener->open(ipv6))
        return {};
    listener->asyncSelect(this, Fd::Accept);
    if (!listener->listen(1) || !listener->localAddress(nullptr, &port))
        return {};
    if (ipv6) {
        // "PORT" carries IPv4 only (RFC 2428).
        listenSocket_ = std::move(listener);
        return QStringLiteral("EPRT ") +
               DataAddress::extendedPortArgument(controlSocket_->localAddressText(), port) +
               QStringLiteral("\r\n");
    }
    if (!controlSocket_ || !controlSocket_->localAddress(&address, nullptr))
        return {};
    listenSocket_ = std::move(listener);
    return QStringLiteral("PORT ") + DataAddress::portArgument(address, port) +
           QStringLiteral("\r\n");
}

void FtpSession::listCurrentFolder() {
    showPhase(Phase::Listing);
    reset(false);
    queueDataCommand(QStringLiteral("A"), FtpCommand::bare(QStringLiteral("LIST")));
    askForSend();
}

bool FtpSession::changeFolderAndList(const QString& folder) {
    if (!connectionReady())
        return false;
    reset(true);
    showPhase(Phase::Listing);
    commandQueue_ << FtpCommand::with(QStringLiteral("CWD"), folder);
    queueDataCommand(QStringLiteral("A"), FtpCommand::bare(QStringLiteral("LIST")));
    askForSend();
    return true;
}

bool FtpSession::changeFolder(const QString& folder) {
    return runCommand(FtpCommand::with(QStringLiteral("CWD"), folder));
}

// A transfer group: the type, the data channel, then the command that moves
// the data (after "REST" for a continued download).
void FtpSession::queueDataCommand(const QString& type, const FtpCommand& transfer,
                                  std::optional<quint64> restartAt) {
    commandQueue_ << FtpCommand::with(QStringLiteral("TYPE"), type) << FtpCommand::dataChannel();
    if (restartAt)
        commandQueue_ << FtpCommand::with(QStringLiteral("REST"), QString::number(*restartAt));
    commandQueue_ << transfer;
}

// Which notifications the data connection needs for what it carries now.
void FtpSession::selectDataSocket() {
    if (!dataSocket_)
        return;
    if (dataTlsDeferred_) {
        // Not a byte moves before its handshake: only a hang-up counts.
        dataSocket_->asyncSelect(this, Fd::Close);
        return;
    }
    const bool sending = transferKind_ == TransferKind::Upload;
    // What comes in is read to its end, which recv() reports itself.
    dataSocket_->setReadsUntilEnd(!sending);
    dataSocket_->asyncSelect(this, sending ? (Fd::Write | Fd::Close) : (Fd::Read | Fd::Close));
}

void FtpSession::onAccept(int error) {
    if (error == 0)
        dataSocket_ = listenSocket_->accept();
    // Only the server itself may connect, unless a proxy stands between us.
    const bool valid =
        dataSocket_ &&
        (source_.useProxy || dataSocket_->peerAddressText() == controlSocket_->peerAddressText()) &&
        secureDataConnection();
    if (!valid) {
        dataSocket_.reset();
        listenSocket_.reset();
        reset(true);
        report(EndMessage::DataNetworkError);
        return;
    }
    listingBuffer_.clear();
    listenSocket_->asyncSelect(this, 0); // stays open until the transfer ends
    // Servers that connect as soon as they accept "PORT" are here before the
    // transfer command; sending it selects again for what it carries.
    selectDataSocket();
    setDataStage(DataStage::Open);
}

void FtpSession::onDataReadable(int error) {
    if (error != 0) {
        dataFinished();
        return;
    }
    if (readsListing(transferKind_)) {
        // The listing grows as it comes, by whole blocks; appending keeps
        // its memory in proportion to its size.
        ioBuffer_.resize(ListingBlock);
        const qint64 n = dataSocket_->recv(ioBuffer_.data(), ListingBlock);
        if (n < 0 && dataSocket_->lastError() == AsyncSocket::WouldBlock)
            return; // nothing after all; the next notification brings it
        if (n <= 0) {
            dataFinished(); // the end, or a reset the server's reply judges
            touch();
            return;
        }
        if (listingBuffer_.size() + n > ListingLimit) {
            closeConnection();
            report(EndMessage::ReceiveFailed);
            return;
        }
        listingBuffer_.append(ioBuffer_.constData(), n);
        touch();
        return;
    }
    // Blocks of at most 256 KiB; what is already waiting is taken in the same
    // turn (up to a bound, so the window stays responsive), which saves a
    // notification round trip per block on fast links.
    ioBuffer_.resize(DownloadBlock);
    for (int block = 0; block < DownloadBlocksPerTurn; ++block) {
        const qint64 n = dataSocket_->recv(ioBuffer_.data(), DownloadBlock);
        if (n < 0 && dataSocket_->lastError() == AsyncSocket::WouldBlock)
            break; // drained; the next notification brings more
        if (n < 1) {
            dataFinished();
            touch();
            return;
        }
        if (transferKind_ != TransferKind::Download) {
            touch(); // nobody asked for this data
            return;
        }
        if (!(operationStoresDownloads() ? handDownloadedBlock(n) : writeDownloadedBlock(n)))
            return;
        if (n < DownloadBlock)
            break;
    }
}

// A block for the local file; false when the download has ended.
bool FtpSession::writeDownloadedBlock(qint64 length) {
    if (!downloadFile_ && !openDownloadFile()) {
        downloadFileFailed();
        return false;
    }
    if (downloadFile_->write(ioBuffer_.constData(), length) != length) {
        closeConnection();
        report(EndMessage::WriteFailed);
        return false;
    }
    source_.bytesDone += quint64(length);
    touch();
    return true;
}

// A block for the operation to store; false when the download has ended
// with it.
bool FtpSession::handDownloadedBlock(qint64 length) {
    source_.bytesDone += quint64(length);
    touch();
    switch (operations_->storeDownloaded(ioBuffer_.constData(), length)) {
    case SessionOperations::Stored::More:
        return true;
    case SessionOperations::Stored::Enough:
        downloadHadEnough_ = true;
        dataFinished();
        return false;
    case SessionOperations::Stored::Failed:
        break;
    }
    closeConnection();
    report(EndMessage::WriteFailed);
    return false;
}

quint64 FtpSession::expectedSize() const {
    return operations_ ? operations_->expectedSize() : 0;
}

void FtpSession::onDataWritable(int error) {
    if (error != 0) {
        dataFinished();
        return;
    }
    if (transferKind_ != TransferKind::Upload || uploadTailPending_)
        return;
    // Every send starts from the transferred count, so bytes the socket did
    // not take go out next time.
    for (int turn = 0; turn < UploadBlocksPerTurn; ++turn) {
        const char* block = nullptr;
        const qint64 n = uploadBlockAt(source_.bytesDone, &block);
        if (n <= 0) {
            finishUploadAfterPause(); // the file ended: short or complete
            return;
        }
        const qint64 sent = dataSocket_->send(block, n);
        if (sent < 0) {
            if (dataSocket_->lastError() != AsyncSocket::WouldBlock) {
                reset(true);
                dataFinished(false);
            }
            return; // full: the socket says when it takes more
        }
        source_.bytesDone += quint64(sent);
        touch();
        if (source_.bytesDone >= expectedSize()) {
            finishUploadAfterPause();
            return;
        }
    }
    selectDataSocket(); // still room, most likely: the next Write comes at once
}

// Up to one upload block of the local file at `offset`, from a read-ahead
// window so that not every block costs a seek and a read.
qint64 FtpSession::uploadBlockAt(quint64 offset, const char** block) {
    const qint64 inWindow = qint64(offset) - uploadWindowStart_;
    if (inWindow < 0 || inWindow + UploadBlock > ioBuffer_.size()) {
        ioBuffer_.resize(UploadWindow);
        qint64 got = -1;
        if (uploadFile_->seek(offset))
            got = uploadFile_->read(ioBuffer_.data(), UploadWindow);
        ioBuffer_.resize(qMax<qint64>(got, 0));
        uploadWindowStart_ = offset;
        if (got <= 0)
            return got;
    }
    const qint64 at = qint64(offset) - uploadWindowStart_;
    *block = ioBuffer_.constData() + at;
    return qMin<qint64>(UploadBlock, ioBuffer_.size() - at);
}

// The server gets a moment to take the last bytes before the connection is
// ended; a pause whose connection has ended meanwhile does nothing.
void FtpSession::finishUploadAfterPause() {
    dataSocket_->shutdownSend();
    uploadTailPending_ = true;
    uploadTailSocket_ = dataSocket_->id();
    setTimer(UploadTailTimer, timing_.uploadTailPauseMs, TimerKind::SingleShot);
}

void FtpSession::onUploadTailPause() {
    const bool ours = dataSocket_ && dataSocket_->id() == uploadTailSocket_;
    if (ours && dataSocket_->hasUnsentData()) {
        // Encrypted bytes still queued here: wait until the network has them.
        setTimer(UploadTailTimer, timing_.uploadTailPauseMs, TimerKind::SingleShot);
        return;
    }
    uploadTailPending_ = false;
    if (ours)
        dataFinished();
}

// Checked when "RETR" is sent, without touching the file: a download the
// server refuses leaves an existing file as it was and creates none.
bool FtpSession::prepareDownloadFile() {
    downloadFile_.reset();
    downloadOpened_ = false;
    if (operationStoresDownloads())
        return true;
    downloadAppend_ = operations_->continuesTransfer() && source_.restSupported;
    const QFileInfo file(operations_->downloadPath());
    const QFileInfo folder(file.absolutePath());
    const bool writable =
        file.exists() ? file.isFile() && file.isWritable() : folder.isDir() && folder.isWritable();
    if (!writable) {
        reset(true);
        report(EndMessage::CannotCreateFile);
        return false;
    }
    return true;
}

// Opens the local file once the server delivers: continued at its end when
// the server restarts the transfer there, otherwise written from byte 0.
bool FtpSession::openDownloadFile() {
    auto file = std::make_unique<QFile>(operations_->downloadPath());
    const QIODevice::OpenMode mode = downloadAppend_ ? QIODevice::WriteOnly | QIODevice::Append
                                                     : QIODevice::WriteOnly | QIODevice::Truncate;
    if (!file->open(mode))
        return false;
    downloadFile_ = std::move(file);
    downloadOpened_ = true;
    operations_->downloadOpened();
    return true;
}

void FtpSession::downloadFileFailed() {
    dropDataConnection();
    stopProgress();
    reset(true);
    report(EndMessage::CannotCreateFile);
}

bool FtpSession::openUploadFile(const QString& remote) {
    const QString path = operations_->uploadSource(remote);
    uploadFile_.reset();
    ioBuffer_.clear();
    uploadWindowStart_ = 0;
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::ReadOnly)) {
        reset(true);
        report(EndMessage::CannotOpenFile);
        return false;
    }
    uploadFile_ = std::move(file);
    return true;
}

void FtpSession::startProgress() {
    const bool continued = operations_ && operations_->takeContinuation();
    if (!continued)
        source_.bytesDone = 0; // a resumed transfer keeps its starting offset
    source_.startTime = clock_.calendarSeconds();
    host_.progressStarted(source_.bytesDone);
}

void FtpSession::stopProgress() {
    setTransferKind(TransferKind::None);
    source_.bytesDone = 0;
    host_.progressStopped();
}

// Closes the data connection and its files and forgets how its transfer
// was ending; the transfer kind and the operation stay for the caller.
void FtpSession::dropDataConnection() {
    downloadFile_.reset();
    uploadFile_.reset();
    dataSocket_.reset();
    listenSocket_.reset();
    uploadTailPending_ = false;
    killTimer(UploadTailTimer);
    setDataStage(DataStage::None);
    setServerStage(ServerStage::Awaiting);
}

void FtpSession::dataFinished(bool awaitServer) {
    if (!dataSocket_) {
        // Closed earlier and still waiting for the server's word, which will
        // not come now.
        if (dataStage_ == DataStage::Ended && !awaitServer)
            finishTransfer(dataClosedCancelled_, false);
        return;
    }
    const bool confirmed = serverStage_ == ServerStage::Confirmed;
    dropDataConnection();
    const bool cancelled = host_.takeCancelMark();
    if (awaitServer && !cancelled && transferKind_ != TransferKind::None && !confirmed) {
        setDataStage(DataStage::Ended);
        dataClosedCancelled_ = cancelled;
        return;
    }
    finishTransfer(cancelled, confirmed);
}

// The server refused the transfer or reported it failed. A file that moved
// only in part is resumed like one cut short; otherwise the operation stops.
void FtpSession::transferFailed() {
    const TransferKind kind = transferKind_;
    const bool started = dataStage_ != DataStage::None;
    const quint64 expected = expectedSize();
    const bool short_ = started && movesFile(kind) && source_.bytesDone < expected;
    dropDataConnection();
    if (movesFile(kind))
        stopProgress();
    if (short_ && operations_ && operations_->transferEndedShort())
        return;
    stopWith(EndMessage::Stopped);
}

void FtpSession::finishTransfer(bool cancelled, bool confirmed) {
    downloadHadEnough_ = false;
    setDataStage(DataStage::None);
    setServerStage(ServerStage::Awaiting);
    if (std::exchange(controlLostAfterTransfer_, false)) {
        downloadFinished(cancelled, confirmed);
        closeConnection();
        return;
    }
    switch (transferKind_) {
    case TransferKind::Listing:
        listingFinished(cancelled);
        break;
    case TransferKind::SizeCheck:
    case TransferKind::EditCheck:
        oneFileListed(cancelled, transferKind_ == TransferKind::EditCheck);
        break;
    case TransferKind::Download:
        downloadFinished(cancelled, confirmed);
        break;
    case TransferKind::Upload:
        uploadFinished(cancelled, confirmed);
        break;
    case TransferKind::None:
        break;
    }
}

void FtpSession::listingFinished(bool cancelled) {
    reset(false);
    setTransferKind(TransferKind::None);
    if (cancelled)
        return;
    const QByteArray listing = listingBuffer_;
    listingBuffer_.clear();
    checkListingText(listing);
    if (operations_ && operations_->listingArrived(listing))
        return;
    host_.showListing(listing);
    showPhase(Phase::Idle);
}

// A server may list "UTF8" among its features while its names are code
// page 936: the first listing with text beyond ASCII tells. Names that are
// no UTF-8 but read as code page 936 make this connection use code page
// 936, so that new names are not stored garbled; a site's fixed choice
// stands.
void FtpSession::checkListingText(const QByteArray& listing) {
    if (listingTextChecked_ || source_.encoding != WireText::Choice::Auto ||
        wire_.encoding() != WireText::Encoding::Utf8)
        return;
    if (std::all_of(listing.cbegin(), listing.cend(), [](char c) { return uchar(c) < 0x80; }))
        return;
    listingTextChecked_ = true;
    if (!WireText::hasRawBytes(wire_.decode(listing)) ||
        WireText::hasRawBytes(WireText(WireText::Encoding::Gbk).decode(listing)))
        return;
    wire_.setEncoding(WireText::Encoding::Gbk);
    addNote(QString::fromUtf8(EngineText::ListingNotUtf8));
}

// The one-file listing asked before a transfer: the operation judges what
// the site has.
void FtpSession::oneFileListed(bool cancelled, bool edit) {
    setTransferKind(TransferKind::None);
    if (cancelled)
        return;
    const QByteArray listing = std::exchange(listingBuffer_, {});
    advance();
    operations_->fileChecked(listing, true, edit);
}

// The one-file listing was refused: the operation learns that nothing
// could be read.
void FtpSession::oneFileRefused(bool edit) {
    dropDataConnection();
    setTransferKind(TransferKind::None);
    listingBuffer_.clear();
    advance();
    operations_->fileChecked({}, false, edit);
}

void FtpSession::continueQueue() {
    if (nextCommand_ < commandQueue_.size())
        askForSend();
    else
        reset(false);
}

void FtpSession::dropRestart() {
    for (qsizetype i = commandQueue_.size() - 1; i >= qMax(nextCommand_, 0); --i)
        if (commandQueue_.at(i).is("REST"))
            commandQueue_.removeAt(i);
}

void FtpSession::storeInsteadOfAppend() {
    for (qsizetype i = qMax(nextCommand_, 0); i < commandQueue_.size(); ++i) {
        if (commandQueue_.at(i).is("APPE"))
            commandQueue_[i].verb = QStringLiteral("STOR");
    }
}

void FtpSession::downloadFinished(bool cancelled, bool confirmed) {
    const quint64 done = source_.bytesDone;
    const quint64 expected = expectedSize();
    // An empty file, or one the server had nothing more of, arrives without
    // a single block: the local file is made now.
    if (!cancelled && confirmed && !downloadOpened_ && done >= expected &&
        !operationStoresDownloads()) {
        if (!openDownloadFile()) {
            setTransferKind(TransferKind::None);
            downloadFileFailed();
            return;
        }
        downloadFile_.reset();
    }
    reset(false);
    setTransferKind(TransferKind::None);
    stopProgress();
    if (!cancelled)
        operations_->fileTransferEnded(done >= expected);
}

// An upload is complete when every byte went out and the server has said
// it stored them.
void FtpSession::uploadFinished(bool cancelled, bool confirmed) {
    const bool complete = confirmed && source_.bytesDone >= expectedSize();
    reset(false);
    setTransferKind(TransferKind::None);
    stopProgress();
    if (!cancelled)
        operations_->fileTransferEnded(complete);
}
