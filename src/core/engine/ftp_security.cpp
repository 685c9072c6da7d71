// Encrypted connections (explicit TLS, RFC 4217): "AUTH TLS" right after
// the greeting, the handshake, the server's certificate, and only then the
// login, followed by "PBSZ 0" and "PROT P" so that data connections are
// encrypted too. A site that merely prefers TLS goes on in plain FTP when
// the server does not offer it, and says so.
#include "core/engine/connection_source.h"
#include "core/engine/ftp_host.h"
#include "core/engine/ftp_session.h"
#include "core/engine/result_texts.h"
#include "core/platform/certificate_store.h"
#include "core/platform/prompts.h"

// False when the site does not ask for TLS: the login starts at once.
bool FtpSession::beginTls() {
    dataProtected_ = false;
    acceptedFingerprint_.clear();
    host_.securityChanged({});
    if (source_.tlsMode == TlsMode::Off)
        return false;
    reset(false);
    commandQueue_ << FtpCommand::with(QStringLiteral("AUTH"), QStringLiteral("TLS"));
    askForSend();
    showPhase(Phase::LoggingIn);
    return true;
}

// "234" starts the handshake; the entry stays at the head of the queue
// meanwhile, so nothing else goes out before the connection is secured.
void FtpSession::onAuthReply() {
    if (reply_.preliminary())
        return;
    if (replyIs(234)) {
        TlsSession::Options options;
        options.serverName = tlsServerName();
        if (!controlSocket_->startTls(options)) {
            endWithout(EndMessage::TlsFailed, controlSocket_->errorText());
            return;
        }
        controlSocket_->asyncSelect(this, Fd::Read | Fd::Close | Fd::Secured);
        setPhase(ConnectionPhase::Securing);
        touch(); // the handshake has the connect time-out to finish in
        return;
    }
    if (source_.tlsMode == TlsMode::Required) {
        endWithout(EndMessage::TlsRequiredRefused);
        return;
    }
    addNote(QString::fromUtf8(EngineText::TlsUnavailable));
    login(!pendingTaskFile_.isEmpty());
}

void FtpSession::onControlSecured(int error) {
    setPhase(ConnectionPhase::LoggingIn);
    if (error != 0) {
        endWithout(EndMessage::TlsFailed, controlSocket_->errorText());
        return;
    }
    touch();
    const TlsCertificate peer = controlSocket_->tls()->peerCertificate();
    const bool accepted = certificateAccepted(peer);
    if (!controlSocket_)
        return; // closed while the question was open
    if (!accepted) {
        endWithout(EndMessage::CertificateRefused);
        return;
    }
    const TlsSession* tls = controlSocket_->tls();
    acceptedFingerprint_ = peer.fingerprint;
    addNote(QString::fromUtf8(EngineText::TlsEstablished).arg(tls->protocol(), tls->cipher()));
    host_.securityChanged(tls->protocol());
    login(!pendingTaskFile_.isEmpty());
}

// The connection ends before any login, and `text` says why; said first,
// so that a front end does not take the close for a broken connection.
void FtpSession::endWithout(EndMessage message, const QString& detail) {
    report(message, detail);
    closeConnection();
}

// A certificate the system vouches for (chain and name) passes; so does
// one the user trusted before for this server or for this run. Any other
// is shown to the user.
bool FtpSession::certificateAccepted(const TlsCertificate& peer) {
    if (peer.verified)
        return true;
    const QString server = tlsServerKey();
    if (source_.trustedFingerprints.contains(peer.fingerprint, Qt::CaseInsensitive) ||
        CertificateStore::isTrusted(source_.trustFile, server, peer.fingerprint))
        return true;
    switch (prompts_.askCertificate(server, peer)) {
    case Prompts::CertificateAnswer::TrustAlways:
        if (!CertificateStore::trust(source_.trustFile, server, peer.fingerprint))
            addNote(QString::fromUtf8(EngineText::CertificateNotSaved) + source_.trustFile);
        return true;
    case Prompts::CertificateAnswer::TrustOnce:
        return true;
    case Prompts::CertificateAnswer::Refuse:
        break;
    }
    return false;
}

// The name the certificate must carry: the site as the user entered it,
// or the proxy, which is what answers "AUTH TLS" when there is one.
QString FtpSession::tlsServerName() const {
    return source_.useProxy ? source_.proxyHost : source_.hostName();
}

QString FtpSession::tlsServerKey() const {
    return siteAddress();
}

// "PBSZ" or "PROT" refused: the login goes on, and the data in plain.
void FtpSession::onProtectionReply(const FtpCommand& waiting) {
    if (reply_.preliminary())
        return;
    advance();
    if (waiting.is("PROT"))
        addNote(QString::fromUtf8(EngineText::DataNotProtected));
    continueAfterReply(waiting);
}

// A data connection of a protected session runs its own handshake, offering
// the control connection's session (servers that insist on reuse refuse
// it otherwise) and accepting no other certificate. It starts once the
// server has answered the transfer command ("150"), or a moment after the
// command went out for a server that says nothing before the handshake: a
// server that connected at "PORT", or that we connected to at "PASV", may
// take bytes that come before it is ready for them for a hang-up
// (pyftpdlib does).
bool FtpSession::secureDataConnection() {
    dataTlsDeferred_ = false;
    if (!dataProtected_ || !controlSocket_ || !controlSocket_->tls())
        return true;
    if (!lineInFlight_ || !waitingCommand().transfersData() ||
        serverStage_ == ServerStage::Awaiting) {
        dataTlsDeferred_ = true;
        return true;
    }
    TlsSession::Options options;
    options.serverName = tlsServerName();
    options.resumptions = controlSocket_->tls()->resumptions();
    options.requiredFingerprint = acceptedFingerprint_;
    if (dataSocket_->startTls(options))
        return true;
    addNote(QString::fromUtf8(EngineText::DataTlsFailed) + dataSocket_->errorText());
    return false;
}

// The transfer command went out: the server's answer, or its moment, is
// awaited before an encrypted data connection starts its handshake.
void FtpSession::transferCommandSent() {
    setServerStage(ServerStage::Awaiting);
    if (dataProtected_)
        setTimer(DataTlsTimer, timing_.dataTlsGraceMs, TimerKind::SingleShot);
}

// The server has answered the transfer command, or had its moment: a data
// connection waiting for that starts its handshake.
void FtpSession::transferAnswered() {
    if (serverStage_ == ServerStage::Awaiting)
        setServerStage(ServerStage::Answered);
    killTimer(DataTlsTimer);
    if (!dataTlsDeferred_ || dataStage_ != DataStage::Open || !dataSocket_)
        return;
    if (secureDataConnection())
        selectDataSocket();
    else
        dataFinished(); // short: the server's reply judges the transfer
}
