// The login sequences, direct and through a proxy.
#include "connection_fixture.h"

TEST_F(ConnectionTest, PlainLoginLearnsTheFolderAndRestartSupport) {
    source.setStartFolder("/pub/data");
    ScriptedPeer& p = newPeer();
    p.greetAndLogin("u", "p", "/pub/data");
    ASSERT_TRUE(loginTo(p));
    finishPeer();
    EXPECT_EQ(peer->received(),
              (QStringList{"USER u", "PASS p", "CWD /pub/data", "REST 0", "PWD"}));
    EXPECT_EQ(host.folders, QStringList{"/pub/data"});
    EXPECT_TRUE(source.restSupported.load());
    EXPECT_EQ(connection->phase(), ConnectionPhase::Idle);
    EXPECT_TRUE(host.transcript.contains("C:\r\nPASS *\r\n"));
    EXPECT_FALSE(host.transcript.contains("PASS p"));
    EXPECT_TRUE(host.statusTexts.contains(QString::fromUtf8("正在登录用户，请等待......")));
}

TEST_F(ConnectionTest, UserAcceptedAtOnceStillSendsThePassword) {
    source.setPassword("");
    ScriptedPeer& p = newPeer();
    p.send("220 anonymous welcome\r\n").on("USER u", "230 no password needed");
    p.on("PASS ", "230 fine").on("CWD /", "250 ok").on("REST 0", "350 ok").on("PWD", "257 \"/\"");
    ASSERT_TRUE(loginTo(p));
    finishPeer();
    EXPECT_TRUE(host.transcript.contains("C:\r\nPASS \r\n"));
}

TEST_F(ConnectionTest, MissingStartFolderAndRefusedRestDoNotStopTheLogin) {
    source.setStartFolder("/gone");
    ScriptedPeer& p = newPeer();
    p.send("220 ready\r\n").on("USER u", "331 pw").on("PASS p", "230 ok");
    p.on("CWD /gone", "550 No such directory").on("REST 0", "502 Command not implemented");
    p.on("PWD", "257 \"/home/u\"");
    ASSERT_TRUE(loginTo(p));
    finishPeer();
    EXPECT_TRUE(prompts.shown.isEmpty()) << prompts.shown.join('|').toStdString();
    EXPECT_FALSE(source.restSupported.load());
    EXPECT_EQ(host.folders, QStringList{"/home/u"});
}

TEST_F(ConnectionTest, ProxyLoginSendsProxyCredentialsThenUserAtHost) {
    ScriptedPeer& p = newPeer();
    throughProxy("127.0.0.1", p.port());
    source.proxyUser = "puser";
    source.proxyPass = "ppass";
    source.port = 2121;
    p.send("220 proxy ready\r\n").on("USER puser", "331 proxy pw").on("PASS ppass", "230 proxy ok");
    p.on("USER u@ftp.example.test:2121", "331 pw").on("PASS p", "230 ok");
    p.on("CWD /", "250 ok").on("REST 0", "350 ok").on("PWD", "257 \"/\"");
    p.start();
    makeConnection([](const QString&) -> std::optional<QString> { return std::nullopt; });
    connection->beginConnection();
    ASSERT_TRUE(waitLoggedIn());
    finishPeer();
    EXPECT_TRUE(host.transcript.contains("C:\r\nPASS *****\r\n"));
}

TEST_F(ConnectionTest, ProxyWithoutItsOwnCredentialsSendsOnlyTheSiteLogin) {
    ScriptedPeer& p = newPeer();
    throughProxy("127.0.0.1", p.port(), "site");
    source.port = 21;
    p.send("220 proxy\r\n").on("USER u@site:21", "331 pw").on("PASS p", "230 ok");
    p.on("CWD /", "250 ok").on("REST 0", "350 ok").on("PWD", "257 \"/\"");
    p.start();
    makeConnection();
    connection->beginConnection();
    ASSERT_TRUE(waitLoggedIn());
    finishPeer();
}

TEST_F(ConnectionTest, AccountAskedForAfterTheUserIsSentNext) {
    source.setAccount("acc");
    ScriptedPeer& p = newPeer();
    p.send("220 ready\r\n").on("USER u", "332 need account").on("ACCT acc", "331 now password");
    p.on("PASS p", "230 ok").on("CWD /", "250 ok").on("REST 0", "350 ok").on("PWD", "257 \"/\"");
    ASSERT_TRUE(loginTo(p));
    finishPeer();
}

TEST_F(ConnectionTest, RejectedPasswordClosesWithUserRejected) {
    ScriptedPeer& p = newPeer();
    p.send("220 ready\r\n").on("USER u", "331 pw").on("PASS p", "530 Login incorrect.");
    p.expectClosed();
    connectTo(p);
    ASSERT_TRUE(waitUntil([&] { return prompts.count("用户信息无效！") == 1; }));
    finishPeer();
    EXPECT_FALSE(connection->hasControlConnection());
    EXPECT_EQ(host.closedConnections, 1);
    // Where and why, in the server's words, with what to do next.
    ASSERT_FALSE(host.explained.isEmpty());
    EXPECT_EQ(host.explained.last(),
              QString::fromUtf8("用户信息无效！\n服务器：127.0.0.1:%1\n服务器回答：530 Login "
                                "incorrect.\n请在“站点属性”中检查用户名和密码。")
                  .arg(p.port()));
}

// A server that hangs up says so in the system's words, not only "cannot
// receive".
TEST_F(ConnectionTest, AServerThatHangsUpIsExplained) {
    ScriptedPeer& p = newPeer();
    p.send("220 ready\r\n").on("USER u", "331 pw").close();
    connectTo(p);
    ASSERT_TRUE(waitUntil([&] { return !host.explained.isEmpty(); }));
    finishPeer();
    EXPECT_EQ(host.explained.last(),
              QString::fromUtf8("服务器已关闭！\n服务器：127.0.0.1:%1\n原因：服务器断开了连接\n"
                                "请重新连接服务器，中断的操作可用“中断续传”接着进行。")
                  .arg(p.port()));
    EXPECT_EQ(host.explained.size(), 1) << "said once";
}

TEST_F(ConnectionTest, ResumingATaskSendsNeitherCwdNorPwd) {
    ScriptedPeer& p = newPeer();
    p.send("220 ready\r\n").on("USER u", "331 pw").on("PASS p", "230 ok");
    p.on("REST 0", "350 ok").expectSilence(200);
    source.port = p.port();
    p.start();
    makeConnection();
    connection->beginConnection("中断任务-2026-1-2-3-4-5.npm");
    ASSERT_TRUE(waitUntil([&] { return !host.resumedTasks.isEmpty(); }));
    finishPeer();
    EXPECT_EQ(host.resumedTasks, QStringList{"中断任务-2026-1-2-3-4-5.npm"});
    EXPECT_FALSE(connection->hasPendingTask());
    EXPECT_EQ(connection->phase(), ConnectionPhase::Idle);
    EXPECT_TRUE(source.restSupported.load());
    EXPECT_TRUE(host.folders.isEmpty());
}

// A "257" that names no absolute folder still ends the login: the folder
// asked for stands in for it (or the root), and the transcript says so.
TEST_F(ConnectionTest, APwdReplyWithoutAFolderStillEndsTheLogin) {
    const char* const replies[] = {"257 \"unterminated", "257 /pub is current directory",
                                   "257 \"pub\"", "257 \"\""};
    for (const char* reply : replies) {
        SCOPED_TRACE(reply);
        host.folders.clear();
        host.transcript.clear();
        source.setStartFolder("/start");
        ScriptedPeer& p = newPeer();
        p.send("220 ready\r\n").on("USER u", "331 pw").on("PASS p", "230 ok");
        p.on("CWD /start", "250 ok").on("REST 0", "350 ok").on("PWD", reply);
        ASSERT_TRUE(loginTo(p));
        finishPeer();
        EXPECT_EQ(host.folders, QStringList{"/start"});
        EXPECT_TRUE(!connection->hasQueuedCommands());
        EXPECT_TRUE(prompts.shown.isEmpty());
        EXPECT_TRUE(host.transcript.contains(
            QString::fromUtf8("服务器没有给出当前目录，按 /start 处理。")));
    }
}

TEST_F(ConnectionTest, ALoginFieldWithALineBreakNeverReachesTheServer) {
    source.setUser("u\r\nDELE /x");
    ScriptedPeer& p = newPeer();
    p.send("220 ready\r\n").expectClosed();
    connectTo(p);
    ASSERT_TRUE(waitUntil([&] { return !prompts.shown.isEmpty(); }));
    finishPeer();
    EXPECT_EQ(prompts.shown, QStringList{QString::fromUtf8(
                                 "名称中含有回车、换行或空字符，不能发送：u\\r\\nDELE /x")});
    EXPECT_TRUE(peer->received().isEmpty());
    EXPECT_FALSE(connection->hasControlConnection());
}

TEST_F(ConnectionTest, AProxyNamedByItsHostNameIsLookedUp) {
    ScriptedPeer& p = newPeer();
    throughProxy("proxy.example.test", p.port());
    source.port = 21;
    p.send("220 proxy\r\n").on("USER u@ftp.example.test:21", "331 pw").on("PASS p", "230 ok");
    p.on("CWD /", "250 ok").on("REST 0", "350 ok").on("PWD", "257 \"/\"");
    p.start();
    QStringList looked;
    makeConnection([&looked](const QString& name) -> std::optional<QString> {
        looked << name; // on the lookup thread; read after the login
        return QStringLiteral("127.0.0.1");
    });
    connection->beginConnection();
    ASSERT_TRUE(waitLoggedIn()) << prompts.shown.join('|').toStdString();
    finishPeer();
    EXPECT_EQ(looked, QStringList{"proxy.example.test"})
        << "the site itself is the proxy's to find";
}

// A name with several addresses: each is tried in order before the attempt
// counts as failed; here the IPv6 loopback refuses (the peer listens on
// IPv4 only) and the IPv4 one answers.
TEST_F(ConnectionTest, EveryAddressOfANameIsTriedInOrder) {
    ScriptedPeer& p = newPeer();
    source.setHostName("ftp.example.test");
    source.setHostAddress("ftp.example.test");
    source.port = p.port();
    p.greetAndLogin("u", "p", "/");
    p.start();
    makeConnection(
        [](const QString&) -> std::optional<QString> { return QStringLiteral("::1 127.0.0.1"); });
    connection->beginConnection();
    ASSERT_TRUE(waitLoggedIn()) << prompts.shown.join('|').toStdString();
    finishPeer();
    EXPECT_EQ(source.hostAddress(), "127.0.0.1");
    EXPECT_EQ(connection->failedAttempts(), 0)
        << "a refused address of several is no failed attempt";
}

// The restart probe is asked again in binary mode when ASCII mode is what
// the server refused; a server that cannot restart at all is named once.
TEST_F(ConnectionTest, RestartProbeRefusedInAsciiIsAskedAgainInBinary) {
    ScriptedPeer& p = newPeer();
    p.send("220 ready\r\n").on("USER u", "331 pw").on("PASS p", "230 ok").on("CWD /", "250 ok");
    p.on("REST 0", "501 Resuming transfers not allowed in ASCII mode.");
    p.on("TYPE I", "200 Type set to: Binary.").on("REST 0", "350 Restarting at position 0.");
    p.on("PWD", "257 \"/\"");
    ASSERT_TRUE(loginTo(p));
    finishPeer();
    EXPECT_TRUE(source.restSupported.load());
    EXPECT_FALSE(host.transcript.contains(QString::fromUtf8("断点续传")));
}

TEST_F(ConnectionTest, AServerThatCannotRestartIsNamedInTheTranscript) {
    ScriptedPeer& p = newPeer();
    p.send("220 ready\r\n").on("USER u", "331 pw").on("PASS p", "230 ok").on("CWD /", "250 ok");
    p.on("REST 0", "501 no").on("TYPE I", "200 binary").on("REST 0", "504 never");
    p.on("PWD", "257 \"/\"");
    ASSERT_TRUE(loginTo(p));
    finishPeer();
    EXPECT_FALSE(source.restSupported.load());
    EXPECT_EQ(host.transcript.count(QString::fromUtf8("服务器不支持断点续传（REST）")), 1);
}
