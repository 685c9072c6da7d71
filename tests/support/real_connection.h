#pragma once

#include "core/engine/connection_source.h"
#include "core/engine/ftp_session.h"
#include "core/tasks/operation_driver.h"
#include "manual_clock.h"
#include "pyftpd_server.h"
#include "recording_host.h"
#include "scripted_prompts.h"
#include "wait.h"

#include <QElapsedTimer>
#include <QTemporaryDir>

#include <memory>

// A connection logged in to a real server, with task files in a
// temporary program folder.
struct RealConnection {
    RecordingHost host;
    ScriptedPrompts prompts;
    ManualClock clock;
    ConnectionSource source;
    QTemporaryDir home;
    std::unique_ptr<FtpSession> connection;
    std::unique_ptr<OperationDriver> driver; // drives `connection`, gone before it
    ~RealConnection() { driver.reset(); }
    Timing timing = [] {
        Timing t;
        t.uploadTailPauseMs = 20;
        return t;
    }();

    void connect(const QString& address, quint16 port, const QString& password,
                 const QString& startFolder = "/") {
        source.setHostAddress(address);
        source.setHostName(address);
        source.port = port;
        source.setUser(PyFtpdServer::User);
        source.setPassword(password);
        source.setStartFolder(startFolder);
        source.taskFolder = home.path() + "/";
        host.prompts = &prompts;
        driver.reset();
        connection =
            std::make_unique<FtpSession>(source, 1, FtpSession::Deps{host, prompts, clock, timing});
        driver = std::make_unique<OperationDriver>(
            *connection, source, OperationDriver::Deps{host, prompts, clock, timing});
        if (connection->create())
            connection->beginConnection();
    }

    bool login(const PyFtpdServer& server, const QString& startFolder = "/") {
        connect("127.0.0.1", server.port(), PyFtpdServer::Password, startFolder);
        return waitUntil([&] { return !host.folders.isEmpty(); }, 10000);
    }

    bool idle() const {
        return !connection->hasQueuedCommands() && !driver->isRunning() &&
               !connection->isTransferring();
    }

    // The clock runs with real time meanwhile, so that segment workers give
    // up on a range the server has stopped sending as they would for real.
    bool waitAllDone(int ms = 30000) {
        QElapsedTimer real;
        real.start();
        qint64 counted = 0;
        // One completion, taken: the next wait is for the next operation.
        const bool done = waitUntil(
            [&] {
                const qint64 now = real.elapsed();
                clock.advance(quint32(now - counted));
                counted = now;
                return host.outcomes.count(Outcome::Completed) == 1;
            },
            ms);
        host.outcomes.clear();
        return done;
    }

    QString transcript() const { return host.transcript; }
};
