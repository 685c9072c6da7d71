// Files of 4.5 GiB against pyftpdlib: down whole and in ranges, cut past
// the 4 GiB mark and resumed, up whole and continued past that mark; each
// byte-exact. The server's file is sparse, with marks where a count cut to
// 32 bits would go wrong.
#include "file_bytes.h"
#include "pyftpd_server.h"
#include "real_connection.h"
#include "wait.h"

#include "core/tasks/segment_plan.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

constexpr qint64 kLarge = (qint64(4) << 30) + (qint64(1) << 29);
constexpr qint64 k4GiB = qint64(1) << 32;
// Long enough for 4.5 GiB through a sanitizer on a busy machine.
constexpr int kLargeWaitMs = 600000;

// A sparse file of kLarge bytes with marks at its start, either side of
// 4 GiB and at its end.
void writeLarge(const QString& path) {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_TRUE(f.resize(kLarge));
    for (const qint64 at : {qint64(0), k4GiB - 5, k4GiB + 3, kLarge - 8}) {
        ASSERT_TRUE(f.seek(at));
        ASSERT_EQ(f.write(QByteArray::number(at, 16).rightJustified(8, '@', true)), 8);
    }
}

// Same size and the same bytes, compared in blocks.
::testing::AssertionResult sameFile(const QString& expected, const QString& actual) {
    QFile a(expected);
    QFile b(actual);
    if (!a.open(QIODevice::ReadOnly) || !b.open(QIODevice::ReadOnly))
        return ::testing::AssertionFailure() << "cannot open " << actual.toStdString();
    if (a.size() != b.size())
        return ::testing::AssertionFailure() << "size " << b.size() << ", not " << a.size();
    constexpr qint64 Block = 8 << 20;
    for (qint64 at = 0; at < a.size(); at += Block) {
        if (a.read(Block) != b.read(Block))
            return ::testing::AssertionFailure() << "differs in the block at " << at;
    }
    return ::testing::AssertionSuccess();
}

// The largest offset a REST of the transcript named.
qint64 largestRestart(const RealConnection& c) {
    qint64 largest = 0;
    const QRegularExpression rest(QStringLiteral("REST (\\d+)"));
    for (auto it = rest.globalMatch(c.connection->transcript().text()); it.hasNext();)
        largest = qMax(largest, it.next().captured(1).toLongLong());
    return largest;
}

QString taskIn(const QString& folder) {
    return QDir(folder).entryList({QStringLiteral("*.npm")}, QDir::Files).value(0);
}

} // namespace

// Down over one connection, then in three ranges; the stock server.
TEST(LargeFiles, ComeDownWholeAndInRanges) {
    PyFtpdServer server({"--stock"});
    ASSERT_TRUE(server.start());
    const QString source = server.root() + "/disk.img";
    writeLarge(source);
    for (const bool ranges : {false, true}) {
        SCOPED_TRACE(ranges ? "in ranges" : "whole");
        RealConnection c;
        c.source.segmentsAllowed = ranges;
        c.source.segmentLimit = ranges ? 3 : 1;
        ASSERT_TRUE(c.login(server));
        ASSERT_TRUE(waitUntil([&] { return c.source.restSupported.load(); }));
        QTemporaryDir local;
        c.driver->startDownload(local.path() + "/", "/", {"/disk.img"}, {quint64(kLarge)});
        if (ranges) {
            ASSERT_TRUE(waitUntil([&] { return c.driver->isSegmented(); }, 10000));
        }
        ASSERT_TRUE(c.waitAllDone(kLargeWaitMs)) << c.prompts.shown.join('|').toStdString();
        EXPECT_TRUE(sameFile(source, local.path() + "/disk.img"));
        EXPECT_EQ(c.prompts.shown, QStringList{QString::fromUtf8("所有操作已成功完成！")})
            << "nothing left out, no question";
    }
}

// The server goes away once more than 4 GiB are in; the task goes on with a
// restart offset past 32 bits and the file ends whole.
TEST(LargeFiles, ACutDownloadGoesOnPastThe4GiBMark) {
    PyFtpdServer server;
    ASSERT_TRUE(server.start());
    const QString source = server.root() + "/disk.img";
    writeLarge(source);
    QTemporaryDir local;
    QString task;
    {
        RealConnection c;
        ASSERT_TRUE(c.login(server));
        ASSERT_TRUE(waitUntil([&] { return c.source.restSupported.load(); }));
        c.driver->startDownload(local.path() + "/", "/", {"/disk.img"}, {quint64(kLarge)});
        ASSERT_TRUE(waitUntil(
            [&] { return c.source.bytesDone.load() > quint64(k4GiB) + (64 << 20); }, kLargeWaitMs));
        server.kill();
        ASSERT_TRUE(waitUntil([&] { return !c.connection->isTransferring(); }, 30000));
        task = taskIn(c.home.path());
        ASSERT_FALSE(task.isEmpty());
        ASSERT_TRUE(QFile::copy(c.home.path() + "/" + task, local.path() + "/" + task));
    }
    const qint64 kept = QFileInfo(local.path() + "/disk.img").size();
    ASSERT_GT(kept, k4GiB);
    ASSERT_LT(kept, kLarge);

    ASSERT_TRUE(server.restart());
    RealConnection again;
    ASSERT_TRUE(again.login(server));
    ASSERT_TRUE(waitUntil([&] { return again.source.restSupported.load(); }));
    again.source.taskFolder = local.path() + "/";
    ASSERT_TRUE(again.driver->resumeTask(task)) << again.prompts.shown.join('|').toStdString();
    ASSERT_TRUE(again.waitAllDone(kLargeWaitMs)) << again.prompts.shown.join('|').toStdString();
    EXPECT_GE(largestRestart(again), kept) << "continued past 4 GiB, not started again";
    EXPECT_TRUE(sameFile(source, local.path() + "/disk.img"));
}

// Up whole; then, the site's copy cut back to a little past 4 GiB, an
// upload that continues sends only the rest.
TEST(LargeFiles, GoUpWholeAndContinuePastThe4GiBMark) {
    PyFtpdServer server;
    ASSERT_TRUE(server.start());
    QTemporaryDir local;
    const QString source = local.path() + "/disk.img";
    writeLarge(source);
    RealConnection c;
    ASSERT_TRUE(c.login(server));
    ASSERT_TRUE(waitUntil([&] { return c.source.restSupported.load(); }));
    c.driver->startUpload("/", local.path() + "/", {source}, {quint64(kLarge)});
    ASSERT_TRUE(c.waitAllDone(kLargeWaitMs)) << c.prompts.shown.join('|').toStdString();
    const QString onSite = server.root() + "/disk.img";
    EXPECT_TRUE(sameFile(source, onSite));

    QFile cut(onSite);
    ASSERT_TRUE(cut.resize(k4GiB + 1000));
    ASSERT_TRUE(waitUntil([&] { return c.idle(); }));
    c.driver->resumeNextTransferForTest();
    c.driver->startUpload("/", local.path() + "/", {source}, {quint64(kLarge)});
    ASSERT_TRUE(c.waitAllDone(kLargeWaitMs)) << c.prompts.shown.join('|').toStdString();
    EXPECT_TRUE(c.connection->transcript().text().contains("APPE /disk.img"));
    EXPECT_TRUE(sameFile(source, onSite));
}
