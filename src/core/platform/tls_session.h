#pragma once

#include "core/platform/tls_certificate.h"

#include <QByteArray>
#include <QString>

#include <deque>
#include <memory>
#include <mutex>

struct ssl_st;
struct ssl_session_st;
struct bio_st;

// A session of an earlier connection to offer again, so the server can tie
// a data connection to its control connection.
using TlsResumption = std::shared_ptr<ssl_session_st>;

// The sessions a server handed out on one control connection and on the
// data connections that followed it, newest first. A new connection offers
// the newest that can still be resumed: a TLS 1.3 session is good for one
// resumption, and every connection brings fresh ones (servers that insist
// on reuse, like vsftpd, refuse a data connection that resumes nothing).
class TlsResumptions {
public:
    void add(TlsResumption session);
    TlsResumption newestResumable() const;

private:
    static constexpr qsizetype Kept = 8;
    mutable std::mutex mutex_;
    std::deque<TlsResumption> sessions_;
};

// One TLS connection over memory buffers: bytes from the network go in with
// feed(), bytes for the network come out with takeOutput(). The owner moves
// them between the buffers and its socket, so nothing here ever blocks.
class TlsSession {
public:
    enum class Role { Client, Server };
    struct Options {
        Role role = Role::Client;
        // Client: the name (or address) the certificate must carry.
        QString serverName;
        // Where the sessions of this connection go, and where one to resume
        // is taken from (a data connection shares its control
        // connection's); a connection without one keeps its own.
        std::shared_ptr<TlsResumptions> resumptions;
        // Client: the handshake fails unless the peer shows exactly this
        // certificate (a data connection against its control connection).
        QString requiredFingerprint;
        // Server: the certificate and its key, PEM.
        QByteArray certificatePem;
        QByteArray keyPem;
    };
    enum class Step { Done, Pending, Failed };
    // What waits to be read: decrypted data, the end (the peer's
    // close_notify or the end of the network stream), nothing yet, or a
    // failure.
    enum class Input { Data, Ended, Nothing, Failed };

    // Null, with `error` set, when the library cannot make one.
    static std::unique_ptr<TlsSession> create(const Options& options, QString* error);
    ~TlsSession();
    TlsSession(const TlsSession&) = delete;
    TlsSession& operator=(const TlsSession&) = delete;

    void feed(const char* data, qint64 size);
    // No more network bytes will come.
    void feedEnd();
    QByteArray takeOutput();

    Step handshake();
    Input peek();
    // >0 bytes read, 0 at the end, -1 when nothing waits, -2 on a failure.
    qint64 read(char* buffer, qint64 maxSize);
    // Encrypts all of `data` into the output; false on a failure.
    bool write(const char* data, qint64 size);
    void closeNotify();
    // Whether input is buffered here that a read could return without
    // new network bytes.
    bool hasBufferedInput() const;

    QString errorText() const { return error_; }
    TlsCertificate peerCertificate() const;
    // "TLSv1.3" and the cipher suite, once the handshake is done.
    QString protocol() const;
    QString cipher() const;
    bool resumed() const;
    const std::shared_ptr<TlsResumptions>& resumptions() const { return resumptions_; }

private:
    TlsSession() = default;
    void noteFailure(const char* what);
    static int onNewSession(ssl_st* ssl, ssl_session_st* session);

    ssl_st* ssl_ = nullptr;
    bio_st* in_ = nullptr;  // owned by ssl_
    bio_st* out_ = nullptr; // owned by ssl_
    bool done_ = false;
    QString requiredFingerprint_;
    QString error_;
    std::shared_ptr<TlsResumptions> resumptions_;
};
