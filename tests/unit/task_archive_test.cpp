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
    // Later versions add whether folders were among the items chosen; a
    // file of those ends here.
    t.hasFolders = true;
    expected += QByteArray("\x01\x00\x00\x00", 4);
    EXPECT_EQ(TaskArchive::decode(expected), t);
    // This version keeps every field earlier readers read, byte for byte,
    // and adds the exact texts after them.
    const QByteArray bytes = TaskArchive::encode(t);
    EXPECT_EQ(bytes.left(expected.size()).toHex(), expected.toHex());
    EXPECT_EQ(bytes.mid(expected.size(), 8), QByteArray("CVX1\x00\x00\x00\x00", 8));
    EXPECT_EQ(TaskArchive::decode(bytes), t);
}

// Names code page 936 cannot hold (Korean, an emoji, a byte that is no
// text, kept as U+DC80..U+DCFF) come back exactly; the fields earlier
// readers take hold the nearest code page 936 text.
TEST(TaskArchive, EveryNameRoundTripsExactly) {
    const QString korean = QString::fromUtf8("/자료/보고서.txt");
    const QString emoji = QString::fromUtf8("/pics/😀 1,2.png");
    const QString raw = QString("/raw/a") + QChar(0xDCB7) + QChar(0xDCFF) + "b";
    TaskContents t;
    t.description = QString::fromUtf8("下载 자료");
    t.site = "ftp.x";
    t.user = QString::fromUtf8("사용자");
    t.password = QString::fromUtf8("pä😀");
    t.isDownload = true;
    t.headFresh = true;
    t.targetFolder = QString::fromUtf8("/home/u/받은/");
    t.sourceFolder = "/";
    t.itemPaths = QStringList{korean, emoji, raw};
    t.itemSizes = {1, 2, 3};
    t.itemKinds = {0, 0, 0};
    const QByteArray bytes = TaskArchive::encode(t);
    EXPECT_EQ(TaskArchive::decode(bytes), t);
    EXPECT_EQ(TaskArchive::decodeHeader(bytes)->description, t.description);

    TaskContents u;
    u.update = true;
    u.localBase = QString::fromUtf8("/l/한/");
    u.remoteBase = QString::fromUtf8("/r/😀");
    u.updatePaths = QStringList{raw, korean};
    u.updateKinds = {1, 2};
    EXPECT_EQ(TaskArchive::decode(TaskArchive::encode(u)), u);

    // The addition disagreeing with the fields before it is damage.
    QByteArray extra = bytes;
    const qsizetype countAt =
        extra.size() - 4 - 4 * 3 - 2 * (raw.size() + korean.size() + emoji.size());
    extra[countAt] = char(2);
    EXPECT_FALSE(TaskArchive::decode(extra));
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
    // Cut anywhere, the file is refused; cut exactly before the addition it
    // is a file of an earlier version.
    const qsizetype earlierEnd = bytes.indexOf("CVX1");
    ASSERT_GT(earlierEnd, 0);
    for (qsizetype cut = 0; cut < bytes.size(); ++cut)
        EXPECT_EQ(bool(TaskArchive::decode(bytes.left(cut))), cut == earlierEnd) << cut;
    EXPECT_EQ(TaskArchive::decodeHeader(bytes)->site, "s");
}

TEST(TaskArchive, FileNameFromTheLocalTime) {
    EXPECT_EQ(TaskArchive::fileNameFor(QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7))),
              QString::fromUtf8("中断任务-2026-3-4-5-6-7.npm"));
    EXPECT_EQ(TaskArchive::fileNameFor(QDateTime(QDate(2026, 12, 31), QTime(23, 59, 0))),
              QString::fromUtf8("中断任务-2026-12-31-23-59-0.npm"));
}

// A task with files of 4 GiB and more: earlier readers get only the items
// whose size their 32-bit field holds, byte for byte as such a task would
// be written without the large ones, and told to fetch their head whole
// when the real head is large; this version reads every item back exactly.
TEST(TaskArchive, FilesOf4GiBAndMoreGoIntoASecondAddition) {
    TaskContents t;
    t.description = "d";
    t.site = "127.0.0.1";
    t.port = 2121;
    t.user = "u";
    t.password = "p";
    t.isDownload = true;
    t.targetFolder = "/home/u/in/";
    t.sourceFolder = "/pub";
    t.itemPaths =
        QStringList{"/pub/disk.img", "/pub/a.txt", QString::fromUtf8("/pub/备份.tar"), "/pub/dir"};
    const quint64 big = (quint64(4) << 30) + (quint64(1) << 29); // 4.5 GiB
    t.itemSizes = {big, 12, Q_UINT64_C(0x7FFFFFFFFFFFFFFF), 0};
    t.itemKinds = {1, 1, 1, 2};
    t.hasFolders = true;

    const QByteArray bytes = TaskArchive::encode(t);
    const std::optional<TaskContents> back = TaskArchive::decode(bytes);
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, t);

    // What earlier versions read: the same task without the large files,
    // its head (now a.txt) to be fetched whole.
    TaskContents earlier = t;
    earlier.itemPaths = QStringList{"/pub/a.txt", "/pub/dir"};
    earlier.itemSizes = {12, 0};
    earlier.itemKinds = {1, 2};
    earlier.headFresh = true;
    const QByteArray earlierBytes = TaskArchive::encode(earlier);
    ASSERT_TRUE(bytes.startsWith(earlierBytes)) << "earlier readers see a task of their own";
    EXPECT_EQ(bytes.mid(earlierBytes.size(), 4), "CVX2");
    EXPECT_EQ(TaskArchive::decode(earlierBytes), earlier);

    // A large file that is not the head leaves the head as it was.
    t.itemPaths.move(0, 1);
    t.itemSizes.move(0, 1);
    t.headFresh = false;
    const QByteArray second = TaskArchive::encode(t);
    EXPECT_EQ(TaskArchive::decode(second), t);
    // A second addition cut short is a damaged file, not a smaller task.
    EXPECT_FALSE(TaskArchive::decode(second.left(second.size() - 6)));
}
