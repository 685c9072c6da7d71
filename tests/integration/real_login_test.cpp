// Logging in to a real server (pyftpdlib on 127.0.0.1).
#include "real_connection.h"

#include <QDir>

#include <gtest/gtest.h>

TEST(RealServer, LoginReachesTheStartFolderWithRestartSupport) {
    PyFtpdServer server;
    ASSERT_TRUE(server.start());
    ASSERT_TRUE(QDir(server.root()).mkpath(QString::fromUtf8("pub/数据")));

    RealConnection login;
    login.connect("localhost", server.port(), PyFtpdServer::Password,
                  QString::fromUtf8("/pub/数据"));
    ASSERT_TRUE(waitUntil([&] { return !login.host.folders.isEmpty(); }, 10000))
        << login.prompts.shown.join('|').toStdString();
    EXPECT_EQ(login.host.folders, QStringList{QString::fromUtf8("/pub/数据")});
    EXPECT_TRUE(login.source.restSupported.load());
    EXPECT_EQ(login.source.hostAddress(), "127.0.0.1");
    EXPECT_EQ(login.source.hostName(), "localhost");
    EXPECT_TRUE(login.host.transcript.contains("C:\r\nPASS ******\r\n"));
    EXPECT_FALSE(login.host.transcript.contains(PyFtpdServer::Password));
    EXPECT_TRUE(login.prompts.shown.isEmpty());

    login.connection->quit();
    ASSERT_TRUE(waitUntil([&] { return login.prompts.count("成功退出！") == 1; }));
    EXPECT_FALSE(login.connection->hasControlConnection());
}

// "REST" refused in ASCII mode only: the probe is asked again in binary.
TEST(RealServer, RestRefusedInAsciiModeIsProbedAgainInBinary) {
    PyFtpdServer server({"--strict-rest"});
    ASSERT_TRUE(server.start());
    RealConnection login;
    login.connect("127.0.0.1", server.port(), PyFtpdServer::Password, "/");
    ASSERT_TRUE(waitUntil([&] { return !login.host.folders.isEmpty(); }, 10000));
    EXPECT_EQ(login.host.folders, QStringList{"/"});
    EXPECT_TRUE(login.source.restSupported.load());
    EXPECT_TRUE(login.prompts.shown.isEmpty());
}

TEST(RealServer, WrongPasswordIsRejected) {
    PyFtpdServer server;
    ASSERT_TRUE(server.start());
    RealConnection login;
    login.connect("127.0.0.1", server.port(), "not-the-password", "/");
    ASSERT_TRUE(waitUntil([&] { return login.prompts.count("用户信息无效！") == 1; }, 15000));
    EXPECT_FALSE(login.connection->hasControlConnection());
    EXPECT_TRUE(login.host.folders.isEmpty());
}
