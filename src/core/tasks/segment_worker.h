#pragma once

#include "core/engine/session_login.h"
#include "core/platform/message_target.h"
#include "core/tasks/segment_plan.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QThread>

#include <memory>
#include <optional>

class AsyncSocket;
struct FtpReply;
class Clock;
class ConnectionSource;

// What the workers of one segmented download share. The plan, the files
// and `nextSegment` are touched only under the source's lock; the login
// values are set before the workers start and only read after.
struct SegmentJob {
    ConnectionSource& source;
    Clock& clock; // read from every worker's thread
    SegmentPlan plan;
    int nextSegment = 0;
    quint32 size = 0;
    QString sitePath;
    QFile part;
    QFile state;
    // The main connection's login, taken on the UI thread. Never through
    // a proxy: a file is fetched in ranges only over a direct connection.
    SessionLogin login;
    int dataTlsGraceMs = 0; // how long a data handshake waits for RETR's answer
    // A connection silent this long has failed; so has a command whose
    // reply does not come in replyWaitMs (a reply lost between a busy
    // server and this connection would otherwise hold the range for good).
    int idleLimitMs = 20000;
    int replyWaitMs = 10000;

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

// One connection of a segmented download, on a thread of its own: it logs
// in, takes an unfinished range, fetches it with "REST" and "RETR" into the
// part file, and takes the next until none is left. A range that fails is
// tried again from its recorded progress, up to three times.
class SegmentWorker : public MessageTarget {
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
    enum class Step {
        Connecting,
        Greeting,
        Auth,
        Handshake,
        User,
        Pass,
        Acct,
        Pbsz,
        Prot,
        Type,
        Port,
        Pasv,
        Rest,
        Retr,
        Quit
    };
    static constexpr int WatchTimer = 1;
    static constexpr int RetryTimer = 2;
    static constexpr int MaxAttempts = 3;

    bool takeSegment();
    void connectControl();
    void onControlEvent(int event, int error);
    void onReply(const FtpReply& reply);
    void onLoginReply(int code);
    void onTransferReply(const FtpReply& reply);
    void send(const QString& line, Step next);
    void sendUser();
    void afterLogin();
    void onControlSecured(int error);
    void startControlTls();
    void secureDataWhenDue();
    void dataOpened();
    bool sendPort();
    void sendRest();
    bool connectPassive(const FtpReply& reply);
    void onDataConnected(int error);
    void onAccept();
    void onData(int event, int error);
    bool store(qint64 n);
    void dataEnded();
    void rangeDone();
    void controlClosed();
    void segmentFailed();
    void closeSockets();
    void finish();

    SegmentJob& job_;
    std::unique_ptr<AsyncSocket> control_;
    std::unique_ptr<AsyncSocket> listen_;
    std::unique_ptr<AsyncSocket> data_;
    QByteArray replies_;
    QByteArray buffer_;
    Step step_ = Step::Connecting;
    int current_ = -1; // the range being fetched
    int attempts_ = 0; // of the current range
    // Tick counts of the job's clock: the last sign of the server, the
    // command now unanswered going out, and "RETR" going out (the data
    // handshake waits for its "150", or a moment).
    std::optional<quint32> activity_;
    std::optional<quint32> awaitingReply_;
    std::optional<quint32> retrSent_;
    bool finished_ = false;
    bool dataConnected_ = false;
    quint32 now() const;
    bool longerThan(const std::optional<quint32>& since, int ms) const;
};
