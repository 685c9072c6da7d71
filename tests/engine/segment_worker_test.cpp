// One segment worker alone against the scripted peer: its login, ranges that
// go on where they stopped, a second range on the same connection, a
// refused REST, a server that hangs up mid-range.
#include "core/engine/connection_source.h"
#include "core/tasks/segment_worker.h"
#include "file_bytes.h"
#include "manual_clock.h"
#include "scripted_peer.h"
#include "wait.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

constexpr int RangeSize = 65536;

class SegmentWorkerTest : public ::testing::Test {
protected:
    SegmentWorkerTest() : content(patternedBytes(2 * RangeSize, 41)), job(source, clock) {
        job.plan = SegmentPlan::split(quint32(content.size()), 2);
        job.size = quint32(content.size());
        job.sitePath = "/f.bin";
        job.login.host = "127.0.0.1";
        job.login.user = "u";
        job.login.password = "p";
        job.login.passive = true;
        job.part.setFileName(home.path() + "/f.bin.cftp");
        job.state.setFileName(home.path() + "/f.bin.cnpm");
    }

    // The login and the head of one range's transfer, up to RETR's "150".
    void rangeStart(ScriptedPeer& p, qint64 from) {
        p.send("220 ready\r\n").on("USER u", "331 pw").on("PASS p", "230 in");
        p.on("TYPE I", "200 binary").passive("PASV").acceptData();
        p.on("REST " + QByteArray::number(from), "350 restart there");
        p.on("RETR /f.bin", "150 sending");
    }

    // Runs one worker on its own thread, as a download does, until it ends.
    bool runWorker(ScriptedPeer& p) {
        job.login.port = p.port();
        EXPECT_TRUE(job.part.open(QIODevice::ReadWrite) && job.part.resize(content.size()));
        EXPECT_TRUE(job.state.open(QIODevice::WriteOnly));
        p.start();
        source.runningThreads = 1;
        SegmentThread thread(job);
        thread.start();
        const bool ended = waitUntil([&] { return source.runningThreads.load() == 0; }, 20000);
        if (!ended)
            source.abortRequested = true;
        thread.wait();
        job.part.close();
        return ended && p.waitDone(5000);
    }

    QTemporaryDir home;
    QByteArray content;
    ConnectionSource source;
    ManualClock clock;
    SegmentJob job;
};

} // namespace

TEST_F(SegmentWorkerTest, RangesGoOnWhereTheyStoppedAndTheNextTakesTheSameConnection) {
    ScriptedPeer p;
    // The first range: six bytes, then the server hangs up.
    rangeStart(p, 0);
    p.sendDataKeepOpen(content.left(6)).pause(100).acceptNext();
    // Tried again from what it has; the server sends on past the range's
    // end, which belongs to the next range and is dropped. The worker cuts
    // the transfer there, and the server says so.
    rangeStart(p, 6);
    p.sendDataKeepOpen(content.mid(6, RangeSize + 100)).expectDataClosed();
    p.send("426 Transfer aborted\r\n");
    // The second range on the same connection, in the type it already has.
    p.passive("PASV").acceptData();
    p.on("REST " + QByteArray::number(RangeSize), "350 restart there");
    p.on("RETR /f.bin", "150 sending").sendDataAndClose(content.mid(RangeSize));
    p.send("226 done\r\n").on("QUIT", "221 bye").close();

    ASSERT_TRUE(runWorker(p)) << p.received().join('|').toStdString();
    EXPECT_TRUE(p.failures().isEmpty()) << p.failures().join('\n').toStdString();
    EXPECT_EQ(readBytes(home.path() + "/f.bin.cftp"), content);
    EXPECT_EQ(job.plan.done, job.plan.length);
    EXPECT_EQ(job.plan.bytesWritten, content.size());
    EXPECT_EQ(source.bytesDone.load(), quint32(content.size()));
}

// A server that will not restart where the range starts would send the file
// from its first byte into the range's place: the range goes to a new
// connection, which asks again.
TEST_F(SegmentWorkerTest, ARefusedRestIsAskedAgainOnANewConnection) {
    job.plan = SegmentPlan::split(quint32(content.size()), 2);
    job.nextSegment = 1; // the second range only
    ScriptedPeer p;
    p.send("220 ready\r\n").on("USER u", "331 pw").on("PASS p", "230 in");
    p.on("TYPE I", "200 binary").passive("PASV").acceptData();
    p.on("REST " + QByteArray::number(RangeSize), "501 not now").expectSilence(300);
    p.acceptNext();
    rangeStart(p, RangeSize);
    p.sendDataAndClose(content.mid(RangeSize)).send("226 done\r\n");
    p.on("QUIT", "221 bye").close();

    ASSERT_TRUE(runWorker(p)) << p.received().join('|').toStdString();
    EXPECT_TRUE(p.failures().isEmpty()) << p.failures().join('\n').toStdString();
    EXPECT_EQ(readBytes(home.path() + "/f.bin.cftp").mid(RangeSize), content.mid(RangeSize));
    EXPECT_EQ(job.plan.done, (QList<qint64>{0, RangeSize}));
}

// A login the server refuses costs the range its attempts, then leaves it
// unfinished for a resume; nothing is written.
TEST_F(SegmentWorkerTest, ARefusedLoginLeavesTheRangesForAResume) {
    job.plan = SegmentPlan::split(quint32(RangeSize), 1);
    job.size = RangeSize;
    ScriptedPeer p;
    for (int attempt = 0; attempt < 3; ++attempt) {
        p.send("220 ready\r\n").on("USER u", "331 pw").on("PASS p", "530 no");
        if (attempt < 2)
            p.acceptNext();
    }
    p.expectClosed();
    ASSERT_TRUE(runWorker(p));
    EXPECT_TRUE(p.failures().isEmpty()) << p.failures().join('\n').toStdString();
    EXPECT_EQ(job.plan.done, QList<qint64>{0});
    EXPECT_EQ(source.bytesDone.load(), 0u);
}
