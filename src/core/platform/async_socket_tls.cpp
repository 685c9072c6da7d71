// The TLS side of AsyncSocket: network bytes go into the session as they
// arrive, the session's output goes out through the socket's outbox, and the
// owner sees the decrypted stream under the same notification rules as a
// plain socket.
#include "core/platform/async_socket.h"

#include <QSocketNotifier>

#include <cerrno>
#include <sys/socket.h>

namespace {

constexpr qint64 RawChunk = 65536;
// Network bytes taken per notification, so one busy socket cannot hold the
// thread for long.
constexpr qint64 RawBurst = 262144;
// Plain bytes encrypted per send(): what the owner hands over beyond this
// is taken by its next send.
constexpr qint64 SendLimit = 262144;

} // namespace

bool AsyncSocket::startTls(const TlsSession::Options& options) {
    tls_ = TlsSession::create(options, &errorText_);
    if (!tls_) {
        lastError_ = TlsFailed; // errorText_ says why already
        return false;
    }
    tlsHandshaking_ = true;
    rawEnded_ = false;
    rawError_ = 0;
    readPosted_ = false;
    advanceHandshake(); // a client's first flight goes out at once
    updateNotifiers();
    return true;
}

// Records the session's failure as the socket's; returns TlsFailed.
int AsyncSocket::failTls() {
    errorText_ = tls_->errorText();
    lastError_ = TlsFailed;
    return lastError_;
}

// Whatever the session has produced goes out behind what is queued.
void AsyncSocket::moveTlsOutput() {
    const QByteArray bytes = tls_->takeOutput();
    if (bytes.isEmpty())
        return;
    outbox_.append(bytes);
    flushOutbox();
}

// One receive from the network into the session; false when nothing came
// (nothing waits, or the stream had already ended).
bool AsyncSocket::pullRaw() {
    if (rawEnded_)
        return false;
    char chunk[RawChunk];
    const ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
    if (n > 0) {
        tls_->feed(chunk, n);
        return true;
    }
    if (n < 0 && (errno == EAGAIN || errno == EINTR))
        return false;
    if (n < 0) {
        setError(errno);
        rawError_ = lastError_;
    }
    rawEnded_ = true;
    tls_->feedEnd();
    return true;
}

void AsyncSocket::pullRawBurst() {
    for (qint64 taken = 0; taken < RawBurst && pullRaw(); taken += RawChunk) {
    }
}

// 1 when the handshake is done, 0 while it runs, -1 when it failed.
int AsyncSocket::advanceHandshake() {
    const TlsSession::Step step = tls_->handshake();
    moveTlsOutput();
    if (step == TlsSession::Step::Pending)
        return 0;
    if (step == TlsSession::Step::Failed) {
        failTls();
        return -1;
    }
    tlsHandshaking_ = false;
    return 1;
}

void AsyncSocket::onTlsReadable() {
    if (readPosted_ || closePosted_) {
        updateNotifiers();
        return;
    }
    pullRawBurst();
    if (tlsHandshaking_) {
        const int outcome = advanceHandshake();
        if (outcome == 0) {
            updateNotifiers();
            return;
        }
        if (outcome < 0) {
            closePosted_ = true;
            settleAfter((mask_ & Fd::Secured) ? Fd::Secured : Fd::Close, TlsFailed);
            return;
        }
        if (!deliverNow(Fd::Secured, 0))
            return;
        if (writeWanted_ && outbox_.isEmpty() && (mask_ & Fd::Write)) {
            writeWanted_ = false;
            if (!deliverNow(Fd::Write, 0))
                return;
        }
    }
    const auto [event, error] = tlsReadiness();
    settleAfter(event, error);
}

// What the owner should hear about the decrypted stream now: Read while
// data waits, the end once all of it was read. {0, 0} for nothing.
std::pair<int, int> AsyncSocket::tlsReadiness() {
    if (!tls_ || tlsHandshaking_ || readPosted_ || closePosted_)
        return {0, 0};
    const TlsSession::Input input = tls_->peek();
    moveTlsOutput();
    switch (input) {
    case TlsSession::Input::Data:
        if (!(mask_ & Fd::Read))
            return {0, 0};
        readPosted_ = true;
        return {Fd::Read, 0};
    case TlsSession::Input::Ended:
        if (readsUntilEnd_ && (mask_ & Fd::Read)) {
            readPosted_ = true; // recv() finds the end itself
            return {Fd::Read, 0};
        }
        closePosted_ = true;
        return {Fd::Close, rawError_};
    case TlsSession::Input::Failed:
        closePosted_ = true;
        return {Fd::Close, failTls()};
    case TlsSession::Input::Nothing:
        break;
    }
    return {0, 0};
}

// Decrypted data can wait in the session with nothing left on the network,
// and then no notifier fires for it: it is looked at again once the event
// loop is back, after the owner has taken what it wanted.
void AsyncSocket::queueTlsCheck() {
    if (tlsCheckQueued_ || !readNotifier_)
        return;
    tlsCheckQueued_ = true;
    // The notifier is the context: a check queued for a socket closed
    // meanwhile is dropped with it.
    QMetaObject::invokeMethod(
        readNotifier_.get(),
        [this] {
            tlsCheckQueued_ = false;
            const auto [event, error] = tlsReadiness();
            settleAfter(event, error);
        },
        Qt::QueuedConnection);
}

// Fills the buffer from the session, taking network bytes as needed, until
// it is full or nothing more waits.
qint64 AsyncSocket::tlsRecv(char* buffer, qint64 maxSize) {
    if (tlsHandshaking_) {
        lastError_ = WouldBlock;
        updateNotifiers();
        return -1;
    }
    qint64 got = 0;
    qint64 last = -1;
    while (got < maxSize) {
        last = tls_->read(buffer + got, maxSize - got);
        if (last > 0) {
            got += last;
            continue;
        }
        if (last == -1 && pullRaw())
            continue;
        break;
    }
    moveTlsOutput();
    if (got > 0) {
        if (last == 0 || rawEnded_ || tls_->hasBufferedInput())
            queueTlsCheck(); // more, or the end, with nothing to wake the notifier
        updateNotifiers();
        return got;
    }
    if (last == -1) {
        lastError_ = WouldBlock;
        updateNotifiers();
        return -1;
    }
    closePosted_ = true; // the caller has seen the end, or the failure, itself
    updateNotifiers();
    if (last == 0 && rawError_ == 0)
        return 0;
    if (last == 0)
        lastError_ = rawError_; // the network failed under the session
    else
        failTls();
    return -1;
}

qint64 AsyncSocket::tlsSend(const char* data, qint64 size) {
    if (!tlsHandshaking_ && !outbox_.isEmpty())
        flushOutbox();
    if (tlsHandshaking_ || !outbox_.isEmpty()) {
        if (!tlsHandshaking_ && lastError_ != WouldBlock)
            return -1; // the network refused what was queued
        // Like a full socket: Write comes once all queued bytes are out.
        lastError_ = WouldBlock;
        writeWanted_ = true;
        updateNotifiers();
        return -1;
    }
    const qint64 taken = qMin(size, SendLimit);
    if (!tls_->write(data, taken)) {
        failTls();
        return -1;
    }
    moveTlsOutput();
    if (lastError_ != 0 && lastError_ != WouldBlock)
        return -1;
    updateNotifiers();
    return taken;
}

// A close_notify goes out if the socket takes it at once, and what the
// peer sent that nobody read is taken first: closing with unread bytes
// would reset the connection, and the peer could lose what it had not yet
// read itself.
void AsyncSocket::closeTls() {
    if (connected_ && !tlsHandshaking_ && outbox_.isEmpty()) {
        tls_->closeNotify();
        const QByteArray bytes = tls_->takeOutput();
        if (!bytes.isEmpty())
            (void)::send(fd_, bytes.constData(), size_t(bytes.size()), MSG_NOSIGNAL | MSG_DONTWAIT);
    }
    char chunk[4096];
    for (int turn = 0; turn < 64; ++turn) {
        if (::recv(fd_, chunk, sizeof chunk, MSG_DONTWAIT) <= 0)
            break;
    }
}
