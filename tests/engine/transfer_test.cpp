// Transfers against the scripted server: the exact command groups, what
// moves over the data connection, and the misbehaving cases.
#include "connection_fixture.h"
#include "core/platform/gbk_text.h"
#include "core/tasks/task_archive.h"
#include "file_bytes.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace {

QByteArray pattern(int size, int seed = 0) {
    QByteArray b(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        b[i] = char((i * 31 + seed) & 0xFF);
    return b;
}

class TransferTest : public ConnectionTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(local.isValid());
        source.taskFolder = local.path() + "/";
    }
    QString localDir() const { return local.path() + "/"; }
    bool waitDone() {
        return waitUntil([&] { return host.outcomes.count(Outcome::Completed) == 1; });
    }

    QTemporaryDir local;
};

} // namespace

TEST_F(TransferTest, DownloadSendsTypePortRetrAndWritesTheFile) {
    const QByteArray payload = pattern(200000);
    ScriptedPeer& p = newPeer();
    p.greetAndLogin();
    p.typeAndPort("I");
    p.on("RETR /pub/f.bin", "150 opening").openData(payload).send("226 done\r\n");
    ASSERT_TRUE(loginTo(p));
    driver->startDownload(localDir(), "/pub", {"/pub/f.bin"}, {quint32(payload.size())});
    ASSERT_TRUE(waitDone()) << prompts.shown.join('|').toStdString();
    finishPeer();
    EXPECT_EQ(readBytes(localDir() + "f.bin"), payload);
    EXPECT_EQ(host.completed, QList<bool>{true});
    EXPECT_TRUE(QDir(localDir()).entryList({"*.npm"}).isEmpty()) << "task file deleted";
}

TEST_F(TransferTest, ResumedDownloadSendsRestWithTheLocalSize) {
    const QByteArray payload = pattern(5000, 3);
    writeBytes(localDir() + "f.bin", payload.left(1200));
    ScriptedPeer& p = newPeer();
    p.greetAndLogin();
    // The site's file is still the one begun: same size as recorded.
    p.typeAndPort("A");
    p.on("LIST /pub/f.bin", "150 listing");
    p.openData("-rw-r--r--   1 o g   5000 Mar 10 12:01 f.bin\r\n").send("226 done\r\n");
    p.typeAndPort("I");
    p.on("REST 1200", "350 restarting").on("RETR /pub/f.bin", "150 opening");
    p.openData(payload.mid(1200)).send("226 done\r\n");
    ASSERT_TRUE(loginTo(p));
    driver->startDownload(localDir(), "/pub", {"/pub/f.bin"}, {quint32(payload.size())});
    driver->resumeNextTransferForTest(); // as a resumed task sets it
    ASSERT_TRUE(waitDone()) << prompts.shown.join('|').toStdString();
    finishPeer();
    EXPECT_EQ(readBytes(localDir() + "f.bin"), payload);
}

TEST_F(TransferTest, ContinuedUploadQueriesTheSizeThenAppendsOnlyTheRest) {
    const QByteArray content = pattern(3000, 7);
    writeBytes(localDir() + "up.bin", content);
    ScriptedPeer& p = newPeer();
    p.greetAndLogin();
    p.typeAndPort("A");
    p.on("LIST /pub/up.bin", "150 listing");
    p.openData("-rw-r--r--   1 o g   1000 Mar 10 12:01 up.bin\r\n").send("226 done\r\n");
    p.on("TYPE I", "200 binary");
    // This server connects as soon as it has the PORT line, before APPE.
    p.expectPrefix("PORT ").send("200 ok\r\n").connectData();
    p.on("APPE /pub/up.bin", "150 go ahead").receiveData().send("226 stored\r\n");
    ASSERT_TRUE(loginTo(p));
    driver->startUpload("/pub", localDir(), {localDir() + "up.bin"}, {quint32(content.size())});
    driver->resumeNextTransferForTest();
    ASSERT_TRUE(waitDone()) << prompts.shown.join('|').toStdString();
    finishPeer();
    EXPECT_EQ(peer->uploaded(), content.mid(1000));
}

TEST_F(TransferTest, UploadToAServerThatConnectsOnPort) {
    const QByteArray content = pattern(10000, 1);
    writeBytes(localDir() + "new file.bin", content);
    ScriptedPeer& p = newPeer();
    p.greetAndLogin();
    p.typeAndPort("I").connectData();
    p.on("STOR /pub/new file.bin", "125 already open").receiveData().send("226 stored\r\n");
    ASSERT_TRUE(loginTo(p));
    driver->startUpload("/pub", localDir(), {localDir() + "new file.bin"},
                        {quint32(content.size())});
    ASSERT_TRUE(waitDone()) << prompts.shown.join('|').toStdString();
    finishPeer();
    EXPECT_EQ(peer->uploaded(), content);
    EXPECT_EQ(host.completed, QList<bool>{false});
}

TEST_F(TransferTest, DataConnectionFromAnotherAddressIsRefused) {
    ScriptedPeer& p = newPeer();
    p.greetAndLogin();
    p.typeAndPort("I");
    p.on("RETR /pub/f.bin", "150 opening").openData("intruder", "127.0.0.2");
    ASSERT_TRUE(loginTo(p));
    driver->startDownload(localDir(), "/pub", {"/pub/f.bin"}, {8});
    ASSERT_TRUE(waitUntil([&] { return prompts.count("网络错误，不能成功操作！") == 1; }));
    finishPeer();
    EXPECT_FALSE(connection->isTransferring());
    EXPECT_TRUE(readBytes(localDir() + "f.bin").isEmpty());
    EXPECT_EQ(host.outcomes.count(Outcome::Completed), 0);
}

TEST_F(TransferTest, CannotOpenDataConnectionRepeatsTheWholeGroup) {
    const QByteArray payload = pattern(3000);
    ScriptedPeer& p = newPeer();
    p.greetAndLogin();
    p.typeAndPort("I");
    p.on("RETR /pub/f.bin", "425 Can't open data connection.");
    p.typeAndPort("I");
    p.on("RETR /pub/f.bin", "150 opening").openData(payload).send("226 done\r\n");
    ASSERT_TRUE(loginTo(p));
    driver->startDownload(localDir(), "/pub", {"/pub/f.bin"}, {quint32(payload.size())});
    ASSERT_TRUE(waitDone()) << prompts.shown.join('|').toStdString();
    finishPeer();
    EXPECT_EQ(readBytes(localDir() + "f.bin"), payload);
    // The second PORT announced a socket that took the data: a fresh one
    // (which port number the system hands out is its own affair).
    EXPECT_EQ(peer->received().filter(QRegularExpression("^PORT ")).size(), 2);
}

// A server that can never open the data connection: the group runs three
// times, then the operation ends with a message, rather than for ever.
TEST_F(TransferTest, ADataConnectionRefusedAgainAndAgainEndsTheOperation) {
    ScriptedPeer& p = newPeer();
    p.greetAndLogin();
    p.typeAndPort("I").on("RETR /pub/f.bin", "425 Can't open data connection.");
    for (int i = 0; i < 2; ++i)
        p.expectPrefix("PORT ").send("200 ok\r\n").on("RETR /pub/f.bin", "425 no");
    p.expectSilence(300);
    ASSERT_TRUE(loginTo(p));
    driver->startDownload(localDir(), "/pub", {"/pub/f.bin"}, {100});
    ASSERT_TRUE(waitUntil([&] { return prompts.count("网络错误，不能成功操作！") == 1; }))
        << prompts.shown.join('|').toStdString();
    finishPeer();
}

// Whatever positive code a server answers a removal, a new folder or a
// rename with, the command ends and the pane hears of it; an account
// asked for a second time ends the operation instead of asking for ever.
TEST_F(TransferTest, EveryCommandEndsWhateverItsAnswer) {
    ScriptedPeer& p = newPeer();
    p.greetAndLogin();
    p.on("DELE /pub/x", "200 ok").on("MKD /pub/new", "200 ok");
    p.on("RNFR /pub/a", "350 ready").on("RNTO /pub/b", "200 ok");
    p.typeAndPort("I").connectData().on("STOR /pub/up.bin", "532 Need account for storing files.");
    p.on("ACCT acc", "202 ok").expectPrefix("PORT ").send("200 ok\r\n");
    p.on("STOR /pub/up.bin", "532 still no");
    ASSERT_TRUE(loginTo(p));
    driver->deleteSiteItems({"/pub/x"}, {"-"});
    ASSERT_TRUE(waitUntil([&] { return connection->connectionReady() && !host.events.isEmpty(); }));
    driver->makeSiteFolder("/pub/new");
    ASSERT_TRUE(
        waitUntil([&] { return host.events.size() == 2 && connection->connectionReady(); }));
    driver->renameSiteItem("/pub/a", "/pub/b");
    ASSERT_TRUE(
        waitUntil([&] { return host.events.size() == 3 && connection->connectionReady(); }));
    EXPECT_EQ(host.events, (QStringList{"removed file:/pub/x", "added:new", "renamed:b"}));

    source.setAccount("acc");
    writeBytes(localDir() + "up.bin", "data");
    driver->startUpload("/pub", localDir(), {localDir() + "up.bin"}, {4});
    ASSERT_TRUE(waitUntil([&] { return prompts.count(kStopped) == 1; }))
        << prompts.shown.join('|').toStdString();
    finishPeer();
}

TEST_F(TransferTest, ListingAboveTheLimitClosesTheConnection) {
    QByteArray listing;
    const QByteArray line =
        "-rw-r--r--   1 owner group   131072 Mar 10 12:01 some-file-name.bin\r\n";
    listing.reserve(FtpSession::ListingLimit + line.size());
    while (listing.size() <= FtpSession::ListingLimit)
        listing += line;
    ScriptedPeer& p = newPeer();
    p.greetAndLogin();
    p.typeAndPort("A");
    p.on("LIST", "150 listing").openData(listing).expectClosed();
    ASSERT_TRUE(loginTo(p));
    connection->listCurrentFolder();
    ASSERT_TRUE(waitUntil([&] { return prompts.count(kReceiveFailed) == 1; }));
    finishPeer();
    EXPECT_FALSE(connection->hasControlConnection());
    EXPECT_TRUE(host.listings.isEmpty());
}

TEST_F(TransferTest, ListingOfTheCurrentFolderReachesTheHost) {
    const QByteArray listing = "drwxr-xr-x 2 o g 4096 Mar 10 12:01 sub\r\n"
                               "-rw-r--r-- 1 o g 5 Mar 10 12:01 a.txt\r\n";
    ScriptedPeer& p = newPeer();
    p.greetAndLogin();
    p.typeAndPort("A");
    p.on("LIST", "150 listing").openData(listing).send("226 done\r\n").on("NOOP", "200 ok");
    ASSERT_TRUE(loginTo(p));
    connection->listCurrentFolder();
    ASSERT_TRUE(waitUntil([&] { return !host.listings.isEmpty(); }));
    spinFor(50); // the late 226 must not disturb the next command
    connection->keepAlive();
    finishPeer();
    EXPECT_EQ(host.listings, QList<QByteArray>{listing});
    EXPECT_TRUE(prompts.shown.isEmpty()) << prompts.shown.join('|').toStdString();
}

TEST_F(TransferTest, FolderDownloadFromADosListingSkipsUnsafeNames) {
    const QByteArray listing = "03-10-23  12:01PM       <DIR>          sub\r\n"
                               "03-10-23  12:01PM                   5 f.txt\r\n"
                               "03-10-23  12:01PM                   5 ..\\evil\r\n"
                               "03-10-23  12:01PM                   5 a/../../evil\r\n"
                               "-rw-r--r--   1 o g   5 Mar 10 12:01 ..\r\n"
                               "03-10-23  12:01PM                   0 empty.txt\r\n";
    ScriptedPeer& p = newPeer();
    p.greetAndLogin();
    p.typeAndPort("A");
    p.on("LIST /d", "150 listing").openData(listing).send("226 done\r\n");
    p.typeAndPort("A");
    p.on("LIST /d/sub", "150 listing").openData("").send("226 done\r\n");
    p.typeAndPort("I");
    p.on("RETR /d/f.txt", "150 opening").openData("hello").send("226 done\r\n");
    p.typeAndPort("I");
    p.on("RETR /d/empty.txt", "150 opening").openData("").send("226 done\r\n");
    ASSERT_TRUE(loginTo(p));
    driver->startDownload(localDir(), "/", {"/d"}, {0});
    // Done, but not "all done": two items were left out.
    ASSERT_TRUE(waitUntil([&] { return prompts.count("操作已完成，但有2项没有传送。") == 1; }))
        << prompts.shown.join('|').toStdString();
    EXPECT_EQ(host.outcomes.count(Outcome::Completed), 0);
    finishPeer();
    EXPECT_EQ(readBytes(localDir() + "d/f.txt"), "hello");
    EXPECT_TRUE(QFileInfo(localDir() + "d/sub").isDir());
    EXPECT_TRUE(QFileInfo(localDir() + "d/empty.txt").isFile()) << "empty files are copied";
    EXPECT_EQ(host.skipped, (QStringList{"文件名不安全，跳过：/d/..\\evil",
                                         "文件名不安全，跳过：/d/a/../../evil"}));
    QDir parent(local.path());
    parent.cdUp();
    EXPECT_FALSE(QFileInfo::exists(parent.filePath("evil")));
    EXPECT_FALSE(QFileInfo::exists(localDir() + "evil"));
}

TEST_F(TransferTest, AbortIsFollowedByTheRepliesServersSend) {
    const QList<QByteArray> endings = {"426 aborted\r\n226 abort ok\r\n",
                                       "426 aborted\r\n225 abort ok\r\n",
                                       "226 done anyway\r\n225 abort ok\r\n"};
    for (const QByteArray& ending : endings) {
        SCOPED_TRACE(ending.toStdString());
        prompts.shown.clear();
        host.folders.clear();
        ScriptedPeer& p = newPeer();
        p.greetAndLogin();
        p.typeAndPort("I");
        p.on("RETR /pub/big", "150 opening").connectData().sendDataKeepOpen(pattern(4096));
        p.expect("ABOR").send(ending).on("NOOP", "200 ok");
        ASSERT_TRUE(loginTo(p));
        driver->startDownload(localDir(), "/pub", {"/pub/big"}, {1000000});
        ASSERT_TRUE(waitUntil([&] { return source.bytesDone > 0; }));
        connection->abort();
        ASSERT_TRUE(waitUntil([&] { return prompts.count("操作中断！") == 1; }));
        spinFor(100);
        connection->keepAlive();
        finishPeer();
        EXPECT_EQ(prompts.shown, QStringList{QString::fromUtf8("操作中断！")});
        EXPECT_FALSE(connection->isTransferring());
        EXPECT_EQ(host.resumes, 0);
    }
}

TEST_F(TransferTest, RecursiveDeleteListsThenDeletesDeepestFirst) {
    ScriptedPeer& p = newPeer();
    p.greetAndLogin();
    p.typeAndPort("A");
    p.on("LIST /top", "150 listing");
    p.openData("drwxr-xr-x 2 o g 4096 Mar 10 12:01 inner\r\n"
               "-rw-r--r-- 1 o g 0 Mar 10 12:01 zero.txt\r\n")
        .send("226 done\r\n");
    p.typeAndPort("A");
    p.on("LIST /top/inner", "150 listing");
    p.openData("-rw-r--r-- 1 o g 9 Mar 10 12:01 deep.txt\r\n").send("226 done\r\n");
    p.on("DELE /loose.txt", "250 ok").on("DELE /top/zero.txt", "250 ok");
    p.on("DELE /top/inner/deep.txt", "250 ok");
    p.on("RMD /top/inner", "250 ok").on("RMD /top", "250 ok");
    ASSERT_TRUE(loginTo(p));
    driver->deleteSiteItems({"/top", "/loose.txt"}, {"d", "-"});
    ASSERT_TRUE(waitUntil([&] { return host.events.contains("removed folder:/top"); }));
    finishPeer();
    EXPECT_TRUE(prompts.shown.isEmpty()) << prompts.shown.join('|').toStdString();
    EXPECT_TRUE(!connection->hasQueuedCommands());
}

TEST_F(TransferTest, RenameSendsRnfrThenRnto) {
    ScriptedPeer& p = newPeer();
    p.greetAndLogin();
    p.on("RNFR /pub/old.txt", "350 ready").on("RNTO /pub/新.txt", "250 renamed");
    ASSERT_TRUE(loginTo(p));
    driver->renameSiteItem("/pub/old.txt", QString::fromUtf8("/pub/新.txt"));
    ASSERT_TRUE(waitUntil([&] { return !host.events.isEmpty(); }));
    finishPeer();
    EXPECT_EQ(host.events, QStringList{QString::fromUtf8("renamed:新.txt")});
}

// Sizes past 32 bits (and up to the largest a signed 64-bit count holds)
// are files like any other: fetched in their turn, none left out.
TEST_F(TransferTest, FilesOf4GiBAndMoreAreFetchedLikeAnyOther) {
    ScriptedPeer& p = newPeer();
    p.greetAndLogin();
    p.typeAndPort("A");
    p.on("LIST /d", "150 listing");
    p.openData("-rw-r--r-- 1 o g 4294967296 Mar 10 12:01 huge.iso\r\n"
               "-rw-r--r-- 1 o g 9223372036854775807 Mar 10 12:01 vast.img\r\n"
               "-rw-r--r-- 1 o g 3 Mar 10 12:01 small.txt\r\n")
        .send("226 done\r\n");
    p.typeAndPort("I");
    p.on("RETR /d/huge.iso", "550 not today");
    ASSERT_TRUE(loginTo(p));
    driver->startDownload(localDir(), "/", {"/d"}, {0});
    ASSERT_TRUE(waitUntil([&] { return prompts.count(kStopped) == 1; }));
    finishPeer();
    EXPECT_TRUE(host.skipped.isEmpty()) << host.skipped.join('|').toStdString();
    EXPECT_TRUE(peer->received().contains("RETR /d/huge.iso"));
}

TEST_F(TransferTest, SplitTransferReplyIsWaitedForBeforeTheNextCommand) {
    ScriptedPeer& p = newPeer();
    p.greetAndLogin();
    p.typeAndPort("A");
    p.on("LIST /pub", "150 listing");
    p.openData("-rw-r--r-- 1 o g 5 Mar 10 12:01 a.txt\r\n");
    // "226" in two pieces: nothing may go out before its line is whole.
    p.send("2").expectSilence(250).send("26 done\r\n");
    p.typeAndPort("I");
    p.on("RETR /pub/a.txt", "150 opening").openData("hello").send("226 done\r\n");
    ASSERT_TRUE(loginTo(p));
    driver->startFolderDownload(localDir(), "/pub");
    ASSERT_TRUE(waitDone()) << prompts.shown.join('|').toStdString();
    finishPeer();
    EXPECT_EQ(readBytes(localDir() + "pub/a.txt"), "hello");
}

TEST_F(TransferTest, ByteCountsInTransferRepliesAreText) {
    // vsftpd names the file and its size in the opening reply.
    const QByteArray payload = pattern(5221);
    ScriptedPeer& p = newPeer();
    p.greetAndLogin();
    p.typeAndPort("I");
    p.on("RETR /pub/f051.bin",
         "150 Opening BINARY mode data connection for f051.bin (5221 bytes).");
    p.openData(payload).send("226 Transfer complete, 4210 bytes/s.\r\n");
    ASSERT_TRUE(loginTo(p));
    driver->startDownload(localDir(), "/pub", {"/pub/f051.bin"}, {quint32(payload.size())});
    ASSERT_TRUE(waitDone()) << prompts.shown.join('|').toStdString();
    finishPeer();
    EXPECT_EQ(readBytes(localDir() + "f051.bin"), payload);
    EXPECT_TRUE(connection->hasControlConnection());
}

TEST_F(TransferTest, OpeningAndClosingRepliesInOneRead) {
    ScriptedPeer& p = newPeer();
    p.greetAndLogin();
    p.typeAndPort("I");
    p.expect("RETR /pub/f.bin").openData("abc").send("150 opening\r\n226 done\r\n");
    ASSERT_TRUE(loginTo(p));
    driver->startDownload(localDir(), "/pub", {"/pub/f.bin"}, {3});
    ASSERT_TRUE(waitDone()) << prompts.shown.join('|').toStdString();
    finishPeer();
    EXPECT_EQ(readBytes(localDir() + "f.bin"), "abc");
}

TEST_F(TransferTest, UploadIsCompleteOnlyWhenTheServerConfirmsIt) {
    const QByteArray content = pattern(4000, 2);
    writeBytes(localDir() + "up.bin", content);
    ScriptedPeer& p = newPeer();
    p.greetAndLogin();
    p.typeAndPort("I");
    p.on("STOR /pub/up.bin", "150 go ahead").connectData().receiveData();
    // Every byte arrived, but the server could not keep them.
    p.pause(300).send("452 Disk full\r\n");
    ASSERT_TRUE(loginTo(p));
    driver->startUpload("/pub", localDir(), {localDir() + "up.bin"}, {quint32(content.size())});
    ASSERT_TRUE(waitUntil([&] { return prompts.count(kStopped) == 1; }))
        << prompts.shown.join('|').toStdString();
    finishPeer();
    EXPECT_EQ(peer->uploaded(), content);
    EXPECT_EQ(host.outcomes.count(Outcome::Completed), 0);
    EXPECT_TRUE(host.completed.isEmpty());
    EXPECT_EQ(host.resumes, 0);
    EXPECT_FALSE(QDir(localDir()).entryList({"*.npm"}).isEmpty()) << "the task is kept";
}

TEST_F(TransferTest, DownloadRefusedAfterPartOfTheFileIsResumed) {
    const QByteArray payload = pattern(3000);
    ScriptedPeer& p = newPeer();
    p.greetAndLogin();
    p.typeAndPort("I");
    p.on("RETR /pub/f.bin", "150 opening").openData(payload.left(1000));
    p.send("426 Connection closed; transfer aborted.\r\n");
    ASSERT_TRUE(loginTo(p));
    driver->startDownload(localDir(), "/pub", {"/pub/f.bin"}, {quint32(payload.size())});
    ASSERT_TRUE(waitUntil([&] { return host.resumes == 1; }));
    finishPeer();
    EXPECT_TRUE(prompts.shown.isEmpty()) << prompts.shown.join('|').toStdString();
    EXPECT_EQ(readBytes(localDir() + "f.bin"), payload.left(1000));
}

TEST_F(TransferTest, RefusedDownloadLeavesTheLocalFileAsItWas) {
    writeBytes(localDir() + "kept.bin", "precious");
    ScriptedPeer& p = newPeer();
    p.greetAndLogin();
    p.typeAndPort("I").on("RETR /pub/kept.bin", "550 Permission denied.");
    p.typeAndPort("I").on("RETR /pub/new.bin", "550 No such file.");
    ASSERT_TRUE(loginTo(p));
    driver->startDownload(localDir(), "/pub", {"/pub/kept.bin"}, {100});
    ASSERT_TRUE(waitUntil([&] { return prompts.count(kStopped) == 1; }));
    ASSERT_TRUE(waitUntil([&] { return connection->connectionReady(); }));
    driver->startDownload(localDir(), "/pub", {"/pub/new.bin"}, {100});
    ASSERT_TRUE(waitUntil([&] { return prompts.count(kStopped) == 2; }));
    finishPeer();
    EXPECT_EQ(readBytes(localDir() + "kept.bin"), "precious");
    EXPECT_FALSE(QFileInfo::exists(localDir() + "new.bin")) << "a refused download makes no file";
}

TEST_F(TransferTest, RefusedRestRewritesTheFileFromItsStart) {
    const QByteArray payload = pattern(5000, 9);
    writeBytes(localDir() + "f.bin", "stale partial data");
    ScriptedPeer& p = newPeer();
    p.greetAndLogin();
    p.typeAndPort("A");
    p.on("LIST /pub/f.bin", "150 listing");
    p.openData("-rw-r--r--   1 o g   5000 Mar 10 12:01 f.bin\r\n").send("226 done\r\n");
    p.typeAndPort("I");
    p.on("REST 18", "502 REST not implemented.");
    p.on("RETR /pub/f.bin", "150 opening").openData(payload).send("226 done\r\n");
    ASSERT_TRUE(loginTo(p));
    driver->startDownload(localDir(), "/pub", {"/pub/f.bin"}, {quint32(payload.size())});
    driver->resumeNextTransferForTest();
    ASSERT_TRUE(waitDone()) << prompts.shown.join('|').toStdString();
    finishPeer();
    EXPECT_EQ(readBytes(localDir() + "f.bin"), payload) << "never appended to the stale part";
}

// The site's file changed size since the download began: the bytes on disk
// are not continued; the file comes again from its first byte.
TEST_F(TransferTest, AResumedDownloadOfAChangedFileStartsAgainFromByteZero) {
    const QByteArray payload = pattern(6000, 4);
    writeBytes(localDir() + "f.bin", "old partial bytes");
    ScriptedPeer& p = newPeer();
    p.greetAndLogin();
    p.typeAndPort("A");
    p.on("LIST /pub/f.bin", "150 listing");
    p.openData("-rw-r--r--   1 o g   6000 Mar 10 12:01 f.bin\r\n").send("226 done\r\n");
    p.typeAndPort("I");
    p.on("RETR /pub/f.bin", "150 opening").openData(payload).send("226 done\r\n");
    ASSERT_TRUE(loginTo(p));
    driver->startDownload(localDir(), "/pub", {"/pub/f.bin"}, {5000}); // recorded before the change
    driver->resumeNextTransferForTest();
    ASSERT_TRUE(waitDone()) << prompts.shown.join('|').toStdString();
    finishPeer();
    EXPECT_EQ(readBytes(localDir() + "f.bin"), payload);
    EXPECT_FALSE(host.transcript.contains("REST 17")) << "the old bytes are not continued";
    EXPECT_TRUE(host.transcript.contains(
        QString::fromUtf8("站点上的文件已改变，重新从头下载：/pub/f.bin")));
}

TEST_F(TransferTest, SizeQueryThatFailsOrCannotBeReadSendsTheWholeFile) {
    const QByteArray content = pattern(3000, 5);
    writeBytes(localDir() + "up.bin", content);
    const QByteArray refused = "550 No such file or directory.";
    const QByteArray unreadable = "150 listing";
    for (const QByteArray& answer : {refused, unreadable}) {
        SCOPED_TRACE(answer.toStdString());
        prompts.shown.clear();
        host.folders.clear();
        ScriptedPeer& p = newPeer();
        p.greetAndLogin();
        p.typeAndPort("A").on("LIST /pub/up.bin", answer);
        if (answer == unreadable)
            p.openData("total 0\r\n").send("226 done\r\n");
        p.typeAndPort("I").connectData();
        p.on("STOR /pub/up.bin", "150 go ahead").receiveData().send("226 stored\r\n");
        ASSERT_TRUE(loginTo(p));
        driver->startUpload("/pub", localDir(), {localDir() + "up.bin"}, {quint32(content.size())});
        driver->resumeNextTransferForTest();
        ASSERT_TRUE(waitDone()) << prompts.shown.join('|').toStdString();
        finishPeer();
        EXPECT_EQ(peer->uploaded(), content);
        EXPECT_FALSE(peer->received().join('\n').contains("APPE"));
    }
}

TEST_F(TransferTest, RecursiveDeleteNeverUsesNamesThatLeaveTheFolder) {
    ScriptedPeer& p = newPeer();
    p.greetAndLogin();
    p.typeAndPort("A");
    p.on("LIST /top", "150 listing");
    p.openData("03-10-23  12:01PM       <DIR>          ..\r\n"
               "03-10-23  12:01PM                   5 a/../../keep.txt\r\n"
               "-rw-r--r-- 1 o g 5 Mar 10 12:01 ..\r\n"
               "-rw-r--r-- 1 o g 5 Mar 10 12:01 gone.txt\r\n")
        .send("226 done\r\n");
    p.on("DELE /top/gone.txt", "250 ok").on("RMD /top", "250 ok");
    ASSERT_TRUE(loginTo(p));
    driver->deleteSiteItems({"/top"}, {"d"});
    ASSERT_TRUE(waitUntil([&] { return host.events.contains("removed folder:/top"); }));
    finishPeer();
    EXPECT_EQ(host.skipped, QStringList{"文件名不安全，跳过：/top/a/../../keep.txt"});
}

TEST_F(TransferTest, TasksOfTheSameSecondKeepTheirOwnFiles) {
    makeConnection();
    driver->createTaskFile();
    const QString first = source.taskFileName;
    driver->createTaskFile(); // the first operation ended without finishing
    EXPECT_NE(source.taskFileName, first);
    EXPECT_TRUE(source.taskFileName.endsWith("-2.npm")) << source.taskFileName.toStdString();
    EXPECT_EQ(QDir(localDir()).entryList({"*.npm"}).size(), 2);
}

TEST_F(TransferTest, ListingOfAHugeFolderArrivesWhole) {
    // 300,000 entries, about 24 MiB: far beyond the 640 KiB of old.
    QByteArray listing;
    for (int i = 0; i < 300000; ++i)
        listing += "-rw-r--r-- 1 o g 5 Mar 10 12:01 file-" + QByteArray::number(i) + ".log\r\n";
    ScriptedPeer& p = newPeer();
    p.greetAndLogin();
    p.typeAndPort("A");
    p.on("LIST", "150 listing").openData(listing).send("226 done\r\n");
    ASSERT_TRUE(loginTo(p));
    connection->listCurrentFolder();
    ASSERT_TRUE(waitUntil([&] { return !host.listings.isEmpty(); }, 20000));
    finishPeer();
    EXPECT_EQ(host.listings.value(0).size(), listing.size());
    EXPECT_TRUE(host.listings.value(0) == listing);
    EXPECT_TRUE(prompts.shown.isEmpty()) << prompts.shown.join('|').toStdString();
}

TEST_F(TransferTest, TypeIsSentOnlyWhenItChangesAndAgainAfterARefusal) {
    ScriptedPeer& p = newPeer();
    p.greetAndLogin();
    p.on("TYPE I", "200 binary").expectPrefix("PORT ").send("200 ok\r\n");
    p.on("RETR /pub/a", "150 opening").openData("aa").send("226 done\r\n");
    p.expectPrefix("PORT ").send("200 ok\r\n"); // the type holds: no TYPE
    p.on("RETR /pub/b", "150 opening").openData("bb").send("226 done\r\n");
    p.on("TYPE A", "200 ascii").expectPrefix("PORT ").send("200 ok\r\n");
    p.on("LIST", "150 listing").openData("").send("226 done\r\n");
    p.on("TYPE I", "504 not now"); // refused: the type is not known any more
    p.on("TYPE I", "200 binary").expectPrefix("PORT ").send("200 ok\r\n");
    p.on("RETR /pub/c", "150 opening").openData("cc").send("226 done\r\n");
    ASSERT_TRUE(loginTo(p));
    driver->startDownload(localDir(), "/pub", {"/pub/a", "/pub/b"}, {2, 2});
    ASSERT_TRUE(waitDone()) << prompts.shown.join('|').toStdString();
    connection->listCurrentFolder();
    ASSERT_TRUE(waitUntil([&] { return !host.listings.isEmpty(); }));
    ASSERT_TRUE(waitUntil([&] { return connection->connectionReady(); }));
    driver->startDownload(localDir(), "/pub", {"/pub/c"}, {2});
    ASSERT_TRUE(waitUntil([&] { return prompts.count(kStopped) == 1; }));
    ASSERT_TRUE(waitUntil([&] { return connection->connectionReady(); }));
    driver->startDownload(localDir(), "/pub", {"/pub/c"}, {2});
    ASSERT_TRUE(waitUntil([&] { return host.outcomes.count(Outcome::Completed) == 2; }));
    finishPeer();
    EXPECT_EQ(readBytes(localDir() + "c"), "cc");
}

// Within one second the task file is not rewritten: a crash then leaves the
// list as it stood at the last write, and a resume from it does the items
// finished since then again, whole, without harm to any file.
TEST_F(TransferTest, ACrashBetweenTwoTaskFileWritesOnlyCostsWorkDoneAgain) {
    const QByteArray listing = "-rw-r--r-- 1 o g 3 Mar 10 12:01 a\r\n"
                               "-rw-r--r-- 1 o g 3 Mar 10 12:01 b\r\n"
                               "-rw-r--r-- 1 o g 3 Mar 10 12:01 c\r\n";
    const auto serveTree = [&](ScriptedPeer& p, int pauseBeforeC) {
        p.typeAndPort("A").on("LIST /d", "150 listing").openData(listing).send("226 done\r\n");
        p.typeAndPort("I").on("RETR /d/a", "150 opening").openData("aaa").send("226 done\r\n");
        p.typeAndPort("I").on("RETR /d/b", "150 opening").openData("bbb").send("226 done\r\n");
        p.typeAndPort("I").expect("RETR /d/c").pause(pauseBeforeC).send("150 opening\r\n");
        p.openData("ccc").send("226 done\r\n");
    };
    ScriptedPeer& p = newPeer();
    serveTree(p.greetAndLogin(), 400);
    ASSERT_TRUE(loginTo(p));
    driver->startDownload(localDir(), "/", {"/d"}, {0});
    ASSERT_TRUE(waitUntil([&] { return peer->received().contains("RETR /d/c"); }));
    // The program dies here: this is what stays on disk.
    const QByteArray onDisk = readBytes(localDir() + source.taskFileName);
    ASSERT_TRUE(waitDone()) << prompts.shown.join('|').toStdString();
    finishPeer();
    const std::optional<TaskContents> task = TaskArchive::decode(onDisk);
    ASSERT_TRUE(task);
    EXPECT_EQ(task->itemPaths, QStringList{"/d"}) << "written once, for the first item";

    // A resume runs the list on disk: a and b come again and stay whole.
    prompts.shown.clear();
    host.folders.clear();
    ScriptedPeer& again = newPeer();
    serveTree(again.greetAndLogin(), 0);
    ASSERT_TRUE(loginTo(again));
    driver->startDownload(task->targetFolder, task->sourceFolder, task->itemPaths, task->itemSizes,
                          task->itemKinds);
    ASSERT_TRUE(waitDone()) << prompts.shown.join('|').toStdString();
    finishPeer();
    for (const char* name : {"a", "b", "c"})
        EXPECT_EQ(readBytes(localDir() + "d/" + name), QByteArray(3, name[0])) << name;
}

// Through an FTP proxy a passive data connection goes where the proxy's
// reply says: the proxy is the control connection's peer.
TEST_F(TransferTest, APassiveListingThroughAProxy) {
    const QByteArray listing = "-rw-r--r-- 1 o g 5 Mar 10 12:01 a.txt\r\n";
    ScriptedPeer& p = newPeer();
    throughProxy("127.0.0.1", p.port());
    source.dataMode = DataMode::Passive;
    p.send("220 proxy\r\n").on("USER u@ftp.example.test:21", "331 pw").on("PASS p", "230 ok");
    p.on("FEAT", "211 no features");
    p.on("CWD /", "250 ok").on("REST 0", "350 ok").on("PWD", "257 \"/\"");
    p.on("TYPE A", "200 ok").passive("PASV");
    p.expect("LIST").acceptData().send("150 listing\r\n").sendDataAndClose(listing);
    p.send("226 done\r\n");
    p.start();
    makeConnection();
    connection->beginConnection();
    ASSERT_TRUE(waitLoggedIn()) << prompts.shown.join('|').toStdString();
    connection->listCurrentFolder();
    ASSERT_TRUE(waitUntil([&] { return !host.listings.isEmpty(); }));
    finishPeer();
    EXPECT_EQ(host.listings, QList<QByteArray>{listing});
}

// Automatic mode: a passive port that cannot be reached turns the connection
// active; the server's "425" runs the group again, now with PORT.
TEST_F(TransferTest, AnUnreachablePassivePortTurnsAnAutomaticConnectionActive) {
    const QByteArray listing = "-rw-r--r-- 1 o g 5 Mar 10 12:01 a.txt\r\n";
    source.dataMode = DataMode::Auto;
    ScriptedPeer& p = newPeer();
    p.send("220 ready\r\n").on("USER u", "331 pw").on("PASS p", "230 ok");
    p.on("FEAT", "500 no");
    p.on("CWD /", "250 ok").on("REST 0", "350 ok").on("PWD", "257 \"/\"");
    p.on("TYPE A", "200 ok").on("PASV", "227 Entering Passive Mode (127,0,0,1,0,1).");
    p.on("LIST", "425 Can't open data connection.");
    p.expectPrefix("PORT ").send("200 ok\r\n");
    p.on("LIST", "150 listing").openData(listing).send("226 done\r\n");
    ASSERT_TRUE(loginTo(p)) << prompts.shown.join('|').toStdString();
    connection->listCurrentFolder();
    ASSERT_TRUE(waitUntil([&] { return !host.listings.isEmpty(); }, 10000))
        << prompts.shown.join('|').toStdString();
    finishPeer();
    EXPECT_EQ(host.listings, QList<QByteArray>{listing});
    EXPECT_TRUE(host.transcript.contains(
        QString::fromUtf8("不能连接服务器的被动模式端口，改用主动模式。")));
}

// The control connection is cut after "150", before a single byte came: the
// older local file of the same name stays as it was, and the resume fetches
// the file whole rather than taking the older one (as large as the site's)
// for a finished download.
TEST_F(TransferTest, ADownloadCutBeforeItsFirstBlockIsResumedWhole) {
    const QByteArray older = pattern(8000, 9);
    const QByteArray payload = pattern(5000, 10);
    writeBytes(localDir() + "f.bin", older);
    {
        ScriptedPeer& p = newPeer();
        p.greetAndLogin();
        p.typeAndPort("I");
        p.on("RETR /pub/f.bin", "150 opening").pause(100).close();
        ASSERT_TRUE(loginTo(p));
        driver->startDownload(localDir(), "/pub", {"/pub/f.bin"}, {quint32(payload.size())});
        ASSERT_TRUE(waitUntil([&] { return host.closedConnections == 1; }));
        finishPeer();
    }
    EXPECT_EQ(readBytes(localDir() + "f.bin"), older);
    const QStringList tasks = QDir(localDir()).entryList({"*.npm"});
    ASSERT_EQ(tasks.size(), 1);
    const std::optional<TaskContents> task =
        TaskArchive::decode(readBytes(localDir() + tasks.first()));
    ASSERT_TRUE(task);
    EXPECT_TRUE(task->headFresh);

    driver.reset();
    connection.reset();
    host.folders.clear();
    ScriptedPeer& p = newPeer();
    p.greetAndLogin();
    p.typeAndPort("I");
    p.on("RETR /pub/f.bin", "150 opening").openData(payload).send("226 done\r\n");
    ASSERT_TRUE(loginTo(p));
    ASSERT_TRUE(driver->resumeTask(tasks.first()));
    ASSERT_TRUE(waitDone()) << prompts.shown.join('|').toStdString();
    finishPeer();
    EXPECT_EQ(readBytes(localDir() + "f.bin"), payload);
    EXPECT_FALSE(host.transcript.contains(QRegularExpression("REST [1-9]")))
        << host.transcript.toStdString();
}

// A local file larger than the site's is no part of it: nothing is
// continued past the site's size.
TEST_F(TransferTest, AResumeNeverContinuesALocalFileLargerThanTheSites) {
    const QByteArray payload = pattern(5000, 11);
    writeBytes(localDir() + "f.bin", pattern(9000, 12));
    ScriptedPeer& p = newPeer();
    p.greetAndLogin();
    p.typeAndPort("I");
    p.on("RETR /pub/f.bin", "150 opening").openData(payload).send("226 done\r\n");
    ASSERT_TRUE(loginTo(p));
    driver->startDownload(localDir(), "/pub", {"/pub/f.bin"}, {quint32(payload.size())});
    driver->resumeNextTransferForTest(); // as a resumed task sets it
    ASSERT_TRUE(waitDone()) << prompts.shown.join('|').toStdString();
    finishPeer();
    EXPECT_EQ(readBytes(localDir() + "f.bin"), payload);
}

// A hostile listing in a directory update: names that step out of the
// chosen folder are left out and named, never deleted; a folder that is a
// link back to its parent is not followed.
TEST_F(TransferTest, AnUpdateActsOnlyOnPlainNamesInsideItsFolder) {
    QDir(localDir()).mkpath("loop");
    const QByteArray listing = "12-09-26  10:44AM       <DIR>          ../../important\r\n"
                               "12-09-26  10:44AM                    5 /etc/passwd\r\n"
                               "drwxr-xr-x   2 o g   4096 Dec 09 10:44 sub/\r\n"
                               "drwxr-xr-x   2 o g   4096 Dec 09 10:44 loop\r\n";
    ScriptedPeer& p = newPeer();
    p.greetAndLogin();
    p.typeAndPort("A").on("LIST /pub/base", "150 listing").openData(listing).send("226 done\r\n");
    p.typeAndPort("A").on("LIST /pub/base/loop", "150 listing").openData(listing);
    p.send("226 done\r\n").expectSilence(300);
    ASSERT_TRUE(loginTo(p));
    driver->startDirectoryUpdate(localDir(), "/pub/base");
    ASSERT_TRUE(waitUntil([&] { return prompts.count("操作已完成，但有3项没有传送。") == 1; }))
        << prompts.shown.join('|').toStdString();
    finishPeer();
    for (const QString& line : peer->received()) {
        EXPECT_FALSE(line.startsWith("DELE") || line.startsWith("RMD") || line.startsWith("STOR"))
            << line.toStdString();
    }
    // "sub/" names nothing at all: no entry, nothing to skip.
    EXPECT_EQ(host.skipped.size(), 3) << host.skipped.join('|').toStdString();
    EXPECT_TRUE(host.skipped.join('|').contains("/pub/base/../../important"));
    EXPECT_TRUE(host.skipped.join('|').contains("/pub/base//etc/passwd"));
    EXPECT_TRUE(host.skipped.join('|').contains(
        QString::fromUtf8("目录已经传送过（链接），跳过：/pub/base/loop")));
}

// A recursive delete never deletes through a link back up the tree: what
// the link shows is the folder above, which is not the user's choice.
TEST_F(TransferTest, ARecursiveDeleteDoesNotFollowALinkBackUp) {
    const QByteArray top = "drwxr-xr-x 2 o g 4096 Dec 09 10:44 loop\r\n"
                           "-rw-r--r-- 1 o g 5 Dec 09 10:44 a.txt\r\n";
    ScriptedPeer& p = newPeer();
    p.greetAndLogin();
    p.typeAndPort("A").on("LIST /pub/dir", "150 listing").openData(top).send("226 done\r\n");
    p.typeAndPort("A").on("LIST /pub/dir/loop", "150 listing").openData(top).send("226 done\r\n");
    p.on("DELE /pub/dir/a.txt", "250 deleted");
    p.on("RMD /pub/dir", "550 Directory not empty");
    ASSERT_TRUE(loginTo(p));
    driver->deleteSiteItems({"/pub/dir"}, {"d"});
    ASSERT_TRUE(waitUntil([&] { return prompts.shown.size() == 1; }));
    finishPeer();
    EXPECT_EQ(prompts.shown.value(0), QString::fromUtf8(kStopped));
    EXPECT_EQ(host.skipped,
              QStringList{QString::fromUtf8("目录已经传送过（链接），跳过：/pub/dir/loop")});
}

// The server confirms a download and hangs up while its data is still on
// the way: the file is taken whole before the connection is given up, and
// the task goes on after it, not with it.
TEST_F(TransferTest, AServerHangingUpAfterItsConfirmationCostsNoFile) {
    const QByteArray first = pattern(3000, 13);
    ScriptedPeer& p = newPeer();
    p.greetAndLogin();
    p.typeAndPort("I").connectData();
    p.on("RETR /pub/a.bin", "150 opening").send("226 done\r\n").hangUp().pause(200);
    p.sendDataAndClose(first);
    ASSERT_TRUE(loginTo(p));
    driver->startDownload(localDir(), "/pub", {"/pub/a.bin", "/pub/b.bin"}, {3000, 10});
    ASSERT_TRUE(waitUntil([&] { return host.closedConnections == 1; }));
    finishPeer();
    EXPECT_EQ(readBytes(localDir() + "a.bin"), first);
    const QStringList tasks = QDir(localDir()).entryList({"*.npm"});
    ASSERT_EQ(tasks.size(), 1);
    const std::optional<TaskContents> task =
        TaskArchive::decode(readBytes(localDir() + tasks.first()));
    ASSERT_TRUE(task);
    EXPECT_EQ(task->itemPaths, QStringList{"/pub/b.bin"});
}

// A passive port that refuses the connection, and a server that says
// "150" and "226" all the same: the group runs again at once (three times at
// most), never waiting minutes for data that cannot come.
TEST_F(TransferTest, APassivePortThatRefusesIsAnErrorAtOnce) {
    source.dataMode = DataMode::Passive;
    ScriptedPeer& p = newPeer();
    p.send("220 ready\r\n").on("USER u", "331 pw").on("PASS p", "230 ok");
    p.on("FEAT", "211 no features");
    p.on("CWD /", "250 ok").on("REST 0", "350 ok").on("PWD", "257 \"/\"");
    p.on("TYPE I", "200 binary");
    for (int i = 0; i < 3; ++i) {
        p.on("PASV", "227 Entering Passive Mode (127,0,0,1,0,1).");
        p.on("RETR /pub/f.bin", "150 Opening data connection.").send("226 Transfer complete.\r\n");
    }
    p.expectSilence(300);
    ASSERT_TRUE(loginTo(p));
    driver->startDownload(localDir(), "/pub", {"/pub/f.bin"}, {100});
    ASSERT_TRUE(waitUntil([&] { return prompts.count("网络错误，不能成功操作！") == 1; }, 3000))
        << prompts.shown.join('|').toStdString();
    finishPeer();
    EXPECT_FALSE(QFile::exists(localDir() + "f.bin"));
}

// A server that lists UTF8 among its features but sends its listings in
// code page 936: the connection goes over to code page 936 and says so, and
// a new name goes out as the server's other names are.
TEST_F(TransferTest, AListingThatIsNoUtf8OverridesTheFeatureList) {
    source.encoding = WireText::Choice::Auto;
    const QByteArray listing = "-rw-r--r--   1 o g   5 Mar 10 12:01 " +
                               Gbk::encode(QString::fromUtf8("旧 名字.txt")) + "\r\n";
    ScriptedPeer& p = newPeer();
    p.send("220 ready\r\n").on("USER u", "331 pw").on("PASS p", "230 ok");
    p.on("FEAT", "211-Features:\r\n UTF8\r\n211 End").on("OPTS UTF8 ON", "200 ok");
    p.on("CWD /", "250 ok").on("REST 0", "350 ok").on("PWD", "257 \"/\"");
    p.typeAndPort("A").on("LIST", "150 listing").openData(listing).send("226 done\r\n");
    p.on("MKD /新 名字", "257 made"); // the peer expects its lines in code page 936
    ASSERT_TRUE(loginTo(p));
    connection->listCurrentFolder();
    ASSERT_TRUE(
        waitUntil([&] { return host.listings.size() == 1 && connection->connectionReady(); }));
    EXPECT_EQ(connection->wire().encoding(), WireText::Encoding::Gbk);
    EXPECT_TRUE(host.transcript.contains(QString::fromUtf8("本次连接改用GBK编码")));
    driver->makeSiteFolder(QString::fromUtf8("/新 名字"));
    ASSERT_TRUE(waitUntil([&] { return host.events.size() == 1; }));
    finishPeer();
}
