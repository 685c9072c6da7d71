// A large file fetched over several connections at once: the ranges go
// into a part file allocated at full size, their progress into a state
// file, and the file takes its name only when every range is done.
#include "core/engine/connection_source.h"
#include "core/engine/ftp_host.h"
#include "core/engine/ftp_session.h"
#include "core/engine/result_texts.h"
#include "core/tasks/operation_driver.h"
#include "core/tasks/segment_worker.h"

#include <QThread>

#include <vector>

struct SegmentRun {
    std::unique_ptr<SegmentJob> job;
    std::vector<std::unique_ptr<SegmentThread>> threads;
};

void OperationDriver::SegmentRunDeleter::operator()(SegmentRun* run) const {
    delete run;
}

// The part and state files of the head item, opened with the plan they
// hold or a new one; null when the file must come over this connection.
std::unique_ptr<SegmentJob> OperationDriver::openSegmentJob() {
    const quint64 size = op_.itemSizes.first();
    const QString target = localPathOf();
    auto job = std::make_unique<SegmentJob>(source_, clock_);
    job->size = size;
    job->sitePath = op_.itemPaths.first();
    job->part.setFileName(partFileFor(target));
    job->state.setFileName(stateFileFor(target));

    // A resumed download goes on from the state file beside its part file.
    // Files of these names that are not a sound record of this download
    // belong to someone else (a listed "x.cftp", a damaged record): they
    // are never overwritten, and the file comes over this connection.
    bool continued = false;
    if (job->part.exists() || job->state.exists()) {
        const std::optional<SegmentPlan> plan =
            resumeTransfer_ ? SegmentPlan::readRecord(target, size) : std::nullopt;
        if (!plan) {
            session_.addNote(QString::fromUtf8(EngineText::SegmentNamesTaken) +
                             job->part.fileName());
            return nullptr;
        }
        job->plan = *plan;
        continued = true;
    }
    if (!continued) {
        job->plan = SegmentPlan::split(size, source_.segmentLimit);
        job->plan.siteTime = sizeCheckedTime_;
    }
    QIODevice::OpenMode partMode = QIODevice::ReadWrite | QIODevice::Unbuffered;
    if (!continued)
        partMode |= QIODevice::Truncate;
    if (!job->part.open(partMode) ||
        (job->part.size() != qint64(size) && !job->part.resize(qint64(size)))) {
        job->part.close();
        return nullptr; // the file comes over this connection instead
    }
    if (!job->state.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        job->part.close();
        return nullptr;
    }
    job->saveState();
    return job;
}

// What the workers need to log in as this connection did, and how long
// they wait.
void OperationDriver::describeConnectionTo(SegmentJob& job) const {
    job.login = session_.sessionLogin();
    job.timing = timing_;
}

bool OperationDriver::tryStartSegmented() {
    stopSegments();
    std::unique_ptr<SegmentJob> job = openSegmentJob();
    if (!job)
        return false;
    describeConnectionTo(*job);

    source_.abortRequested = false;
    source_.bytesDone = quint64(job->plan.bytesWritten);
    int workers = 0;
    for (int i = 0; i < job->plan.count(); ++i)
        workers += job->plan.done.at(i) < job->plan.length.at(i);
    segmentRun_.reset(new SegmentRun);
    source_.runningThreads = workers;
    segmentRun_->job = std::move(job);
    for (int i = 0; i < workers; ++i) {
        auto thread = std::make_unique<SegmentThread>(*segmentRun_->job);
        thread->start();
        segmentRun_->threads.push_back(std::move(thread));
    }
    segmented_ = true;
    session_.beginRangedDownload();
    session_.watchSegments(true);
    return true;
}

// All workers have ended: the file is whole, or it waits for a resume with
// its part and state files.
void OperationDriver::checkSegments() {
    if (!segmented_ || !segmentRun_ || source_.runningThreads.load() > 0)
        return;
    session_.watchSegments(false);
    const std::unique_ptr<SegmentRun> run(segmentRun_.release());
    for (auto& thread : run->threads)
        thread->wait();
    SegmentJob& job = *run->job;
    segmented_ = false;
    session_.endRangedDownload();
    job.state.close();
    job.part.close();
    if (job.plan.complete(job.size)) {
        const QString target = localPathOf();
        QFile::remove(target);
        if (!QFile::rename(job.part.fileName(), target)) {
            session_.reset(true);
            session_.report(EndMessage::WriteFailed);
            return;
        }
        job.state.remove();
        op_.dropHead();
        session_.postContinue();
        return;
    }
    session_.reset(true); // the task stays, as do the part and state files
    if (host_.userInterrupted())
        session_.report(EndMessage::Interrupted);
    host_.postResume();
}

// Ends the workers of a download that is being given up (the connection
// closes or goes away); their files stay for a resume.
void OperationDriver::stopSegments() {
    if (!segmentRun_)
        return;
    source_.abortRequested = true;
    for (auto& thread : segmentRun_->threads)
        thread->wait();
    segmentRun_.reset();
    segmented_ = false;
    session_.watchSegments(false);
}
