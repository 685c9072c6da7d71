#include "core/engine/operation_record.h"
#include "core/tasks/transfer_queue.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

const QString kSite = QStringLiteral("127.0.0.1:21 tester");
const QString kOther = QStringLiteral("127.0.0.1:2121 tester");

TransferRequest rows(const QStringList& paths, const QList<quint64>& sizes,
                     const QList<qint32>& kinds) {
    TransferRequest r;
    r.localFolder = QStringLiteral("/home/u/dl/");
    r.siteFolder = QStringLiteral("/pub");
    r.paths = paths;
    r.sizes = sizes;
    r.kinds = kinds;
    return r;
}

TransferRequest folderUpload(const QString& local) {
    TransferRequest r;
    r.kind = TransferRequest::Kind::Folder;
    r.download = false;
    r.localFolder = local;
    r.siteFolder = QStringLiteral("/pub");
    return r;
}

} // namespace

// Each site's transfers run in the order given; one waiting for another
// site is passed over, and nothing that runs or has ended runs again.
TEST(TransferQueue, TransfersRunInOrderPerSiteAndOnlyOnce) {
    TransferQueue q;
    const int a = q.add(folderUpload("/home/u/a/"), kSite, "演示站点");
    const int b = q.add(folderUpload("/home/u/b/"), kOther, "其他站点");
    const int c = q.add(folderUpload("/home/u/c/"), kSite, "演示站点");
    ASSERT_EQ(q.nextFor(kSite)->id, a);
    q.setRunning(a);
    EXPECT_EQ(q.running()->id, a);
    EXPECT_EQ(q.nextFor(kSite)->id, c) << "the running one is not offered again";
    EXPECT_EQ(q.unfinishedCount(), 3);
    q.setDone(a);
    q.setRunning(c);
    q.setFailed(c, "服务器已关闭！", QString());
    EXPECT_EQ(q.nextFor(kSite), nullptr) << "a failed transfer waits for the user";
    EXPECT_EQ(q.nextFor(kOther)->id, b);
    EXPECT_EQ(q.unfinishedCount(), 1);

    // Retried: it waits its turn again, from the start (it left no task).
    q.requeue(c);
    EXPECT_EQ(q.nextFor(kSite)->id, c);
    EXPECT_EQ(q.item(c)->request.kind, TransferRequest::Kind::Folder);
    EXPECT_TRUE(q.item(c)->reason.isEmpty());
    q.requeue(a);
    EXPECT_EQ(q.item(a)->state, TransferItem::State::Done) << "only a failed one is retried";
}

// A transfer cut off with its task kept goes on from that task: it is
// found by the task's name, says it can be resumed, and forgets the task
// once it completes.
TEST(TransferQueue, AnInterruptedTransferResumesFromItsTask) {
    TransferQueue q;
    const int id = q.add(rows({"/pub/big.bin"}, {5000}, {OperationRecord::ChosenFile}), kSite, "s");
    q.setRunning(id);
    q.setFailed(id, "服务器已关闭！ 127.0.0.1:21", "20261210120000_1.npm");
    const TransferItem* item = q.item(id);
    EXPECT_TRUE(item->resumable());
    EXPECT_EQ(item->stateText(), QString::fromUtf8("已中断：服务器已关闭！ 127.0.0.1:21"));
    EXPECT_EQ(q.withTask("20261210120000_1.npm"), item);
    EXPECT_EQ(q.withTask(QString()), nullptr);
    q.requeue(id);
    EXPECT_EQ(item->taskFile, "20261210120000_1.npm") << "a retry goes on from the task";
    q.setRunning(id);
    q.setDone(id);
    EXPECT_TRUE(item->taskFile.isEmpty());
    EXPECT_EQ(q.withTask("20261210120000_1.npm"), nullptr);
    EXPECT_EQ(item->stateText(), QString::fromUtf8("已完成"));
}

// The running transfer is never removed from under the connection; clearing
// takes the completed ones only, so that failures stay until dealt with.
TEST(TransferQueue, RemovingAndClearingSpareWhatStillMatters) {
    TransferQueue q;
    QList<int> removed;
    QObject::connect(&q, &TransferQueue::itemRemoved, [&](int id) { removed << id; });
    const int done = q.add(folderUpload("/a/"), kSite, "s");
    const int failed = q.add(folderUpload("/b/"), kSite, "s");
    const int running = q.add(folderUpload("/c/"), kSite, "s");
    const int waiting = q.add(folderUpload("/d/"), kSite, "s");
    q.setRunning(done);
    q.setDone(done);
    q.setRunning(failed);
    q.setFailed(failed, "x", QString());
    q.setRunning(running);
    q.remove(running);
    EXPECT_NE(q.item(running), nullptr);
    q.clearFinished();
    EXPECT_EQ(removed, QList<int>{done});
    q.remove(waiting);
    q.remove(failed);
    EXPECT_EQ(removed, (QList<int>{done, waiting, failed}));
    EXPECT_EQ(q.items().size(), 1);
}

// What the list shows of a line: several chosen rows by the first and a
// count; a size only where it is known before the transfer runs; local
// folders without their trailing "/".
TEST(TransferQueue, TheLinesTextsNameWhatMovesWhere) {
    TransferQueue q;
    const int files = q.add(rows({"/pub/a 1.txt", "/pub/报表.xls", "/pub/b"}, {1024, 2048, 0},
                                 {OperationRecord::ChosenFile, OperationRecord::ChosenFile,
                                  OperationRecord::ChosenFile}),
                            kSite, "s");
    const TransferItem* f = q.item(files);
    EXPECT_EQ(f->directionText(), QString::fromUtf8("下载"));
    EXPECT_EQ(f->sourceText(), QString::fromUtf8("/pub/a 1.txt 等3项"));
    EXPECT_EQ(f->targetText(), "/home/u/dl");
    EXPECT_EQ(f->sizeText(), "3 KB") << "an empty file is a file";
    EXPECT_EQ(f->stateText(), QString::fromUtf8("等待"));
    EXPECT_TRUE(f->progressText().isEmpty());

    const int mixed = q.add(rows({"/pub/a.txt", "/pub/dir"}, {10, 0},
                                 {OperationRecord::ChosenFile, OperationRecord::Folder}),
                            kSite, "s");
    EXPECT_TRUE(q.item(mixed)->sizeText().isEmpty()) << "a folder's size is not known yet";
    const int up = q.add(folderUpload("/home/u/site/"), kSite, "s");
    EXPECT_EQ(q.item(up)->directionText(), QString::fromUtf8("上传"));
    EXPECT_EQ(q.item(up)->sourceText(), "/home/u/site");
    EXPECT_EQ(q.item(up)->targetText(), "/pub");
}

// Progress: bytes and files done of those known, the speed over the last
// few seconds (the first update only starts the count), and the time left
// at that speed.
TEST(TransferQueue, ProgressShowsSpeedAndTimeLeft) {
    TransferQueue q;
    const int id = q.add(folderUpload("/a/"), kSite, "s");
    q.setRunning(id);
    const quint64 mb = 1024 * 1024;
    q.setProgress(id, {0, 4, 3 * mb, 6 * mb}, 1000); // resumed: 3 MB were there
    const TransferItem* item = q.item(id);
    EXPECT_EQ(item->bytesPerSecond, 0u);
    EXPECT_TRUE(item->progressText().contains(QString::fromUtf8("剩余 --")));
    q.setProgress(id, {1, 4, 4 * mb, 6 * mb}, 2000);
    EXPECT_EQ(item->bytesPerSecond, mb);
    EXPECT_EQ(item->progressText(),
              QString::fromUtf8("4 MB / 6 MB  1 MB/s  剩余 0:02  1/4 个文件"));
    // A server that sends in bursts: the pauses between them do not make
    // the speed swing.
    for (quint32 t = 2500; t <= 9000; t += 500) {
        const quint64 bytes = 4 * mb + ((t - 2000) / 2000) * 2 * mb; // 2 MB every 2 s
        q.setProgress(id, {1, 4, bytes, 100 * mb}, t);
        if (t >= 7000) {
            EXPECT_GE(item->bytesPerSecond, mb * 8 / 10) << t;
            EXPECT_LE(item->bytesPerSecond, mb * 12 / 10) << t;
        }
    }
    // Hours once the time left runs that long.
    q.setProgress(id, {1, 4, 11 * mb, 4000 * mb}, 14000);
    EXPECT_TRUE(item->progressText().contains(
        QRegularExpression(QString::fromUtf8("剩余 \\d+:\\d\\d:\\d\\d  "))))
        << item->progressText().toStdString();
    q.setDone(id);
    EXPECT_EQ(item->progressText(), QString::fromUtf8("3.9 GB / 3.9 GB  4/4 个文件"));
    q.setProgress(id, {0, 1, 0, 1}, 15000);
    EXPECT_EQ(item->progress.filesDone, 4) << "an ended line takes no more progress";
}
