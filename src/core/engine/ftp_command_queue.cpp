// The command queue of a connection: one line out at a time, replies
// gathered until complete, then handed to the reply table.
#include "core/engine/connection_source.h"
#include "core/engine/ftp_host.h"
#include "core/engine/ftp_session.h"
#include "core/engine/result_texts.h"
#include "core/platform/gbk_text.h"
#include "core/platform/prompts.h"
#include "core/platform/stored_text.h"

void FtpSession::reset(bool full) {
    commandQueue_.clear();
    nextCommand_ = 0;
    retryCount_ = 0;
    lineInFlight_ = false;
    dataConnectRetries_ = 0;
    accountResent_ = false;
    passiveConnectFailed_ = false;
    killTimer(RetryPauseTimer); // a pending retry belongs to the sequence just dropped
    retryPausePending_ = false;
    if (phase_ == ConnectionPhase::Closing)
        setPhase(ConnectionPhase::Idle); // the "QUIT" was dropped with the rest
    if (!full)
        return;
    ++operationSerial_; // continue messages of the ended operation are void
    showPhase(Phase::Idle);
    if (operations_)
        operations_->operationReset();
    setDataStage(DataStage::None);
    setServerStage(ServerStage::Awaiting);
    setTransferKind(TransferKind::None);
    downloadFile_.reset();
    uploadFile_.reset();
}

// Why a command cannot go out as it is, naming its argument; none when it
// can. A line break inside would end the command early and let the rest
// pass for another command; a character the code page cannot hold would
// arrive as "?" and name another file.
std::optional<OperationEnd> FtpSession::unsendable(const FtpCommand& command) const {
    QString argument = command.argument;
    const bool control = StoredText::breaksLine(argument);
    if (!control && wire_.canEncode(argument))
        return std::nullopt;
    if (command.is("PASS"))
        argument = QString::fromUtf8("（密码）");
    argument.replace(QLatin1Char('\r'), QLatin1String("\\r"));
    argument.replace(QLatin1Char('\n'), QLatin1String("\\n"));
    argument.replace(QChar(0), QLatin1String("\\0"));
    return OperationEnd{control ? EndMessage::UnsendableControl : EndMessage::UnsendableCharacters,
                        argument};
}

// A line that cannot go out: a login cannot go on without it; an item of a
// transfer is left out and the rest goes on; anything else stops.
void FtpSession::refuseLine(const OperationEnd& refusal) {
    if (isSettingUp()) {
        closeConnection();
        host_.operationEnded(refusal);
    } else if (operations_ && operations_->lineRefused(refusal)) {
        // A data connection the server opened on "PORT" belongs to the
        // refused line.
        dropDataConnection();
        reset(false);
        setTransferKind(TransferKind::None);
    } else {
        reset(true);
        host_.operationEnded(refusal);
    }
}

FtpCommand FtpSession::waitingCommand() const {
    if (nextCommand_ < 0 || nextCommand_ >= commandQueue_.size())
        return {};
    return commandQueue_.at(nextCommand_);
}

QString FtpSession::queuedLine(int index) const {
    return index < commandQueue_.size() ? commandQueue_.at(index).line() : QString();
}

void FtpSession::sendNext(int error) {
    if (retryPausePending_)
        return; // the connection is pausing before a retry
    if (lineInFlight_ && error == 0)
        return; // a second Write while the line sent waits for its reply
    if (error != 0) {
        closeConnection();
        noteSystemError(error);
        report(EndMessage::SendFailed);
        return;
    }
    if (commandQueue_.isEmpty())
        return;
    if (nextCommand_ >= commandQueue_.size()) {
        reset(false);
        return;
    }
    const FtpCommand command = commandQueue_.at(nextCommand_);
    if (command.is("TYPE") && skipTypeCommand(command))
        return;
    const QString line =
        command.purpose == FtpCommand::Purpose::DataChannel ? dataChannelLine() : command.line();
    if (line.isEmpty()) {
        closeConnection();
        reset(true);
        report(EndMessage::DataNetworkError);
        return;
    }
    if (const std::optional<OperationEnd> refusal = unsendable(command)) {
        refuseLine(*refusal);
        return;
    }
    if (!prepareTransferOf(command))
        return;
    if (const int failed = controlSocket_->sendWhole(wire_.encode(line)); failed != 0) {
        closeConnection();
        noteSystemError(failed);
        report(EndMessage::SendFailed);
        return;
    }
    lineSent(command, line);
}

// A "TYPE" entry heads a group (TYPE, data channel, transfer; or the restart
// probe): alone at the end it has nothing to serve and ends the sequence.
// The server keeps the type it was given, so the same type is not sent
// again. True when the entry was dealt with here.
bool FtpSession::skipTypeCommand(const FtpCommand& command) {
    if (nextCommand_ + 1 >= commandQueue_.size()) {
        reset(true);
        return true;
    }
    if (transferType_.isEmpty() || command.argument != transferType_)
        return false;
    advance();
    sendNext(0);
    return true;
}

// The line announcing the data connection of the transfer that follows.
// Empty when no listening socket could be opened for "PORT".
QString FtpSession::dataChannelLine() {
    passiveSent_ = passive_;
    passiveConnectFailed_ = false;
    // Over IPv6 only the extended forms carry an address (RFC 2428).
    const bool extended = extendedPassive_ || (controlSocket_ && controlSocket_->isIpv6());
    if (!passive_)
        return buildPortCommand();
    return extended ? QStringLiteral("EPSV\r\n") : QStringLiteral("PASV\r\n");
}

// What a command about to go out means for the transfer in progress: a
// transfer command opens its local file first; false when that failed and
// the operation has ended.
bool FtpSession::prepareTransferOf(const FtpCommand& command) {
    if (command.transfersData()) {
        downloadHadEnough_ = false;
        if (dataStage_ == DataStage::Ended)
            setDataStage(DataStage::None);
        setServerStage(ServerStage::Awaiting);
    }
    if (command.is("LIST")) {
        setTransferKind(command.purpose == FtpCommand::Purpose::SizeCheck ? TransferKind::SizeCheck
                        : command.purpose == FtpCommand::Purpose::EditCheck
                            ? TransferKind::EditCheck
                            : TransferKind::Listing);
    } else if (command.is("RETR")) {
        setTransferKind(TransferKind::Download);
        if (!prepareDownloadFile())
            return false;
        startProgress();
    } else if (command.is("STOR") || command.is("APPE")) {
        setTransferKind(TransferKind::Upload);
        if (!openUploadFile(command.argument))
            return false;
        startProgress();
    } else if (command.purpose != FtpCommand::Purpose::DataChannel && !command.is("NOOP")) {
        setTransferKind(TransferKind::None);
    }
    return true;
}

// The line is out. What is left in replyBuffer is the start of a reply
// still arriving; it stays. Sending is no sign of life from the server, so
// the silence clock runs on.
void FtpSession::lineSent(const FtpCommand& command, const QString& line) {
    lineInFlight_ = true;
    if (command.is("ABOR")) {
        dataFinished(false);
        reset(true);
    }
    // A data connection the server opened before this command now carries
    // what the command asks for.
    if (command.transfersData())
        transferCommandSent();
    if (command.transfersData() && dataStage_ == DataStage::Open)
        selectDataSocket();
    QString block = transcript_.addCommand(line);
    host_.transcriptChanged(transcript_.text(), block);
    if (command.is("ABOR"))
        report(EndMessage::Interrupted);
}

void FtpSession::onControlReadable(int error) {
    if (error != 0 || replyBuffer_.size() >= ReplyLimit - 1) {
        closeConnection();
        noteSystemError(error);
        report(EndMessage::ReceiveFailed);
        return;
    }
    char chunk[ReplyLimit];
    const qint64 n = controlSocket_->recv(chunk, ReplyLimit - 1 - replyBuffer_.size());
    if (n <= 0) {
        const int failed = n < 0 ? controlSocket_->lastError() : 0;
        closeConnection();
        if (failed)
            noteSystemError(failed);
        else
            noteSystemError(QString::fromUtf8(EngineText::ServerHungUp));
        report(EndMessage::ReceiveFailed);
        return;
    }
    replyBuffer_.append(chunk, n);
    touch();
    // Several replies may come in one read ("150" and "226" of a short
    // transfer); each is handled on its own, in order.
    while (controlSocket_) {
        std::optional<FtpReply> reply = FtpReply::take(replyBuffer_);
        if (!reply)
            break;
        reply_ = std::move(*reply);
        handleReply();
    }
    if (controlSocket_ && replyBuffer_.size() >= ReplyLimit - 1) {
        // A full buffer without a complete reply can never complete.
        closeConnection();
        report(EndMessage::ReceiveFailed);
    }
}

void FtpSession::logReply() {
    QString block = transcript_.addReply(wire_.decode(reply_.text));
    host_.transcriptChanged(transcript_.text(), block);
}

// Transfer replies of an earlier data connection may still come in while
// another command waits for its own reply (after an abort, say). "125" is
// the opening reply of servers that connected before the command.
bool FtpSession::isLateTransferReply(const FtpCommand& waiting) const {
    if (waiting.transfersData())
        return false;
    const int code = reply_.code;
    return code == 226 || code == 225 || code == 150 || code == 125 || code == 426;
}

void FtpSession::advance() {
    ++nextCommand_;
    retryCount_ = 0;
    lineInFlight_ = false;
}

// Sends the queue again from `index` (the account inserted at the head, or a
// transfer group the server could not open its data connection for).
void FtpSession::restartQueueAt(int index) {
    nextCommand_ = index;
    lineInFlight_ = false;
}

void FtpSession::postContinue() {
    post(Msg::ContinueOperation, operationSerial_);
}

void FtpSession::stopWith(EndMessage code) {
    reset(true);
    report(code);
}

// After a reply: give up after three tries, pause before a retry, send the
// next line, or end the finished sequence.
void FtpSession::continueAfterReply(const FtpCommand& waiting) {
    if (retryCount_ > 2) {
        if (waiting.is("APPE")) {
            // Appending failed three times: the site cannot resume uploads.
            reset(false);
            setTransferKind(TransferKind::None);
            stopProgress();
            dataSocket_.reset();
            listenSocket_.reset();
            operations_->appendRefused();
        } else {
            stopWith(EndMessage::Stopped);
        }
        return;
    }
    if (retryCount_ > 0) {
        retryPausePending_ = true;
        setTimer(RetryPauseTimer, timing_.retryPauseMs, TimerKind::SingleShot);
        return;
    }
    if (commandQueue_.isEmpty())
        return;
    if (nextCommand_ < commandQueue_.size())
        askForSend();
    else
        reset(false);
}
