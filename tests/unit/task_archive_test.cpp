// Task files byte for byte.
#include "core/platform/gbk_text.h"
#include "core/tasks/task_archive.h"

#include <gtest/gtest.h>

namespace {

QByteArray lengthPrefixOf(const QString& text) {
    QByteArray out;
    TaskArchive::appendString(out, text);
    return out.left(out.size() - Gbk::encode(text).size());
}

} // namespace

TEST(TaskArchive, StringLengthPrefixesAtTheirBoundaries) {
    EXPECT_EQ(lengthPrefixOf(QString()), QByteArray("\x00", 1));
    EXPECT_EQ(lengthPrefixOf(QString(254, 'a')), QByteArray("\xFE"));
    EXPECT_EQ(lengthPrefixOf(QString(255, 'a')), QByteArray("\xFF\xFF\x00", 3));
    EXPECT_EQ(lengthPrefixOf(QString(0xFFFD, 'a')), QByteArray("\xFF\xFD\xFF", 3));
    EXPECT_EQ(lengthPrefixOf(QString(0xFFFE, 'a')), QByteArray("\xFF\xFF\xFF\xFE\xFF\x00\x00", 7));
    EXPECT_EQ(lengthPrefixOf(QString(70000, 'a')), QByteArray("\xFF\xFF\xFF\x70\x11\x01\x00", 7));
    // Code page 936: two bytes per Chinese character count in the length.
    EXPECT_EQ(lengthPrefixOf(QString::fromUtf8("中文")), QByteArray("\x04"));
}

TEST(TaskArchive, DownloadRecordGoldenBytes) {
    TaskContents t;
    t.description = QString::fromUtf8("从站点：ftp.x 下载 /a 等文件或目录");
    t.site = "ftp.x";
    t.port = 21;
    t.user = "u";
    t.password = "pw";
    t.isDownload = true;
    t.targetFolder = "/home/u/in/";
    t.sourceFolder = "/";
    t.itemPaths = QStringList{"/a", QString::fromUtf8("/数据")};
    t.itemSizes = {0, 70000};
    t.itemKinds = {2, 1};

    QByteArray expected;
    const QByteArray desc = Gbk::encode(t.description);
    expected += char(desc.size()) + desc;
    expected += QByteArray("\x05"
                           "ftp.x");
    expected += QByteArray("\x15\x00\x00\x00", 4); // port 21
    expected += QByteArray("\x01u\x02pw");
    expected += QByteArray("\x00\x00\x00\x00", 4); // not an update
    expected += QByteArray("\x00\x00\x00\x00", 4); // edit mode 0
    expected += QByteArray("\x01\x00\x00\x00", 4); // download
    expected += QByteArray("\x0B/home/u/in/\x01/");
    expected += QByteArray("\x02\x00", 2); // two items
    expected += QByteArray("\x02/a\x05/") + Gbk::encode(QString::fromUtf8("数据"));
    expected += QByteArray("\x00\x00\x00\x00\x70\x11\x01\x00", 8); // sizes
    expected += QByteArray("\x02\x00\x00\x00\x01\x00\x00\x00", 8); // kinds
    // A file of an earlier version ends here and reads as without folders.
    EXPECT_EQ(TaskArchive::decode(expected), t);
    // This version adds whether folders were among the items chosen.
    t.hasFolders = true;
    expected += QByteArray("\x01\x00\x00\x00", 4);
    EXPECT_EQ(TaskArchive::encode(t).toHex(), expected.toHex());
    EXPECT_EQ(TaskArchive::decode(expected), t);
}

TEST(TaskArchive, UploadRecordWithLongStringsRoundTrips) {
    TaskContents t;
    t.description = QString::fromUtf8("上传 ") + QString(300, 'x');
    t.site = "127.0.0.1";
    t.port = 2121;
    t.user = QString(254, 'u');
    t.password = QString(255, 'p');
    t.isDownload = false;
    t.editMode = true;
    t.targetFolder = "/pub";
    t.sourceFolder = "/tmp/";
    t.itemPaths = QStringList{QString(70000, 'f'), "/tmp/b"};
    t.itemSizes = {4294967295u, 1};
    t.itemKinds = {0, 0};
    const QByteArray bytes = TaskArchive::encode(t);
    EXPECT_EQ(TaskArchive::decode(bytes), t);
    // The user of 254 bytes has a one-byte prefix, the password of 255 three.
    const qsizetype userAt = bytes.indexOf(QByteArray(254, 'u'));
    EXPECT_EQ(quint8(bytes.at(userAt - 1)), 254);
    const qsizetype passAt = bytes.indexOf(QByteArray(255, 'p'));
    EXPECT_EQ(bytes.mid(passAt - 3, 3), QByteArray("\xFF\xFF\x00", 3));
}

TEST(TaskArchive, UpdateRecordAndDamagedFiles) {
    TaskContents t;
    t.description = "update";
    t.site = "s";
    t.update = true;
    t.localBase = "/l/";
    t.remoteBase = "/r";
    t.updatePaths = QStringList{"/r/a", "/r/b"};
    t.updateKinds = {1, 2};
    const QByteArray bytes = TaskArchive::encode(t);
    EXPECT_EQ(TaskArchive::decode(bytes), t);
    for (qsizetype cut = 0; cut < bytes.size(); ++cut)
        EXPECT_FALSE(TaskArchive::decode(bytes.left(cut))) << cut;
    EXPECT_EQ(TaskArchive::decodeHeader(bytes)->site, "s");
}

TEST(TaskArchive, FileNameFromTheLocalTime) {
    EXPECT_EQ(TaskArchive::fileNameFor(QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7))),
              QString::fromUtf8("中断任务-2026-3-4-5-6-7.npm"));
    EXPECT_EQ(TaskArchive::fileNameFor(QDateTime(QDate(2026, 12, 31), QTime(23, 59, 0))),
              QString::fromUtf8("中断任务-2026-12-31-23-59-0.npm"));
}
