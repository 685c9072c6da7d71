// Logging in to a real server (pyftpdlib on 127.0.0.1).
#include "engine/ftp_source.h"
#include "engine/ftp_thread_wnd.h"
#include "manual_clock.h"
#include "pyftpd_server.h"
#include "recording_host.h"
#include "scripted_prompts.h"
#include "wait.h"

#include <QDir>

#include <gtest/gtest.h>

namespace {

struct RealLogin {
    RecordingHost host;
    ScriptedPrompts prompts;
    ManualClock clock;
    CFtpSource source;
    std::unique_ptr<CFtpThreadWnd> wnd;

    void connect(const QString& host_, quint16 port, const QString& password,
                 const QString& startFolder) {
        source.setHostAddress(host_);
        source.setHostName(host_);
        source.port = port;
        source.setUser(PyFtpdServer::User);
        source.setPassword(password);
        source.setStartFolder(startFolder);
        wnd = std::make_unique<CFtpThreadWnd>(source, 1,
                                              CFtpThreadWnd::Deps{host, prompts, clock, Timing{}});
        ASSERT_TRUE(wnd->create());
        wnd->beginConnection();
    }
};

} // namespace

TEST(RealServer, LoginReachesTheStartFolderWithRestartSupport) {
    PyFtpdServer server;
    ASSERT_TRUE(server.start());
    ASSERT_TRUE(QDir(server.root()).mkpath(QString::fromUtf8("pub/数据")));

    RealLogin login;
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

    login.wnd->quit();
    ASSERT_TRUE(waitUntil([&] { return login.prompts.count("成功退出！") == 1; }));
    EXPECT_FALSE(login.wnd->controlSocket);
}

TEST(RealServer, RestRefusedInAsciiModeLeavesRestartSupportOff) {
    PyFtpdServer server({"--strict-rest"});
    ASSERT_TRUE(server.start());
    RealLogin login;
    login.connect("127.0.0.1", server.port(), PyFtpdServer::Password, "/");
    ASSERT_TRUE(waitUntil([&] { return !login.host.folders.isEmpty(); }, 10000));
    EXPECT_EQ(login.host.folders, QStringList{"/"});
    EXPECT_FALSE(login.source.restSupported.load());
    EXPECT_TRUE(login.prompts.shown.isEmpty());
}

TEST(RealServer, WrongPasswordIsRejected) {
    PyFtpdServer server;
    ASSERT_TRUE(server.start());
    RealLogin login;
    login.connect("127.0.0.1", server.port(), "not-the-password", "/");
    ASSERT_TRUE(waitUntil([&] { return login.prompts.count("用户信息无效！") == 1; }, 15000));
    EXPECT_FALSE(login.wnd->controlSocket);
    EXPECT_TRUE(login.host.folders.isEmpty());
}
