// The command queue of a connection: one line out at a time, replies
// gathered until complete, then handed to the reply table.
#include "core/engine/connection_source.h"
#include "core/engine/ftp_connection.h"
#include "core/engine/ftp_host.h"
#include "core/engine/result_texts.h"
#include "core/platform/gbk_text.h"
#include "core/platform/prompts.h"
#include "core/platform/stored_text.h"

void FtpConnection::reset(bool full) {
    commandQueue.clear();
    nextCommand = 0;
    retryCount = 0;
    lineInFlight_ = false;
    dataConnectRetries_ = 0;
    accountResent_ = false;
    passiveConnectFailed_ = false;
    killTimer(RetryPauseTimer); // a pending retry belongs to the sequence just dropped
    retryPausePending_ = false;
    if (!full)
        return;
    ++operationSerial_; // continue messages of the ended operation are void
    itemsSkipped_ = 0;
    showPhase(Phase::Idle);
    writeTaskFile(); // an operation ending unfinished leaves its task as it stands
    op.clearWork();
    folderWalk_.clear();
    segmentSizeCheck_ = false;
    sizeCheckedPath_.clear();
    sizeCheckedTime_.clear();
    headOpenedPath_.clear();
    headFreshPath_.clear();
    dataOpen = false;
    dataClosed_ = false;
    serverConfirmed_ = false;
    segmented = false;
    dirUpdate = false;
    updateDryRun_ = false;
    transferKind = 0;
    downloadFile.reset();
    uploadFile.reset();
}

// Why a command line cannot go out as it is, naming its argument; empty when
// it can. A line break inside would end the command early and let the rest
// pass for another command; a character the code page cannot hold would
// arrive as "?" and name another file.
QString FtpConnection::unsendableText(const QString& line) const {
    QString argument = line;
    if (argument.endsWith(QLatin1String("\r\n")))
        argument.chop(2);
    const qsizetype blank = argument.indexOf(QLatin1Char(' '));
    argument = blank < 0 ? QString() : argument.mid(blank + 1);
    const bool control = StoredText::breaksLine(argument);
    if (!control && wire_.canEncode(argument))
        return {};
    if (line.startsWith(QLatin1String("PASS")))
        argument = QString::fromUtf8("（密码）");
    argument.replace(QLatin1Char('\r'), QLatin1String("\\r"));
    argument.replace(QLatin1Char('\n'), QLatin1String("\\n"));
    argument.replace(QChar(0), QLatin1String("\\0"));
    return QString::fromUtf8(control ? EngineText::UnsendableControl
                                     : EngineText::UnsendableCharacters) +
           argument;
}

// A line that cannot go out: a login cannot go on without it; an item of a
// transfer is left out and the rest goes on; anything else stops.
void FtpConnection::refuseLine(const QString& text) {
    if (!ready) {
        closeConnection();
        prompts_.report(text);
    } else if (op.hasItems() && !op.deleting && !dirUpdate) {
        // A data connection the server opened on "PORT" belongs to the
        // refused line.
        dropDataConnection();
        reset(false);
        transferKind = 0;
        skipItem(text);
        op.dropHead();
        postContinue();
    } else {
        reset(true);
        prompts_.report(text);
    }
}

QString FtpConnection::commandPrefix() const {
    if (commandQueue.isEmpty() || nextCommand < 0 || nextCommand >= commandQueue.size())
        return QStringLiteral("XXXX");
    return commandQueue.at(nextCommand).left(3);
}

void FtpConnection::sendNext(int error) {
    if (retryPausePending_)
        return; // the connection is pausing before a retry
    if (lineInFlight_ && error == 0)
        return; // a second Write while the line sent waits for its reply
    if (error != 0) {
        closeConnection();
        report(ResultCode::SendFailed);
        return;
    }
    if (commandQueue.isEmpty())
        return;
    if (nextCommand >= commandQueue.size()) {
        reset(false);
        return;
    }
    QString line = commandQueue.at(nextCommand);
    bool sizeQuery = false;

    // A "TYPE" entry heads a group (TYPE, PORT, transfer; or the restart
    // probe): alone at the end it has nothing to serve.
    if (line.startsWith(QLatin1String("TYPE")) && !(nextCommand + 1 < commandQueue.size())) {
        reset(true);
        return;
    }
    // The server keeps the type it was given: it is sent again only when it
    // changes.
    if (line.startsWith(QLatin1String("TYPE ")) && !transferType_.isEmpty() &&
        line.mid(5, transferType_.size()) == transferType_ &&
        line.size() == 5 + transferType_.size() + 2) {
        advance();
        sendNext(0);
        return;
    }
    // The size of a file is read from a one-file listing; so is what the
    // site has before an edited file replaces it.
    editCheck_ = line.startsWith(QLatin1String("CHECK "));
    if (line.startsWith(QLatin1String("SIZE")) || editCheck_) {
        line = QStringLiteral("LIST") + line.mid(editCheck_ ? 5 : 4);
        sizeQuery = true;
    }
    // The placeholder stays in the queue so that a repeated group announces a
    // fresh listening socket rather than one already closed.
    const bool portLine = line == QLatin1String("PORT\r\n");
    if (portLine) {
        passiveSent_ = passive_;
        passiveConnectFailed_ = false;
        // Over IPv6 only the extended forms carry an address (RFC 2428).
        const bool extended = extendedPassive_ || (controlSocket && controlSocket->isIpv6());
        line = !passive_  ? buildPortCommand()
               : extended ? QStringLiteral("EPSV\r\n")
                          : QStringLiteral("PASV\r\n");
        if (line.isEmpty()) {
            closeConnection();
            reset(true);
            report(ResultCode::DataNetworkError);
            return;
        }
    }

    const QString refusal = unsendableText(line);
    if (!refusal.isEmpty()) {
        refuseLine(refusal);
        return;
    }

    const bool transferLine =
        line.startsWith(QLatin1String("LIST")) || line.startsWith(QLatin1String("RETR")) ||
        line.startsWith(QLatin1String("STOR")) || line.startsWith(QLatin1String("APPE"));
    if (transferLine) {
        dataClosed_ = false;
        serverConfirmed_ = false;
    }
    if (line.startsWith(QLatin1String("LIST"))) {
        transferKind = sizeQuery ? 2 : 1;
    } else if (line.startsWith(QLatin1String("RETR"))) {
        transferKind = 3;
        if (!prepareDownloadFile())
            return;
        startProgress();
    } else if (line.startsWith(QLatin1String("STOR")) || line.startsWith(QLatin1String("APPE"))) {
        transferKind = 4;
        if (!openUploadFile(line))
            return;
        startProgress();
    } else if (!portLine && line != QLatin1String("NOOP\r\n")) {
        transferKind = 0;
    }

    if (controlSocket->sendWhole(wire_.encode(line)) != 0) {
        closeConnection();
        report(ResultCode::SendFailed);
        return;
    }
    // What is left in replyBuffer is the start of a reply still arriving; it
    // stays. Sending is no sign of life from the server, so the silence
    // clock runs on.
    lineInFlight_ = true;
    const bool abortLine = line == QLatin1String("ABOR\r\n");
    if (abortLine) {
        dataFinished(false);
        reset(true);
    }
    // A data connection the server opened before this command now carries
    // what the command asks for.
    if (transferLine)
        transferCommandSent();
    if (transferLine && dataOpen)
        selectDataSocket();
    QString block = transcript_.addCommand(line);
    host_.transcriptChanged(transcript_.text(), block);
    if (abortLine)
        report(ResultCode::Interrupted);
}

void FtpConnection::onControlReadable(int error) {
    if (error != 0 || replyBuffer.size() >= ReplyLimit - 1) {
        closeConnection();
        report(ResultCode::ReceiveFailed);
        return;
    }
    char chunk[ReplyLimit];
    const qint64 n = controlSocket->recv(chunk, ReplyLimit - 1 - replyBuffer.size());
    if (n <= 0) {
        closeConnection();
        report(ResultCode::ReceiveFailed);
        return;
    }
    replyBuffer.append(chunk, n);
    touch();
    // Several replies may come in one read ("150" and "226" of a short
    // transfer); each is handled on its own, in order.
    while (controlSocket) {
        std::optional<FtpReply> reply = FtpReply::take(replyBuffer);
        if (!reply)
            break;
        reply_ = std::move(*reply);
        handleReply();
    }
    if (controlSocket && replyBuffer.size() >= ReplyLimit - 1) {
        // A full buffer without a complete reply can never complete.
        closeConnection();
        report(ResultCode::ReceiveFailed);
    }
}

void FtpConnection::logReply() {
    QString block = transcript_.addReply(wire_.decode(reply_.text));
    host_.transcriptChanged(transcript_.text(), block);
}

// Transfer replies of an earlier data connection may still come in while
// another command waits for its own reply (after an abort, say). "125" is
// the opening reply of servers that connected before the command.
bool FtpConnection::isTransferPrefix(const QByteArray& prefix) {
    return prefix == "LIS" || prefix == "RET" || prefix == "STO" || prefix == "APP" ||
           prefix == "SIZ" || prefix == "CHE";
}

bool FtpConnection::isLateTransferReply(const QByteArray& prefix) const {
    if (isTransferPrefix(prefix))
        return false;
    const int code = reply_.code;
    return code == 226 || code == 225 || code == 150 || code == 125 || code == 426;
}

void FtpConnection::advance() {
    ++nextCommand;
    retryCount = 0;
    lineInFlight_ = false;
}

// Sends the queue again from `index` (the account inserted at the head, or a
// transfer group the server could not open its data connection for).
void FtpConnection::restartQueueAt(int index) {
    nextCommand = index;
    lineInFlight_ = false;
}

void FtpConnection::postContinue() {
    post(Msg::ContinueOperation, operationSerial_);
}

void FtpConnection::stopWith(unsigned code) {
    reset(true);
    report(code);
}

QString FtpConnection::entryArgument(int index, int commandLength) const {
    QString entry = commandQueue.value(index).mid(commandLength);
    if (entry.endsWith(QLatin1String("\r\n")))
        entry.chop(2);
    return entry;
}

// After a reply: give up after three tries, pause before a retry, send the
// next line, or end the finished sequence.
void FtpConnection::continueAfterReply(const QByteArray& prefix) {
    if (retryCount > 2) {
        if (prefix == "APP") {
            // Appending failed three times: the site cannot resume uploads.
            resumeTransfer = false;
            reset(false);
            transferKind = 0;
            stopProgress();
            dataSocket.reset();
            listenSocket.reset();
            if (prompts_.askYesNo(QString::fromUtf8(EngineText::RestartUploadQuestion)))
                postContinue();
            else
                stopWith(ResultCode::Stopped);
        } else {
            stopWith(ResultCode::Stopped);
        }
        return;
    }
    if (retryCount > 0) {
        retryPausePending_ = true;
        setTimer(RetryPauseTimer, timing_.retryPauseMs, TimerKind::SingleShot);
        return;
    }
    if (commandQueue.isEmpty())
        return;
    if (nextCommand < commandQueue.size())
        askForSend();
    else
        reset(false);
}
