#pragma once

#include "core/engine/connection_source.h"
#include "core/engine/session_login.h"
#include "core/engine/session_operations.h"
#include "core/engine/unwatched_host.h"
#include "core/platform/message_target.h"
#include "core/platform/prompts.h"
#include "core/platform/timing.h"
#include "core/tasks/segment_plan.h"

#include <QFile>
#include <QString>
#include <QThread>

#include <memory>

class Clock;
class FtpSession;

// What the workers of one segmented download share. The plan, the files
// and `nextSegment` are touched only under the source's lock; the login
// and the timing are set before the workers start and only read after.
struct SegmentJob {
    ConnectionSource& source;
    Clock& clock; // read from every worker's thread
    SegmentPlan plan;
    int nextSegment = 0;
    quint64 size = 0;
    QString sitePath;
    QFile part;
    QFile state;
    // The main connection's login, taken on the UI thread. Never through
    // a proxy: a file is fetched in ranges only over a direct connection.
    SessionLogin login;
    // The main connection's, for the data handshake's grace and how long a
    // range's connection may be silent (segmentIdleMs) or leave a command
    // unanswered (segmentReplyWaitMs) before the range is tried again.
    Timing timing;

    SegmentJob(ConnectionSource& s, Clock& c) : source(s), clock(c) {}
    // Under the lock: the state file rewritten from the plan.
    void saveState();
};

// A thread that makes its worker, runs it, and ends with it. The worker is
// made on its own thread and nothing crosses between the threads but the
// job (under the lock, or atomics) and the thread's start and end.
class SegmentThread : public QThread {
public:
    explicit SegmentThread(SegmentJob& job) : job_(job) {}

protected:
    void run() override;

private:
    SegmentJob& job_;
};

// One connection of a segmented download, on a thread of its own. It is an
// FTP session like the main connection's, logged in the same way, whose
// operation is this: take an unfinished range, fetch it with "REST" and
// "RETR" into its place in the part file, cut the transfer at the range's
// end, and take the next range on the same connection until none is left.
// A range that fails is tried again from its recorded progress on a new
// connection after a pause, up to three times.
class SegmentWorker : public MessageTarget, private SessionOperations {
    Q_OBJECT
public:
    explicit SegmentWorker(SegmentJob& job);
    ~SegmentWorker() override;

    // Runs on the worker's thread, which made the worker.
    void start();

protected:
    void onMessage(int msg, WParam wParam, LParam lParam) override;
    void onTimer(int id) override;

private:
    // What follows once the session is gone.
    enum class Next { Retry, NextRange, Finish };
    static constexpr int WatchTimer = 1;
    static constexpr int RetryTimer = 2;
    static constexpr int TeardownTimer = 3;
    static constexpr int MaxAttempts = 3;

    bool takeSegment();
    bool rangeComplete() const;
    void connect();
    void fetchRange();
    void sessionEnded();
    void endSession(Next next);
    void finish();

    // The session's operation.
    bool holdsConnection() const override { return true; }
    bool isRunning() const override { return true; }
    bool isSegmented() const override { return false; }
    bool continuesTransfer() const override { return true; }
    QString downloadPath() const override { return job_.part.fileName(); }
    QString uploadSource(const QString&) override { return {}; }
    quint64 expectedSize() const override;
    bool itemsPending() const override { return false; }
    bool isUpdating() const override { return false; }
    bool storesDownloads() const override { return true; }
    void continueOperation() override;
    void checkSegments() override {}
    void operationReset() override {}
    void connectionClosed() override { sessionEnded(); }
    bool takeContinuation() override { return false; }
    void downloadOpened() override {}
    Stored storeDownloaded(const char* data, qint64 length) override;
    bool lineRefused(const OperationEnd&) override { return false; }
    void appendRefused() override {}
    void restartRefused() override;
    bool listingArrived(const QByteArray&) override { return false; }
    void fileChecked(const QByteArray&, bool, bool) override {}
    void fileTransferEnded(bool complete) override;
    bool transferEndedShort() override { return false; }
    void itemDone() override {}

    SegmentJob& job_;
    ConnectionSource ownSource_; // the session's: its login and counters
    UnwatchedHost host_;
    UnattendedPrompts prompts_;
    std::unique_ptr<FtpSession> session_;
    int current_ = -1; // the range being fetched
    int attempts_ = 0; // of the current range
    bool quitting_ = false;
    // The session is done with (failed, or said goodbye): whatever it says
    // until it is gone changes nothing.
    bool ending_ = false;
    Next next_ = Next::Finish;
    bool finished_ = false;
};
