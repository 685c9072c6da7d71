// Host lookup and connect, with their attempts and their single message.
#include "connection_fixture.h"

#include <atomic>

namespace {

quint16 closedPort() {
    ScriptedPeer gone; // its listener closes with it
    return gone.port();
}

} // namespace

TEST_F(ConnectionTest, FourFailedConnectsGiveOneMessage) {
    source.port = closedPort();
    makeConnection();
    connection->beginConnection();
    ASSERT_TRUE(waitUntil([&] { return prompts.count(kCannotConnect) == 1; }));
    spinFor(200);
    EXPECT_EQ(prompts.shown, QStringList{QString::fromUtf8(kCannotConnect)});
    EXPECT_EQ(host.statusTexts.count(QString::fromUtf8("正在连接站点，请等待......")), 4);
    EXPECT_FALSE(connection->hasControlConnection());
    EXPECT_EQ(connection->phase(), ConnectionPhase::Closed);
}

TEST_F(ConnectionTest, LookupFailingFourTimesGivesOneMessage) {
    std::atomic<int> calls{0};
    source.setHostAddress("ftp.example.test");
    makeConnection([&](const QString&) -> std::optional<QString> {
        ++calls;
        return std::nullopt;
    });
    connection->beginConnection();
    ASSERT_TRUE(waitUntil([&] { return prompts.count(kLookupFailed) == 1; }));
    spinFor(100);
    EXPECT_EQ(calls.load(), 4);
    EXPECT_EQ(prompts.shown.size(), 1);
    EXPECT_EQ(connection->phase(), ConnectionPhase::Closed);
    EXPECT_EQ(host.siteDisplayResets, 1);
    EXPECT_TRUE(host.statusTexts.last().isEmpty()) << "phase 0 after the failure";

    // A late answer to an old lookup changes nothing.
    connection->post(Msg::LookupFinished, connection->pendingLookup(), 9);
    spinFor(50);
    EXPECT_FALSE(connection->hasControlConnection());
}

TEST_F(ConnectionTest, LookupReplacesTheAddressButKeepsTheNameAsTyped) {
    ScriptedPeer& p = newPeer();
    p.greetAndLogin();
    source.setHostAddress("ftp.example.test");
    source.setHostName("ftp.example.test");
    source.port = p.port();
    p.start();
    makeConnection([](const QString& name) -> std::optional<QString> {
        if (name == "ftp.example.test")
            return QStringLiteral("127.0.0.1");
        return std::nullopt;
    });
    connection->beginConnection();
    ASSERT_TRUE(waitLoggedIn());
    EXPECT_EQ(source.hostAddress(), "127.0.0.1");
    EXPECT_EQ(source.hostName(), "ftp.example.test");
    finishPeer();
}

TEST_F(ConnectionTest, AnswerToAnotherLookupIsIgnored) {
    auto release = std::make_shared<std::atomic<bool>>(false);
    source.setHostAddress("slow.example.test");
    makeConnection([release](const QString&) -> std::optional<QString> {
        while (!*release)
            QThread::msleep(2);
        return std::nullopt;
    });
    connection->beginConnection();
    ASSERT_EQ(connection->phase(), ConnectionPhase::LookingUp);
    connection->post(Msg::LookupFinished, connection->pendingLookup() + 100, 0);
    spinFor(50);
    EXPECT_EQ(connection->phase(), ConnectionPhase::LookingUp);
    EXPECT_FALSE(connection->hasControlConnection());
    *release = true;
    ASSERT_TRUE(waitUntil([&] { return prompts.count(kLookupFailed) == 1; }));
}

TEST_F(ConnectionTest, ClosingWithoutAControlSocketOnlyResetsState) {
    makeConnection();
    connection->closeConnection();
    EXPECT_EQ(host.closedConnections, 0);
    EXPECT_EQ(host.siteDisplayResets, 1);
    EXPECT_EQ(connection->phase(), ConnectionPhase::Closed);
    EXPECT_FALSE(connection->hasQueuedCommands());
    EXPECT_TRUE(source.abortRequested.load());
}

TEST_F(ConnectionTest, GreetingWithout220ReportsAndWaitsForAnother) {
    ScriptedPeer& p = newPeer();
    p.send("120 busy, try again soon\r\n").pause(100).greetAndLogin();
    ASSERT_TRUE(loginTo(p));
    EXPECT_EQ(prompts.shown, QStringList{QString::fromUtf8(kCannotConnect)});
    finishPeer();
}
