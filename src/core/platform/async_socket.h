#pragma once

#include "core/platform/messages.h"
#include "core/platform/tls_session.h"

#include <QByteArray>
#include <QString>

#include <memory>

class MessageTarget;
class QSocketNotifier;

// A non-blocking TCP socket (IPv4 or IPv6) that reports its readiness as posted
// SocketEvent messages, one notification at a time, so that a handler sees
// each condition once and in order:
//  - Read is posted once while data waits, and again only after recv();
//  - Close is posted once, after every byte sent before the close was read,
//    or on a reset with its error;
//  - Write is posted when a connect completes, at once when asyncSelect asks
//    for it and the socket is writable, and after a send that would have
//    blocked once the socket can take data again;
//  - Connect is posted once when a connect ends, with 0 or the error;
//  - Accept is posted while a connection waits, again after each accept().
// Ids are never reused, so a late message for a closed socket is dropped.
//
// After startTls() the same rules hold for the decrypted stream: nothing is
// reported while the handshake runs; its end comes as Secured when that is
// selected (a failure as Close otherwise) and is followed by Write when
// Write is wanted; Read means decrypted data waits, and Close comes after
// the last of it was read.
class AsyncSocket {
public:
    static constexpr int WouldBlock = 10035;
    static constexpr int ConnectionRefused = 10061;
    static constexpr int ConnectionReset = 10054;
    static constexpr int TimedOut = 10060;
    // The TLS layer failed; errorText() says how.
    static constexpr int TlsFailed = 11001;

    AsyncSocket();
    ~AsyncSocket();
    AsyncSocket(const AsyncSocket&) = delete;
    AsyncSocket& operator=(const AsyncSocket&) = delete;

    // Creates the TCP socket and binds it to any local address and port 0,
    // of IPv6 when asked, else of IPv4.
    bool open(bool ipv6 = false);
    bool isIpv6() const { return ipv6_; }
    // Whether `address` is an IPv6 address ("::1", "2001:db8::7").
    static bool isIpv6Address(const QString& address);

    bool isOpen() const { return fd_ >= 0; }
    void close();
    quintptr id() const { return id_; }
    int lastError() const { return lastError_; }
    // The system's words for an error code of this class ("Connection
    // refused"); empty for none.
    static QString describeError(int code);

    // Replaces the notification mask; 0 stops all notifications.
    void asyncSelect(MessageTarget* target, int mask);

    // 0 when connected at once, WouldBlock while in progress (the result then
    // comes as Connect), another code for an address that cannot be used.
    int connect(const QString& numericAddress, quint16 port);
    bool listen(int backlog);
    std::unique_ptr<AsyncSocket> accept();

    // Count of bytes, 0 at the end of the stream, -1 on failure (lastError()).
    qint64 recv(char* buffer, qint64 maxSize);
    qint64 send(const char* data, qint64 size);
    // Sends all of `data`: what the socket does not take at once is kept and
    // flushed as it drains, without extra Write notifications. 0 or an error.
    int sendWhole(const QByteArray& data);
    // Ends the sending direction once everything queued has gone out (after
    // a TLS close_notify on an encrypted socket).
    bool shutdownSend();
    // Bytes accepted by send() or sendWhole() that the network has not yet
    // taken.
    bool hasUnsentData() const { return !outbox_.isEmpty(); }
    // For an owner that reads until recv() returns 0 and takes that for the
    // end: Read is then reported without looking ahead first, and the end or
    // an error is left to the owner's recv() instead of coming as Close.
    void setReadsUntilEnd(bool untilEnd);

    bool localAddress(quint32* ipv4HostOrder, quint16* port) const;
    QString peerAddressText() const;
    // The local address as text ("127.0.0.1", "::1").
    QString localAddressText() const;

    // Starts TLS on a connected socket; false, with errorText(), when the
    // library cannot.
    bool startTls(const TlsSession::Options& options);
    const TlsSession* tls() const { return tls_.get(); }
    bool isSecure() const { return tls_ && !tlsHandshaking_; }
    QString errorText() const { return errorText_; }

    // True while a socket with this id exists.
    static bool isLive(quintptr id);

private:
    void adopt(int fd, bool connected);
    QString addressTextOf(int (*which)(int, struct sockaddr*, unsigned int*)) const;
    void updateNotifiers();
    void onReadable();
    void onWritable();
    void finishConnect(int err);
    void postEvent(int event, int error);
    // For readiness the event loop found: handled at once when the target
    // lives on this thread (saves a wake-up per notification), else posted.
    void settleAfter(int event, int error);
    void setError(int err);
    void flushOutbox();
    // TLS: moving bytes between the socket and the session.
    void onTlsReadable();
    bool pullRaw();
    void pullRawBurst();
    void moveTlsOutput();
    int advanceHandshake();
    std::pair<int, int> tlsReadiness();
    void queueTlsCheck();
    bool deliverNow(int event, int error);
    qint64 tlsRecv(char* buffer, qint64 maxSize);
    qint64 tlsSend(const char* data, qint64 size);
    void closeTls();
    int failTls();

    int fd_ = -1;
    quintptr id_ = 0;
    int mask_ = 0;
    MessageTarget* target_ = nullptr;
    int lastError_ = 0;
    bool listening_ = false;
    bool connecting_ = false;
    bool ipv6_ = false;
    bool connected_ = false;
    bool readPosted_ = false;  // Read/Accept posted, waiting for recv/accept
    bool closePosted_ = false; // end of stream reported; nothing more to read
    bool writeWanted_ = false; // a send would have blocked
    bool readsUntilEnd_ = false;
    bool shutdownPending_ = false; // shutdownSend() waits for the outbox
    QByteArray outbox_;
    std::unique_ptr<TlsSession> tls_;
    bool tlsHandshaking_ = false;
    bool rawEnded_ = false; // TLS: the network stream has ended
    int rawError_ = 0;      // TLS: how it ended, when not cleanly
    bool tlsCheckQueued_ = false;
    QString errorText_;
    std::unique_ptr<QSocketNotifier> readNotifier_;
    std::unique_ptr<QSocketNotifier> writeNotifier_;
};
