#include "core/platform/async_socket.h"

#include "core/platform/message_target.h"

#include <QSocketNotifier>
#include <QThread>

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <set>
#include <sys/socket.h>
#include <unistd.h>

namespace {

std::mutex registryMutex;
std::set<quintptr> liveIds;
quintptr lastId = 0;

quintptr registerId() {
    std::lock_guard<std::mutex> lock(registryMutex);
    quintptr id = ++lastId;
    liveIds.insert(id);
    return id;
}

void unregisterId(quintptr id) {
    std::lock_guard<std::mutex> lock(registryMutex);
    liveIds.erase(id);
}

int mapErrno(int e) {
    switch (e) {
    case 0:
        return 0;
    case EAGAIN:
    case EINPROGRESS:
        return AsyncSocket::WouldBlock;
    case ECONNREFUSED:
        return AsyncSocket::ConnectionRefused;
    case ECONNRESET:
    case EPIPE:
        return AsyncSocket::ConnectionReset;
    case ETIMEDOUT:
        return AsyncSocket::TimedOut;
    default:
        return 10000 + e;
    }
}

int errnoOf(int code) {
    switch (code) {
    case AsyncSocket::ConnectionRefused:
        return ECONNREFUSED;
    case AsyncSocket::ConnectionReset:
        return ECONNRESET;
    case AsyncSocket::TimedOut:
        return ETIMEDOUT;
    default:
        return code > 10000 && code < 11000 ? code - 10000 : 0;
    }
}

// Errors that a connect reports about the peer rather than about our call;
// they arrive through Connect like the result of any connect in progress.
bool isConnectOutcome(int e) {
    return e == ECONNREFUSED || e == ENETUNREACH || e == EHOSTUNREACH || e == ETIMEDOUT;
}

bool pollFor(int fd, short events) {
    pollfd p{fd, events, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & (events | POLLERR | POLLHUP));
}

} // namespace

bool AsyncSocket::isLive(quintptr id) {
    std::lock_guard<std::mutex> lock(registryMutex);
    return liveIds.count(id) != 0;
}

AsyncSocket::AsyncSocket() = default;

AsyncSocket::~AsyncSocket() {
    close();
}

bool AsyncSocket::isIpv6Address(const QString& address) {
    in6_addr a{};
    return ::inet_pton(AF_INET6, address.toLatin1().constData(), &a) == 1;
}

bool AsyncSocket::open(bool ipv6) {
    close();
    int fd = ::socket(ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        setError(errno);
        return false;
    }
    sockaddr_storage any{};
    socklen_t anyLength = 0;
    if (ipv6) {
        auto* a = reinterpret_cast<sockaddr_in6*>(&any);
        a->sin6_family = AF_INET6;
        a->sin6_addr = in6addr_any;
        anyLength = sizeof(sockaddr_in6);
    } else {
        auto* a = reinterpret_cast<sockaddr_in*>(&any);
        a->sin_family = AF_INET;
        a->sin_addr.s_addr = htonl(INADDR_ANY);
        anyLength = sizeof(sockaddr_in);
    }
    if (::bind(fd, reinterpret_cast<sockaddr*>(&any), anyLength) != 0) {
        setError(errno);
        ::close(fd);
        return false;
    }
    adopt(fd, false);
    ipv6_ = ipv6;
    return true;
}

void AsyncSocket::adopt(int fd, bool connected) {
    fd_ = fd;
    id_ = registerId();
    connected_ = connected;
    // Made without a descriptor and given it afterwards, the notifiers start
    // disabled: each enabling or disabling wakes the event loop once.
    readNotifier_ = std::make_unique<QSocketNotifier>(QSocketNotifier::Read);
    writeNotifier_ = std::make_unique<QSocketNotifier>(QSocketNotifier::Write);
    readNotifier_->setSocket(fd_);
    writeNotifier_->setSocket(fd_);
    QObject::connect(readNotifier_.get(), &QSocketNotifier::activated, [this] { onReadable(); });
    QObject::connect(writeNotifier_.get(), &QSocketNotifier::activated, [this] { onWritable(); });
}

void AsyncSocket::close() {
    if (fd_ < 0)
        return;
    if (tls_)
        closeTls();
    readNotifier_.reset();
    writeNotifier_.reset();
    ::close(fd_);
    unregisterId(id_);
    fd_ = -1;
    id_ = 0;
    mask_ = 0;
    target_ = nullptr;
    listening_ = connecting_ = connected_ = false;
    readPosted_ = closePosted_ = writeWanted_ = false;
    readsUntilEnd_ = false;
    shutdownPending_ = false;
    outbox_.clear();
    tls_.reset();
    tlsHandshaking_ = rawEnded_ = tlsCheckQueued_ = false;
    rawError_ = 0;
}

void AsyncSocket::setError(int err) {
    lastError_ = mapErrno(err);
}

void AsyncSocket::postEvent(int event, int error) {
    if (target_ && (mask_ & event))
        target_->post(Msg::SocketEvent, id_, makeEventParam(event, error));
}

void AsyncSocket::asyncSelect(MessageTarget* target, int mask) {
    target_ = target;
    mask_ = mask;
    readPosted_ = false;
    if (fd_ >= 0 && connected_ && (mask & Fd::Write)) {
        if (outbox_.isEmpty() && !tlsHandshaking_ && pollFor(fd_, POLLOUT))
            postEvent(Fd::Write, 0);
        else
            writeWanted_ = true;
    }
    updateNotifiers();
    if (tls_ && !tlsHandshaking_ && tls_->hasBufferedInput())
        queueTlsCheck(); // decrypted data may wait without the socket knowing
}

void AsyncSocket::updateNotifiers() {
    if (fd_ < 0)
        return;
    bool wantRead = false;
    if (tls_)
        // Network bytes are taken whenever nothing decrypted waits for the
        // owner, so that session tickets and alerts never pile up unread.
        wantRead = connected_ && mask_ != 0 && !rawEnded_ && !readPosted_ && !closePosted_;
    else if (listening_)
        wantRead = (mask_ & Fd::Accept) && !readPosted_;
    else if (connected_)
        wantRead = (mask_ & (Fd::Read | Fd::Close)) && !readPosted_ && !closePosted_;
    readNotifier_->setEnabled(wantRead);
    bool wantWrite =
        connecting_ || !outbox_.isEmpty() || (connected_ && writeWanted_ && !tlsHandshaking_);
    writeNotifier_->setEnabled(wantWrite);
}

// The notifiers stay enabled across a notification that the handler answers
// at once (a recv() after Read, a send() that fills the socket after Write):
// they are settled once the handler has returned, so the usual turn costs no
// enabling and disabling at all.
void AsyncSocket::onReadable() {
    if (tls_) {
        onTlsReadable();
        return;
    }
    if (readPosted_ || closePosted_) {
        // Reported and not taken yet: the handler is still busy (a dialog's
        // own event loop, say) or the report was posted to another thread.
        updateNotifiers();
        return;
    }
    int event = 0;
    int error = 0;
    if (listening_) {
        readPosted_ = true;
        event = Fd::Accept;
    } else if (readsUntilEnd_ && (mask_ & Fd::Read)) {
        // The owner's recv() finds the end or the error itself.
        readPosted_ = true;
        event = Fd::Read;
    } else {
        char probe;
        ssize_t n = ::recv(fd_, &probe, 1, MSG_PEEK);
        if (n > 0) {
            // Reported once; the next report waits for recv() or a new
            // selection. Without Read selected the data stays unread, and so
            // does any close behind it.
            readPosted_ = true;
            event = Fd::Read;
        } else if (n == 0) {
            closePosted_ = true;
            event = Fd::Close;
        } else if (errno != EAGAIN && errno != EINTR) {
            closePosted_ = true;
            event = Fd::Close;
            error = mapErrno(errno);
        }
    }
    settleAfter(event, error);
}

void AsyncSocket::onWritable() {
    if (connecting_) {
        int err = 0;
        socklen_t len = sizeof err;
        ::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &err, &len);
        connecting_ = false;
        finishConnect(err);
        return;
    }
    if (!outbox_.isEmpty())
        flushOutbox();
    if (outbox_.isEmpty() && shutdownPending_) {
        shutdownPending_ = false;
        ::shutdown(fd_, SHUT_WR);
    }
    const bool writable = outbox_.isEmpty() && writeWanted_ && !tlsHandshaking_;
    if (writable)
        writeWanted_ = false;
    settleAfter(writable ? int(Fd::Write) : 0, 0);
}

// Reports `event` (if any) and then brings the notifiers in line with what
// the handler left behind, unless the handler closed this socket.
void AsyncSocket::settleAfter(int event, int error) {
    if (event && !deliverNow(event, error))
        return; // closed or destroyed by its handler
    updateNotifiers();
}

// Reports `event` to a target on this thread at once, else posts it; false
// when the handler closed or destroyed this socket.
bool AsyncSocket::deliverNow(int event, int error) {
    if (!(mask_ & event) || !target_)
        return true;
    if (target_->thread() != QThread::currentThread()) {
        postEvent(event, error);
        return true;
    }
    const quintptr id = id_;
    target_->deliver(Msg::SocketEvent, id_, makeEventParam(event, error));
    return isLive(id) && id_ == id;
}

void AsyncSocket::finishConnect(int err) {
    connected_ = (err == 0);
    postEvent(Fd::Connect, mapErrno(err));
    if (connected_)
        postEvent(Fd::Write, 0);
    updateNotifiers();
}

int AsyncSocket::connect(const QString& numericAddress, quint16 port) {
    sockaddr_storage to{};
    socklen_t toLength = 0;
    const QByteArray text = numericAddress.toLatin1();
    bool usable = false;
    if (ipv6_) {
        auto* a = reinterpret_cast<sockaddr_in6*>(&to);
        a->sin6_family = AF_INET6;
        a->sin6_port = htons(port);
        usable = ::inet_pton(AF_INET6, text.constData(), &a->sin6_addr) == 1;
        toLength = sizeof(sockaddr_in6);
    } else {
        auto* a = reinterpret_cast<sockaddr_in*>(&to);
        a->sin_family = AF_INET;
        a->sin_port = htons(port);
        usable = ::inet_pton(AF_INET, text.constData(), &a->sin_addr) == 1;
        toLength = sizeof(sockaddr_in);
    }
    if (!usable) {
        lastError_ = 10049; // not an address of this socket's family
        return lastError_;
    }
    if (::connect(fd_, reinterpret_cast<sockaddr*>(&to), toLength) == 0) {
        connected_ = true;
        postEvent(Fd::Connect, 0);
        postEvent(Fd::Write, 0);
        updateNotifiers();
        return 0;
    }
    int e = errno;
    if (e == EINPROGRESS) {
        connecting_ = true;
        updateNotifiers();
        lastError_ = WouldBlock;
        return WouldBlock;
    }
    if (isConnectOutcome(e)) {
        // An immediate refusal is still reported through Connect (posted, so
        // it arrives later like any other), giving callers one way for a
        // connect to end.
        finishConnect(e);
        lastError_ = WouldBlock;
        return WouldBlock;
    }
    setError(e);
    return lastError_;
}

bool AsyncSocket::listen(int backlog) {
    if (::listen(fd_, backlog) != 0) {
        setError(errno);
        return false;
    }
    listening_ = true;
    updateNotifiers();
    return true;
}

std::unique_ptr<AsyncSocket> AsyncSocket::accept() {
    readPosted_ = false;
    int fd = ::accept4(fd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    updateNotifiers();
    if (fd < 0) {
        setError(errno);
        return nullptr;
    }
    auto accepted = std::make_unique<AsyncSocket>();
    accepted->adopt(fd, true);
    accepted->ipv6_ = ipv6_;
    return accepted;
}

qint64 AsyncSocket::recv(char* buffer, qint64 maxSize) {
    readPosted_ = false;
    if (tls_)
        return tlsRecv(buffer, maxSize);
    ssize_t n = ::recv(fd_, buffer, size_t(maxSize), 0);
    if (n < 0)
        setError(errno);
    else if (n == 0)
        closePosted_ = true; // the caller has seen the end itself
    updateNotifiers();
    return n;
}

qint64 AsyncSocket::send(const char* data, qint64 size) {
    if (tls_)
        return tlsSend(data, size);
    ssize_t n = ::send(fd_, data, size_t(size), MSG_NOSIGNAL);
    if (n < 0) {
        setError(errno);
        if (lastError_ == WouldBlock) {
            writeWanted_ = true;
            updateNotifiers();
        }
        return -1;
    }
    return n;
}

int AsyncSocket::sendWhole(const QByteArray& data) {
    if (tls_) {
        if (tlsHandshaking_ || !tls_->write(data.constData(), data.size()))
            return failTls();
        moveTlsOutput();
    } else {
        outbox_.append(data);
        flushOutbox();
    }
    updateNotifiers();
    return (lastError_ == 0 || lastError_ == WouldBlock) ? 0 : lastError_;
}

void AsyncSocket::flushOutbox() {
    lastError_ = 0;
    while (!outbox_.isEmpty()) {
        ssize_t n = ::send(fd_, outbox_.constData(), size_t(outbox_.size()), MSG_NOSIGNAL);
        if (n < 0) {
            setError(errno);
            if (lastError_ != WouldBlock)
                outbox_.clear();
            return;
        }
        outbox_.remove(0, n);
    }
}

void AsyncSocket::setReadsUntilEnd(bool untilEnd) {
    readsUntilEnd_ = untilEnd;
}

bool AsyncSocket::shutdownSend() {
    if (tls_) {
        tls_->closeNotify();
        moveTlsOutput();
    }
    if (!outbox_.isEmpty()) {
        shutdownPending_ = true; // once the outbox has drained
        updateNotifiers();
        return true;
    }
    return ::shutdown(fd_, SHUT_WR) == 0;
}

bool AsyncSocket::localAddress(quint32* ipv4HostOrder, quint16* port) const {
    sockaddr_storage name{};
    socklen_t len = sizeof name;
    if (fd_ < 0 || ::getsockname(fd_, reinterpret_cast<sockaddr*>(&name), &len) != 0)
        return false;
    if (name.ss_family == AF_INET6) {
        if (ipv4HostOrder)
            return false; // no IPv4 address to give
        if (port)
            *port = ntohs(reinterpret_cast<sockaddr_in6*>(&name)->sin6_port);
        return true;
    }
    const auto* in = reinterpret_cast<sockaddr_in*>(&name);
    if (ipv4HostOrder)
        *ipv4HostOrder = ntohl(in->sin_addr.s_addr);
    if (port)
        *port = ntohs(in->sin_port);
    return true;
}

namespace {

QString addressText(const sockaddr_storage& name) {
    char text[INET6_ADDRSTRLEN] = {};
    if (name.ss_family == AF_INET6)
        ::inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6*>(&name)->sin6_addr, text,
                    sizeof text);
    else
        ::inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(&name)->sin_addr, text,
                    sizeof text);
    return QString::fromLatin1(text);
}

} // namespace

// `which` is getpeername or getsockname.
QString AsyncSocket::addressTextOf(int (*which)(int, sockaddr*, socklen_t*)) const {
    sockaddr_storage name{};
    socklen_t len = sizeof name;
    if (fd_ < 0 || which(fd_, reinterpret_cast<sockaddr*>(&name), &len) != 0)
        return {};
    return addressText(name);
}

QString AsyncSocket::peerAddressText() const {
    return addressTextOf(::getpeername);
}

QString AsyncSocket::localAddressText() const {
    return addressTextOf(::getsockname);
}

QString AsyncSocket::describeError(int code) {
    if (code == 0 || code == WouldBlock)
        return {};
    const int e = errnoOf(code);
    return e ? QString::fromLocal8Bit(std::strerror(e)) : QStringLiteral("error %1").arg(code);
}
