// The command queue and the reply table, driven by a scripted server.
#include "connection_fixture.h"

TEST_F(ConnectionTest, MultiLineReplyInThreePiecesIsHandledOnce) {
    ScriptedPeer& p = newPeer();
    p.send("220 ready\r\n").on("USER u", "331 pw").expect("PASS p");
    // Nothing may be sent before the closing line of the 230 reply is in.
    p.send("230-Welcome\r\n").expectSilence(150);
    p.send("230-to the site\r\n").expectSilence(150);
    p.send("230 done\r\n");
    p.on("CWD /", "250 ok").on("REST 0", "350 ok").on("PWD", "257 \"/\"");
    ASSERT_TRUE(loginTo(p));
    finishPeer();
    EXPECT_TRUE(prompts.shown.isEmpty()) << prompts.shown.join('|').toStdString();
    EXPECT_EQ(host.transcript.count("S:\r\n"), 6) << "one reply block per reply";
    EXPECT_TRUE(host.transcript.contains("S:\r\n230-Welcome\r\n230-to the site\r\n230 done\r\n"));
}

TEST_F(ConnectionTest, RepliesArrivingOneByteAtATime) {
    ScriptedPeer& p = newPeer();
    p.sendBytewise("220-multi\r\n220 line greeting\r\n").expect("USER u");
    p.sendBytewise("331 pw\r\n").expect("PASS p").send("230 ok\r\n");
    p.on("CWD /", "250 ok").on("REST 0", "350 ok").on("PWD", "257 \"/\"");
    ASSERT_TRUE(loginTo(p));
    finishPeer();
    EXPECT_TRUE(prompts.shown.isEmpty());
}

TEST_F(ConnectionTest, LateTransferRepliesAreRemovedBeforeTheCwdReply) {
    ScriptedPeer& p = newPeer();
    p.greetAndLogin();
    p.expect("CWD /one").send("150 late opening line\r\n").pause(80).send("250 ok\r\n");
    p.expect("CWD /two").send("226 late transfer done\r\n250 ok\r\n");
    p.expect("CWD /three").send("250 ok\r\n");
    ASSERT_TRUE(loginTo(p));
    for (const char* folder : {"/one", "/two", "/three"}) {
        ASSERT_TRUE(waitUntil([&] { return runLine(QString("CWD %1\r\n").arg(folder)); }));
        ASSERT_TRUE(waitUntil([&] { return !connection->hasQueuedCommands(); }));
    }
    finishPeer();
    EXPECT_TRUE(prompts.shown.isEmpty()) << prompts.shown.join('|').toStdString();
}

TEST_F(ConnectionTest, TransientReplyIsRetriedTwiceThenStops) {
    ScriptedPeer& p = newPeer();
    p.greetAndLogin();
    p.on("MKD /new", "450 busy").on("MKD /new", "451 still busy").on("MKD /new", "450 busy");
    p.expectSilence(150);
    ASSERT_TRUE(loginTo(p));
    ASSERT_TRUE(runLine("MKD /new\r\n"));
    ASSERT_TRUE(waitUntil([&] { return prompts.count(kStopped) == 1; }));
    finishPeer();
    EXPECT_EQ(prompts.shown.size(), 1);
    EXPECT_TRUE(!connection->hasQueuedCommands());
}

TEST_F(ConnectionTest, TransientReplyThenSuccessGoesOn) {
    ScriptedPeer& p = newPeer();
    p.greetAndLogin();
    p.on("MKD /new", "450 busy").on("MKD /new", "257 \"/new\" created");
    ASSERT_TRUE(loginTo(p));
    ASSERT_TRUE(runLine("MKD /new\r\n"));
    ASSERT_TRUE(waitUntil([&] { return !host.events.isEmpty(); }));
    finishPeer();
    EXPECT_EQ(host.events, QStringList{"added:new"});
    EXPECT_TRUE(prompts.shown.isEmpty());
}

TEST_F(ConnectionTest, AccountRequestInsertsAcctAndRunsTheWholeQueueAgain) {
    source.setAccount("acct9");
    ScriptedPeer& p = newPeer();
    p.send("220 ready\r\n").on("USER u", "331 pw").on("PASS p", "532 need account");
    p.on("ACCT acct9", "230 account ok");
    p.on("USER u", "331 pw").on("PASS p", "230 in");
    p.on("CWD /", "250 ok").on("REST 0", "350 ok").on("PWD", "257 \"/\"");
    ASSERT_TRUE(loginTo(p));
    finishPeer();
    EXPECT_TRUE(prompts.shown.isEmpty());
}

TEST_F(ConnectionTest, ServiceClosingReplyClosesTheConnection) {
    ScriptedPeer& p = newPeer();
    p.greetAndLogin().send("421 Timeout, closing\r\n").expectClosed();
    connectTo(p);
    ASSERT_TRUE(waitUntil([&] { return prompts.count("服务器已关闭！") == 1; }));
    finishPeer();
    EXPECT_EQ(host.closedConnections, 1);
    EXPECT_FALSE(connection->hasControlConnection());
}

TEST_F(ConnectionTest, QuitEndsWithLoggedOut) {
    ScriptedPeer& p = newPeer();
    p.greetAndLogin().on("QUIT", "221 Goodbye").expectClosed();
    ASSERT_TRUE(loginTo(p));
    connection->quit();
    ASSERT_TRUE(waitUntil([&] { return prompts.count("成功退出！") == 1; }));
    finishPeer();
    EXPECT_FALSE(connection->isGreeted());
}

TEST_F(ConnectionTest, FullReplyBufferWithoutLineEndCloses) {
    for (int size : {FtpSession::ReplyLimit - 1, 6000}) {
        SCOPED_TRACE(size);
        prompts.shown.clear();
        ScriptedPeer& p = newPeer();
        p.send(QByteArray(size, 'x')).expectClosed();
        connectTo(p);
        ASSERT_TRUE(waitUntil([&] { return prompts.count(kReceiveFailed) == 1; }));
        finishPeer();
        EXPECT_EQ(prompts.shown.size(), 1);
        EXPECT_FALSE(connection->hasControlConnection());
    }
}

TEST_F(ConnectionTest, QueueEndingInTypeAloneIsDiscarded) {
    ScriptedPeer& p = newPeer();
    p.greetAndLogin().expectSilence(200).on("NOOP", "200 ok");
    ASSERT_TRUE(loginTo(p));
    ASSERT_TRUE(runLine("TYPE A\r\n"));
    spinFor(50);
    EXPECT_TRUE(!connection->hasQueuedCommands());
    spinFor(250); // the peer's quiet spell ends; the next line must be NOOP
    connection->keepAlive();
    finishPeer();
    EXPECT_FALSE(peer->received().contains("TYPE A"));
}

TEST_F(ConnectionTest, FailingCwdAfterLoginShowsItsMessage) {
    ScriptedPeer& p = newPeer();
    p.greetAndLogin().on("CWD /missing", "550 No such directory.");
    ASSERT_TRUE(loginTo(p));
    ASSERT_TRUE(runLine("CWD /missing\r\n"));
    ASSERT_TRUE(waitUntil([&] { return prompts.count("不能进入该目录！") == 1; }));
    finishPeer();
}

TEST_F(ConnectionTest, CommandsAreDroppedWhileTheConnectionIsBusy) {
    makeConnection();
    EXPECT_FALSE(runLine("NOOP\r\n")) << "not greeted yet";
}

TEST_F(ConnectionTest, RemovalsAndNewFoldersReachThePanes) {
    ScriptedPeer& p = newPeer();
    p.greetAndLogin();
    p.on("DELE /pub/old file.txt", "250 File removed.");
    p.on("RMD /pub/empty", "250 Directory removed.");
    p.on("MKD /pub/新目录", "257 \"/pub/新目录\" created.");
    p.on("DELE /pub/locked", "550 Permission denied.");
    ASSERT_TRUE(loginTo(p));
    for (const char* line : {"DELE /pub/old file.txt\r\n", "RMD /pub/empty\r\n",
                             "MKD /pub/新目录\r\n", "DELE /pub/locked\r\n"}) {
        ASSERT_TRUE(waitUntil([&] { return runLine(QString::fromUtf8(line)); }));
        ASSERT_TRUE(waitUntil([&] { return !connection->hasQueuedCommands(); }));
    }
    finishPeer();
    EXPECT_EQ(host.events,
              (QStringList{"removed file:/pub/old file.txt", "removed folder:/pub/empty",
                           QString::fromUtf8("added:新目录")}));
    EXPECT_EQ(prompts.shown, QStringList{QString::fromUtf8(kStopped)});
}

// Codes are the three digits that open a reply's last line; folder names and
// byte counts in the text are text.
TEST_F(ConnectionTest, DigitsInsideReplyTextAreNotCodes) {
    const char* folders[] = {"/2005",  "/x221", "/a421",          "/x226y",
                             "/v2001", "/450",  "/say \"\"hi\"\""};
    for (const char* folder : folders) {
        SCOPED_TRACE(folder);
        prompts.shown.clear();
        host.folders.clear();
        host.events.clear();
        const QByteArray quoted(folder);
        QByteArray plain = quoted;
        plain.replace("\"\"", "\"");
        ScriptedPeer& p = newPeer();
        p.send("220 ready\r\n").on("USER u", "331 pw").on("PASS p", "230 in");
        p.on("CWD /", "250 ok")
            .on("REST 0", "350 ok")
            .on("PWD", "257 \"" + quoted + "\" is current");
        p.on("MKD " + plain + "/sub", "257 \"" + quoted + "/sub\" created");
        p.on("CWD " + plain, "250 CWD command successful: \"" + quoted + "\" is current");
        p.on("NOOP", "200 ok");
        ASSERT_TRUE(loginTo(p));
        EXPECT_EQ(host.folders, QStringList{QString::fromUtf8(plain)});
        for (const QByteArray& line : {"MKD " + plain + "/sub\r\n", "CWD " + plain + "\r\n"}) {
            ASSERT_TRUE(waitUntil([&] { return runLine(QString::fromUtf8(line)); }));
            ASSERT_TRUE(waitUntil([&] { return !connection->hasQueuedCommands(); }));
        }
        ASSERT_TRUE(waitUntil([&] { return runLine("NOOP\r\n"); }));
        finishPeer();
        EXPECT_TRUE(prompts.shown.isEmpty()) << prompts.shown.join('|').toStdString();
        EXPECT_EQ(host.events, QStringList{"added:sub"});
        EXPECT_TRUE(connection->hasControlConnection()) << "the connection stays open";
    }
}

TEST_F(ConnectionTest, ServiceClosingIsReadFromTheLastLineOfAMultiLineReply) {
    ScriptedPeer& p = newPeer();
    p.send("220-Welcome\r\n220-421 users online, 221 files\r\n220 ready\r\n");
    p.on("USER u", "331 pw").expect("PASS p");
    p.send("230-421 users online\r\n230-221 files\r\n230 Login successful.\r\n");
    p.on("CWD /", "250 ok");
    p.on("REST 0", "350 ok").on("PWD", "257 \"/\"");
    // A 421 closes the connection only when it is the reply's own code.
    p.send("421-Going down\r\n421 Bye\r\n").expectClosed();
    ASSERT_TRUE(loginTo(p));
    ASSERT_TRUE(waitUntil([&] { return prompts.count("服务器已关闭！") == 1; }));
    finishPeer();
    EXPECT_EQ(prompts.shown.size(), 1);
}
