// What a complete reply does, by the command waiting for it. The general
// codes come first (handleReply); then the first row of replyTable whose
// prefix matches the waiting command decides.
#include "core/engine/connection_source.h"
#include "core/engine/ftp_connection.h"
#include "core/engine/ftp_host.h"
#include "core/engine/result_texts.h"
#include "core/engine/site_path.h"
#include "core/platform/gbk_text.h"
#include "core/platform/prompts.h"

const FtpConnection::ReplyRow FtpConnection::replyTable[] = {
    {"USE", &FtpConnection::onLoginReply},         {"PAS", &FtpConnection::onLoginReply},
    {"FEA", &FtpConnection::onFeatReply},          {"OPT", &FtpConnection::onOptsReply},
    {"ACC", &FtpConnection::onLoginReply},         {"QUI", &FtpConnection::onSimpleCommandReply},
    {"PBS", &FtpConnection::onProtectionReply},    {"PRO", &FtpConnection::onProtectionReply},
    {"POR", &FtpConnection::onSimpleCommandReply}, {"NOO", &FtpConnection::onSimpleCommandReply},
    {"TYP", &FtpConnection::onSimpleCommandReply}, {"CWD", &FtpConnection::onCwdReply},
    {"RNT", &FtpConnection::onRntoReply},          {"DEL", &FtpConnection::onRemovalReply},
    {"RMD", &FtpConnection::onRemovalReply},       {"RNF", &FtpConnection::onRnfrReply},
    {"RES", &FtpConnection::onRestReply},          {"MKD", &FtpConnection::onMkdReply},
    {"PWD", &FtpConnection::onPwdReply},           {"ABO", &FtpConnection::onAborReply},
    {"SIZ", &FtpConnection::onTransferReply},      {"CHE", &FtpConnection::onTransferReply},
    {"RET", &FtpConnection::onTransferReply},      {"LIS", &FtpConnection::onTransferReply},
    {"STO", &FtpConnection::onTransferReply},      {"APP", &FtpConnection::onTransferReply},
};

void FtpConnection::handleReply() {
    logReply();

    if (awaitingGreeting) {
        if (replyIs(220)) {
            awaitingGreeting = false;
            if (!beginTls())
                login(!pendingTaskFile.isEmpty());
        } else {
            report(ResultCode::ConnectFailed); // stays open for another greeting
        }
        return;
    }
    if (reply_.code == 0)
        return; // a line outside any reply: shown, nothing more
    if (replyIs(421)) {
        reset(true);
        closeConnection();
        report(ResultCode::ServerClosed);
        return;
    }
    if (replyIs(221)) {
        reset(true);
        closeConnection();
        report(ResultCode::LoggedOut);
        return;
    }

    const QByteArray prefix = commandPrefix().toLatin1();
    if (isLateTransferReply(prefix))
        return; // a leftover: wait for the real reply
    if (prefix == "POR" && passiveSent_) {
        onPassiveReply();
        return;
    }
    if (prefix == "AUT") {
        onAuthReply(); // no general code applies before the handshake
        return;
    }

    // A removal, a new folder or a rename is over only when its own handler
    // has seen it through, whatever positive code the server chose.
    const bool ownCompletion =
        prefix == "DEL" || prefix == "RMD" || prefix == "MKD" || prefix == "RNT";
    if ((replyIs(450) || replyIs(451)) && prefix != "SIZ" && prefix != "CHE") {
        ++retryCount;
    } else if (replyIs(200) && !ownCompletion) {
        if (prefix == "TYP")
            transferType_ = entryArgument(nextCommand, 5);
        else if (prefix == "PRO")
            dataProtected_ = true;
        advance();
    } else if (replyIs(532)) {
        // The account is needed: it goes first and the whole queue runs again,
        // once; asked for again, the account given is not enough.
        if (accountResent_) {
            stopWith(ResultCode::Stopped);
            return;
        }
        accountResent_ = true;
        retryCount = 0;
        commandQueue.prepend(QStringLiteral("ACCT ") + source.account() + QStringLiteral("\r\n"));
        restartQueueAt(0);
    } else {
        for (const ReplyRow& row : replyTable) {
            if (prefix == row.prefix) {
                (this->*row.handler)(prefix);
                return;
            }
        }
        stopWith(ResultCode::Stopped);
        return;
    }
    continueAfterReply(prefix);
}

void FtpConnection::onLoginReply(const QByteArray& prefix) {
    // "202": an account the site does not need (RFC 959, 4.2).
    if (replyIs(230) || (prefix == "ACC" && replyIs(202))) {
        if (!pendingTaskFile.isEmpty() || resumeTransfer)
            ready = true;
        advance();
        showPhase(Phase::Idle);
    } else if (replyIs(331)) {
        advance();
    } else if (replyIs(332)) {
        advance();
        commandQueue.insert(nextCommand,
                            QStringLiteral("ACCT ") + source.account() + QStringLiteral("\r\n"));
    } else {
        reset(true);
        closeConnection();
        report(ResultCode::UserRejected);
        return;
    }
    continueAfterReply(prefix);
}

// QUIT, PORT, NOOP and TYPE succeed only with "200", handled before the table.
void FtpConnection::onSimpleCommandReply(const QByteArray& prefix) {
    if (prefix == "TYP")
        transferType_.clear(); // refused: the server's type is not known
    stopWith(ResultCode::Stopped);
}

void FtpConnection::onCwdReply(const QByteArray& prefix) {
    if (replyIs(250)) {
        advance();
        ready = true;
    } else if (!ready) {
        // The start folder of the login: a missing one is not worth a message.
        ready = true;
        advance();
    } else {
        reset(true);
        prompts_.report(QString::fromUtf8(EngineText::CannotEnterFolder));
        return;
    }
    continueAfterReply(prefix);
}

void FtpConnection::onRntoReply(const QByteArray& prefix) {
    if (!reply_.positive()) {
        stopWith(ResultCode::Stopped);
        return;
    }
    const QString newPath = entryArgument(nextCommand, 5);
    advance();
    host_.remoteItemRenamed(SitePath::nameOf(newPath));
    continueAfterReply(prefix);
}

// DELE and RMD: the pane forgets the removed item; the last removal of a
// plain delete ends the operation.
void FtpConnection::onRemovalReply(const QByteArray& prefix) {
    if (!reply_.positive()) {
        stopWith(ResultCode::Stopped);
        return;
    }
    const bool file = prefix == "DEL";
    const QString path = entryArgument(nextCommand, file ? 5 : 4);
    advance();
    if (dirUpdate) {
        postContinue();
    } else {
        if (file)
            host_.remoteFileRemoved(path);
        else
            host_.remoteFolderRemoved(path);
        if (nextCommand >= commandQueue.size()) {
            reset(true);
            return;
        }
    }
    continueAfterReply(prefix);
}

void FtpConnection::onRnfrReply(const QByteArray& prefix) {
    if (!replyIs(350)) {
        stopWith(ResultCode::Stopped);
        return;
    }
    advance();
    continueAfterReply(prefix);
}

// "REST 0" is the restart probe of the login; any reply goes on.
void FtpConnection::onRestReply(const QByteArray& prefix) {
    const bool probe = !commandQueue.value(nextCommand + 1).startsWith(QLatin1String("RETR"));
    // Many servers take REST only in binary mode (pyftpdlib answers "501
    // Resuming transfers not allowed in ASCII mode"), and the login still
    // has the server's default type: the probe is asked again after
    // "TYPE I". A command the server does not know stays unknown.
    if (probe && !replyIs(350) && !replyIs(500) && !replyIs(502) &&
        transferType_ != QLatin1String("I")) {
        commandQueue.insert(nextCommand, QStringLiteral("TYPE I\r\n"));
        restartQueueAt(nextCommand);
        continueAfterReply(prefix);
        return;
    }
    advance();
    if (replyIs(350)) {
        source.restSupported = true;
    } else if (probe) {
        addNote(QString::fromUtf8(EngineText::RestartUnsupported));
    } else {
        // Refused: the server sends the whole file, so it is written afresh.
        resumeTransfer = false;
        source.bytesDone = 0;
    }
    if (!pendingTaskFile.isEmpty()) {
        const QString taskFile = pendingTaskFile;
        pendingTaskFile.clear();
        reset(true);
        host_.resumeInterruptedTask(taskFile);
        return;
    }
    continueAfterReply(prefix);
}

void FtpConnection::onMkdReply(const QByteArray& prefix) {
    const QString path = entryArgument(nextCommand, 4);
    if (reply_.positive()) {
        advance();
        if (dirUpdate) {
            postContinue();
        } else if (op.hasItems()) {
            op.dropHead();
            postContinue();
            return;
        } else {
            host_.remoteFolderAdded(SitePath::nameOf(path));
            showPhase(Phase::Idle);
        }
        continueAfterReply(prefix);
        return;
    }
    // A folder that already exists is as good as a new one for an upload.
    if (!dirUpdate && op.hasItems() && wire_.decode(reply_.text).toLower().contains("exist")) {
        advance();
        op.dropHead();
        postContinue();
        return;
    }
    stopWith(ResultCode::Stopped);
}

void FtpConnection::onPwdReply(const QByteArray&) {
    if (!replyIs(257)) {
        stopWith(ResultCode::Stopped);
        return;
    }
    advance();
    reset(false);
    setCurrentFolderFromReply(wire_.decode(reply_.text));
}

void FtpConnection::onAborReply(const QByteArray&) {
    stopWith(ResultCode::Interrupted);
}

// Transfer commands. A preliminary reply only resets the count. The
// transfer is over when the data connection has closed and the server has
// confirmed it ("226" or "250"), in either order; an error reply after the
// data connection opened ends it as failed.
void FtpConnection::onTransferReply(const QByteArray& prefix) {
    if (reply_.preliminary()) {
        retryCount = 0;
        transferAnswered();
        return;
    }
    // The server says all went well, but this side could not connect to
    // its passive port: nothing came, which is what "425" says.
    if ((replyIs(226) || replyIs(250)) && passiveConnectFailed_ && !dataOpen && !dataClosed_) {
        rerunDataGroup(prefix);
        return;
    }
    if (replyIs(226) || replyIs(250)) {
        retryCount = 0;
        serverConfirmed_ = true;
        if (dataClosed_)
            finishTransfer(dataClosedCancelled_, true);
        return;
    }
    if (prefix == "SIZ" || prefix == "CHE") {
        sizeQueryFailed();
        return;
    }
    if (replyIs(425)) {
        rerunDataGroup(prefix);
        return;
    }
    transferFailed();
}

// No data connection could be made: the group runs again, three times at
// most (the replies to the group's TYPE and PORT reset the command's own
// count), then the operation ends with a message.
void FtpConnection::rerunDataGroup(const QByteArray& prefix) {
    dataSocket.reset();
    listenSocket.reset();
    dataOpen = false;
    passiveConnectFailed_ = false;
    serverConfirmed_ = false;
    if (++dataConnectRetries_ > 2) {
        if (transferKind >= 3)
            stopProgress();
        stopWith(ResultCode::DataNetworkError);
        return;
    }
    restartQueueAt(0);
    ++retryCount;
    continueAfterReply(prefix);
}
