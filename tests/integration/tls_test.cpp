// Explicit TLS against pyftpdlib's TLS handler, with a certificate made by
// the test: whole trees both ways in both data modes, the certificate
// questions and the trust file, the fallbacks and refusals, what crosses
// the wire, and a handshake the server cuts off.
#include "cli_run.h"
#include "file_bytes.h"
#include "forked_process.h"
#include "pyftpd_server.h"
#include "real_connection.h"
#include "test_certificate.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// A pyftpdlib server that speaks TLS with a certificate of its own.
struct TlsServer {
    QTemporaryDir certificateDir;
    TestCertificate certificate = TestCertificate::make();
    std::unique_ptr<PyFtpdServer> server;

    explicit TlsServer(const QStringList& extraArgs = {"--tls-required", "--require-reuse"}) {
        server = std::make_unique<PyFtpdServer>(
            certificate.writeServerFiles(certificateDir.path()) + extraArgs);
    }
    bool start() { return server->start(); }
    QString url(const QString& path) const {
        return server->url(path).replace(0, 3, QStringLiteral("ftpes"));
    }
    QString root() const { return server->root(); }
};

// A recording relay in front of a server: what the client sent is in its
// record file.
struct Tap {
    QTemporaryDir dir;
    ForkedProcess process;
    quint16 port = 0;

    bool start(quint16 target) {
        if (!process.start("/usr/bin/python3",
                           {CORVANE_TEST_SERVERS_DIR "/tap.py", "--to", QString::number(target),
                            "--record", dir.filePath("sent")}))
            return false;
        const QByteArray line = process.readLine(10000);
        port = quint16(line.mid(5).trimmed().toUInt());
        return line.startsWith("PORT ") && port != 0;
    }
    QByteArray sent() const { return readBytes(dir.filePath("sent")); }
    ~Tap() {
        process.terminate();
        process.waitForFinished(5000);
    }
};

void fillTree(const QString& root) {
    writeBytes(root + QString::fromUtf8("/pub/报表 2024, 第1版.txt"), "quarterly\n");
    writeBytes(root + "/pub/sub/big.bin", patternedBytes(700000, 11));
    writeBytes(root + "/pub/empty.dat", {});
}

const char* const TlsNote = "已建立加密连接：TLSv1.";

} // namespace

// The tree goes down and up byte-exact over TLS in both data modes against
// a server that refuses anything unencrypted, so every data connection was
// encrypted; the transcript shows the protection asked for.
TEST(Tls, TreesBothWaysInActiveAndPassiveMode) {
    TlsServer tls;
    fillTree(tls.root());
    ASSERT_TRUE(tls.start());
    for (const char* mode : {"--active", "--passive"}) {
        QTemporaryDir home, local;
        const CliRun get = cli({"--home", home.path(), mode, "-v", "--trust",
                                tls.certificate.fingerprint, "get", tls.url("/pub"), local.path()});
        EXPECT_EQ(get.exitCode, 0) << mode << get.err.toStdString();
        EXPECT_EQ(digests(local.path() + "/pub"), digests(tls.root() + "/pub")) << mode;
        EXPECT_TRUE(get.err.contains(QString::fromUtf8(TlsNote))) << get.err.toStdString();
        EXPECT_TRUE(get.err.contains("PBSZ 0") && get.err.contains("PROT P"));
        EXPECT_LT(get.err.indexOf("AUTH TLS"), get.err.indexOf("USER "));

        // Up into a folder of its own, names as they are.
        const QString target = QStringLiteral("/up") + mode;
        QDir().mkpath(tls.root() + target);
        const CliRun put = cli({"--home", home.path(), mode, "--trust", tls.certificate.fingerprint,
                                "put", local.path() + "/pub", tls.url(target)});
        EXPECT_EQ(put.exitCode, 0) << mode << put.err.toStdString() << put.out.toStdString();
        EXPECT_EQ(digests(tls.root() + target + "/pub"), digests(local.path() + "/pub")) << mode;
    }
    // Every connection of a segmented download logs in over TLS as well.
    const QByteArray content = patternedBytes(1500000 + 7, 12);
    writeBytes(tls.root() + "/seg.bin", content);
    QTemporaryDir home, local;
    const CliRun seg = cli({"--home", home.path(), "--segments", "4", "--trust",
                            tls.certificate.fingerprint, "get", tls.url("/seg.bin"), local.path()});
    EXPECT_EQ(seg.exitCode, 0) << seg.err.toStdString();
    EXPECT_EQ(readBytes(local.path() + "/seg.bin"), content);
}

// A certificate the system's trust store vouches for (here through
// SSL_CERT_FILE) passes without a word when it names the address; one that
// names another host is shown and refused all the same.
TEST(Tls, TheTrustStoreVouchesOnlyForTheNamedHost) {
    for (const bool named : {true, false}) {
        TlsServer tls;
        if (!named) {
            tls.certificate = TestCertificate::make("ftp.example.test", "DNS:ftp.example.test");
            tls.certificate.writeServerFiles(tls.certificateDir.path());
        }
        ASSERT_TRUE(tls.start());
        QTemporaryDir home;
        qputenv("SSL_CERT_FILE", tls.certificateDir.filePath("cert.pem").toUtf8());
        const CliRun r = cli({"--home", home.path(), "ls", tls.url("/")});
        qunsetenv("SSL_CERT_FILE");
        if (named) {
            EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
            EXPECT_FALSE(r.err.contains(tls.certificate.fingerprint)) << "nothing to ask";
        } else {
            EXPECT_NE(r.exitCode, 0);
            EXPECT_TRUE(r.err.contains(QString::fromUtf8("证书上的名称与站点地址不符")))
                << r.err.toStdString();
        }
    }
}

// corvane-cli refuses a certificate nothing vouches for and prints its
// fingerprint; --trust takes it (as openssl prints it, or in lower case),
// and a fingerprint of another certificate does not.
TEST(Tls, CliRefusesAnUntrustedCertificateUnlessTrusted) {
    TlsServer tls;
    fillTree(tls.root());
    ASSERT_TRUE(tls.start());
    QTemporaryDir home;
    const CliRun refused = cli({"--home", home.path(), "ls", tls.url("/pub")});
    EXPECT_NE(refused.exitCode, 0);
    EXPECT_TRUE(refused.err.contains(tls.certificate.fingerprint)) << refused.err.toStdString();
    EXPECT_TRUE(refused.err.contains(QString::fromUtf8("服务器的证书不受信任，连接已断开。")));
    EXPECT_FALSE(refused.out.contains("empty.dat"));

    const CliRun other = cli({"--home", home.path(), "--trust", TestCertificate::make().fingerprint,
                              "ls", tls.url("/pub")});
    EXPECT_NE(other.exitCode, 0);

    const CliRun trusted =
        cli({"--home", home.path(), "--trust",
             "sha256 Fingerprint=" + tls.certificate.fingerprint.toLower(), "ls", tls.url("/pub")});
    EXPECT_EQ(trusted.exitCode, 0) << trusted.err.toStdString();
    EXPECT_TRUE(trusted.out.contains("empty.dat")) << trusted.out.toStdString();

    EXPECT_EQ(cli({"--home", home.path(), "--trust", "12:34", "ls", tls.url("/")}).exitCode, 2);
}

// "Required" against a server without TLS: no login, and a message that
// says why. "If available" against it: a plain login, and a note.
TEST(Tls, RequiredRefusesAPlainServerAndIfAvailableFallsBack) {
    PyFtpdServer plain;
    ASSERT_TRUE(plain.start());
    QTemporaryDir home;
    const CliRun required =
        cli({"--home", home.path(), "-v", "ls", plain.url("/").replace(0, 3, "ftpes")});
    EXPECT_NE(required.exitCode, 0);
    EXPECT_TRUE(required.err.contains(
        QString::fromUtf8("服务器不支持加密连接（AUTH TLS），按站点的设置不能不加密登录！")))
        << required.err.toStdString();
    EXPECT_FALSE(required.err.contains("USER ")) << "the password stays home";

    RealConnection c;
    c.source.tlsMode = TlsMode::IfAvailable;
    ASSERT_TRUE(c.login(plain));
    EXPECT_TRUE(c.transcript().contains(
        QString::fromUtf8("服务器不支持加密连接（AUTH TLS），以不加密的方式继续。")));
    EXPECT_TRUE(c.host.security.isEmpty());
    c.connection->listCurrentFolder();
    EXPECT_TRUE(waitUntil([&] { return !c.host.listings.isEmpty(); }, 10000));
}

// A server that keeps its data connections unencrypted ("PROT P" refused):
// the login goes on over TLS, the transcript says the data is not
// encrypted, and listings and files still come.
TEST(Tls, RefusedDataProtectionLeavesDataPlainWithANote) {
    TlsServer tls({"--refuse-prot"});
    writeBytes(tls.root() + "/f.bin", patternedBytes(100000, 3));
    ASSERT_TRUE(tls.start());
    QTemporaryDir home, local;
    const CliRun get = cli({"--home", home.path(), "-v", "--trust", tls.certificate.fingerprint,
                            "get", tls.url("/f.bin"), local.path()});
    EXPECT_EQ(get.exitCode, 0) << get.err.toStdString();
    EXPECT_TRUE(get.err.contains(
        QString::fromUtf8("服务器不接受加密的数据连接（PROT P），文件数据以不加密的方式传送。")))
        << get.err.toStdString();
    EXPECT_EQ(readBytes(local.path() + "/f.bin"), patternedBytes(100000, 3));
}

// Trusted once, a certificate is asked about again on the next connection;
// trusted always, it is kept in the program folder (for the user alone)
// and not asked about again. Refused, the connection ends unused.
TEST(Tls, TrustOnceAsksAgainTrustAlwaysIsRemembered) {
    TlsServer tls;
    ASSERT_TRUE(tls.start());
    QTemporaryDir home;
    const QString trustFile = home.filePath("certificates.txt");
    const QString asked = "certificate:" + tls.certificate.fingerprint;
    // True once logged in; false as soon as the certificate was refused.
    auto connectWith = [&](QList<Prompts::CertificateAnswer> answers, RealConnection& c) {
        c.source.tlsMode = TlsMode::Required;
        c.source.trustFile = trustFile;
        c.prompts.certificateAnswers = answers;
        c.connect("127.0.0.1", tls.server->port(), PyFtpdServer::Password);
        waitUntil(
            [&] { return !c.host.folders.isEmpty() || !c.connection->hasControlConnection(); },
            10000);
        return !c.host.folders.isEmpty();
    };
    {
        RealConnection c;
        EXPECT_FALSE(connectWith({}, c));
        EXPECT_EQ(c.prompts.count(asked), 1);
        EXPECT_EQ(c.prompts.count("服务器的证书不受信任，连接已断开。"), 1);
        EXPECT_FALSE(c.transcript().contains("USER"));
    }
    {
        RealConnection c;
        ASSERT_TRUE(connectWith({Prompts::CertificateAnswer::TrustOnce}, c));
        EXPECT_TRUE(c.host.security.startsWith("TLSv1.")) << c.host.security.toStdString();
        EXPECT_FALSE(QFile::exists(trustFile));
    }
    {
        RealConnection c;
        ASSERT_TRUE(connectWith({Prompts::CertificateAnswer::TrustAlways}, c));
        EXPECT_EQ(c.prompts.count(asked), 1) << "trusted once only: asked again";
    }
    EXPECT_EQ(QFile::permissions(trustFile),
              QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
    EXPECT_TRUE(readBytes(trustFile).contains(tls.certificate.fingerprint.toLatin1()));
    {
        RealConnection c;
        ASSERT_TRUE(connectWith({}, c));
        EXPECT_EQ(c.prompts.count(asked), 0);
        c.connection->listCurrentFolder();
        EXPECT_TRUE(waitUntil([&] { return !c.host.listings.isEmpty(); }, 10000));
    }
}

// Through a recording relay: in plain FTP the password crosses the wire as
// it is (the relay sees the clear text); with TLS nothing of the login does.
TEST(Tls, ThePasswordNeverCrossesTheWireInClear) {
    TlsServer tls(QStringList{});
    ASSERT_TRUE(tls.start());
    for (const TlsMode mode : {TlsMode::Off, TlsMode::IfAvailable}) {
        Tap tap;
        ASSERT_TRUE(tap.start(tls.server->port()));
        RealConnection c;
        c.source.tlsMode = mode;
        c.source.trustedFingerprints = {tls.certificate.fingerprint};
        c.connect("127.0.0.1", tap.port, PyFtpdServer::Password);
        ASSERT_TRUE(waitUntil([&] { return !c.host.folders.isEmpty(); }, 10000));
        c.connection->listCurrentFolder();
        ASSERT_TRUE(waitUntil([&] { return !c.host.listings.isEmpty(); }, 10000))
            << int(mode) << c.transcript().toStdString();
        const QByteArray sent = tap.sent();
        if (mode == TlsMode::Off) {
            EXPECT_TRUE(sent.contains(QByteArray("PASS ") + PyFtpdServer::Password));
        } else {
            EXPECT_TRUE(sent.startsWith("AUTH TLS\r\n")) << sent.left(40).toStdString();
            EXPECT_FALSE(sent.contains(PyFtpdServer::Password));
            EXPECT_FALSE(sent.contains("PASS"));
            EXPECT_FALSE(sent.contains("USER"));
        }
    }
}

// The server answers "AUTH TLS", takes the hello and hangs up half-way
// through its answer: the connection ends with the reason, in good time.
TEST(Tls, AHandshakeCutOffEndsWithAMessage) {
    TlsServer tls({"--cut-handshake"});
    ASSERT_TRUE(tls.start());
    RealConnection c;
    c.source.tlsMode = TlsMode::IfAvailable;
    c.connect("127.0.0.1", tls.server->port(), PyFtpdServer::Password);
    ASSERT_TRUE(waitUntil([&] { return !c.prompts.shown.isEmpty(); }, 10000));
    EXPECT_TRUE(c.prompts.shown.first().startsWith(QString::fromUtf8("不能建立加密连接：")))
        << c.prompts.shown.first().toStdString();
    EXPECT_FALSE(c.connection->hasControlConnection());
    EXPECT_TRUE(c.host.folders.isEmpty());
}

// The server answers "AUTH TLS", sends half a record and then nothing: the
// handshake fails in the connect time, not the minutes a dead connection
// is given.
TEST(Tls, AHandshakeThatStallsEndsInTheConnectTime) {
    TlsServer tls({"--stall-handshake"});
    ASSERT_TRUE(tls.start());
    RealConnection c;
    c.source.tlsMode = TlsMode::IfAvailable;
    c.connect("127.0.0.1", tls.server->port(), PyFtpdServer::Password);
    ASSERT_TRUE(waitUntil([&] { return c.transcript().contains("234 "); }, 10000));
    spinFor(300); // the hello goes out and half a record comes back
    c.clock.advance(Timing{}.connectTimeoutMs + 1000);
    c.connection->onFrameTick();
    ASSERT_FALSE(c.prompts.shown.isEmpty());
    EXPECT_EQ(c.prompts.shown.first(),
              QString::fromUtf8("不能建立加密连接：服务器在握手中途没有回应"));
    EXPECT_FALSE(c.connection->hasControlConnection());
}

// A download over TLS cut off by the server going away is resumed over TLS
// from where it stopped (the task names its server; no site is defined for
// it, so TLS is used as the server offers it).
TEST(Tls, ACutDownloadIsResumedOverTls) {
    TlsServer tls({"--tls-required", "--require-reuse", "--throttle", "300000"});
    const QByteArray content = patternedBytes(900000, 13);
    writeBytes(tls.root() + "/big.bin", content);
    ASSERT_TRUE(tls.start());
    QTemporaryDir home, local;
    QProcess get;
    get.start(QStringLiteral(CORVANE_CLI_PATH),
              {"--home", home.path(), "--trust", tls.certificate.fingerprint, "get",
               tls.url("/big.bin"), local.path()});
    const QString path = local.path() + "/big.bin";
    ASSERT_TRUE(waitUntil([&] { return QFileInfo(path).size() >= 200000; }, 20000));
    tls.server->kill();
    ASSERT_TRUE(get.waitForFinished(20000));
    EXPECT_EQ(get.exitCode(), 1);
    const QStringList tasks = QDir(home.path()).entryList({"*.npm"}, QDir::Files);
    ASSERT_EQ(tasks.size(), 1);
    const qint64 partial = QFileInfo(path).size();
    ASSERT_LT(partial, content.size());

    ASSERT_TRUE(tls.server->restart());
    const CliRun resume = cli({"--home", home.path(), "-v", "--trust", tls.certificate.fingerprint,
                               "resume", tasks.first()});
    EXPECT_EQ(resume.exitCode, 0) << resume.err.toStdString();
    EXPECT_TRUE(resume.err.contains(QString::fromUtf8(TlsNote))) << resume.err.toStdString();
    EXPECT_TRUE(resume.err.contains(QStringLiteral("REST %1").arg(partial)));
    EXPECT_EQ(readBytes(path), content);
}
