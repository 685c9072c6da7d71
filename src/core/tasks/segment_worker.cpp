#include "core/tasks/segment_worker.h"

#include "core/engine/ftp_command.h"
#include "core/engine/ftp_session.h"

#include <QThread>

#include <limits>
#include <mutex>

namespace {

// A range's connection waits as the main connection's workers are told:
// silence on a transfer for segmentIdleMs, and otherwise segmentReplyWaitMs
// for the server's word (a reply lost between a busy server and this
// connection would hold the range for good). It is never idle long enough
// to need a keep-alive.
Timing rangeTiming(const Timing& main) {
    Timing timing = main;
    timing.connectTimeoutMs = main.segmentReplyWaitMs;
    timing.deadConnectionMs = main.segmentReplyWaitMs;
    timing.dataTimeoutMs = main.segmentIdleMs;
    timing.keepAliveIdleMs = std::numeric_limits<int>::max();
    return timing;
}

constexpr int WatchIntervalMs = 1000;
constexpr int RetryPauseMs = 1000;

} // namespace

void SegmentJob::saveState() {
    if (!state.isOpen())
        return;
    const QByteArray bytes = plan.encode();
    if (state.seek(0) && state.write(bytes) == bytes.size())
        state.resize(bytes.size());
}

void SegmentThread::run() {
    SegmentWorker worker(job_);
    worker.start();
    exec();
}

SegmentWorker::SegmentWorker(SegmentJob& job)
    : job_(job), host_([this](const OperationEnd&) { sessionEnded(); }) {}

SegmentWorker::~SegmentWorker() = default;

void SegmentWorker::start() {
    setTimer(WatchTimer, WatchIntervalMs);
    if (takeSegment())
        connect();
    else
        finish();
}

bool SegmentWorker::takeSegment() {
    std::lock_guard<std::mutex> lock(job_.source.lock);
    const std::optional<int> next = job_.plan.nextUnfinished(job_.nextSegment);
    if (!next) {
        job_.nextSegment = job_.plan.count();
        return false;
    }
    current_ = *next;
    job_.nextSegment = *next + 1;
    attempts_ = 0;
    return true;
}

bool SegmentWorker::rangeComplete() const {
    std::lock_guard<std::mutex> lock(job_.source.lock);
    return current_ >= 0 && job_.plan.done.at(current_) >= job_.plan.length.at(current_);
}

// A new session for the current range; its login ends in continueOperation.
void SegmentWorker::connect() {
    ending_ = false;
    quitting_ = false;
    session_ = std::make_unique<FtpSession>(
        ownSource_, 0, FtpSession::Deps{host_, prompts_, job_.clock, rangeTiming(job_.timing)});
    session_->setOperations(this);
    if (!session_->create()) {
        endSession(Next::Finish);
        return;
    }
    session_->beginTransferConnection(job_.login);
}

// Logged in, or a range is in: the current range goes on from what it has,
// or the next one starts, or the connection says goodbye.
void SegmentWorker::continueOperation() {
    if (ending_ || quitting_)
        return;
    if (rangeComplete() && !takeSegment()) {
        quitting_ = true;
        session_->quit();
        return;
    }
    fetchRange();
}

void SegmentWorker::fetchRange() {
    quint64 from = 0;
    {
        std::lock_guard<std::mutex> lock(job_.source.lock);
        from = quint64(job_.plan.offsetOf(current_) + job_.plan.done.at(current_));
    }
    session_->queueDataCommand(QStringLiteral("I"),
                               FtpCommand::with(QStringLiteral("RETR"), job_.sitePath), from);
    session_->send();
}

quint64 SegmentWorker::expectedSize() const {
    std::lock_guard<std::mutex> lock(job_.source.lock);
    return current_ < 0 ? 0 : quint64(job_.plan.length.at(current_) - job_.plan.done.at(current_));
}

// The bytes of this range go to their place in the part file; bytes beyond
// its end belong to another range and are dropped.
SessionOperations::Stored SegmentWorker::storeDownloaded(const char* data, qint64 length) {
    if (ending_)
        return Stored::Enough;
    bool written = true;
    bool complete = false;
    {
        std::lock_guard<std::mutex> lock(job_.source.lock);
        const qint64 rangeLength = job_.plan.length.at(current_);
        qint64& done = job_.plan.done[current_];
        const qint64 take = qMin<qint64>(length, rangeLength - done);
        if (take > 0) {
            written = job_.part.seek(job_.plan.offsetOf(current_) + done) &&
                      job_.part.write(data, take) == take;
            if (written) {
                done += take;
                job_.plan.bytesWritten += take;
                job_.source.bytesDone += quint64(take);
                job_.saveState();
            }
        }
        complete = done >= rangeLength;
    }
    if (!written) {
        // The disk is full or gone: every range stops; the task stays.
        job_.source.abortRequested = true;
        return Stored::Failed;
    }
    return complete ? Stored::Enough : Stored::More;
}

// The server would send the whole file from byte 0, which is not this
// range: nothing more goes out on this connection.
void SegmentWorker::restartRefused() {
    session_->reset(false);
    sessionEnded();
}

void SegmentWorker::fileTransferEnded(bool) {
    if (ending_)
        return;
    if (rangeComplete())
        session_->postContinue();
    else
        sessionEnded();
}

// The session failed, closed or said goodbye (each told once or more).
void SegmentWorker::sessionEnded() {
    if (ending_)
        return;
    if (quitting_ || rangeComplete()) // at most its goodbye went wrong
        endSession(Next::NextRange);
    else if (job_.source.abortRequested)
        endSession(Next::Finish);
    else if (++attempts_ < MaxAttempts)
        endSession(Next::Retry);
    else
        endSession(Next::NextRange); // left unfinished for a later resume
}

// The session may be inside one of its own handlers now: it is dropped, and
// what follows happens, once that handler has returned.
void SegmentWorker::endSession(Next next) {
    ending_ = true;
    next_ = next;
    setTimer(TeardownTimer, 0, TimerKind::SingleShot);
}

void SegmentWorker::onTimer(int id) {
    if (finished_)
        return;
    switch (id) {
    case TeardownTimer:
        session_.reset();
        if (next_ == Next::Retry && !job_.source.abortRequested)
            setTimer(RetryTimer, RetryPauseMs, TimerKind::SingleShot);
        else if (next_ == Next::NextRange && !job_.source.abortRequested && takeSegment())
            connect();
        else
            finish();
        return;
    case RetryTimer:
        connect();
        return;
    case WatchTimer:
        if (job_.source.abortRequested && !ending_)
            endSession(Next::Finish);
        else if (session_ && !ending_)
            session_->onFrameTick();
        return;
    default:
        return;
    }
}

void SegmentWorker::onMessage(int, WParam, LParam) {}

void SegmentWorker::finish() {
    if (finished_)
        return;
    finished_ = true;
    session_.reset();
    killTimer(WatchTimer);
    killTimer(RetryTimer);
    killTimer(TeardownTimer);
    job_.source.runningThreads.fetch_sub(1);
    QThread::currentThread()->quit();
}
