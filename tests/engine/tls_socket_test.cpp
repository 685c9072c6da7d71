// AsyncSocket over TLS: both ends in this process on loopback, one of them
// the server side, so the notification rules can be watched byte by byte.
#include "core/platform/async_socket.h"
#include "core/platform/message_target.h"
#include "test_certificate.h"
#include "wait.h"

#include <QList>

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// One end: records its notifications and, when asked, reads on Read in
// chunks of `readChunk` and writes `toSend` on Write.
class End : public MessageTarget {
public:
    std::unique_ptr<AsyncSocket> socket;
    QList<int> events;
    QList<int> errors;
    QByteArray received;
    int readChunk = 65536;
    QByteArray toSend;
    qint64 sent = 0;
    bool shutdownWhenSent = false;
    bool ended = false; // recv() returned 0, or Close came

    int count(int event) const { return int(events.count(event)); }

protected:
    void onMessage(int msg, WParam w, LParam l) override {
        if (msg != Msg::SocketEvent || !socket || w != socket->id())
            return;
        const int event = eventOf(l);
        events.append(event);
        errors.append(errorOf(l));
        if (event == Fd::Read) {
            QByteArray chunk(readChunk, '\0');
            const qint64 n = socket->recv(chunk.data(), readChunk);
            if (n > 0)
                received.append(chunk.constData(), n);
            else if (n == 0)
                ended = true;
        } else if (event == Fd::Close) {
            ended = true;
        } else if (event == Fd::Write) {
            while (sent < toSend.size()) {
                const qint64 n = socket->send(toSend.constData() + sent, toSend.size() - sent);
                if (n < 0)
                    return;
                sent += n;
            }
            if (shutdownWhenSent && !toSend.isEmpty())
                socket->shutdownSend();
        }
    }
};

QByteArray patterned(int size) {
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = char((i * 7 + i / 251) & 0xFF);
    return bytes;
}

class TlsSocket : public ::testing::Test {
protected:
    TestCertificate certificate = TestCertificate::make();
    AsyncSocket listener;
    End client;
    End server;
    End accepter; // only for the listener's Accept

    void SetUp() override {
        ASSERT_TRUE(listener.open());
        ASSERT_TRUE(listener.listen(4));
    }

    quint16 port() const {
        quint16 p = 0;
        listener.localAddress(nullptr, &p);
        return p;
    }

    // Connects, accepts, and starts TLS on both ends with the given masks.
    void connectBoth(int clientMask, int serverMask, TlsSession::Options clientOptions = {}) {
        client.socket = std::make_unique<AsyncSocket>();
        ASSERT_TRUE(client.socket->open());
        client.socket->asyncSelect(&client, Fd::Connect);
        listener.asyncSelect(&accepter, Fd::Accept);
        client.socket->connect(QStringLiteral("127.0.0.1"), port());
        ASSERT_TRUE(waitUntil([&] { return client.count(Fd::Connect) == 1; }));
        ASSERT_TRUE(waitUntil([&] { return (server.socket = listener.accept()) != nullptr; }));
        TlsSession::Options serverOptions;
        serverOptions.role = TlsSession::Role::Server;
        serverOptions.certificatePem = certificate.certificatePem;
        serverOptions.keyPem = certificate.keyPem;
        ASSERT_TRUE(server.socket->startTls(serverOptions));
        server.socket->asyncSelect(&server, serverMask);
        if (clientOptions.serverName.isEmpty())
            clientOptions.serverName = QStringLiteral("127.0.0.1");
        ASSERT_TRUE(client.socket->startTls(clientOptions));
        client.socket->asyncSelect(&client, clientMask);
    }
};

// The handshake ends with Secured and then Write; the certificate is the
// server's, not trusted by the system (self-signed), and named for the
// address; then the stream runs both ways.
TEST_F(TlsSocket, HandshakeReportsSecuredThenCarriesDataBothWays) {
    connectBoth(Fd::Read | Fd::Write | Fd::Close | Fd::Secured, Fd::Read | Fd::Close);
    ASSERT_TRUE(waitUntil([&] { return client.count(Fd::Secured) == 1; }));
    EXPECT_EQ(client.errors.at(client.events.indexOf(Fd::Secured)), 0);
    ASSERT_TRUE(waitUntil([&] { return client.count(Fd::Write) >= 1; }));
    EXPECT_LT(client.events.indexOf(Fd::Secured), client.events.indexOf(Fd::Write));
    EXPECT_TRUE(client.socket->isSecure());

    const TlsCertificate peer = client.socket->tls()->peerCertificate();
    EXPECT_EQ(peer.fingerprint, certificate.fingerprint);
    EXPECT_FALSE(peer.verified);
    EXPECT_FALSE(peer.problem.isEmpty());
    EXPECT_TRUE(peer.subject.contains(QStringLiteral("CN=127.0.0.1")))
        << peer.subject.toStdString();
    EXPECT_FALSE(peer.validUntil.isEmpty());
    EXPECT_TRUE(client.socket->tls()->protocol().startsWith(QStringLiteral("TLSv1.")));

    ASSERT_EQ(client.socket->sendWhole("USER anonymous\r\n"), 0);
    ASSERT_TRUE(waitUntil([&] { return server.received == "USER anonymous\r\n"; }));
    ASSERT_EQ(server.socket->sendWhole("331 Password?\r\n"), 0);
    ASSERT_TRUE(waitUntil([&] { return client.received == "331 Password?\r\n"; }));
    EXPECT_EQ(client.count(Fd::Close), 0);
}

// A slow reader taking 1000 bytes per Read still gets every byte of a large
// stream, each Read finds data, and the end comes only after the last byte.
TEST_F(TlsSocket, SlowReaderGetsEveryByteBeforeTheClose) {
    const QByteArray payload = patterned(3 * 1024 * 1024 + 17);
    server.toSend = payload;
    server.shutdownWhenSent = true;
    client.readChunk = 1000;
    connectBoth(Fd::Read | Fd::Close, Fd::Write | Fd::Close);
    ASSERT_TRUE(waitUntil([&] { return client.ended; }, 30000));
    EXPECT_EQ(client.received.size(), payload.size());
    EXPECT_TRUE(client.received == payload);
    EXPECT_EQ(client.count(Fd::Close), 1);
    EXPECT_EQ(client.events.last(), Fd::Close);
    // Every Read found data: a Read without any would read as a failure to
    // an owner that takes one only when data waits.
    EXPECT_EQ(client.count(Fd::Read), (payload.size() + 999) / 1000);
}

// An owner that reads to the end itself gets 0 from recv() and no Close;
// an upload's sending side ends with close_notify after its last byte.
TEST_F(TlsSocket, UploadEndsAfterItsLastByteForAReaderUntilEnd) {
    const QByteArray payload = patterned(2 * 1024 * 1024 + 5);
    client.toSend = payload;
    client.shutdownWhenSent = true;
    connectBoth(Fd::Write | Fd::Close, 0);
    server.socket->setReadsUntilEnd(true);
    server.socket->asyncSelect(&server, Fd::Read | Fd::Close);
    ASSERT_TRUE(waitUntil([&] { return server.ended; }, 30000));
    EXPECT_TRUE(server.received == payload);
    EXPECT_EQ(server.count(Fd::Close), 0);
    EXPECT_FALSE(client.socket->hasUnsentData());
}

// A data connection offers its control connection's session and the
// server takes it up; one that shows another certificate than required
// fails its handshake.
TEST_F(TlsSocket, SessionIsResumedAndAForeignCertificateRefused) {
    connectBoth(Fd::Read | Fd::Close | Fd::Secured, Fd::Read | Fd::Close);
    ASSERT_TRUE(waitUntil([&] { return client.count(Fd::Secured) == 1; }));
    // TLS 1.3 hands out its tickets after the handshake.
    ASSERT_EQ(server.socket->sendWhole("220 ok\r\n"), 0);
    ASSERT_TRUE(waitUntil([&] { return client.received == "220 ok\r\n"; }));
    const std::shared_ptr<TlsResumptions> resumptions = client.socket->tls()->resumptions();
    ASSERT_TRUE(resumptions->newestResumable());

    End first;
    std::swap(first.socket, client.socket);
    client.events.clear();
    TlsSession::Options again;
    again.resumptions = resumptions;
    again.requiredFingerprint = certificate.fingerprint;
    connectBoth(Fd::Read | Fd::Close | Fd::Secured, Fd::Read | Fd::Close, again);
    ASSERT_TRUE(waitUntil([&] { return client.count(Fd::Secured) == 1; }));
    EXPECT_EQ(client.errors.last(), 0);
    EXPECT_TRUE(client.socket->tls()->resumed());

    client.events.clear();
    client.errors.clear();
    TlsSession::Options other;
    other.requiredFingerprint = QStringLiteral("00:11");
    connectBoth(Fd::Read | Fd::Close, Fd::Read | Fd::Close, other);
    ASSERT_TRUE(waitUntil([&] { return client.count(Fd::Close) == 1; }));
    EXPECT_EQ(client.errors.last(), AsyncSocket::TlsFailed);
    EXPECT_FALSE(client.socket->errorText().isEmpty());
    EXPECT_EQ(client.count(Fd::Read), 0);
}

// A server that takes the client's hello and hangs up, or answers with
// bytes that are no TLS, ends the handshake with a failure and a reason:
// no hang, nothing reported as data.
TEST_F(TlsSocket, HandshakeCutOrGarbledFailsWithAReason) {
    for (const QByteArray& answer : {QByteArray(), QByteArray("220 plain text, not TLS\r\n")}) {
        client.socket = std::make_unique<AsyncSocket>();
        client.events.clear();
        client.errors.clear();
        ASSERT_TRUE(client.socket->open());
        client.socket->asyncSelect(&client, Fd::Connect);
        client.socket->connect(QStringLiteral("127.0.0.1"), port());
        ASSERT_TRUE(waitUntil([&] { return client.count(Fd::Connect) == 1; }));
        std::unique_ptr<AsyncSocket> far;
        ASSERT_TRUE(waitUntil([&] { return (far = listener.accept()) != nullptr; }));
        ASSERT_TRUE(client.socket->startTls({}));
        client.socket->asyncSelect(&client, Fd::Read | Fd::Write | Fd::Close | Fd::Secured);
        char hello[4096];
        ASSERT_TRUE(waitUntil([&] { return far->recv(hello, sizeof hello) > 0; }));
        if (!answer.isEmpty())
            far->sendWhole(answer);
        far.reset();
        ASSERT_TRUE(waitUntil([&] { return client.count(Fd::Secured) == 1; }));
        EXPECT_EQ(client.errors.last(), AsyncSocket::TlsFailed);
        EXPECT_FALSE(client.socket->errorText().isEmpty());
        EXPECT_EQ(client.count(Fd::Read), 0);
        EXPECT_EQ(client.count(Fd::Write), 0);
        EXPECT_FALSE(client.socket->isSecure());
    }
}

} // namespace
