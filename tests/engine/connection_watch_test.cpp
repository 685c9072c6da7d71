// Keep-alive and time-outs, driven by the main window's tick on a manual clock.
#include "connection_fixture.h"

#include <atomic>

TEST_F(ConnectionTest, IdleConnectionGetsNoopThenIsClosedWhenDead) {
    ScriptedPeer& p = newPeer();
    p.greetAndLogin().on("NOOP", "200 NOOP ok").expectClosed();
    ASSERT_TRUE(loginTo(p));

    clock.advance(59000);
    connection->onFrameTick();
    EXPECT_TRUE(!connection->hasQueuedCommands()) << "nothing before 60 s";

    clock.advance(2000); // 61 s idle
    connection->onFrameTick();
    ASSERT_TRUE(waitUntil([&] { return peer->received().contains("NOOP"); }));
    ASSERT_TRUE(waitUntil([&] { return !connection->hasQueuedCommands(); }));

    clock.advance(181000);
    connection->onFrameTick();
    EXPECT_EQ(prompts.count("与服务器的连接已经中断，请重新连接！"), 1);
    EXPECT_FALSE(connection->hasControlConnection());
    EXPECT_EQ(host.resumes, 0);
    finishPeer();
}

TEST_F(ConnectionTest, DeadConnectionDuringAFileTransferAsksForAResume) {
    for (bool interrupted : {false, true}) {
        SCOPED_TRACE(interrupted);
        host.resumes = 0;
        host.interrupted = interrupted;
        prompts.shown.clear();
        ScriptedPeer& p = newPeer();
        p.greetAndLogin().expectClosed();
        ASSERT_TRUE(loginTo(p));
        host.folders.clear();
        // A download was under way on the wire.
        connection->simulateTransferForTest(TransferKind::Download, false);
        clock.advance(181000);
        connection->onFrameTick();
        EXPECT_EQ(host.resumes, interrupted ? 0 : 1);
        EXPECT_TRUE(prompts.shown.isEmpty());
        finishPeer();
    }
}

TEST_F(ConnectionTest, SilentDataConnectionTimesOut) {
    ScriptedPeer& p = newPeer();
    p.greetAndLogin();
    ASSERT_TRUE(loginTo(p));
    connection->simulateTransferForTest(TransferKind::Listing, true);
    clock.advance(60000);
    connection->onFrameTick();
    EXPECT_TRUE(prompts.shown.isEmpty()) << "60 s is not yet too long";
    clock.advance(1001);
    connection->onFrameTick();
    EXPECT_EQ(prompts.count("传送数据超时错误，请重新进行刚才的操作！"), 1);
    EXPECT_FALSE(connection->isTransferring());
    EXPECT_EQ(connection->transferKind(), TransferKind::None);
    EXPECT_TRUE(connection->hasControlConnection()) << "the control connection stays";
    finishPeer();
}

TEST_F(ConnectionTest, SlowLookupTimesOutFourTimesThenGivesUp) {
    // Shared with the resolver threads, which may outlive the test.
    auto release = std::make_shared<std::atomic<bool>>(false);
    auto calls = std::make_shared<std::atomic<int>>(0);
    struct Release {
        std::shared_ptr<std::atomic<bool>> flag;
        ~Release() { *flag = true; }
    } releaseAtEnd{release};
    source.setHostAddress("slow.example.test");
    makeConnection([release, calls](const QString&) -> std::optional<QString> {
        ++*calls;
        while (!*release)
            QThread::msleep(2);
        return QStringLiteral("127.0.0.1");
    });
    connection->beginConnection();
    for (int attempt = 1; attempt <= 4; ++attempt) {
        ASSERT_TRUE(waitUntil([&] { return calls->load() == attempt; }));
        clock.advance(15001);
        connection->onFrameTick();
        spinFor(20);
    }
    EXPECT_EQ(prompts.count(kLookupFailed), 1);
    EXPECT_NE(connection->phase(), ConnectionPhase::LookingUp);
    *release = true;
    spinFor(100);
    EXPECT_FALSE(connection->hasControlConnection()) << "a cancelled lookup's answer is not used";
}

TEST_F(ConnectionTest, ServerThatNeverGreetsIsGivenUp) {
    ScriptedPeer& p = newPeer();
    p.expectClosed(5000);
    connectTo(p);
    ASSERT_TRUE(
        waitUntil([&] { return connection->phase() == ConnectionPhase::AwaitingGreeting; }));
    clock.advance(180001);
    connection->onFrameTick();
    EXPECT_FALSE(connection->hasControlConnection());
    EXPECT_EQ(prompts.count("与服务器的连接已经中断，请重新连接！"), 1);
    finishPeer();
}

TEST_F(ConnectionTest, ServerSilentAfterUserIsGivenUpAndKeepAliveLeavesTheLoginAlone) {
    ScriptedPeer& p = newPeer();
    // Greets, reads USER, then never answers: nothing else may be sent.
    p.send("220 ready\r\n").expect("USER u").expectSilence(400).expectClosed();
    connectTo(p);
    ASSERT_TRUE(waitUntil([&] { return peer->received().contains("USER u"); }));
    for (int tick = 0; tick < 59; ++tick) {
        clock.advance(3000); // 177 s of silence
        connection->onFrameTick();
    }
    spinFor(100);
    EXPECT_TRUE(prompts.shown.isEmpty()) << "not yet 180 s";
    EXPECT_TRUE(connection->hasControlConnection());
    EXPECT_EQ(connection->queuedLine(0), "USER u\r\n") << "the login is still queued";
    clock.advance(3001);
    connection->onFrameTick();
    EXPECT_EQ(prompts.count("与服务器的连接已经中断，请重新连接！"), 1);
    EXPECT_FALSE(connection->hasControlConnection());
    finishPeer();
    EXPECT_EQ(peer->received(), QStringList{"USER u"});
}

TEST_F(ConnectionTest, KeepAliveDoesNotCountAsTheServerBeingAlive) {
    ScriptedPeer& p = newPeer();
    // Logs in, then stops answering anything.
    p.greetAndLogin().expect("NOOP").expectClosed(5000);
    ASSERT_TRUE(loginTo(p));
    for (int tick = 0; tick < 61; ++tick) {
        clock.advance(3000);
        connection->onFrameTick();
        spinFor(2);
    }
    EXPECT_EQ(prompts.count("与服务器的连接已经中断，请重新连接！"), 1)
        << "183 s without a byte from the server";
    EXPECT_FALSE(connection->hasControlConnection());
    finishPeer();
    EXPECT_EQ(peer->received().count("NOOP"), 1) << "one keep-alive, not one per tick";
}

// A message box left open for five minutes while the connection handles a
// reply: the connection cannot read meanwhile, so that time is not the
// server's silence. No keep-alive goes out during it, the connection stays,
// and its idle time counts again from when the box is closed.
TEST_F(ConnectionTest, ABoxLeftOpenDoesNotCountAsTheServersSilence) {
    ScriptedPeer& p = newPeer();
    p.greetAndLogin().on("CWD /missing", "550 No such directory.").on("NOOP", "200 NOOP ok");
    ASSERT_TRUE(loginTo(p));
    prompts.whileShown = [&] {
        for (int tick = 0; tick < 100; ++tick) {
            clock.advance(3000);
            connection->onFrameTick();
            spinFor(1);
        }
    };
    ASSERT_TRUE(runLine("CWD /missing\r\n"));
    ASSERT_TRUE(waitUntil([&] { return prompts.count("不能进入该目录！") == 1; }));
    prompts.whileShown = nullptr;
    spinFor(30);
    EXPECT_TRUE(connection->hasControlConnection());
    EXPECT_EQ(prompts.count("与服务器的连接已经中断，请重新连接！"), 0);
    EXPECT_FALSE(peer->received().contains("NOOP")) << "nothing is sent while the box is open";

    clock.advance(59000);
    connection->onFrameTick();
    spinFor(30);
    EXPECT_FALSE(peer->received().contains("NOOP"));
    clock.advance(2000);
    connection->onFrameTick();
    finishPeer();
    EXPECT_TRUE(connection->hasControlConnection());
}
