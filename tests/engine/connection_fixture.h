#pragma once

#include "core/engine/connection_source.h"
#include "core/engine/ftp_session.h"
#include "core/tasks/operation_driver.h"
#include "manual_clock.h"
#include "recording_host.h"
#include "scripted_peer.h"
#include "scripted_prompts.h"
#include "wait.h"

#include <gtest/gtest.h>

#include <memory>

// A connection wired to a recording host, scripted prompts and a
// manual clock; pauses are shortened so retries run quickly.
class ConnectionTest : public ::testing::Test {
protected:
    ConnectionTest() {
        host.prompts = &prompts;
        timing.retryPauseMs = 30;
        timing.uploadTailPauseMs = 20;
        source.setUser("u");
        source.setPassword("p");
        source.setStartFolder("/");
        source.setHostAddress("127.0.0.1");
        source.setHostName("127.0.0.1");
    }

    ~ConnectionTest() override {
        driver.reset();
        connection.reset();
        if (peer)
            peer->waitDone(6000);
    }

    void makeConnection(HostLookup::Resolver resolver = HostLookup::systemResolver()) {
        driver.reset();
        connection = std::make_unique<FtpSession>(
            source, 7, FtpSession::Deps{host, prompts, clock, timing, std::move(resolver)});
        driver = std::make_unique<OperationDriver>(
            *connection, source, OperationDriver::Deps{host, prompts, clock, timing});
        ASSERT_TRUE(connection->create());
    }

    // Starts the peer's script and connects to it.
    void connectTo(ScriptedPeer& p) {
        source.port = p.port();
        p.start();
        makeConnection();
        connection->beginConnection();
    }

    // Connections go through the FTP proxy at `proxyHost`:`proxyPort` to
    // the site `site`.
    void throughProxy(const char* proxyHost, quint16 proxyPort,
                      const char* site = "ftp.example.test") {
        source.useProxy = 1;
        source.proxyHost = proxyHost;
        source.proxyPort = proxyPort;
        source.setHostName(site);
        source.setHostAddress(site);
    }

    ScriptedPeer& newPeer() {
        peer = std::make_unique<ScriptedPeer>();
        return *peer;
    }

    // Waits for the peer's script to end; its expectations must all hold.
    void finishPeer() {
        ASSERT_TRUE(waitUntil([&] { return peer->done(); }, 10000));
        spinFor(30);
        EXPECT_TRUE(peer->failures().isEmpty()) << peer->failures().join('\n').toStdString();
    }

    // Runs a command written as its wire line ("MKD /new\r\n").
    bool runLine(const QString& line) {
        QString text = line;
        text.chop(2);
        const qsizetype blank = text.indexOf(QLatin1Char(' '));
        return connection->runCommand(
            blank < 0 ? FtpCommand::bare(text)
                      : FtpCommand::with(text.left(blank), text.mid(blank + 1)));
    }

    bool waitLoggedIn() {
        return waitUntil([&] { return !host.folders.isEmpty(); });
    }

    // Connects to the peer and waits until the login has named the folder.
    bool loginTo(ScriptedPeer& p) {
        connectTo(p);
        return waitLoggedIn();
    }

    RecordingHost host;
    ScriptedPrompts prompts;
    ManualClock clock;
    Timing timing;
    ConnectionSource source;
    std::unique_ptr<FtpSession> connection;
    std::unique_ptr<OperationDriver> driver; // drives `connection`
    std::unique_ptr<ScriptedPeer> peer;
};

inline const char* const kCannotConnect = "不能连接服务器！";
inline const char* const kLookupFailed = "找不到FTP站点地址！";
inline const char* const kStopped = "不能成功完成操作，操作停止！";
inline const char* const kReceiveFailed =
    "网络连接出错，不能接收数据，请关闭连接后再重新连接服务器！";
