// Browsing a real server (pyftpdlib on 127.0.0.1) through the main window:
// connect from the site tree, folders from PWD, the listing cache, the
// transcript, progress and the closing rules.
#include "connected_frame.h"

#include "core/engine/connection_source.h"
#include "core/engine/ftp_session.h"
#include "core/tasks/operation_driver.h"
#include "gui/panes/command_ids.h"
#include "gui/panes/message_pane.h"
#include "gui/panes/pane_menu.h"
#include "gui/panes/remote_file_list.h"
#include "gui/panes/site_tree.h"
#include "gui/window/status_dialog_bar.h"

#include <QFile>
#include <QFileInfo>
#include <QMenu>

#include <gtest/gtest.h>

TEST(SiteBrowsing, ConnectShowsOnlyThatSiteBuildsThePwdFoldersAndListsTheDeepest) {
    ConnectedFrame f;
    ASSERT_TRUE(f.connect()) << f.prompts.shown.join('|').toStdString();

    ASSERT_EQ(f.tree->topLevelItemCount(), 1);
    EXPECT_EQ(f.site()->text(0), QString::fromUtf8("演示站点"));
    EXPECT_EQ(SiteTree::itemData(f.site()), 1);
    QTreeWidgetItem* deep = child(child(f.site(), "pub"), "deep");
    ASSERT_TRUE(deep);
    EXPECT_EQ(f.tree->currentItem(), deep);
    EXPECT_EQ(SiteTree::remotePath(deep), "/pub/deep");
    EXPECT_EQ(SiteTree::remotePath(f.site()), "/");
    EXPECT_EQ(names(f.list), (QStringList{"inner", "Mdir", "A.bin", "z.txt"}));
    EXPECT_EQ(f.list->topLevelItem(2)->text(RemoteFileList::SizeColumn), "2 KB");
    EXPECT_EQ(f.list->topLevelItem(2)->toolTip(RemoteFileList::SizeColumn), "2,000 B");
    EXPECT_TRUE(child(deep, "inner") && child(deep, "Mdir")) << "listed folders join the tree";

    EXPECT_TRUE(f.transcript().contains("C:\r\nUSER tester\r\n"));
    EXPECT_TRUE(f.transcript().contains("C:\r\nPASS ******\r\n"));
    EXPECT_FALSE(f.transcript().contains("secret"));
    EXPECT_TRUE(f.transcript().contains("S:\r\n331"));

    // Enabling while connected and ready.
    EXPECT_FALSE(f.enabled(Cmd::Connect));
    EXPECT_TRUE(f.enabled(Cmd::CloseConnection));
    EXPECT_FALSE(f.enabled(Cmd::NewSite));
    EXPECT_FALSE(f.enabled(Cmd::SiteProperties));
    EXPECT_TRUE(f.enabled(Cmd::Refresh));
    EXPECT_TRUE(f.enabled(Cmd::UpOneLevel));
    QMenu* menu = f.tree->prepareContextMenu(f.tree->visualItemRect(f.site()).center());
    EXPECT_EQ(PaneMenu::find(menu, Cmd::PaneConnect)->text(), QString::fromUtf8("断开连接"));
    EXPECT_TRUE(PaneMenu::find(menu, Cmd::PaneConnect)->isEnabled());
    for (int greyed : {Cmd::PaneProperties, Cmd::PaneAddSite, Cmd::PaneDelete})
        EXPECT_FALSE(PaneMenu::find(menu, greyed)->isEnabled()) << greyed;
}

TEST(SiteBrowsing, ACachedFolderSendsOnlyCwdAndRelistingDropsTheListingsBelow) {
    ConnectedFrame f;
    ASSERT_TRUE(f.connect()) << f.prompts.shown.join('|').toStdString();
    QTreeWidgetItem* pub = child(f.site(), "pub");
    QTreeWidgetItem* deep = child(pub, "deep");

    f.tree->setCurrentItem(pub);
    ASSERT_TRUE(waitUntil([&] { return names(f.list) == QStringList{"deep", "other.txt"}; }));
    ASSERT_TRUE(waitUntil([&] { return f.frame->connectionReady(); }));
    EXPECT_EQ(f.frame->app().listingCache.size(), 1) << "deep's listing went with pub's";
    deep = child(pub, "deep");
    ASSERT_TRUE(deep);
    EXPECT_EQ(SiteTree::itemData(deep), 0) << "listing pub made its children afresh";

    // deep was listed before pub was listed again: its listing is gone, so
    // list deep again to have one below pub.
    f.tree->setCurrentItem(deep);
    ASSERT_TRUE(waitUntil([&] { return names(f.list).size() == 4 && f.frame->connectionReady(); }));
    f.tree->setCurrentItem(pub);
    ASSERT_TRUE(waitUntil([&] { return f.frame->connectionReady(); }));

    // Back to deep: shown from the cache at once, and only "CWD" goes out.
    const qsizetype before = f.transcript().size();
    f.tree->setCurrentItem(deep);
    EXPECT_EQ(names(f.list), (QStringList{"inner", "Mdir", "A.bin", "z.txt"}));
    ASSERT_TRUE(waitUntil([&] {
        return f.transcript().mid(before).contains("S:\r\n250") && f.frame->connectionReady();
    }));
    const QString sent = f.transcript().mid(before);
    EXPECT_TRUE(sent.startsWith("C:\r\nCWD /pub/deep\r\n")) << sent.toStdString();
    EXPECT_EQ(sent.count("C:\r\n"), 1) << sent.toStdString();

    // Relisting pub drops the cached listing of deep below it.
    f.tree->setCurrentItem(pub);
    ASSERT_TRUE(waitUntil([&] { return f.frame->connectionReady(); }));
    ASSERT_EQ(f.frame->app().listingCache.size(), 2);
    f.frame->runCommand(Cmd::Refresh);
    ASSERT_TRUE(waitUntil(
        [&] { return f.frame->connectionReady() && f.frame->app().listingCache.size() == 1; }));
    EXPECT_EQ(SiteTree::itemData(child(pub, "deep")), 0);
    EXPECT_EQ(names(f.list), (QStringList{"deep", "other.txt"}));
}

TEST(SiteBrowsing, DoubleClickOnAFolderRowOpensIt) {
    ConnectedFrame f;
    ASSERT_TRUE(f.connect()) << f.prompts.shown.join('|').toStdString();
    QTreeWidgetItem* inner = f.list->topLevelItem(0);
    ASSERT_EQ(inner->text(0), "inner");
    emit f.list->itemDoubleClicked(inner, RemoteFileList::NameColumn);
    EXPECT_EQ(SiteTree::remotePath(f.tree->currentItem()), "/pub/deep/inner");
    ASSERT_TRUE(
        waitUntil([&] { return f.frame->connectionReady() && f.list->topLevelItemCount() == 0; }));
}

TEST(SiteBrowsing, StatusBarShowsDownloadProgressDuringARealTransfer) {
    ConnectedFrame f({"--throttle", "200000"});
    ASSERT_TRUE(f.connect("/")) << f.prompts.shown.join('|').toStdString();
    const quint32 size = 700000;
    QTemporaryDir local;
    f.startDownload(local, size);

    StatusDialogBar* bar = f.frame->statusDialogBar();
    ASSERT_TRUE(waitUntil([&] { return bar->inProgressMode() && bar->percent() > 0; }, 10000))
        << f.prompts.shown.join('|').toStdString() << "\n"
        << f.transcript().toStdString() << "\n"
        << bar->bytesText().toStdString() << bar->inProgressMode() << " "
        << f.frame->source()->bytesDone;
    EXPECT_TRUE(bar->bytesText().startsWith(QString::fromUtf8("已下载：")))
        << bar->bytesText().toStdString();
    EXPECT_TRUE(bar->bytesText().endsWith(QString(" (%1%)").arg(bar->percent())))
        << bar->bytesText().toStdString();
    EXPECT_TRUE(bar->speedText().startsWith(QString::fromUtf8("速度：")));
    EXPECT_TRUE(bar->elapsedText().startsWith(QString::fromUtf8("已进行时间：0时0分")));

    ASSERT_TRUE(waitUntil([&] { return f.resultCount("所有操作已成功完成！") == 1; }, 20000))
        << f.prompts.shown.join('|').toStdString();
    EXPECT_EQ(QFileInfo(local.path() + "/big.bin").size(), qint64(size));
    EXPECT_FALSE(bar->inProgressMode());
}

TEST(SiteBrowsing, ClosingWhileConnectedAsksOnceAndSaysGoodbyeBeforeExiting) {
    ConnectedFrame f;
    ASSERT_TRUE(f.connect()) << f.prompts.shown.join('|').toStdString();
    f.prompts.shown.clear();

    // No: nothing changes.
    f.prompts.answers = {false};
    EXPECT_FALSE(f.frame->close());
    EXPECT_EQ(f.prompts.shown, QStringList{QString::fromUtf8("是否关闭当前连接并退出？")});
    EXPECT_TRUE(f.frame->isVisible());
    EXPECT_TRUE(f.frame->connection()->hasControlConnection()) << "No keeps the connection";

    // Yes: QUIT goes out, the server's goodbye comes, the window closes.
    f.prompts.shown.clear();
    f.prompts.answers = {true};
    f.frame->close();
    ASSERT_TRUE(waitUntil([&] { return !f.frame->isVisible(); }, 5000));
    EXPECT_EQ(f.prompts.shown.size(), 1) << f.prompts.shown.join('|').toStdString();
    EXPECT_TRUE(f.transcript().contains("C:\r\nQUIT\r\n"));
    EXPECT_TRUE(f.transcript().contains("221 ")) << f.transcript().toStdString();
    EXPECT_FALSE(f.frame->connection()->hasControlConnection());
}

// The transcript of an earlier connection stays, under a line naming the
// site and the time each connection started.
TEST(SiteBrowsing, TheMessagePaneKeepsEarlierConnections) {
    ConnectedFrame f;
    ASSERT_TRUE(f.connect()) << f.prompts.shown.join('|').toStdString();
    f.frame->runCommand(Cmd::CloseConnection);
    ASSERT_TRUE(waitUntil([&] { return f.tree->topLevelItemCount() == 2; }));
    f.tree->setCurrentItem(
        f.tree->findItems(QString::fromUtf8("其他站点"), Qt::MatchExactly).value(0));
    f.frame->runCommand(Cmd::Connect);
    ASSERT_TRUE(waitUntil([&] { return f.frame->connectionReady(); }, 15000));

    const QString whole = f.frame->app().messagePane->wholeText();
    const qsizetype first = whole.indexOf(QString::fromUtf8("———— 演示站点  "));
    const qsizetype second = whole.indexOf(QString::fromUtf8("———— 其他站点  "));
    ASSERT_GE(first, 0) << whole.toStdString();
    ASSERT_GT(second, first);
    EXPECT_GT(whole.indexOf("C:\r\nQUIT\r\n", first), first) << "the first goodbye kept";
    EXPECT_LT(whole.indexOf("C:\r\nQUIT\r\n", first), second);
    EXPECT_FALSE(f.transcript().contains("QUIT")) << "the connection's own transcript is new";
}

// A double click on a site connects to it.
TEST(SiteBrowsing, ADoubleClickOnASiteConnects) {
    ConnectedFrame f;
    ASSERT_TRUE(f.connect()) << f.prompts.shown.join('|').toStdString();
    f.frame->runCommand(Cmd::CloseConnection);
    ASSERT_TRUE(waitUntil([&] { return f.tree->topLevelItemCount() == 2; }));
    QTreeWidgetItem* other =
        f.tree->findItems(QString::fromUtf8("其他站点"), Qt::MatchExactly).value(0);
    ASSERT_TRUE(other);
    const QPoint at = f.tree->visualItemRect(other).center();
    QTest::mousePress(f.tree->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(f.tree->viewport(), Qt::LeftButton, {}, at);
    ASSERT_TRUE(waitUntil([&] { return f.frame->connectionReady(); }, 15000))
        << f.prompts.shown.join('|').toStdString();
    EXPECT_EQ(f.tree->topLevelItemCount(), 1);
    EXPECT_EQ(f.site()->text(0), QString::fromUtf8("其他站点"));
    EXPECT_TRUE(f.services.sitesShown.isEmpty()) << "no properties dialog";
}

TEST(SiteBrowsing, CloseConnectionSendsQuitAndBringsEverySiteBack) {
    ConnectedFrame f;
    ASSERT_TRUE(f.connect()) << f.prompts.shown.join('|').toStdString();
    ASSERT_TRUE(f.enabled(Cmd::CloseConnection));
    f.frame->runCommand(Cmd::CloseConnection);
    ASSERT_TRUE(waitUntil([&] { return f.tree->topLevelItemCount() == 2; }));
    EXPECT_TRUE(f.transcript().contains("C:\r\nQUIT\r\n"));
    EXPECT_EQ(f.tree->topLevelItem(0)->text(0), QString::fromUtf8("其他站点")) << "sorted";
    EXPECT_TRUE(f.enabled(Cmd::NewSite));
    EXPECT_TRUE(f.frame->close()) << "no connection open: the program ends";
}

TEST(SiteBrowsing, AListingThatArrivesAfterTheSelectionMovedStaysWithItsFolder) {
    ConnectedFrame f;
    ASSERT_TRUE(f.connect()) << f.prompts.shown.join('|').toStdString();
    QTreeWidgetItem* deep = f.tree->currentItem();
    QTreeWidgetItem* inner = child(deep, "inner");
    QTreeWidgetItem* mdir = child(deep, "Mdir");
    QDir(f.server.root()).mkpath("pub/deep/inner/only-in-inner");

    f.tree->setCurrentItem(inner); // asks for inner's listing
    f.tree->setCurrentItem(mdir);  // busy: nothing is sent for Mdir
    ASSERT_TRUE(
        waitUntil([&] { return f.frame->connectionReady() && SiteTree::itemData(inner) == 1; }));
    EXPECT_TRUE(child(inner, "only-in-inner"));
    EXPECT_EQ(mdir->childCount(), 0);
    EXPECT_EQ(SiteTree::itemData(mdir), 0);
    EXPECT_EQ(names(f.list), QStringList{"only-in-inner"}) << "the list shows the folder it lists";
    EXPECT_EQ(f.tree->shownItem(), inner);

    // Choosing Mdir again, now that the connection is free, lists it.
    f.tree->setCurrentItem(inner);
    f.tree->setCurrentItem(mdir);
    ASSERT_TRUE(
        waitUntil([&] { return f.frame->connectionReady() && SiteTree::itemData(mdir) == 1; }));
    EXPECT_EQ(f.list->topLevelItemCount(), 0);
    EXPECT_EQ(f.tree->shownItem(), mdir);
}

// The server goes away mid-transfer: the transfer is resumed at once, which
// cannot reach the server; the user is told why, and the task stays in the
// transfer list for later.
TEST(SiteBrowsing, ATransferCutByTheServerIsResumedOrItsTaskKept) {
    ConnectedFrame f({"--throttle", "100000"});
    ASSERT_TRUE(f.connect("/")) << f.prompts.shown.join('|').toStdString();
    QTemporaryDir local;
    f.startDownload(local, 2000000);
    ASSERT_TRUE(waitUntil([&] { return f.frame->source()->bytesDone > 50000; }, 10000));
    const QString task = f.frame->source()->taskFileName;
    f.prompts.shown.clear();
    f.server.kill();
    ASSERT_TRUE(waitUntil([&] { return f.prompts.countHeaded("不能连接服务器！") == 1; }, 15000))
        << f.prompts.shown.join('|').toStdString();
    const TransferItem* line = f.frame->transfers().withTask(task);
    ASSERT_TRUE(waitUntil([&] { return line && line->resumable(); }))
        << (line ? line->stateText().toStdString() : std::string("no line"));
    EXPECT_TRUE(line->reason.contains("127.0.0.1:" + QString::number(f.server.port())))
        << line->reason.toStdString();
    EXPECT_TRUE(task.contains(QString::fromUtf8("中断任务")));
    EXPECT_TRUE(QFile::exists(f.programDir() + task)) << task.toStdString();
}

TEST(SiteBrowsing, ACachedFolderChosenWhileBusyKeepsItsRowsAndIsEnteredOnRefresh) {
    ConnectedFrame f;
    ASSERT_TRUE(f.connect()) << f.prompts.shown.join('|').toStdString();
    QTreeWidgetItem* pub = child(f.site(), "pub");
    f.tree->setCurrentItem(pub);
    ASSERT_TRUE(
        waitUntil([&] { return f.frame->connectionReady() && SiteTree::itemData(pub) == 1; }));
    QTreeWidgetItem* deep = child(pub, "deep");

    f.tree->setCurrentItem(deep); // listing deep: the connection is busy
    f.tree->setCurrentItem(pub);  // from the cache; its CWD cannot go out
    EXPECT_EQ(names(f.list), (QStringList{"deep", "other.txt"}));
    ASSERT_TRUE(
        waitUntil([&] { return f.frame->connectionReady() && SiteTree::itemData(deep) == 1; }));
    EXPECT_EQ(names(f.list), (QStringList{"deep", "other.txt"}))
        << "deep's listing stays in the tree";

    // The server is still in deep: refreshing pub enters pub first.
    const qsizetype before = f.transcript().size();
    f.frame->app().activePane = Pane::SiteTree;
    f.frame->runCommand(Cmd::Refresh);
    ASSERT_TRUE(waitUntil(
        [&] { return f.frame->connectionReady() && f.transcript().mid(before).contains("226"); }));
    EXPECT_TRUE(f.transcript().mid(before).startsWith("C:\r\nCWD /pub\r\n"));
    EXPECT_EQ(names(f.list), (QStringList{"deep", "other.txt"}));
    EXPECT_EQ(f.tree->shownItem(), pub);
}

TEST(SiteBrowsing, ConfirmedNetworkSettingsApplyToTheNextConnection) {
    ConnectedFrame f;
    ASSERT_TRUE(f.connect()) << f.prompts.shown.join('|').toStdString();
    f.frame->runCommand(Cmd::CloseConnection);
    ASSERT_TRUE(waitUntil([&] { return f.tree->topLevelItemCount() == 2; }));

    // A "proxy" that is the server itself: the login then names the site
    // in the user line, which the server refuses.
    f.services.networkAnswer.useProxy = true;
    f.services.networkAnswer.proxyHost = "127.0.0.1";
    f.services.networkAnswer.proxyPort = QString::number(f.server.port());
    f.frame->runCommand(Cmd::NetworkSettings);
    EXPECT_TRUE(f.frame->networkSettings().useProxy);
    EXPECT_EQ(NetworkSettings::read(f.iniPath()).proxyHost, "127.0.0.1");

    f.prompts.shown.clear();
    f.tree->setCurrentItem(
        f.tree->findItems(QString::fromUtf8("演示站点"), Qt::MatchExactly).value(0));
    f.frame->runCommand(Cmd::Connect);
    ASSERT_TRUE(waitUntil([&] { return f.prompts.countHeaded("用户信息无效！") == 1; }, 10000))
        << f.prompts.shown.join('|').toStdString();
    EXPECT_TRUE(f.transcript().contains(
        QStringLiteral("C:\r\nUSER tester@127.0.0.1:%1\r\n").arg(f.server.port())))
        << f.transcript().toStdString();
    EXPECT_EQ(f.frame->source()->segmentLimit, 1);
    EXPECT_EQ(f.tree->topLevelItemCount(), 2) << "the refused connection closed";
}

TEST(SiteBrowsing, AFailedProxyConnectionDoesNotStopTheNextDirectOne) {
    ConnectedFrame f;
    ASSERT_TRUE(f.connect()) << f.prompts.shown.join('|').toStdString();
    f.frame->runCommand(Cmd::CloseConnection);
    ASSERT_TRUE(waitUntil([&] { return f.tree->topLevelItemCount() == 2; }));
    // The site items are made anew when a connection ends: found each time.
    auto demo = [&] {
        return f.tree->findItems(QString::fromUtf8("演示站点"), Qt::MatchExactly).value(0);
    };

    for (const char* proxyHost : {"999.0.0.1", "127.0.0.1"}) {
        SCOPED_TRACE(proxyHost);
        // A proxy that is not there: a mistyped address that fails at once, or
        // an address where nothing listens.
        f.services.networkAnswer.useProxy = true;
        f.services.networkAnswer.proxyHost = proxyHost;
        f.services.networkAnswer.proxyPort = "1";
        f.frame->runCommand(Cmd::NetworkSettings);
        f.prompts.shown.clear();
        f.tree->setCurrentItem(demo());
        f.frame->runCommand(Cmd::Connect);
        ASSERT_TRUE(
            waitUntil([&] { return f.prompts.countHeaded("不能连接服务器！") == 1; }, 10000))
            << f.prompts.shown.join('|').toStdString();

        f.services.networkAnswer = NetworkSettings{};
        f.frame->runCommand(Cmd::NetworkSettings);
        ASSERT_FALSE(f.frame->networkSettings().useProxy);
        f.tree->setCurrentItem(demo());
        f.frame->app().activePane = Pane::SiteTree;
        f.frame->updateCommandStates();
        ASSERT_TRUE(f.frame->action(Cmd::Connect)->isEnabled());
        f.frame->runCommand(Cmd::Connect);
        ASSERT_TRUE(waitUntil([&] { return f.frame->connectionReady(); }, 10000))
            << f.prompts.shown.join('|').toStdString() << f.transcript().toStdString();
        f.frame->runCommand(Cmd::CloseConnection);
        ASSERT_TRUE(waitUntil([&] { return f.tree->topLevelItemCount() == 2; }));
    }
}

TEST(SiteBrowsing, ItemsLeftOutOfADownloadAreShownTogetherOnce) {
    ConnectedFrame f;
    ASSERT_TRUE(f.connect()) << f.prompts.shown.join('|').toStdString();
    writeBytes(f.server.root() + "/pub/skip/ok.txt", "ok");
    writeBytes(f.server.root() + "/pub/skip/a\\b.txt", "a backslash steps out on some disks");
    writeBytes(f.server.root() + "/pub/skip/c\\d.txt", "so does this one");
    QTemporaryDir local;
    f.prompts.shown.clear();
    f.frame->operations()->startFolderDownload(local.path() + "/", "/pub/skip");
    ASSERT_TRUE(
        waitUntil([&] { return f.prompts.count("操作已完成，但有2项没有传送。") == 1; }, 15000))
        << f.prompts.shown.join('|').toStdString();
    EXPECT_EQ(f.resultCount("所有操作已成功完成！"), 0);
    EXPECT_EQ(readBytes(local.path() + "/skip/ok.txt"), "ok");
    const QStringList boxes = f.prompts.shown.filter(QString::fromUtf8("以下"));
    ASSERT_EQ(boxes.size(), 1) << f.prompts.shown.join('|').toStdString();
    EXPECT_TRUE(boxes.first().startsWith(QString::fromUtf8("以下2项没有传送：\r\n")));
    EXPECT_TRUE(
        boxes.first().contains(QString::fromUtf8("文件名不安全，跳过：/pub/skip/a\\b.txt")));
    EXPECT_TRUE(
        boxes.first().contains(QString::fromUtf8("文件名不安全，跳过：/pub/skip/c\\d.txt")));
}

// A UTF-8 server: the site tree and the remote list show its names as they
// are, emoji and accents included, and a file of such a name comes down
// byte-exact under its own name.
TEST(SiteBrowsing, AUtf8ServersNamesAreShownAndFetchedAsTheyAre) {
    ConnectedFrame f({"--encoding", "utf8"});
    writeBytes(f.server.root() + QString::fromUtf8("/pub/deep/图片😀 café.png"), "png");
    QDir(f.server.root()).mkpath(QString::fromUtf8("pub/deep/子目录ü"));
    ASSERT_TRUE(f.connect()) << f.prompts.shown.join('|').toStdString();
    EXPECT_TRUE(names(f.list).contains(QString::fromUtf8("图片😀 café.png")))
        << names(f.list).join('|').toStdString();
    EXPECT_NE(child(f.tree->currentItem(), QString::fromUtf8("子目录ü")), nullptr);
    EXPECT_TRUE(f.transcript().contains(QString::fromUtf8("服务器的文件名使用UTF-8编码。")));
    QTemporaryDir local;
    const QString name = QString::fromUtf8("图片😀 café.png");
    f.frame->operations()->startDownload(local.path() + "/", "/pub/deep", {"/pub/deep/" + name},
                                         {3});
    ASSERT_TRUE(waitUntil([&] { return f.resultCount("所有操作已成功完成！") == 1; }, 15000))
        << f.prompts.shown.join('|').toStdString();
    EXPECT_EQ(readBytes(local.path() + "/" + name), "png");
}

// A listing whose names are not plain names ("..", "a/b", "\x") offers none
// of them: no row, no folder item, nothing to drag out of the folder.
TEST(SiteBrowsing, NamesThatAreNotPlainAreNeverShown) {
    ConnectedFrame f;
    ASSERT_TRUE(f.connect()) << f.prompts.shown.join('|').toStdString();
    QTreeWidgetItem* folder = f.tree->currentItem();
    ASSERT_TRUE(folder);
    f.tree->showListing("12-09-26  10:44AM       <DIR>          ../../escape\r\n"
                        "12-09-26  10:44AM       <DIR>          ..\r\n"
                        "12-09-26  10:44AM                    7 a\\b.txt\r\n"
                        "12-09-26  10:44AM                    5 /etc/passwd\r\n"
                        "12-09-26  10:44AM                    9 plain name.txt\r\n");
    EXPECT_EQ(names(f.list), QStringList{"plain name.txt"});
    EXPECT_EQ(folder->childCount(), 0);
}
