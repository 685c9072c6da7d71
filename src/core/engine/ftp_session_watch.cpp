// The main window's periodic tick as the connection sees it: keep-alive and the
// time-outs of lookup, connect, data and the whole connection.
#include "core/engine/connection_source.h"
#include "core/engine/ftp_host.h"
#include "core/engine/ftp_session.h"
#include "core/engine/result_texts.h"
#include "core/platform/clock.h"
#include "core/platform/prompts.h"

// A lookup or connect that has taken too long fails like any other
// attempt (and may be tried again). True when one was pending.
bool FtpSession::watchSetupTimeouts(quint32 idle) {
    if (phase_ == ConnectionPhase::LookingUp) {
        if (idle > quint32(timing_.lookupTimeoutMs)) {
            lookup_.cancel(lookupHandle_);
            post(Msg::LookupFinished, lookupHandle_, 0x10000);
        }
        return true;
    }
    if (phase_ == ConnectionPhase::Connecting) {
        if (idle > quint32(timing_.connectTimeoutMs))
            onConnectFinished(AsyncSocket::TimedOut);
        return true;
    }
    // A server that stops half-way through the handshake (a record cut
    // short, then silence) fails it in the connect time, not the minutes
    // a dead connection is given.
    if (phase_ == ConnectionPhase::Securing) {
        if (idle > quint32(timing_.connectTimeoutMs)) {
            endWithout(EndMessage::TlsFailed, QString::fromUtf8(EngineText::HandshakeTimedOut));
        }
        return true;
    }
    return false;
}

void FtpSession::onFrameTick() {
    // A question or message box opened while this connection handles a
    // message holds its reading back, and a question of its own holds its
    // work; the time either stays open is not the server's silence, and
    // nothing may be sent meanwhile.
    if (handlerRunning() || questionOpen_) {
        lastActivity_ = clock_.tickCount();
        return;
    }
    const quint32 idle = ticksSince(clock_.tickCount(), lastActivity_);

    if (!isGreeted()) {
        if (!watchSetupTimeouts(idle) && controlSocket_ &&
            idle > quint32(timing_.deadConnectionMs)) {
            // Connected but never greeted: give up like any dead connection.
            closeConnection();
            report(EndMessage::ConnectionBroken);
        }
        return;
    }

    const bool segmented = operations_ && operations_->isSegmented();
    if (segmented)
        operations_->checkSegments();

    // A transfer is running from its data connection's start until the
    // server has confirmed its end.
    if (dataStage_ != DataStage::None && !segmented) {
        if (idle > quint32(timing_.dataTimeoutMs)) {
            setDataStage(DataStage::None);
            setTransferKind(TransferKind::None);
            dataFinished(false);
            reset(true);
            report(EndMessage::DataTimeout);
        }
        return;
    }
    watchSetupTimeouts(idle);

    if (idle > quint32(timing_.deadConnectionMs)) {
        const TransferKind kind = transferKind_;
        closeConnection();
        if (!movesFile(kind))
            report(EndMessage::ConnectionBroken);
        else if (!host_.userInterrupted())
            host_.postResume();
    } else if (idle > quint32(timing_.keepAliveIdleMs)) {
        keepAlive();
    }
}
