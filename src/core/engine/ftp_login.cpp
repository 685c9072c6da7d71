// Login, directly or through an FTP proxy, and the current folder the server
// names after it.
#include "core/engine/connection_source.h"
#include "core/engine/ftp_host.h"
#include "core/engine/ftp_session.h"
#include "core/engine/result_texts.h"

void FtpSession::login(bool resumeTask) {
    reset(true);
    const QString user = QStringLiteral("USER");
    const QString pass = QStringLiteral("PASS");
    if (source_.useProxy) {
        // First the proxy's own login, then the site's user with its address.
        if (!source_.proxyUser.isEmpty())
            commandQueue_ << FtpCommand::with(user, source_.proxyUser);
        if (!source_.proxyPass.isEmpty())
            commandQueue_ << FtpCommand::with(pass, source_.proxyPass);
        commandQueue_ << FtpCommand::with(user, source_.user() + QLatin1Char('@') +
                                                    source_.hostName() + QLatin1Char(':') +
                                                    QString::number(source_.port));
    } else {
        commandQueue_ << FtpCommand::with(user, source_.user());
    }
    commandQueue_ << FtpCommand::with(pass, source_.password());
    // Encrypted data connections, the only buffer size TLS allows (RFC 4217).
    if (controlSocket_ && controlSocket_->isSecure())
        commandQueue_ << FtpCommand::with(QStringLiteral("PBSZ"), QStringLiteral("0"))
                      << FtpCommand::with(QStringLiteral("PROT"), QStringLiteral("P"));
    // A connection that only moves files knows all the rest already.
    if (!transferOnly_)
        queueLoginFindings(resumeTask);
    askForSend();
    showPhase(Phase::LoggingIn);
}

// After the login proper: what the server offers, where to start, and
// whether it can restart transfers.
void FtpSession::queueLoginFindings(bool resumeTask) {
    // What the server offers tells which text its names are in, and how it
    // takes passive data connections.
    if (source_.encoding == WireText::Choice::Auto || source_.dataMode != DataMode::Active)
        commandQueue_ << FtpCommand::bare(QStringLiteral("FEAT"));
    const FtpCommand restartProbe = FtpCommand::with(QStringLiteral("REST"), QStringLiteral("0"),
                                                     FtpCommand::Purpose::RestartProbe);
    if (resumeTask) {
        // Only the restart probe: the task itself says where to go.
        commandQueue_ << restartProbe;
    } else {
        commandQueue_ << FtpCommand::with(QStringLiteral("CWD"), source_.startFolder())
                      << restartProbe << FtpCommand::bare(QStringLiteral("PWD"));
    }
}

// Everything the other connection found out is taken as it stands: the
// address it reached (no lookup), the names' text and EPSV (no FEAT), and
// only the certificate it accepted, or one the system vouches for (nobody
// is asked).
void FtpSession::beginTransferConnection(const SessionLogin& login) {
    source_.setHostAddress(login.host);
    source_.setHostName(login.tlsServerName);
    source_.port = login.port;
    source_.setUser(login.user);
    source_.setPassword(login.password);
    source_.setAccount(login.account);
    source_.useProxy = 0;
    source_.dataMode = login.passive ? DataMode::Passive : DataMode::Active;
    source_.encoding =
        login.encoding == WireText::Encoding::Utf8 ? WireText::Choice::Utf8 : WireText::Choice::Gbk;
    source_.tlsMode = login.tls ? TlsMode::Required : TlsMode::Off;
    source_.trustFile.clear();
    source_.trustedFingerprints.clear();
    if (!login.acceptedFingerprint.isEmpty())
        source_.trustedFingerprints << login.acceptedFingerprint;
    transferOnly_ = true;
    beginConnection();
    extendedPassive_ = login.extendedPassive;
}

// The folder stands between the first pair of double quotes (a doubled quote
// inside stands for one quote), or, without double quotes, single quotes.
// An opening quote without its closing one names no folder.
QString FtpSession::folderFromPwdReply(const QString& reply) {
    QChar quote = QLatin1Char('"');
    qsizetype open = reply.indexOf(quote);
    if (open < 0) {
        quote = QLatin1Char('\'');
        open = reply.indexOf(quote);
        if (open < 0)
            return {};
    }
    QString folder;
    for (qsizetype i = open + 1; i < reply.size(); ++i) {
        if (reply.at(i) != quote) {
            folder += reply.at(i);
        } else if (i + 1 < reply.size() && reply.at(i + 1) == quote) {
            folder += quote;
            ++i;
        } else {
            return folder;
        }
    }
    return {};
}

// A server that lists "UTF8" among its features has UTF-8 names (RFC 2640);
// "OPTS UTF8 ON" follows for servers that switch only when asked, and its
// answer changes nothing. One that does not list it keeps code page 936.
// No answer to either is an error.
void FtpSession::onFeatReply(const FtpCommand& waiting) {
    if (reply_.preliminary())
        return;
    advance();
    bool utf8 = false;
    if (reply_.positive()) {
        for (const QByteArray& line : reply_.text.split('\n')) {
            const QByteArray feature = line.trimmed().toUpper();
            utf8 = utf8 || feature == "UTF8";
            // Not through a proxy: its data connections are its own.
            if (feature == "EPSV" && !source_.useProxy)
                extendedPassive_ = true;
        }
    }
    if (utf8 && source_.encoding == WireText::Choice::Auto) {
        wire_.setEncoding(WireText::Encoding::Utf8);
        addNote(QString::fromUtf8(EngineText::NamesInUtf8));
        commandQueue_.insert(nextCommand_,
                             FtpCommand::with(QStringLiteral("OPTS"), QStringLiteral("UTF8 ON")));
    }
    continueAfterReply(waiting);
}

void FtpSession::onOptsReply(const FtpCommand& waiting) {
    if (reply_.preliminary())
        return;
    advance();
    continueAfterReply(waiting);
}

// A reply that names no absolute folder ("257 /pub is current", "257 \"pub\"",
// an unclosed quote) still ends the login: the folder asked for, or the
// root, stands in for it, and the transcript says so.
void FtpSession::setCurrentFolderFromReply(const QString& text) {
    QString folder = folderFromPwdReply(text);
    if (folder.isEmpty() || !folder.startsWith(QLatin1Char('/'))) {
        const QString asked = source_.startFolder();
        folder = asked.startsWith(QLatin1Char('/')) ? asked : QStringLiteral("/");
        addNote(QString::fromUtf8(EngineText::FolderNotNamed).arg(folder));
    }
    host_.currentFolderLearned(folder);
}
