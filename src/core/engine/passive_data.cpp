// Passive data connections: the server listens and names its address in
// the "227" reply to "PASV"; this side connects there. The data channel
// entry of a command group goes out as "PASV" while the connection is passive.
#include "core/engine/connection_source.h"
#include "core/engine/ftp_session.h"
#include "core/engine/result_texts.h"

void FtpSession::onPassiveReply(const FtpCommand& waiting) {
    if (reply_.preliminary())
        return;
    passiveSent_ = false;
    const QString text = QString::fromLatin1(reply_.text);
    std::optional<DataAddress::Endpoint> given;
    if (replyIs(227))
        given = DataAddress::parsePassiveReply(text);
    else if (replyIs(229)) {
        // The extended reply names the port only: the address is the
        // server's own.
        if (const std::optional<quint16> port = DataAddress::parseExtendedPassiveReply(text))
            given = DataAddress::Endpoint{controlSocket_->peerAddressText(), *port};
    }
    if (given && openPassiveData(*given)) {
        advance();
        continueAfterReply(waiting);
        return;
    }
    passiveFailed();
}

// Only the server's own address is followed: another one is either a
// server behind a NAT that names its inner address, or an attempt to
// make this side connect somewhere else.
bool FtpSession::openPassiveData(const DataAddress::Endpoint& given) {
    const QString peer = controlSocket_ ? controlSocket_->peerAddressText() : QString();
    QString target = given.address;
    if (!peer.isEmpty() && given.address != peer) {
        addNote(QString::fromUtf8(EngineText::PassiveAddressReplaced).arg(given.address, peer));
        target = peer;
    }
    dataSocket_.reset();
    listenSocket_.reset();
    auto socket = std::make_unique<AsyncSocket>();
    if (!socket->open(controlSocket_ && controlSocket_->isIpv6()))
        return false;
    socket->asyncSelect(this, Fd::Connect);
    const int result = socket->connect(target, given.port);
    if (result != 0 && result != AsyncSocket::WouldBlock)
        return false;
    dataSocket_ = std::move(socket);
    listingBuffer_.clear();
    if (result == 0)
        onPassiveConnected(0);
    return true;
}

void FtpSession::onPassiveConnected(int error) {
    if (!dataSocket_ || dataStage_ == DataStage::Open)
        return;
    if (error != 0) {
        // The server answers the transfer command with "425" and the group
        // runs again, actively when the mode allows it. A server that
        // confirms a transfer nobody could receive is answered the same way.
        dataSocket_.reset();
        passiveConnectFailed_ = true;
        if (source_.dataMode == DataMode::Auto && passive_) {
            passive_ = false;
            addNote(QString::fromUtf8(EngineText::PassiveUnreachable));
        }
        if (serverStage_ == ServerStage::Confirmed)
            rerunDataGroup(waitingCommand());
        return;
    }
    if (!secureDataConnection()) {
        dataSocket_.reset();
        return; // the server's "425" ends the transfer
    }
    selectDataSocket();
    setDataStage(DataStage::Open);
}

// "PASV" refused, or a reply without an address: an automatic connection
// turns active and sends the entry again as "PORT".
void FtpSession::passiveFailed() {
    if (extendedPassive_ && !controlSocket_->isIpv6()) {
        // "EPSV" refused: "PASV" next, before anything else.
        extendedPassive_ = false;
        retryCount_ = 0;
        lineInFlight_ = false;
        askForSend();
        return;
    }
    if (source_.dataMode == DataMode::Auto && passive_) {
        passive_ = false;
        addNote(QString::fromUtf8(EngineText::PassiveRefused));
        retryCount_ = 0;
        lineInFlight_ = false;
        askForSend();
        return;
    }
    addNote(QString::fromUtf8(EngineText::PassiveRefusedHere));
    stopWith(EndMessage::Stopped);
}
