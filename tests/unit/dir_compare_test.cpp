// What a directory update plans: listed dates against local times, and one
// site folder's listing against a local folder.
#include "core/engine/dir_compare.h"
#include "file_bytes.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimeZone>

#include <gtest/gtest.h>

namespace {

QDateTime utc(int y, int mo, int d, int h, int mi, int s = 0) {
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s), QTimeZone::utc());
}

DirEntry file(const char* name, const char* size, const char* date) {
    return DirEntry{QString::fromUtf8(name), size, {}, date, false};
}

DirEntry folder(const char* name) {
    return DirEntry{QString::fromUtf8(name), {}, {}, "Jan 01 2020", true};
}

void setTime(const QString& path, const QDateTime& when) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.setFileTime(when, QFileDevice::FileModificationTime));
}

// Steps in the order they run: the last planned first.
QStringList running(const DirCompare::Plan& plan) {
    static const char* const kVerbs[] = {"?", "STOR", "MKD", "DELE", "RMD"};
    QStringList steps;
    for (qsizetype i = plan.paths.size() - 1; i >= 0; --i)
        steps << QString::fromLatin1(kVerbs[plan.kinds.at(i)]) + ' ' + plan.paths.at(i);
    return steps;
}

} // namespace

TEST(DirCompare, LocalIsNewerByTheListedDate) {
    using DirCompare::isLocalNewer;
    const QDate today(2026, 3, 20);
    const struct {
        QDateTime local;
        const char* remote;
        bool newer;
    } rows[] = {
        // The time shape: to the minute.
        {utc(2026, 3, 15, 10, 31), "Mar 15 10:30", true},
        {utc(2026, 3, 15, 10, 29), "Mar 15 10:30", false},
        {utc(2026, 3, 15, 10, 30, 59), "Mar 15 10:30", false},
        {utc(2026, 3, 15, 10, 31), "Mar 15 9:05", true}, // one-digit hours are times too
        {utc(2026, 3, 15, 9, 0), "Mar 15 9:05", false},
        {utc(2026, 3, 15, 10, 31), "Tue Mar 15 10:30", true}, // a weekday ahead
        // Without a year, a month still to come this year is last year's.
        {utc(2026, 1, 5, 8, 0), "Dec 01 10:00", true},
        {utc(2025, 11, 5, 8, 0), "Dec 01 10:00", false},
        // The year shape: the day decides; the same day counts as newer.
        {utc(2026, 3, 15, 0, 1), "Mar 15 2026", true},
        {utc(2026, 3, 14, 23, 59), "Mar 15 2026", false},
        {utc(2027, 1, 1, 0, 0), "Dec 31 2026", true},
        // DOS: two-digit years, AM and PM.
        {utc(2000, 1, 1, 0, 0), "03-15-99  10:30AM", true},
        {utc(2000, 1, 1, 0, 0), "03-15-01  10:30AM", false},
        {utc(2026, 3, 15, 22, 31), "03-15-26  10:30PM", true},
        {utc(2026, 3, 15, 22, 29), "03-15-26  10:30PM", false},
        // A date that cannot be read is not newer.
        {utc(2026, 3, 15, 10, 31), "yesterday", false},
        {utc(2026, 3, 15, 10, 31), "", false},
    };
    for (const auto& row : rows)
        EXPECT_EQ(isLocalNewer(row.local, row.remote, today), row.newer)
            << row.remote << " vs " << row.local.toString(Qt::ISODate).toStdString();
}

TEST(DirCompare, OneFolderPlansUploadsDeletionsAndWhatToCompareNext) {
    QTemporaryDir dir;
    const QString local = dir.path() + "/";
    const QDate today(2026, 3, 20);
    writeBytes(local + "same.txt", "12345");
    setTime(local + "same.txt", utc(2026, 3, 1, 9, 0));
    writeBytes(local + "changed.txt", "123456");
    writeBytes(local + "newer.txt", "12345");
    setTime(local + "newer.txt", utc(2026, 3, 10, 9, 0));
    writeBytes(local + "Case.TXT", "12345");
    setTime(local + "Case.TXT", utc(2026, 3, 1, 9, 0));
    writeBytes(local + "only local.txt", "x");
    writeBytes(local + "new tree/a.txt", "a");
    writeBytes(local + QString::fromUtf8("new tree/子/b.txt"), "b");
    QDir().mkpath(local + "both");

    const QList<DirEntry> remote = {
        file("same.txt", "5", "Mar 02 12:00"),
        file("changed.txt", "5", "Mar 19 12:00"),
        file("newer.txt", "5", "Mar 09 12:00"),
        file("case.txt", "5", "Mar 02 12:00"),
        file("only remote.txt", "3", "Mar 01 12:00"),
        folder("both"),
        folder("Gone"),
    };
    const DirCompare::Plan plan = DirCompare::compare(remote, local, "/site", today);
    ASSERT_FALSE(plan.localUnreadable);
    EXPECT_EQ(running(plan), (QStringList{
                                 "STOR /site/only local.txt",
                                 "MKD /site/new tree",
                                 "STOR /site/new tree/a.txt",
                                 QString::fromUtf8("MKD /site/new tree/子"),
                                 QString::fromUtf8("STOR /site/new tree/子/b.txt"),
                                 "RMD /site/Gone",
                                 "DELE /site/only remote.txt",
                                 "STOR /site/newer.txt",
                                 "STOR /site/changed.txt",
                             }));
    // Folders on the site are compared in turn; the one gone locally too, so
    // that its contents are deleted before it.
    EXPECT_EQ(plan.foldersToCompare, (QStringList{"/site/both", "/site/Gone"}));
}

TEST(DirCompare, AFolderThatCannotBeReadVoidsThePlan) {
    QTemporaryDir dir;
    const DirCompare::Plan plan = DirCompare::compare(
        {file("a.txt", "1", "Mar 01 12:00")}, dir.path() + "/gone/", "/", QDate(2026, 3, 20));
    EXPECT_TRUE(plan.localUnreadable);
    EXPECT_TRUE(plan.paths.isEmpty()) << "nothing is deleted on its account";
}

TEST(DirCompare, ALinkBackUpANewTreeIsFollowedOnce) {
    QTemporaryDir dir;
    writeBytes(dir.path() + "/tree/inner/f.txt", "f");
    ASSERT_TRUE(QFile::link(dir.path() + "/tree", dir.path() + "/tree/inner/up"));
    DirCompare::Plan plan;
    ASSERT_TRUE(DirCompare::planLocalTree(dir.path() + "/tree", "/t", plan));
    EXPECT_EQ(running(plan), (QStringList{"MKD /t/inner", "STOR /t/inner/f.txt"}));
}

// Over a whole update each real folder goes up once, under its own name:
// links to folders inside the chosen one are left out wherever they sort,
// a folder outside is taken through its first link only, and a site folder
// whose local twin is such a link stays as it is.
TEST(DirCompare, EachRealFolderIsTakenOnceOverTheWholeUpdate) {
    QTemporaryDir dir;
    const QString base = dir.path() + "/base";
    writeBytes(base + "/sub/f.txt", "f");
    writeBytes(dir.path() + "/outside/o.txt", "o");
    ASSERT_TRUE(QFile::link(base + "/sub", base + "/a link to sub"));
    ASSERT_TRUE(QFile::link(base, base + "/sub/up"));
    ASSERT_TRUE(QFile::link(dir.path() + "/outside", base + "/ext1"));
    ASSERT_TRUE(QFile::link(dir.path() + "/outside", base + "/ext2"));
    ASSERT_TRUE(QFile::link(base + "/sub", base + "/on site too"));

    DirCompare::LocalWalk walk(base + "/");
    const DirCompare::Plan plan = DirCompare::compare({folder("on site too")}, base + "/", "/s",
                                                      QDate(2026, 3, 20), false, &walk);
    ASSERT_FALSE(plan.localUnreadable);
    EXPECT_EQ(running(plan), (QStringList{"MKD /s/sub", "STOR /s/sub/f.txt", "MKD /s/ext1",
                                          "STOR /s/ext1/o.txt"}));
    EXPECT_TRUE(plan.foldersToCompare.isEmpty());
    QStringList left = plan.repeatedFolders;
    left.sort();
    EXPECT_EQ(left, (QStringList{base + "/a link to sub", base + "/ext2", base + "/on site too",
                                 base + "/sub/up"}));

    // A later folder of the same update meets the same record.
    const DirCompare::Plan again =
        DirCompare::compare({}, base + "/sub/", "/s/sub", QDate(2026, 3, 20), false, &walk);
    EXPECT_EQ(running(again), QStringList{"STOR /s/sub/f.txt"});
    EXPECT_EQ(again.repeatedFolders, QStringList{base + "/sub/up"});
}

TEST(DirCompare, TheLocalTwinOfASiteFolder) {
    using DirCompare::localFolderFor;
    EXPECT_EQ(localFolderFor("/site", "/site", "/home/me/web/"), "/home/me/web/");
    EXPECT_EQ(localFolderFor("/site/a/b", "/site", "/home/me/web/"), "/home/me/web/a/b/");
    EXPECT_EQ(localFolderFor("/a", "/", "/l/"), "/l/a/");
    EXPECT_EQ(localFolderFor("/", "/", "/l"), "/l/");
}

// A site folder the local folder lacks has no local twin to read: all of it
// goes, its folders included, and nothing counts as unreadable.
TEST(DirCompare, AFolderGoneLocallyIsEmptiedWhole) {
    const DirCompare::Plan plan =
        DirCompare::compare({file("x.txt", "1", "Mar 01 12:00"), folder("deep")}, "/nowhere/gone/",
                            "/site/gone", QDate(2026, 3, 20), true);
    EXPECT_FALSE(plan.localUnreadable);
    EXPECT_EQ(running(plan), (QStringList{"RMD /site/gone/deep", "DELE /site/gone/x.txt"}));
    EXPECT_EQ(plan.foldersGoneLocally, QStringList{"/site/gone/deep"});
}

// A site folder and a local one whose names differ only in case are one
// item: compared, not deleted and made again; an exact name wins over one
// that differs in case.
TEST(DirCompare, NamesThatDifferOnlyInCaseArePairedByTheLocalDisk) {
    QTemporaryDir local;
    writeBytes(local.path() + "/docs/inner.txt", "x");
    writeBytes(local.path() + "/a.txt", "newer content");
    writeBytes(local.path() + "/b.txt", "b");
    setTime(local.path() + "/b.txt", utc(2019, 6, 1, 12, 0));
    const QList<DirEntry> remote{folder("Docs"), file("A.TXT", "3", "Jan 01 2020"),
                                 file("b.txt", "1", "Jan 01 2020"),
                                 file("B.TXT", "1", "Jan 01 2020")};
    const DirCompare::Plan plan =
        DirCompare::compare(remote, local.path() + "/", "/pub", QDate(2026, 3, 20));
    EXPECT_EQ(running(plan), (QStringList{"DELE /pub/B.TXT", "STOR /pub/A.TXT"}));
    EXPECT_EQ(plan.foldersToCompare, QStringList{"/pub/Docs"});
    ASSERT_EQ(plan.caseDifferences.size(), 2);
    EXPECT_EQ(plan.caseDifferences.at(0), (QPair<QString, QString>("/pub/Docs", "docs")));
    // What the site calls /pub/Docs/inner.txt is read from the local name.
    EXPECT_EQ(DirCompare::localFolderFor("/pub/Docs", "/pub", local.path() + "/"),
              local.path() + "/docs/");
    EXPECT_EQ(DirCompare::localPathFor("/pub/Docs/INNER.txt", "/pub", local.path() + "/"),
              local.path() + "/docs/inner.txt");
    EXPECT_EQ(DirCompare::localPathFor("/pub/new.txt", "/pub", local.path() + "/"),
              local.path() + "/new.txt")
        << "a name nowhere on disk stays as it is";
}
