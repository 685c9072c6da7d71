// What a complete reply does, by the command waiting for it. The general
// codes come first (handleReply); then the row of replyTable for the waiting
// command's verb and purpose decides.
#include "core/engine/connection_source.h"
#include "core/engine/ftp_host.h"
#include "core/engine/ftp_session.h"
#include "core/engine/result_texts.h"
#include "core/engine/site_path.h"
#include "core/platform/gbk_text.h"
#include "core/platform/prompts.h"

using Purpose = FtpCommand::Purpose;

// Rows without a purpose of their own match the verb whatever its purpose.
const FtpSession::ReplyRow FtpSession::replyTable[] = {
    {"USER", Purpose::Plain, &FtpSession::onLoginReply},
    {"PASS", Purpose::Plain, &FtpSession::onLoginReply},
    {"ACCT", Purpose::Plain, &FtpSession::onLoginReply},
    {"FEAT", Purpose::Plain, &FtpSession::onFeatReply},
    {"OPTS", Purpose::Plain, &FtpSession::onOptsReply},
    {"PBSZ", Purpose::Plain, &FtpSession::onProtectionReply},
    {"PROT", Purpose::Plain, &FtpSession::onProtectionReply},
    {"QUIT", Purpose::Plain, &FtpSession::onSimpleCommandReply},
    {"NOOP", Purpose::Plain, &FtpSession::onSimpleCommandReply},
    {"TYPE", Purpose::Plain, &FtpSession::onSimpleCommandReply},
    {"", Purpose::DataChannel, &FtpSession::onSimpleCommandReply},
    {"CWD", Purpose::Plain, &FtpSession::onCwdReply},
    {"PWD", Purpose::Plain, &FtpSession::onPwdReply},
    {"REST", Purpose::Plain, &FtpSession::onRestReply},
    {"REST", Purpose::RestartProbe, &FtpSession::onRestReply},
    {"MKD", Purpose::Plain, &FtpSession::onMkdReply},
    {"DELE", Purpose::Plain, &FtpSession::onRemovalReply},
    {"RMD", Purpose::Plain, &FtpSession::onRemovalReply},
    {"RNFR", Purpose::Plain, &FtpSession::onRnfrReply},
    {"RNTO", Purpose::Plain, &FtpSession::onRntoReply},
    {"ABOR", Purpose::Plain, &FtpSession::onAborReply},
    {"LIST", Purpose::Plain, &FtpSession::onTransferReply},
    {"LIST", Purpose::SizeCheck, &FtpSession::onTransferReply},
    {"LIST", Purpose::EditCheck, &FtpSession::onTransferReply},
    {"RETR", Purpose::Plain, &FtpSession::onTransferReply},
    {"STOR", Purpose::Plain, &FtpSession::onTransferReply},
    {"APPE", Purpose::Plain, &FtpSession::onTransferReply},
};

void FtpSession::handleReply() {
    logReply();
    if (!isGreeted()) {
        onGreeting();
        return;
    }
    if (reply_.code == 0)
        return; // a line outside any reply: shown, nothing more
    if (replyIs(421) || replyIs(221)) {
        reset(true);
        closeConnection();
        report(replyIs(421) ? EndMessage::ServerClosed : EndMessage::LoggedOut);
        return;
    }
    const FtpCommand waiting = waitingCommand();
    if (isLateTransferReply(waiting))
        return; // a leftover: wait for the real reply
    if (waiting.purpose == Purpose::DataChannel && passiveSent_) {
        onPassiveReply(waiting);
        return;
    }
    if (waiting.is("AUTH")) {
        onAuthReply(); // no general code applies before the handshake
        return;
    }
    if (!takeGeneralCode(waiting)) {
        if (const ReplyHandler handler = replyHandlerFor(waiting))
            (this->*handler)(waiting);
        else
            stopWith(EndMessage::Stopped);
    }
}

void FtpSession::onGreeting() {
    if (replyIs(220)) {
        setPhase(ConnectionPhase::LoggingIn);
        if (!beginTls())
            login(!pendingTaskFile_.isEmpty());
    } else {
        report(EndMessage::ConnectFailed); // stays open for another greeting
    }
}

// The codes that mean the same whatever the command: a pause before a
// retry, plain success, an account asked for. False when the reply is the
// command's own to judge.
bool FtpSession::takeGeneralCode(const FtpCommand& waiting) {
    // A removal, a new folder or a rename is over only when its own handler
    // has seen it through, whatever positive code the server chose.
    const bool ownCompletion =
        waiting.is("DELE") || waiting.is("RMD") || waiting.is("MKD") || waiting.is("RNTO");
    if ((replyIs(450) || replyIs(451)) && !waiting.checksOneFile()) {
        ++retryCount_;
    } else if (replyIs(200) && !ownCompletion) {
        if (waiting.is("TYPE"))
            transferType_ = waiting.argument;
        else if (waiting.is("PROT"))
            dataProtected_ = true;
        advance();
    } else if (replyIs(532)) {
        // The account is needed: it goes first and the whole queue runs again,
        // once; asked for again, the account given is not enough.
        if (accountResent_) {
            stopWith(EndMessage::Stopped);
            return true;
        }
        accountResent_ = true;
        retryCount_ = 0;
        commandQueue_.prepend(FtpCommand::with(QStringLiteral("ACCT"), source_.account()));
        restartQueueAt(0);
    } else {
        return false;
    }
    continueAfterReply(waiting);
    return true;
}

FtpSession::ReplyHandler FtpSession::replyHandlerFor(const FtpCommand& waiting) {
    for (const ReplyRow& row : replyTable) {
        if (waiting.verb == QLatin1String(row.verb) && waiting.purpose == row.purpose)
            return row.handler;
    }
    return nullptr;
}

void FtpSession::onLoginReply(const FtpCommand& waiting) {
    // "202": an account the site does not need (RFC 959, 4.2).
    if (replyIs(230) || (waiting.is("ACCT") && replyIs(202))) {
        if (transferOnly_ || !pendingTaskFile_.isEmpty() ||
            (operations_ && operations_->continuesTransfer()))
            loginFinished();
        advance();
        showPhase(Phase::Idle);
    } else if (replyIs(331)) {
        advance();
    } else if (replyIs(332)) {
        advance();
        commandQueue_.insert(nextCommand_,
                             FtpCommand::with(QStringLiteral("ACCT"), source_.account()));
    } else {
        reset(true);
        closeConnection();
        report(EndMessage::UserRejected);
        return;
    }
    continueAfterReply(waiting);
}

// QUIT, PORT, NOOP and TYPE succeed only with "200", handled before the table.
void FtpSession::onSimpleCommandReply(const FtpCommand& waiting) {
    if (waiting.is("TYPE"))
        transferType_.clear(); // refused: the server's type is not known
    stopWith(EndMessage::Stopped);
}

void FtpSession::onCwdReply(const FtpCommand& waiting) {
    if (replyIs(250)) {
        advance();
        loginFinished();
    } else if (phase_ == ConnectionPhase::LoggingIn) {
        // The start folder of the login: a missing one is not worth a message.
        loginFinished();
        advance();
    } else {
        reset(true);
        report(EndMessage::CannotEnterFolder);
        return;
    }
    continueAfterReply(waiting);
}

void FtpSession::onRntoReply(const FtpCommand& waiting) {
    if (!reply_.positive()) {
        stopWith(EndMessage::Stopped);
        return;
    }
    const QString newPath = waiting.argument;
    advance();
    host_.remoteItemRenamed(SitePath::nameOf(newPath));
    continueAfterReply(waiting);
}

// DELE and RMD: the pane forgets the removed item; the last removal of a
// plain delete ends the operation.
void FtpSession::onRemovalReply(const FtpCommand& waiting) {
    if (!reply_.positive()) {
        stopWith(EndMessage::Stopped);
        return;
    }
    const bool file = waiting.is("DELE");
    const QString path = waiting.argument;
    advance();
    if (updating()) {
        postContinue();
    } else {
        if (file)
            host_.remoteFileRemoved(path);
        else
            host_.remoteFolderRemoved(path);
        if (nextCommand_ >= commandQueue_.size()) {
            reset(true);
            return;
        }
    }
    continueAfterReply(waiting);
}

void FtpSession::onRnfrReply(const FtpCommand& waiting) {
    if (!replyIs(350)) {
        stopWith(EndMessage::Stopped);
        return;
    }
    advance();
    continueAfterReply(waiting);
}

// "REST 0" is the restart probe of the login; any reply goes on.
void FtpSession::onRestReply(const FtpCommand& waiting) {
    const bool probe = waiting.purpose == Purpose::RestartProbe;
    // Many servers take REST only in binary mode (pyftpdlib answers "501
    // Resuming transfers not allowed in ASCII mode"), and the login still
    // has the server's default type: the probe is asked again after
    // "TYPE I". A command the server does not know stays unknown.
    if (probe && !replyIs(350) && !replyIs(500) && !replyIs(502) &&
        transferType_ != QLatin1String("I")) {
        commandQueue_.insert(nextCommand_,
                             FtpCommand::with(QStringLiteral("TYPE"), QStringLiteral("I")));
        restartQueueAt(nextCommand_);
        continueAfterReply(waiting);
        return;
    }
    advance();
    if (replyIs(350)) {
        source_.restSupported = true;
    } else if (probe) {
        addNote(QString::fromUtf8(EngineText::RestartUnsupported));
    } else {
        // Refused: the server sends the whole file, so it is written afresh.
        if (operations_)
            operations_->restartRefused();
    }
    if (!pendingTaskFile_.isEmpty()) {
        const QString taskFile = pendingTaskFile_;
        pendingTaskFile_.clear();
        reset(true);
        host_.resumeInterruptedTask(taskFile);
        return;
    }
    continueAfterReply(waiting);
}

void FtpSession::onMkdReply(const FtpCommand& waiting) {
    const QString path = waiting.argument;
    if (reply_.positive()) {
        advance();
        if (updating()) {
            postContinue();
        } else if (itemsPending()) {
            operations_->itemDone();
            postContinue();
            return;
        } else {
            host_.remoteFolderAdded(SitePath::nameOf(path));
            showPhase(Phase::Idle);
        }
        continueAfterReply(waiting);
        return;
    }
    // A folder that already exists is as good as a new one for an upload.
    if (!updating() && itemsPending() && wire_.decode(reply_.text).toLower().contains("exist")) {
        advance();
        operations_->itemDone();
        postContinue();
        return;
    }
    stopWith(EndMessage::Stopped);
}

void FtpSession::onPwdReply(const FtpCommand&) {
    if (!replyIs(257)) {
        stopWith(EndMessage::Stopped);
        return;
    }
    advance();
    reset(false);
    setCurrentFolderFromReply(wire_.decode(reply_.text));
}

void FtpSession::onAborReply(const FtpCommand&) {
    stopWith(EndMessage::Interrupted);
}

// Transfer commands. A preliminary reply only resets the count. The
// transfer is over when the data connection has closed and the server has
// confirmed it ("226" or "250"), in either order; an error reply after the
// data connection opened ends it as failed.
void FtpSession::onTransferReply(const FtpCommand& waiting) {
    if (reply_.preliminary()) {
        retryCount_ = 0;
        transferAnswered();
        return;
    }
    // Cut on purpose: the server's word on the rest ("426", mostly) does
    // not matter.
    if (downloadHadEnough_) {
        setServerStage(ServerStage::Confirmed);
        finishTransfer(false, true);
        return;
    }
    // The server says all went well, but this side could not connect to
    // its passive port: nothing came, which is what "425" says.
    if ((replyIs(226) || replyIs(250)) && passiveConnectFailed_ && dataStage_ == DataStage::None) {
        rerunDataGroup(waiting);
        return;
    }
    if (replyIs(226) || replyIs(250)) {
        retryCount_ = 0;
        setServerStage(ServerStage::Confirmed);
        if (dataStage_ == DataStage::Ended)
            finishTransfer(dataClosedCancelled_, true);
        return;
    }
    if (waiting.checksOneFile()) {
        oneFileRefused(waiting.purpose == FtpCommand::Purpose::EditCheck);
        return;
    }
    if (replyIs(425)) {
        rerunDataGroup(waiting);
        return;
    }
    transferFailed();
}

// No data connection could be made: the group runs again, three times at
// most (the replies to the group's TYPE and PORT reset the command's own
// count), then the operation ends with a message.
void FtpSession::rerunDataGroup(const FtpCommand& waiting) {
    dataSocket_.reset();
    listenSocket_.reset();
    setDataStage(DataStage::None);
    passiveConnectFailed_ = false;
    setServerStage(ServerStage::Awaiting);
    if (++dataConnectRetries_ > 2) {
        if (movesFile(transferKind_))
            stopProgress();
        stopWith(EndMessage::DataNetworkError);
        return;
    }
    restartQueueAt(0);
    ++retryCount_;
    continueAfterReply(waiting);
}
