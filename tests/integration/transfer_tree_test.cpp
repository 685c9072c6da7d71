// Whole trees and resumed transfers against a real server.
#include "core/tasks/segment_plan.h"
#include "core/tasks/task_archive.h"
#include "file_bytes.h"
#include "owner_rights_only.h"
#include "real_connection.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QMap>

#include <gtest/gtest.h>

TEST(RealTransfers, NestedTreeDownloadedAndUploadedByteExact) {
    PyFtpdServer server;
    ASSERT_TRUE(server.start());
    const QString site = server.root();
    writeBytes(site + "/tree/a.txt", "alpha\n");
    writeBytes(site + "/tree/big.bin", patternedBytes(300 * 1024, 1));
    writeBytes(site + "/tree/empty.txt", "");
    writeBytes(site + "/tree/sub dir/blank name.txt", "blanks\n");
    writeBytes(site + QString::fromUtf8("/tree/中文目录/中文.txt"), "中文内容\n");
    writeBytes(site + "/tree/sub dir/deeper/x.bin", patternedBytes(140000, 2));
    QDir().mkpath(site + "/incoming");

    RealConnection c;
    ASSERT_TRUE(c.login(server));
    QTemporaryDir local;
    c.driver->startDownload(local.path() + "/", "/", {"/tree"}, {0});
    ASSERT_TRUE(c.waitAllDone()) << c.prompts.shown.join('|').toStdString();

    const QMap<QString, QByteArray> expected = digests(site + "/tree");
    ASSERT_TRUE(expected.contains("empty.txt"));
    EXPECT_EQ(digests(local.path() + "/tree"), expected);
    EXPECT_TRUE(QFileInfo(local.path() + "/tree/sub dir/deeper").isDir());

    // Up again, with an empty local file, into another site folder.
    writeBytes(local.path() + "/tree/local empty", "");
    c.prompts.shown.clear();
    c.driver->startFolderUpload("/incoming", local.path() + "/tree/");
    ASSERT_TRUE(c.waitAllDone()) << c.prompts.shown.join('|').toStdString();

    QMap<QString, QByteArray> uploaded = expected;
    uploaded["local empty"] = QCryptographicHash::hash("", QCryptographicHash::Sha256).toHex();
    EXPECT_EQ(digests(site + "/incoming/tree"), uploaded) << "names as they are, blanks and all";
    EXPECT_TRUE(QDir(c.home.path()).entryList({"*.npm"}).isEmpty()) << "task files deleted";
}

TEST(RealTransfers, ResumedDownloadSendsRestAndEndsByteExact) {
    PyFtpdServer server;
    ASSERT_TRUE(server.start());
    const QByteArray content = patternedBytes(500000, 3);
    writeBytes(server.root() + "/f.bin", content);
    QTemporaryDir local;
    writeBytes(local.path() + "/f.bin", content.left(123456));

    RealConnection c;
    ASSERT_TRUE(c.login(server));
    c.driver->startDownload(local.path() + "/", "/", {"/f.bin"}, {quint32(content.size())});
    c.driver->resumeNextTransferForTest();
    ASSERT_TRUE(c.waitAllDone()) << c.prompts.shown.join('|').toStdString();
    EXPECT_TRUE(c.transcript().contains("C:\r\nREST 123456\r\n"));
    EXPECT_EQ(readBytes(local.path() + "/f.bin"), content);
}

TEST(RealTransfers, ContinuedUploadSendsOnlyTheMissingBytes) {
    PyFtpdServer server;
    ASSERT_TRUE(server.start());
    const QByteArray content = patternedBytes(400000, 4);
    QTemporaryDir local;
    writeBytes(local.path() + "/up.bin", content);
    // The site's first part differs from ours: only what follows may be sent.
    const QByteArray siteHead(100000, 'S');
    writeBytes(server.root() + "/up.bin", siteHead);

    RealConnection c;
    ASSERT_TRUE(c.login(server));
    c.driver->startUpload("/", local.path() + "/", {local.path() + "/up.bin"},
                          {quint32(content.size())});
    c.driver->resumeNextTransferForTest();
    ASSERT_TRUE(c.waitAllDone()) << c.prompts.shown.join('|').toStdString();
    EXPECT_TRUE(c.transcript().contains("C:\r\nLIST /up.bin\r\n"));
    EXPECT_TRUE(c.transcript().contains("C:\r\nAPPE /up.bin\r\n"));
    EXPECT_EQ(readBytes(server.root() + "/up.bin"), siteHead + content.mid(100000));
}

TEST(RealTransfers, SiteFileAlreadyCompleteIsSkipped) {
    PyFtpdServer server;
    ASSERT_TRUE(server.start());
    const QByteArray content = patternedBytes(150000, 5);
    QTemporaryDir local;
    writeBytes(local.path() + "/same.bin", content);
    writeBytes(server.root() + "/same.bin", content);

    RealConnection c;
    ASSERT_TRUE(c.login(server));
    c.driver->startUpload("/", local.path() + "/", {local.path() + "/same.bin"},
                          {quint32(content.size())});
    c.driver->resumeNextTransferForTest();
    ASSERT_TRUE(c.waitAllDone()) << c.prompts.shown.join('|').toStdString();
    EXPECT_FALSE(c.transcript().contains("APPE"));
    EXPECT_FALSE(c.transcript().contains("STOR"));
}

TEST(RealTransfers, MakeRenameAndDeleteRecursively) {
    PyFtpdServer server;
    ASSERT_TRUE(server.start());
    const QString site = server.root();
    writeBytes(site + "/gone/one.txt", "1");
    writeBytes(site + "/gone/inner/two.txt", "2");
    writeBytes(site + "/gone/inner/zero.txt", "");
    writeBytes(site + "/gone/inner/deepest/three.txt", "3");

    RealConnection c;
    ASSERT_TRUE(c.login(server));
    c.driver->makeSiteFolder(QString::fromUtf8("/新目录"));
    ASSERT_TRUE(waitUntil([&] { return c.idle() && !c.host.events.isEmpty(); }));
    EXPECT_TRUE(QFileInfo(site + QString::fromUtf8("/新目录")).isDir());

    c.driver->renameSiteItem(QString::fromUtf8("/新目录"), "/renamed");
    ASSERT_TRUE(waitUntil([&] { return c.idle() && c.host.events.size() == 2; }));
    EXPECT_TRUE(QFileInfo(site + "/renamed").isDir());

    c.driver->deleteSiteItems({"/gone"}, {"d"});
    ASSERT_TRUE(waitUntil([&] { return c.host.events.contains("removed folder:/gone"); }));
    EXPECT_FALSE(QFileInfo::exists(site + "/gone"));
    EXPECT_TRUE(c.prompts.shown.isEmpty()) << c.prompts.shown.join('|').toStdString();
}

TEST(RealTransfers, ServerKilledMidDownloadAsksForResumeAndKeepsTheTask) {
    PyFtpdServer server({"--throttle", "262144"});
    ASSERT_TRUE(server.start());
    const QByteArray content = patternedBytes(4 * 1024 * 1024, 6);
    writeBytes(server.root() + "/big.bin", content);

    RealConnection c;
    ASSERT_TRUE(c.login(server));
    QTemporaryDir local;
    c.driver->startDownload(local.path() + "/", "/", {"/big.bin"}, {quint32(content.size())});
    ASSERT_TRUE(waitUntil([&] { return c.source.bytesDone > 100000; }, 15000));
    server.kill();
    ASSERT_TRUE(waitUntil([&] { return c.host.resumes == 1; }, 10000));
    spinFor(100);
    EXPECT_EQ(c.host.resumes, 1);
    EXPECT_EQ(c.host.outcomes.count(Outcome::Completed), 0);

    const QByteArray partial = readBytes(local.path() + "/big.bin");
    EXPECT_GT(partial.size(), 100000);
    EXPECT_LT(partial.size(), content.size());
    EXPECT_EQ(partial, content.left(partial.size()));

    const QString taskPath = c.source.taskFolder + c.source.taskFileName;
    const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                      QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
    EXPECT_EQ(QFileInfo(taskPath).permissions() & others, QFile::Permissions())
        << "the task file holds the password";
    auto task = TaskArchive::decode(readBytes(taskPath));
    ASSERT_TRUE(task);
    EXPECT_TRUE(task->isDownload);
    EXPECT_EQ(task->itemPaths, QStringList{"/big.bin"});
    EXPECT_EQ(task->itemSizes, QList<quint64>{quint64(content.size())});
    EXPECT_EQ(task->site, "127.0.0.1");
    EXPECT_EQ(task->password, PyFtpdServer::Password);
}

TEST(RealTransfers, LinksAreUploadedAsWhatTheyPointToAndCirclesAreLeftOut) {
    PyFtpdServer server;
    ASSERT_TRUE(server.start());
    QTemporaryDir local;
    const QString tree = local.path() + "/tree";
    writeBytes(tree + "/real/inside.txt", "inside\n");
    writeBytes(local.path() + "/outside.txt", "outside\n");
    ASSERT_TRUE(QFile::link(local.path() + "/outside.txt", tree + "/file link.txt"));
    ASSERT_TRUE(QFile::link(tree, tree + "/real/back to top")); // a circle
    ASSERT_TRUE(QFile::link(local.path() + "/missing", tree + "/broken"));
    QDir().mkpath(server.root() + "/in");

    RealConnection c;
    ASSERT_TRUE(c.login(server));
    c.driver->startFolderUpload("/in", tree + "/");
    ASSERT_TRUE(
        waitUntil([&] { return c.prompts.count("操作已完成，但有2项没有传送。") == 1; }, 30000))
        << c.prompts.shown.join('|').toStdString();

    const QString up = server.root() + "/in/tree";
    EXPECT_EQ(readBytes(up + "/file link.txt"), "outside\n");
    EXPECT_EQ(readBytes(up + "/real/inside.txt"), "inside\n");
    EXPECT_FALSE(QFileInfo::exists(up + "/real/back to top")) << "the circle is not followed";
    EXPECT_FALSE(QFileInfo::exists(up + "/broken"));
    ASSERT_EQ(c.host.skipped.size(), 2) << c.host.skipped.join('|').toStdString();
    EXPECT_TRUE(c.host.skipped.contains(QString::fromUtf8("链接无效，跳过：") + tree + "/broken"));
    EXPECT_TRUE(c.host.skipped.contains(QString::fromUtf8("目录已经传送过（链接），跳过：") + tree +
                                        "/real/back to top/"));
}

// A folder that cannot be read is not an empty one: it is left out, named,
// and the upload does not end as a plain success.
TEST(RealTransfers, AFolderThatCannotBeReadIsLeftOutAndNamed) {
    PyFtpdServer server;
    ASSERT_TRUE(server.start());
    QTemporaryDir local;
    const QString tree = local.path() + "/tree";
    writeBytes(tree + "/ok.txt", "fine\n");
    writeBytes(tree + "/locked/secret.txt", "unread\n");
    QDir().mkpath(server.root() + "/in");
    QFile locked(tree + "/locked");
    const QFile::Permissions mode = locked.permissions();
    ASSERT_TRUE(locked.setPermissions({}));
    RealConnection c;
    ASSERT_TRUE(c.login(server));
    {
        OwnerRightsOnly asTheOwner;
        ASSERT_TRUE(QDir(tree + "/locked").entryList(QDir::Files).isEmpty());
        c.driver->startFolderUpload("/in", tree + "/");
        EXPECT_TRUE(
            waitUntil([&] { return c.prompts.count("操作已完成，但有1项没有传送。") == 1; }, 30000))
            << c.prompts.shown.join('|').toStdString();
    }
    locked.setPermissions(mode);
    EXPECT_EQ(c.host.outcomes.count(Outcome::Completed), 0);
    EXPECT_EQ(readBytes(server.root() + "/in/tree/ok.txt"), "fine\n");
    EXPECT_FALSE(QFileInfo::exists(server.root() + "/in/tree/locked")) << "no empty twin is made";
    EXPECT_EQ(c.host.skipped,
              QStringList{QString::fromUtf8("本地目录不能读取，跳过：") + tree + "/locked/"});
}

TEST(RealTransfers, NamesTheServerCannotTakeAreLeftOutAndNamed) {
    PyFtpdServer server;
    ASSERT_TRUE(server.start());
    QTemporaryDir local;
    const QString tree = local.path() + "/tree";
    writeBytes(tree + "/ok.txt", "fine\n");
    writeBytes(tree + QString::fromUtf8("/naïve.txt"), "first\n");
    writeBytes(tree + QString::fromUtf8("/na😀ve.txt"), "second\n");
    writeBytes(tree + "/evil\r\nDELE victim.txt", "injected\n");
    writeBytes(server.root() + "/in/victim.txt", "still here\n");

    RealConnection c;
    ASSERT_TRUE(c.login(server));
    c.driver->startFolderUpload("/in", tree + "/");
    ASSERT_TRUE(
        waitUntil([&] { return c.prompts.count("操作已完成，但有3项没有传送。") == 1; }, 30000))
        << c.prompts.shown.join('|').toStdString();

    EXPECT_EQ(QDir(server.root() + "/in/tree").entryList(QDir::Files), QStringList{"ok.txt"});
    EXPECT_EQ(readBytes(server.root() + "/in/victim.txt"), "still here\n");
    QStringList skipped = c.host.skipped;
    skipped.sort();
    EXPECT_EQ(
        skipped,
        (QStringList{
            QString::fromUtf8(
                "名称中含有回车、换行或空字符，不能发送：/in/tree/evil\\r\\nDELE victim.txt"),
            QString::fromUtf8("服务器的编码不能表示这个名称，不能发送：/in/tree/naïve.txt"),
            QString::fromUtf8("服务器的编码不能表示这个名称，不能发送：/in/tree/na😀ve.txt")}));
}

// A local folder that is gone when the update compares it is not taken for
// an empty one: the update fails and nothing on the site is deleted.
TEST(RealTransfers, AnUpdateFromAFolderThatCannotBeReadDeletesNothing) {
    PyFtpdServer server;
    ASSERT_TRUE(server.start());
    writeBytes(server.root() + "/web/a.txt", "a");
    writeBytes(server.root() + "/web/sub/b.txt", "b");
    RealConnection c;
    ASSERT_TRUE(c.login(server));
    QTemporaryDir local;
    c.driver->startDirectoryUpdate(local.path() + "/removed meanwhile/", "/web");
    ASSERT_TRUE(waitUntil([&] { return c.prompts.count("目录更新操作失败！") == 1; }, 10000))
        << c.prompts.shown.join('|').toStdString();
    spinFor(200);
    EXPECT_EQ(readBytes(server.root() + "/web/a.txt"), "a");
    EXPECT_EQ(readBytes(server.root() + "/web/sub/b.txt"), "b");
    EXPECT_FALSE(c.transcript().contains("DELE")) << c.transcript().toStdString();
    EXPECT_TRUE(c.idle());
}

namespace {

QString segmentTaskFile(const RealConnection& c) {
    return QDir(c.home.path()).entryList({"*.npm"}, QDir::Files).value(0);
}

} // namespace

// A large file over five connections at once, each fetching its range into
// the part file; the file takes its name when every range is in.
TEST(SegmentedDownload, FiveRangesArriveByteExact) {
    PyFtpdServer server({"--throttle", "400000"});
    ASSERT_TRUE(server.start());
    const QByteArray content = patternedBytes(1500000 + 7, 21);
    writeBytes(server.root() + "/big.bin", content);
    RealConnection c;
    c.source.segmentLimit = 5;
    c.source.segmentsAllowed = true;
    ASSERT_TRUE(c.login(server));
    ASSERT_TRUE(waitUntil([&] { return c.source.restSupported.load(); }));
    QTemporaryDir local;
    c.driver->startDownload(local.path() + "/", "/", {"/big.bin"}, {quint32(content.size())});
    ASSERT_TRUE(waitUntil([&] { return c.driver->isSegmented(); }, 5000));
    // Workers may already be ending: the plan tells how many ranges there are.
    const std::optional<SegmentPlan> plan =
        SegmentPlan::decode(readBytes(local.path() + "/big.bin.cnpm"), content.size());
    ASSERT_TRUE(plan);
    EXPECT_EQ(plan->count(), 5);
    EXPECT_TRUE(QFile::exists(local.path() + "/big.bin.cftp"));
    // A connection the server leaves unanswered is tried again after 10 s;
    // under a sanitizer that may happen more than once.
    ASSERT_TRUE(c.waitAllDone(90000))
        << c.prompts.shown.join('|').toStdString() << " resumes: " << c.host.resumes
        << " running: " << c.source.runningThreads.load()
        << " segmented: " << c.driver->isSegmented();
    EXPECT_EQ(readBytes(local.path() + "/big.bin"), content);
    EXPECT_FALSE(QFile::exists(local.path() + "/big.bin.cftp"));
    EXPECT_FALSE(QFile::exists(local.path() + "/big.bin.cnpm"));
    EXPECT_TRUE(segmentTaskFile(c).isEmpty());
}

// The server goes away in the middle: the part and state files stay with
// the task, and the resume fetches only what each range still lacks.
TEST(SegmentedDownload, ACutDownloadGoesOnFromItsStateFile) {
    PyFtpdServer server({"--throttle", "200000"});
    ASSERT_TRUE(server.start());
    const QByteArray content = patternedBytes(6000000, 22);
    writeBytes(server.root() + "/big.bin", content);
    QTemporaryDir local;
    QString task;
    {
        RealConnection c;
        c.source.segmentLimit = 4;
        c.source.segmentsAllowed = true;
        ASSERT_TRUE(c.login(server));
        ASSERT_TRUE(waitUntil([&] { return c.source.restSupported.load(); }));
        c.driver->startDownload(local.path() + "/", "/", {"/big.bin"}, {quint32(content.size())});
        ASSERT_TRUE(waitUntil([&] { return c.source.bytesDone.load() > 100000; }, 15000));
        server.kill();
        ASSERT_TRUE(waitUntil([&] { return c.source.runningThreads.load() == 0; }, 15000));
        task = segmentTaskFile(c);
        ASSERT_FALSE(task.isEmpty());
        // The task outlives this connection: into the next one's folder.
        ASSERT_TRUE(QFile::copy(c.home.path() + "/" + task, local.path() + "/" + task));
    }
    ASSERT_TRUE(QFile::exists(local.path() + "/big.bin.cftp"));
    ASSERT_TRUE(QFile::exists(local.path() + "/big.bin.cnpm"));
    EXPECT_FALSE(QFile::exists(local.path() + "/big.bin"))
        << "a file with holes never takes its name";
    const QByteArray state = readBytes(local.path() + "/big.bin.cnpm");
    const std::optional<SegmentPlan> plan = SegmentPlan::decode(state, content.size());
    ASSERT_TRUE(plan);
    EXPECT_FALSE(plan->complete(content.size()));
    EXPECT_GT(plan->bytesWritten, 0);
    EXPECT_FALSE(plan->siteTime.isEmpty()) << "the site's listed time is kept with the ranges";

    ASSERT_TRUE(server.restart());
    RealConnection again;
    again.source.segmentLimit = 4;
    again.source.segmentsAllowed = true;
    ASSERT_TRUE(again.login(server));
    ASSERT_TRUE(waitUntil([&] { return again.source.restSupported.load(); }));
    again.source.taskFolder = local.path() + "/";
    ASSERT_TRUE(again.driver->resumeTask(task)) << again.prompts.shown.join('|').toStdString();
    ASSERT_TRUE(waitUntil([&] { return again.driver->isSegmented(); }, 5000));
    EXPECT_GE(again.source.bytesDone.load(), quint32(plan->bytesWritten)) << "continued";
    ASSERT_TRUE(again.waitAllDone(90000)) << again.prompts.shown.join('|').toStdString();
    EXPECT_EQ(readBytes(local.path() + "/big.bin"), content);
    EXPECT_FALSE(QFile::exists(local.path() + "/big.bin.cnpm"));
}

// A range whose data connection stays silent is given up on that
// connection and tried again on a new one after the pause, not counted
// as failing again and again while it waits.
TEST(SegmentedDownload, ASilentRangeIsTriedAgainOnANewConnection) {
    PyFtpdServer server({"--stall-first-range"});
    ASSERT_TRUE(server.start());
    const QByteArray content = patternedBytes(1000000, 27);
    writeBytes(server.root() + "/big.bin", content);
    RealConnection c;
    c.timing.segmentIdleMs = 1500;
    c.source.segmentLimit = 4;
    c.source.segmentsAllowed = true;
    ASSERT_TRUE(c.login(server));
    ASSERT_TRUE(waitUntil([&] { return c.source.restSupported.load(); }));
    QTemporaryDir local;
    c.driver->startDownload(local.path() + "/", "/", {"/big.bin"}, {quint32(content.size())});
    ASSERT_TRUE(c.waitAllDone(60000))
        << c.prompts.shown.join('|').toStdString() << " resumes: " << c.host.resumes;
    EXPECT_EQ(readBytes(local.path() + "/big.bin"), content);
    EXPECT_EQ(c.host.resumes, 0);
}

// pyftpdlib as it comes answers "REST 0" in ASCII mode with 501: the probe
// is asked again in binary mode, so large files still come in ranges.
TEST(SegmentedDownload, AStockServerRestartsInBinaryMode) {
    PyFtpdServer server({"--stock", "--throttle", "400000"});
    ASSERT_TRUE(server.start());
    const QByteArray content = patternedBytes(1200000 + 3, 23);
    writeBytes(server.root() + "/big.bin", content);
    RealConnection c;
    c.source.segmentLimit = 3;
    c.source.segmentsAllowed = true;
    c.source.encoding = WireText::Choice::Auto;
    ASSERT_TRUE(c.login(server));
    ASSERT_TRUE(waitUntil([&] { return c.source.restSupported.load(); }))
        << c.transcript().toStdString();
    const QString t = c.transcript();
    EXPECT_LT(t.indexOf("501 Resuming transfers not allowed in ASCII mode"),
              t.indexOf("C:\r\nTYPE I\r\n"));
    EXPECT_LT(t.indexOf("C:\r\nTYPE I\r\n"), t.lastIndexOf("C:\r\nREST 0\r\n"));
    EXPECT_FALSE(t.contains(QString::fromUtf8("服务器不支持断点续传")));

    QTemporaryDir local;
    c.driver->startDownload(local.path() + "/", "/", {"/big.bin"}, {quint32(content.size())});
    ASSERT_TRUE(waitUntil([&] { return c.driver->isSegmented(); }, 5000));
    ASSERT_TRUE(c.waitAllDone(90000))
        << c.prompts.shown.join('|').toStdString() << " resumes: " << c.host.resumes
        << " running: " << c.source.runningThreads.load()
        << c.transcript().right(600).toStdString();
    EXPECT_EQ(readBytes(local.path() + "/big.bin"), content);
}

namespace {

// A task file as a cut download of `sitePath` into `folder` leaves it.
QString writeDownloadTask(const QString& home, const QString& folder, const QString& sitePath,
                          quint32 size, quint16 port) {
    TaskContents t;
    t.description = "cut";
    t.site = "127.0.0.1";
    t.port = port;
    t.user = PyFtpdServer::User;
    t.password = PyFtpdServer::Password;
    t.isDownload = true;
    t.targetFolder = folder + "/";
    t.sourceFolder = "/";
    t.itemPaths = QStringList{sitePath};
    t.itemSizes = {size};
    t.itemKinds = {0};
    t.headFresh = true; // the ranges are in the part file, the target is untouched
    const QString name = QString::fromUtf8("中断任务-2026-1-1-0-0-0.npm");
    writeBytes(home + "/" + name, TaskArchive::encode(t));
    return name;
}

RealConnection* segmentedLogin(RealConnection& c, const PyFtpdServer& server) {
    c.source.segmentLimit = 4;
    c.source.segmentsAllowed = true;
    if (!c.login(server) || !waitUntil([&] { return c.source.restSupported.load(); }))
        return nullptr;
    return &c;
}

} // namespace

// The site's file changed while the task waited (another size, or the same
// size at another time): its old ranges are not continued (that would
// splice old and new bytes); it comes again whole.
static void changedFileIsFetchedAgain(bool sameSize);

TEST(SegmentedDownload, AChangedFileIsFetchedAgainNotSpliced) {
    for (const bool sameSize : {false, true}) {
        SCOPED_TRACE(sameSize);
        changedFileIsFetchedAgain(sameSize);
    }
}

static void changedFileIsFetchedAgain(bool sameSize) {
    PyFtpdServer server;
    ASSERT_TRUE(server.start());
    const QByteArray before = patternedBytes(1000000, 24);
    const QByteArray after = patternedBytes(sameSize ? 1000000 : 1100000, 25);
    writeBytes(server.root() + "/big.bin", after);
    RealConnection c;
    ASSERT_TRUE(segmentedLogin(c, server));
    QTemporaryDir local;
    SegmentPlan plan = SegmentPlan::split(before.size(), 4);
    plan.done[0] = 100000;
    plan.bytesWritten = 100000;
    plan.siteTime = "Jan 01  2020"; // as the site listed the file then
    writeBytes(local.path() + "/big.bin.cftp", before.left(100000) + QByteArray(900000, '\0'));
    writeBytes(local.path() + "/big.bin.cnpm", plan.encode());
    const QString task =
        writeDownloadTask(c.home.path(), local.path(), "/big.bin", before.size(), server.port());

    ASSERT_TRUE(c.driver->resumeTask(task)) << c.prompts.shown.join('|').toStdString();
    ASSERT_TRUE(c.waitAllDone(90000))
        << c.prompts.shown.join('|').toStdString() << " resumes: " << c.host.resumes
        << " running: " << c.source.runningThreads.load()
        << c.transcript().right(600).toStdString();
    EXPECT_EQ(readBytes(local.path() + "/big.bin"), after);
    EXPECT_TRUE(
        c.transcript().contains(QString::fromUtf8("站点上的文件已改变，重新从头下载：/big.bin")));
    EXPECT_FALSE(QFile::exists(local.path() + "/big.bin.cftp"));
    EXPECT_FALSE(QFile::exists(local.path() + "/big.bin.cnpm"));
}

// A file that grew after it was listed comes whole, not cut at its listed
// size.
TEST(SegmentedDownload, AFileGrownSinceItWasListedComesWhole) {
    PyFtpdServer server;
    ASSERT_TRUE(server.start());
    const QByteArray content = patternedBytes(1300000, 26);
    writeBytes(server.root() + "/grown.bin", content);
    RealConnection c;
    ASSERT_TRUE(segmentedLogin(c, server));
    QTemporaryDir local;
    c.driver->startDownload(local.path() + "/", "/", {"/grown.bin"}, {1000000}); // as listed
    ASSERT_TRUE(c.waitAllDone(90000))
        << c.prompts.shown.join('|').toStdString() << " resumes: " << c.host.resumes
        << " running: " << c.source.runningThreads.load()
        << c.transcript().right(600).toStdString();
    EXPECT_EQ(readBytes(local.path() + "/grown.bin"), content);
}

// Files that happen to have the names of a download's part and state files
// are someone's: they stay, and the file comes over one connection.
TEST(SegmentedDownload, FilesNamedLikeItsRecordAreNeverTouched) {
    PyFtpdServer server;
    ASSERT_TRUE(server.start());
    const QByteArray content = patternedBytes(700000, 27);
    writeBytes(server.root() + "/a.bin", content);
    RealConnection c;
    ASSERT_TRUE(segmentedLogin(c, server));
    QTemporaryDir local;
    writeBytes(local.path() + "/a.bin.cftp", "mine");
    writeBytes(local.path() + "/a.bin.cnpm", "mine too");
    c.driver->startDownload(local.path() + "/", "/", {"/a.bin"}, {quint32(content.size())});
    ASSERT_TRUE(c.waitAllDone(90000))
        << c.prompts.shown.join('|').toStdString() << " resumes: " << c.host.resumes
        << " running: " << c.source.runningThreads.load()
        << c.transcript().right(600).toStdString();
    EXPECT_EQ(readBytes(local.path() + "/a.bin"), content);
    EXPECT_EQ(readBytes(local.path() + "/a.bin.cftp"), "mine");
    EXPECT_EQ(readBytes(local.path() + "/a.bin.cnpm"), "mine too");
    EXPECT_TRUE(c.transcript().contains(QString::fromUtf8("分段下载的临时文件名已被其他文件占用")));
}

// A folder holding "x.zip" and "x.tar", both large, and the site files
// "big.cnpm" and "big.cftp": every file arrives, none is lost to another's
// record.
TEST(SegmentedDownload, NamesSharingAStemKeepTheirOwnRecords) {
    PyFtpdServer server;
    ASSERT_TRUE(server.start());
    const QString site = server.root() + "/d";
    writeBytes(site + "/x.zip", patternedBytes(400000, 28));
    writeBytes(site + "/x.tar", patternedBytes(500000, 29));
    writeBytes(site + "/big.bin", patternedBytes(600000, 30));
    writeBytes(site + "/big.cnpm", "a site file");
    writeBytes(site + "/big.cftp", patternedBytes(300000, 31));
    RealConnection c;
    ASSERT_TRUE(segmentedLogin(c, server));
    QTemporaryDir local;
    c.driver->startDownload(local.path() + "/", "/", {"/d"}, {0});
    ASSERT_TRUE(c.waitAllDone(90000))
        << c.prompts.shown.join('|').toStdString() << " resumes: " << c.host.resumes
        << " running: " << c.source.runningThreads.load()
        << c.transcript().right(600).toStdString();
    EXPECT_EQ(digests(local.path() + "/d"), digests(site));
}
