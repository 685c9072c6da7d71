// Transfers and file commands from the window against pyftpdlib: dragging
// between the panes with the mouse, copy and paste, deleting, renaming and
// new folders on both sides, and which commands are offered when.
#include "transfer_frame.h"

#include "core/tasks/operation_driver.h"
#include "core/tasks/task_archive.h"
#include "gui/panes/local_file_list.h"
#include "gui/panes/local_folder_tree.h"
#include "gui/window/status_dialog_bar.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDirIterator>
#include <QFileInfo>
#include <QLineEdit>
#include <QPointer>

#include <gtest/gtest.h>

TEST(WindowTransfers, RemoteRowsDraggedOntoALocalFolderArriveByteExact) {
    TransferFrame f;
    ASSERT_TRUE(f.setUp()) << f.prompts.shown.join('|').toStdString();
    f.selectRemoteFiles();
    QTreeWidgetItem* incoming = f.localChild("incoming");
    ASSERT_TRUE(incoming);

    f.prompts.answers = {true};
    drag(f.list, nameOf(f.list, f.list->selectedItems().first()), f.localTree,
         nameOf(f.localTree, incoming));
    EXPECT_FALSE(f.frame->app().dragState.dragging);
    EXPECT_EQ(f.prompts.shown.value(0),
              QString::fromUtf8("是否确定把选择的站点文件下载到本地目录：incoming ？\r\n"
                                "注意：已有同名文件将被覆盖！"));
    ASSERT_TRUE(f.waitDone()) << f.prompts.shown.join('|').toStdString();
    EXPECT_EQ(f.localTree->shownItem(), incoming) << "the destination is shown";

    QMap<QString, QByteArray> expected = treeDigest(f.server.root() + "/pub/deep");
    for (auto it = expected.begin(); it != expected.end();)
        it = it.key().contains('/') ? expected.erase(it) : std::next(it); // files only
    EXPECT_EQ(treeDigest(f.local + "/incoming"), expected);
    EXPECT_TRUE(QFileInfo::exists(f.local + "/incoming/empty.dat"));
    EXPECT_TRUE(names(f.localList).contains("empty.dat")) << "the list shows what arrived";
}

TEST(WindowTransfers, ALocalFolderDraggedOntoASiteFolderIsUploadedWhole) {
    TransferFrame f;
    ASSERT_TRUE(f.setUp()) << f.prompts.shown.join('|').toStdString();
    QTreeWidgetItem* pub = child(f.site(), "pub");
    ASSERT_TRUE(pub);

    f.prompts.answers = {true};
    drag(f.localTree, nameOf(f.localTree, f.localChild("outgoing")), f.tree, nameOf(f.tree, pub));
    EXPECT_EQ(f.prompts.shown.value(0),
              QString::fromUtf8("是否确定把本地目录 outgoing 及其文件上传到站点目录：pub ？"
                                "注意：请先删除上传站点目录下的同名子目录！"));
    ASSERT_TRUE(f.waitDone()) << f.prompts.shown.join('|').toStdString();
    EXPECT_EQ(treeDigest(f.server.root() + "/pub/outgoing"), treeDigest(f.local + "/outgoing"));
    EXPECT_TRUE(QFileInfo::exists(f.server.root() + "/pub/outgoing/sub/none"));
}

TEST(WindowTransfers, LocalRowsDroppedOnTheRemoteListGoToTheFolderItShows) {
    TransferFrame f;
    ASSERT_TRUE(f.setUp()) << f.prompts.shown.join('|').toStdString();
    f.localTree->setCurrentItem(f.localChild("outgoing"));
    ASSERT_EQ(names(f.localList), (QStringList{"sub", "a.txt"}));
    f.localList->selectAll();

    f.prompts.answers = {true};
    drag(f.localList, nameOf(f.localList, f.localList->topLevelItem(1)), f.list, QPoint(20, 20));
    EXPECT_EQ(f.prompts.shown.value(0),
              QString::fromUtf8("是否确定把选择的本地文件上传到站点当前目录：deep ？"
                                "注意：已有同名文件将被覆盖！"));
    ASSERT_TRUE(f.waitDone()) << f.prompts.shown.join('|').toStdString();
    EXPECT_EQ(readBytes(f.server.root() + "/pub/deep/a.txt"), "upload me");
    EXPECT_EQ(readBytes(f.server.root() + "/pub/deep/sub/b.bin"), QByteArray(70000, 'b'));
    EXPECT_TRUE(waitUntil([&] { return names(f.list).contains("a.txt"); }));
}

TEST(WindowTransfers, NoAnswerOrAPaneThatRefusesLeavesEverythingAsItWas) {
    TransferFrame f;
    ASSERT_TRUE(f.setUp()) << f.prompts.shown.join('|').toStdString();
    f.selectRemoteFiles();
    f.prompts.answers = {false};
    drag(f.list, nameOf(f.list, f.list->selectedItems().first()), f.localList, QPoint(30, 30));
    EXPECT_EQ(f.prompts.shown.size(), 1);
    EXPECT_TRUE(f.prompts.shown.first().startsWith(
        QString::fromUtf8("是否确定把选择的站点文件下载到本地当前目录：")));
    spinFor(200);
    EXPECT_TRUE(QDir(f.local).entryList(QDir::Files).isEmpty());

    // Remote rows dropped on the site tree: no question, nothing sent.
    const int sent = f.transcript().count("C:\r\n");
    drag(f.list, nameOf(f.list, f.list->selectedItems().first()), f.tree, nameOf(f.tree, f.site()));
    EXPECT_EQ(f.prompts.shown.size(), 1);
    EXPECT_EQ(f.transcript().count("C:\r\n"), sent);

    // A local folder dropped into its own subfolder is refused.
    QTreeWidgetItem* outgoing = f.localChild("outgoing");
    outgoing->setExpanded(true);
    drag(f.localTree, nameOf(f.localTree, outgoing), f.localTree,
         nameOf(f.localTree, outgoing->child(0)));
    EXPECT_EQ(f.prompts.shown.last(), QString::fromUtf8("不能把目录拖放到它自己或它的子目录中！"));
    EXPECT_FALSE(f.frame->app().dragState.dragging);
}

TEST(WindowTransfers, CopyAndPasteBothWaysAndAPasteUsesTheCopyUp) {
    TransferFrame f;
    ASSERT_TRUE(f.setUp()) << f.prompts.shown.join('|').toStdString();
    MainWindow& w = *f.frame;
    f.selectRemoteFiles();
    ASSERT_TRUE(f.enabledIn(Pane::RemoteList, Cmd::Copy));
    w.runCommand(Cmd::Copy);
    EXPECT_FALSE(f.enabledIn(Pane::RemoteList, Cmd::Paste)) << "a site copy pastes locally";
    EXPECT_FALSE(f.enabledIn(Pane::SiteTree, Cmd::Paste));
    ASSERT_TRUE(f.enabledIn(Pane::LocalList, Cmd::Paste));

    // No: nothing moves, and the copy is gone.
    f.prompts.answers = {false};
    w.runCommand(Cmd::Paste);
    EXPECT_TRUE(f.prompts.shown.last().startsWith(
        QString::fromUtf8("是否确定把选择的站点文件下载到本地目录：") + f.local + "/ ？"));
    EXPECT_FALSE(f.enabledIn(Pane::LocalList, Cmd::Paste));
    EXPECT_TRUE(QDir(f.local).entryList(QDir::Files).isEmpty());

    // Yes: the files arrive in the folder the list shows.
    f.frame->app().activePane = Pane::RemoteList;
    w.runCommand(Cmd::Copy);
    f.prompts.answers = {true};
    f.frame->app().activePane = Pane::LocalList;
    w.runCommand(Cmd::Paste);
    ASSERT_TRUE(f.waitDone()) << f.prompts.shown.join('|').toStdString();
    EXPECT_EQ(readBytes(f.local + QString::fromUtf8("/报表, 2024.txt")), "quarterly\r\n");
    EXPECT_EQ(QFileInfo(f.local + "/big 1.bin").size(), 300000);

    // The other way: a local folder copied in the tree, pasted on the site
    // tree's folder.
    f.localTree->setCurrentItem(f.localChild("outgoing"));
    ASSERT_TRUE(f.enabledIn(Pane::LocalTree, Cmd::Copy));
    w.runCommand(Cmd::Copy);
    f.tree->setCurrentItem(child(f.site(), "pub"));
    ASSERT_TRUE(waitUntil([&] { return w.connectionReady(); }));
    ASSERT_TRUE(f.enabledIn(Pane::SiteTree, Cmd::Paste));
    f.prompts.answers = {true};
    w.runCommand(Cmd::Paste);
    EXPECT_EQ(f.prompts.shown.at(f.prompts.shown.size() - 1),
              QString::fromUtf8("是否确定把本地目录 ") + f.local +
                  QString::fromUtf8("/outgoing/ 及其文件上传到站点目录：/pub ？"
                                    "注意：请先删除上传站点目录下的同名子目录！"));
    ASSERT_TRUE(f.waitDone(2)) << f.prompts.shown.join('|').toStdString();
    EXPECT_EQ(treeDigest(f.server.root() + "/pub/outgoing"), treeDigest(f.local + "/outgoing"));

    // Copied in the remote list, pasted there: nothing happens, the copy goes.
    f.frame->app().activePane = Pane::RemoteList;
    f.list->selectAll();
    w.runCommand(Cmd::Copy);
    const int shown = f.prompts.shown.size();
    w.runCommand(Cmd::Paste);
    EXPECT_EQ(f.prompts.shown.size(), shown);
    EXPECT_FALSE(f.enabledIn(Pane::LocalList, Cmd::Paste));
}

TEST(WindowTransfers, APasteWithNoLocalFolderChosenIsRefused) {
    TransferFrame f;
    ASSERT_TRUE(f.setUp()) << f.prompts.shown.join('|').toStdString();
    f.selectRemoteFiles();
    f.frame->app().activePane = Pane::RemoteList;
    f.frame->runCommand(Cmd::Copy);
    f.localTree->clearSelection(); // nothing chosen in the tree
    f.frame->app().activePane = Pane::LocalTree;
    f.frame->runCommand(Cmd::Paste);
    EXPECT_EQ(f.prompts.shown.last(), QString::fromUtf8("请先在本地目录树中选择一个目录！"));
    spinFor(100);
    EXPECT_TRUE(QDir::current().entryList({"empty.dat"}, QDir::Files).isEmpty());
}

TEST(WindowTransfers, RemoteNewFolderRenameAndDelete) {
    TransferFrame f;
    ASSERT_TRUE(f.setUp()) << f.prompts.shown.join('|').toStdString();
    MainWindow& w = *f.frame;
    const QString deep = f.server.root() + "/pub/deep";

    // New folder under the selected site folder; a name it has is refused.
    f.prompts.names = {"inner"};
    ASSERT_TRUE(f.enabledIn(Pane::SiteTree, Cmd::NewFolder));
    w.runCommand(Cmd::NewFolder);
    EXPECT_EQ(f.prompts.shown.last(), QString::fromUtf8("已有该目录！"));
    f.prompts.names = {QString::fromUtf8("新建 夹")};
    w.runCommand(Cmd::NewFolder);
    ASSERT_TRUE(waitUntil([&] { return QFileInfo(deep + QString::fromUtf8("/新建 夹")).isDir(); }));
    ASSERT_TRUE(waitUntil([&] { return w.connectionReady(); }));

    // Rename a file in place: its own name is refused, so is a name of a
    // row a pattern hides, and a name that is not a plain name; blanks stay.
    f.list->clearSelection();
    QTreeWidgetItem* z = f.list->rowNamed("z.txt");
    f.list->setCurrentItem(z);
    ASSERT_TRUE(f.enabledIn(Pane::RemoteList, Cmd::Rename));
    const auto renameTo = [&](const QString& name) {
        w.runCommand(Cmd::Rename);
        QLineEdit* editor = nullptr;
        for (QLineEdit* e : f.list->viewport()->findChildren<QLineEdit*>())
            if (e->isVisible())
                editor = e;
        ASSERT_TRUE(editor) << "no name editor";
        editor->setText(name);
        QTest::keyClick(editor, Qt::Key_Return);
        // The view takes the name once back in its event loop.
        const QPointer<QLineEdit> open(editor);
        ASSERT_TRUE(waitUntil([&] { return !open || !open->isVisible(); }));
    };
    renameTo("A.bin");
    EXPECT_EQ(f.prompts.shown.last(), QString::fromUtf8("已有该文件名！"));
    EXPECT_EQ(z->text(0), "z.txt") << "the row keeps its name";
    delete f.list->rowNamed("A.bin"); // as a pattern "*.txt" would hide it
    f.prompts.shown.clear();
    renameTo("A.bin");
    EXPECT_EQ(f.prompts.shown.value(0), QString::fromUtf8("已有该文件名！"));
    EXPECT_EQ(readBytes(deep + "/A.bin").size(), 2000);
    renameTo("../z.txt");
    EXPECT_EQ(f.prompts.shown.last(),
              QString::fromUtf8("名称中不能含有“/”或“\\”，也不能是“.”或“..”！"));
    renameTo("z 2.txt");
    ASSERT_TRUE(waitUntil([&] { return QFileInfo::exists(deep + "/z 2.txt"); }));
    ASSERT_TRUE(waitUntil([&] { return w.connectionReady(); }));
    EXPECT_TRUE(f.list->rowNamed("z 2.txt"));
    EXPECT_EQ(f.list->rowNamed("z 2.txt"), z);

    // A folder too, and its item in the site tree follows.
    f.list->clearSelection();
    QTreeWidgetItem* mdir = f.list->rowNamed("Mdir");
    f.list->setCurrentItem(mdir);
    ASSERT_TRUE(f.enabledIn(Pane::RemoteList, Cmd::Rename));
    renameTo(QString::fromUtf8("新 目录"));
    ASSERT_TRUE(waitUntil([&] {
        return QFileInfo(deep + QString::fromUtf8("/新 目录")).isDir() && w.connectionReady();
    }));
    EXPECT_EQ(mdir->text(0), QString::fromUtf8("新 目录"));
    EXPECT_TRUE(child(f.tree->currentItem(), QString::fromUtf8("新 目录")));
    EXPECT_FALSE(child(f.tree->currentItem(), "Mdir"));

    // Delete rows, a folder with its contents among them.
    writeBytes(deep + "/inner/inside.txt", "x");
    f.list->clearSelection();
    f.list->rowNamed("inner")->setSelected(true);
    f.list->rowNamed("z 2.txt")->setSelected(true);
    f.prompts.answers = {true};
    ASSERT_TRUE(f.enabledIn(Pane::RemoteList, Cmd::Delete));
    w.runCommand(Cmd::Delete);
    EXPECT_TRUE(f.prompts.shown.contains(QString::fromUtf8("是否确定删除选择的站点文件？")));
    ASSERT_TRUE(waitUntil(
        [&] {
            return !QFileInfo::exists(deep + "/inner") && !QFileInfo::exists(deep + "/z 2.txt") &&
                   w.connectionReady();
        },
        15000))
        << f.prompts.shown.join('|').toStdString();

    // The site itself cannot be deleted.
    f.tree->setCurrentItem(f.site());
    ASSERT_TRUE(waitUntil([&] { return w.connectionReady(); }));
    EXPECT_FALSE(f.enabledIn(Pane::SiteTree, Cmd::Delete));
    w.runCommand(Cmd::Delete);
    EXPECT_EQ(f.prompts.shown.last(), QString::fromUtf8("不能删除根目录！"));
}

TEST(WindowTransfers, CommandsAreOfferedByPaneAndConnectionState) {
    TransferFrame f({"--throttle", "20000"});
    // Not connected: local commands only.
    f.writeSettings();
    f.open();
    f.localTree = f.frame->app().localTree;
    QDir(f.localDir.path()).mkpath("empty");
    f.frame->app().activePane = Pane::LocalTree;
    f.frame->runCommand(Cmd::Refresh);
    f.localTree->setCurrentItem(f.localTree->childNamed(f.localTree->shownItem(), "empty"));
    EXPECT_TRUE(f.enabledIn(Pane::LocalTree, Cmd::NewFolder));
    EXPECT_TRUE(f.enabledIn(Pane::LocalTree, Cmd::Delete));
    EXPECT_TRUE(f.enabledIn(Pane::LocalTree, Cmd::Rename));
    EXPECT_TRUE(f.enabledIn(Pane::LocalTree, Cmd::UpOneLevel));
    EXPECT_TRUE(f.enabledIn(Pane::LocalTree, Cmd::Refresh));
    EXPECT_FALSE(f.enabledIn(Pane::LocalTree, Cmd::Copy)) << "copying needs a connection";
    EXPECT_FALSE(f.enabledIn(Pane::LocalList, Cmd::SelectAll)) << "the folder is empty";
    EXPECT_FALSE(f.enabledIn(Pane::RemoteList, Cmd::Delete));
    EXPECT_FALSE(f.enabledIn(Pane::SiteTree, Cmd::NewFolder));
    EXPECT_FALSE(f.enabledIn(Pane::SiteTree, Cmd::Refresh));
    EXPECT_FALSE(f.enabledIn(Pane::LocalTree, Cmd::NewFile)) << "comes with online editing";
    f.frame.reset();

    // Connected and idle.
    ASSERT_TRUE(f.setUp()) << f.prompts.shown.join('|').toStdString();
    f.selectRemoteFiles();
    EXPECT_TRUE(f.enabledIn(Pane::RemoteList, Cmd::Copy));
    EXPECT_TRUE(f.enabledIn(Pane::RemoteList, Cmd::Delete));
    EXPECT_TRUE(f.enabledIn(Pane::RemoteList, Cmd::SelectAll));
    EXPECT_FALSE(f.enabledIn(Pane::RemoteList, Cmd::Rename)) << "several rows";
    EXPECT_TRUE(f.enabledIn(Pane::SiteTree, Cmd::NewFolder));
    EXPECT_TRUE(f.enabledIn(Pane::SiteTree, Cmd::Delete));
    EXPECT_TRUE(f.enabledIn(Pane::SiteTree, Cmd::Refresh));
    EXPECT_FALSE(f.enabledIn(Pane::SiteTree, Cmd::Paste)) << "nothing copied";

    // Busy with a slow download: no remote command but copying, which
    // queues a transfer; local ones stay.
    f.prompts.answers = {true};
    f.frame->app().activePane = Pane::RemoteList;
    f.frame->runCommand(Cmd::Copy);
    f.frame->app().activePane = Pane::LocalList;
    f.frame->runCommand(Cmd::Paste);
    ASSERT_TRUE(waitUntil([&] { return f.frame->connection()->isTransferring(); }, 10000));
    for (int command : {Cmd::Delete, Cmd::SelectAll})
        EXPECT_FALSE(f.enabledIn(Pane::RemoteList, command)) << command;
    for (int command : {Cmd::NewFolder, Cmd::Refresh, Cmd::Delete})
        EXPECT_FALSE(f.enabledIn(Pane::SiteTree, command)) << command;
    EXPECT_TRUE(f.enabledIn(Pane::RemoteList, Cmd::Copy));
    EXPECT_TRUE(f.enabledIn(Pane::LocalTree, Cmd::Refresh));
    EXPECT_TRUE(f.enabledIn(Pane::LocalTree, Cmd::Copy));
    EXPECT_FALSE(f.enabledIn(Pane::LocalList, Cmd::Paste)) << "the paste used the copy up";
    // Progress shows in the status bar while it runs.
    StatusDialogBar* bar = f.frame->statusDialogBar();
    EXPECT_TRUE(
        waitUntil([&] { return bar->inProgressMode() && !bar->bytesText().isEmpty(); }, 10000));
}

TEST(WindowTransfers, ReleasingOverEmptySpaceDropsOnTheLastHighlightedFolder) {
    TransferFrame f;
    ASSERT_TRUE(f.setUp()) << f.prompts.shown.join('|').toStdString();
    f.localTree->setCurrentItem(f.localChild("outgoing"));
    f.localList->selectAll();
    QTreeWidgetItem* pub = child(f.site(), "pub");
    const QPoint from = nameOf(f.localList, f.localList->topLevelItem(1));
    QTest::mousePress(f.localList->viewport(), Qt::LeftButton, {}, from);
    moveWithButton(f.localList->viewport(), from + QPoint(0, 25));
    moveWithButton(f.tree->viewport(), nameOf(f.tree, pub));
    EXPECT_NE(pub->background(0), QBrush()) << "the folder under the cursor is highlighted";

    const QPoint empty(20, f.tree->viewport()->height() - 2);
    ASSERT_FALSE(f.tree->itemAt(empty));
    moveWithButton(f.tree->viewport(), empty);
    QTest::mouseRelease(f.tree->viewport(), Qt::LeftButton, {}, empty);
    EXPECT_EQ(f.prompts.shown.value(0),
              QString::fromUtf8("是否确定把选择的本地文件上传到站点目录：pub ？"
                                "注意：已有同名文件将被覆盖！"));
    EXPECT_EQ(pub->background(0), QBrush()) << "the highlight goes with the drag";

    // A move with the button up ends a drag that lost its release.
    QTest::mousePress(f.localList->viewport(), Qt::LeftButton, {}, from);
    moveWithButton(f.localList->viewport(), from + QPoint(0, 25));
    ASSERT_TRUE(f.frame->app().dragState.dragging);
    QMouseEvent up(QEvent::MouseMove, QPoint(5, 5), f.tree->viewport()->mapToGlobal(QPoint(5, 5)),
                   Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(f.tree->viewport(), &up);
    EXPECT_FALSE(f.frame->app().dragState.dragging);
}

// The keyboard alone: select a row, Ctrl+C, move to the local list, Ctrl+V,
// Enter on the question.
TEST(WindowTransfers, CopyAndPasteWithTheKeys) {
    TransferFrame f;
    ASSERT_TRUE(f.setUp()) << f.prompts.shown.join('|').toStdString();
    f.frame->activateWindow();
    f.list->setFocus();
    f.list->setCurrentItem(f.list->rowNamed("z.txt"));
    QTest::keyClick(f.list, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(f.frame->app().copiedItems, QStringList{"/pub/deep/z.txt"});
    f.localList->setFocus();
    f.prompts.answers = {true};
    QTest::keyClick(f.localList, Qt::Key_V, Qt::ControlModifier);
    ASSERT_TRUE(f.waitDone()) << f.prompts.shown.join('|').toStdString();
    EXPECT_EQ(readBytes(f.local + "/z.txt"), QByteArray(10, 'x'));

    // Site rows copied do not outlive their connection: after a new one,
    // pasting fetches nothing from the site now connected.
    QFile::remove(f.local + "/z.txt");
    f.list->setFocus();
    QTest::keyClick(f.list, Qt::Key_C, Qt::ControlModifier);
    ASSERT_FALSE(f.frame->app().copiedItems.isEmpty());
    f.frame->connection()->closeConnection();
    EXPECT_TRUE(f.frame->app().copiedItems.isEmpty());
    f.localList->setFocus();
    f.prompts.shown.clear();
    QTest::keyClick(f.localList, Qt::Key_V, Qt::ControlModifier);
    spinFor(300);
    EXPECT_TRUE(f.prompts.shown.isEmpty()) << f.prompts.shown.join('|').toStdString();
    EXPECT_FALSE(QFile::exists(f.local + "/z.txt"));
}

TEST(WindowTransfers, ASiteFolderDraggedOntoTheLocalListIsDownloadedWhole) {
    TransferFrame f;
    ASSERT_TRUE(f.setUp()) << f.prompts.shown.join('|').toStdString();
    const QString deep = f.server.root() + "/pub/deep";
    writeBytes(deep + "/Mdir/m 1.txt", "m1");
    writeBytes(deep + QString::fromUtf8("/Mdir/子/深.bin"), QByteArray(5000, 's'));
    QTreeWidgetItem* mdir = child(f.tree->currentItem(), "Mdir");
    ASSERT_TRUE(mdir);

    f.prompts.answers = {true};
    drag(f.tree, nameOf(f.tree, mdir), f.localList, QPoint(30, 30));
    EXPECT_EQ(f.prompts.shown.value(0),
              QString::fromUtf8("是否确定把站点目录 Mdir 及其文件下载到本地当前目录：") +
                  QFileInfo(f.local).fileName() +
                  QString::fromUtf8(" ？请先删除本地保存目录下的同名子目录！"));
    ASSERT_TRUE(f.waitDone()) << f.prompts.shown.join('|').toStdString();
    EXPECT_EQ(treeDigest(f.local + "/Mdir"), treeDigest(deep + "/Mdir"));
    EXPECT_NE(f.tree->currentItem(), mdir) << "dragging did not select it";

    // A plain click still selects and lists the folder.
    QTest::mouseClick(f.tree->viewport(), Qt::LeftButton, {}, nameOf(f.tree, mdir));
    EXPECT_EQ(f.tree->currentItem(), mdir);
    EXPECT_TRUE(waitUntil([&] { return names(f.list).contains("m 1.txt"); }));
}

TEST(WindowTransfers, DirectoryUpdateFromTheMenuAfterItsQuestion) {
    TransferFrame f;
    ASSERT_TRUE(f.setUp()) << f.prompts.shown.join('|').toStdString();
    QTemporaryDir mirror;
    writeBytes(mirror.path() + "/A.bin", QByteArray(2000, 'x'));
    writeBytes(mirror.path() + "/fresh/f.txt", "fresh");
    const QString deep = f.server.root() + "/pub/deep";
    ASSERT_TRUE(f.enabledIn(Pane::SiteTree, Cmd::DirectoryUpdate));

    // The picker cancelled, then a folder that cannot be read (named, and no
    // question), then the question answered No: nothing happens.
    f.frame->runCommand(Cmd::DirectoryUpdate);
    f.services.localFolderAnswer = mirror.path() + "/gone/";
    f.frame->runCommand(Cmd::DirectoryUpdate);
    EXPECT_EQ(f.prompts.shown.value(0),
              QString::fromUtf8("不能读取本地目录：") + mirror.path() + "/gone/");
    f.prompts.shown.clear();
    f.services.localFolderAnswer = mirror.path() + "/";
    f.prompts.answers = {false};
    f.frame->runCommand(Cmd::DirectoryUpdate);
    EXPECT_EQ(f.prompts.shown.value(0),
              QString::fromUtf8("是否确定用本地目录 %1/ 更新站点目录 /pub/deep ？\r\n"
                                "注意：站点目录中本地没有的文件和目录将被删除！")
                  .arg(mirror.path()));
    spinFor(100);
    EXPECT_TRUE(QFileInfo::exists(deep + "/z.txt"));

    f.prompts.answers = {true};
    f.frame->runCommand(Cmd::DirectoryUpdate);
    ASSERT_TRUE(waitUntil([&] { return f.resultCount("目录更新操作成功完成！") == 1; }, 20000))
        << f.prompts.shown.join('|').toStdString();
    EXPECT_EQ(treeDigest(deep), treeDigest(mirror.path()));
    EXPECT_FALSE(QFileInfo::exists(deep + "/inner"));
    EXPECT_TRUE(waitUntil([&] { return names(f.list).contains("fresh"); }))
        << "the folder is listed again";
}

// A download cut off by the server going away is resumed from the resume
// dialog once the server is back: over a new connection to the task's site,
// byte-exact. The interrupt command keeps a task too, without an automatic
// resume.
TEST(WindowTransfers, InterruptedDownloadsResumeFromTheTaskList) {
    TransferFrame f({"--throttle", "200000"});
    QByteArray slow(700000, '\0');
    for (int i = 0; i < slow.size(); ++i)
        slow[i] = char((quint32(i) * 2654435761u) >> 24);
    writeBytes(f.server.root() + "/pub/deep/slow.bin", slow);
    ASSERT_TRUE(f.setUp()) << f.prompts.shown.join('|').toStdString();
    MainWindow& w = *f.frame;

    f.list->clearSelection();
    f.list->rowNamed("slow.bin")->setSelected(true);
    w.downloadRows(f.localTree->shownItem());
    const QString target = f.local + "/slow.bin";
    ASSERT_TRUE(waitUntil([&] { return QFileInfo(target).size() >= 100000; }, 15000));
    f.server.kill();
    ASSERT_TRUE(waitUntil([&] { return w.notConnected(); }, 15000));
    spinFor(300); // the automatic resume tries the dead server and gives up
    const QStringList tasks = QDir(f.programDir()).entryList({"*.npm"}, QDir::Files);
    ASSERT_EQ(tasks.size(), 1);

    ASSERT_TRUE(f.server.restart());
    ASSERT_TRUE(f.enabledIn(Pane::SiteTree, Cmd::ResumeTask));
    f.services.taskAnswer = tasks.first();
    f.prompts.shown.clear();
    w.runCommand(Cmd::ResumeTask);
    ASSERT_TRUE(f.waitDone()) << f.prompts.shown.join('|').toStdString();
    EXPECT_EQ(readBytes(target), slow);
    EXPECT_TRUE(f.transcript().contains("REST ")) << "continued, not started again";
    EXPECT_TRUE(QDir(f.programDir()).entryList({"*.npm"}, QDir::Files).isEmpty());

    // The interrupt command: the task stays, nothing resumes by itself.
    QFile::remove(target);
    f.prompts.shown.clear();
    f.results.clear();
    ASSERT_TRUE(waitUntil([&] { return w.connectionReady(); }));
    w.operations()->startDownload(f.local + "/", "/pub/deep", {"/pub/deep/slow.bin"},
                                  {quint32(slow.size())});
    ASSERT_TRUE(waitUntil([&] { return QFileInfo(target).size() >= 50000; }, 15000));
    w.updateCommandStates();
    ASSERT_TRUE(w.action(Cmd::Interrupt)->isEnabled());
    w.runCommand(Cmd::Interrupt);
    ASSERT_TRUE(waitUntil([&] { return f.prompts.count("操作中断！") == 1; }, 10000))
        << f.prompts.shown.join('|').toStdString();
    ASSERT_TRUE(waitUntil([&] { return w.connectionReady(); }, 10000));
    spinFor(300);
    EXPECT_LT(QFileInfo(target).size(), slow.size()) << "not resumed by itself";
    const QStringList kept = QDir(f.programDir()).entryList({"*.npm"}, QDir::Files);
    ASSERT_EQ(kept.size(), 1);
    f.services.taskAnswer = kept.first();
    ASSERT_TRUE(f.enabledIn(Pane::RemoteList, Cmd::ResumeTask));
    w.runCommand(Cmd::ResumeTask);
    ASSERT_TRUE(f.waitDone()) << f.prompts.shown.join('|').toStdString();
    EXPECT_EQ(readBytes(target), slow);
}

namespace {

// A task of the server at 127.0.0.1:`port`: /t.bin into `folder`.
QString writeTaskOf(const QString& programDir, quint16 port, const QString& folder, quint32 size) {
    TaskContents t;
    t.description = "t";
    t.site = "127.0.0.1";
    t.port = port;
    t.user = "tester";
    t.password = "secret";
    t.isDownload = true;
    t.targetFolder = folder + "/";
    t.sourceFolder = "/";
    t.itemPaths = QStringList{"/t.bin"};
    t.itemSizes = {size};
    t.itemKinds = {0};
    const QString name = QString::fromUtf8("中断任务-2026-1-1-0-0-0.npm");
    writeBytes(programDir + name, TaskArchive::encode(t));
    return name;
}

} // namespace

// A task resumed while another site is selected is shown under the site of
// its own server (same address, its port), or under an item of its own
// when no site is defined for it.
TEST(WindowTransfers, AResumedTaskIsShownUnderItsOwnServer) {
    for (const bool defined : {true, false}) {
        SCOPED_TRACE(defined ? "a site of its own" : "no site defined");
        PyFtpdServer server;
        ASSERT_TRUE(server.start());
        writeBytes(server.root() + "/t.bin", QByteArray(3000, 't'));
        WindowFixture w;
        w.writeSettings();
        QList<SiteRecord> sites{siteAt(QString::fromUtf8("我的站点"), quint16(server.port() + 1))};
        if (defined)
            sites << siteAt(QString::fromUtf8("任务站点"), server.port());
        w.writeSites(sites);
        const QString task = writeTaskOf(w.programDir(), server.port(), w.localDir.path(), 3000);
        MainWindow& frame = w.open();
        SiteTree* tree = frame.app().siteTree;
        tree->setCurrentItem(
            tree->findItems(QString::fromUtf8("我的站点"), Qt::MatchExactly).value(0));
        w.services.taskAnswer = task;
        frame.runCommand(Cmd::ResumeTask);
        ASSERT_TRUE(waitUntil([&] { return w.resultCount(kDone) == 1; }, 15000))
            << w.prompts.shown.join('|').toStdString();
        EXPECT_EQ(readBytes(w.localDir.path() + "/t.bin"), QByteArray(3000, 't'));
        QTreeWidgetItem* connected = tree->connectedSiteItem();
        ASSERT_TRUE(connected);
        EXPECT_EQ(connected->text(0), defined ? QString::fromUtf8("任务站点")
                                              : QStringLiteral("127.0.0.1:%1").arg(server.port()));
        // The task's site folder is shown, to browse on from there.
        EXPECT_TRUE(waitUntil([&] { return names(frame.app().remoteList).contains("t.bin"); }))
            << names(frame.app().remoteList).join('|').toStdString();
        EXPECT_EQ(tree->shownItem(), connected);
        EXPECT_EQ(frame.transfers().items().size(), 1) << "the resumed task has its line";
    }
}
