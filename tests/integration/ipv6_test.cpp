// IPv6 with corvane-cli against pyftpdlib on ::1: both data modes, with
// the extended commands that carry IPv6 addresses.
#include "cli_run.h"
#include "file_bytes.h"
#include "pyftpd_server.h"

#include <QTemporaryDir>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

bool hasIpv6Loopback() {
    const int fd = ::socket(AF_INET6, SOCK_STREAM, 0);
    if (fd < 0)
        return false;
    sockaddr_in6 a{};
    a.sin6_family = AF_INET6;
    a.sin6_addr = in6addr_loopback;
    const bool ok = ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    ::close(fd);
    return ok;
}

} // namespace

TEST(Ipv6, ATreeComesAndGoesOverIpv6InBothModes) {
    if (!hasIpv6Loopback())
        GTEST_SKIP() << "this machine has no IPv6 loopback (::1)";
    PyFtpdServer server({"--host", "::1"});
    writeBytes(server.root() + QString::fromUtf8("/pub/报表 1.txt"), "v6");
    writeBytes(server.root() + "/pub/sub/big.bin", patternedBytes(400000, 9));
    ASSERT_TRUE(server.start());
    const QString url = QStringLiteral("ftp://%1:%2@[::1]:%3/pub")
                            .arg(PyFtpdServer::User, PyFtpdServer::Password)
                            .arg(server.port());
    for (const char* mode : {"--passive", "--active"}) {
        SCOPED_TRACE(mode);
        QTemporaryDir home, local;
        const CliRun get = cli({"--home", home.path(), "-v", mode, "get", url, local.path()});
        EXPECT_EQ(get.exitCode, 0) << get.err.toStdString();
        EXPECT_EQ(digests(local.path() + "/pub"), digests(server.root() + "/pub"));
        EXPECT_TRUE(
            get.err.contains(QString::fromLatin1(mode) == "--passive" ? "EPSV" : "EPRT |2|::1|"))
            << get.err.toStdString();
        EXPECT_FALSE(get.err.contains("PASV")) << get.err.toStdString();
    }
    // An upload, and a segmented download, over IPv6.
    QTemporaryDir home, tree, local;
    writeBytes(tree.path() + "/up/c.bin", patternedBytes(300000, 10));
    const QString root = QStringLiteral("ftp://%1:%2@[::1]:%3/")
                             .arg(PyFtpdServer::User, PyFtpdServer::Password)
                             .arg(server.port());
    EXPECT_EQ(cli({"--home", home.path(), "put", tree.path() + "/up", root}).exitCode, 0);
    EXPECT_EQ(readBytes(server.root() + "/up/c.bin"), patternedBytes(300000, 10));
    const CliRun segments = cli(
        {"--home", home.path(), "--segments", "3", "get", root + "pub/sub/big.bin", local.path()});
    EXPECT_EQ(segments.exitCode, 0) << segments.err.toStdString();
    EXPECT_EQ(readBytes(local.path() + "/big.bin"), patternedBytes(400000, 9));
}
