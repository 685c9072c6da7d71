// The transfer list against pyftpdlib: drops given while the connection is
// busy wait and run one after another, success needs no box, a failure is
// listed with its reason and runs again from the list, and what waits
// survives a server that goes away.
#include "transfer_frame.h"

#include "core/engine/ftp_session.h"
#include "core/tasks/transfer_queue.h"
#include "gui/panes/transfer_list.h"
#include "gui/window/status_dialog_bar.h"

#include <QFileInfo>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

using State = TransferItem::State;

QList<State> states(MainWindow& w) {
    QList<State> all;
    for (const TransferItem& item : w.transfers().items())
        all << item.state;
    return all;
}

// A file of `size` bytes that no two offsets repeat in the same way.
QByteArray patterned(int size, quint32 seed) {
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = char((quint32(i) * 2654435761u + seed) >> 13);
    return bytes;
}

// Drags the local folder `name` (below the folder the local tree opened at)
// onto the site folder the remote list shows, answering its question Yes.
void dropLocalFolder(TransferFrame& f, const QString& name) {
    QTreeWidgetItem* base = f.localTree->topLevelItem(0);
    while (base && LocalFolderTree::folderPath(base) != f.localDir.path() + "/") {
        QTreeWidgetItem* next = nullptr;
        for (int i = 0; i < base->childCount() && !next; ++i)
            if ((f.localDir.path() + "/").startsWith(LocalFolderTree::folderPath(base->child(i))))
                next = base->child(i);
        base = next;
    }
    QTreeWidgetItem* folder = f.localTree->childNamed(base, name);
    ASSERT_TRUE(folder) << name.toStdString();
    QTreeWidgetItem* site = f.tree->shownItem();
    ASSERT_TRUE(site);
    f.prompts.answers << true;
    drag(f.localTree, nameOf(f.localTree, folder), f.tree, nameOf(f.tree, site));
}

// Presses the list's retry (or resume) button on the line of `id`.
void retryFromList(MainWindow& w, int id) {
    TransferList* list = w.transferList();
    list->view()->setCurrentItem(list->rowOf(id));
    QPushButton* button = nullptr;
    for (QPushButton* b : list->findChildren<QPushButton*>())
        if (b->text() == QString::fromUtf8("续传") || b->text() == QString::fromUtf8("重试"))
            button = b;
    ASSERT_TRUE(button && button->isEnabled());
    button->click();
}

} // namespace

// A local folder is dropped on the site while a site folder is still
// coming down: it is queued, not refused, and goes up after it. Neither
// ends in a box.
TEST(TransferList, DropsWhileBusyAreQueuedAndRunOneAfterAnother) {
    TransferFrame f({"--throttle", "400000"});
    QDir(f.localDir.path()).mkpath(QString::fromUtf8("第二批"));
    writeBytes(f.localDir.path() + QString::fromUtf8("/第二批/c, d.txt"), "second");
    writeBytes(f.localDir.path() + QString::fromUtf8("/第二批/e.bin"), patterned(50000, 2));
    QDir(f.server.root()).mkpath("pub/deep/slow 1");
    writeBytes(f.server.root() + "/pub/deep/slow 1/s.bin", patterned(800000, 1));
    writeBytes(f.server.root() + "/pub/deep/slow 1/t.txt", "t");
    ASSERT_TRUE(f.setUp()) << f.prompts.shown.join('|').toStdString();
    MainWindow& w = *f.frame;

    QTreeWidgetItem* slow = child(f.tree->shownItem(), "slow 1");
    QTreeWidgetItem* incoming = f.localChild("incoming");
    ASSERT_TRUE(slow && incoming);
    f.prompts.answers << true;
    drag(f.tree, nameOf(f.tree, slow), f.localTree, nameOf(f.localTree, incoming));
    ASSERT_FALSE(w.connectionReady()) << "the download holds the connection";
    dropLocalFolder(f, QString::fromUtf8("第二批"));
    ASSERT_EQ(f.prompts.shown.size(), 2) << f.prompts.shown.join('|').toStdString();
    ASSERT_EQ(states(w), (QList<State>{State::Running, State::Queued}));
    const TransferItem& second = w.transfers().items().at(1);
    EXPECT_EQ(second.directionText(), QString::fromUtf8("上传"));
    EXPECT_EQ(second.sourceText(), f.localDir.path() + QString::fromUtf8("/第二批"));
    EXPECT_EQ(second.targetText(), "/pub/deep");
    EXPECT_EQ(second.stateText(), QString::fromUtf8("等待"));
    EXPECT_TRUE(w.statusDialogBar()->resultText().contains(QString::fromUtf8("已加入传送列表")));

    // The running line counts files and bytes as they go.
    TransferList* list = w.transferList();
    EXPECT_TRUE(waitUntil(
        [&] {
            return list->rowOf(w.transfers().items().at(0).id)
                ->text(TransferList::Progress)
                .contains(QString::fromUtf8("个文件"));
        },
        5000));

    ASSERT_TRUE(f.waitDone(2)) << f.prompts.shown.join('|').toStdString();
    EXPECT_EQ(states(w), (QList<State>{State::Done, State::Done}));
    EXPECT_EQ(f.prompts.count(kDone), 0) << "success needs no box";
    EXPECT_TRUE(w.statusDialogBar()->resultText().startsWith(QString::fromUtf8(kDone)));
    EXPECT_EQ(treeDigest(f.localDir.path() + "/incoming/slow 1"),
              treeDigest(f.server.root() + "/pub/deep/slow 1"));
    EXPECT_EQ(treeDigest(f.server.root() + QString::fromUtf8("/pub/deep/第二批")),
              treeDigest(f.localDir.path() + QString::fromUtf8("/第二批")));
    // One after the other: the second folder was made once the first was
    // all down.
    const QString log = f.transcript();
    EXPECT_LT(log.lastIndexOf("s.bin"), log.indexOf(QString::fromUtf8("MKD /pub/deep/第二批")));

    list->clearFinished();
    EXPECT_TRUE(w.transfers().items().isEmpty());
    EXPECT_EQ(list->view()->topLevelItemCount(), 0);
}

// A refused upload is listed with the server's reason and the address, the
// box comes once the connection's handler is through, and the line runs
// again from the list once the cause is gone.
TEST(TransferList, AFailedTransferShowsWhyAndIsRetriedFromTheList) {
    TransferFrame f;
    ASSERT_TRUE(f.setUp()) << f.prompts.shown.join('|').toStdString();
    MainWindow& w = *f.frame;
    bool askedInsideHandler = false;
    f.prompts.whileShown = [&] {
        if (w.connection() && w.connection()->handlerRunning())
            askedInsideHandler = true;
    };
    // The folder the list shows is gone from the server: MKD is refused.
    const QString deep = f.server.root() + "/pub/deep";
    ASSERT_TRUE(QDir().rename(deep, deep + ".away"));
    dropLocalFolder(f, "outgoing");
    ASSERT_TRUE(waitUntil([&] { return states(w) == QList<State>{State::Failed}; }, 10000))
        << f.prompts.shown.join('|').toStdString() << f.transcript().toStdString();
    const TransferItem& item = w.transfers().items().first();
    const QString address = "127.0.0.1:" + QString::number(f.server.port());
    EXPECT_TRUE(item.reason.contains("550")) << item.reason.toStdString();
    EXPECT_TRUE(item.reason.contains(address)) << item.reason.toStdString();
    ASSERT_TRUE(waitUntil([&] {
        return f.prompts.countHeaded("不能成功完成操作，操作停止！") == 1;
    })) << f.prompts.shown.join('|').toStdString();
    EXPECT_FALSE(askedInsideHandler) << "no box may hold the connection up";
    TransferList* list = w.transferList();
    EXPECT_EQ(list->rowOf(item.id)->toolTip(TransferList::State), item.stateText());

    ASSERT_TRUE(QDir().rename(deep + ".away", deep));
    ASSERT_TRUE(waitUntil([&] { return w.connectionReady(); }));
    retryFromList(w, item.id);
    ASSERT_TRUE(f.waitDone()) << f.prompts.shown.join('|').toStdString();
    EXPECT_EQ(states(w), QList<State>{State::Done});
    EXPECT_EQ(treeDigest(deep + "/outgoing"), treeDigest(f.localDir.path() + "/outgoing"));
}

// The server dies during a download while an upload waits. The download is
// listed as cut off with its task; the upload keeps waiting. Connected again
// to the same site, the upload runs by itself, and the download goes on
// from where it stopped when the user resumes it from the list.
TEST(TransferList, WhatWaitsSurvivesALostServerAndACutTransferResumesFromTheList) {
    TransferFrame f({"--throttle", "300000"});
    const QByteArray big = patterned(1500000, 3);
    QDir(f.localDir.path()).mkpath("later");
    writeBytes(f.localDir.path() + "/later/l.txt", "after the break");
    ASSERT_TRUE(f.setUp()) << f.prompts.shown.join('|').toStdString();
    writeBytes(f.server.root() + "/pub/deep/whole.iso", big);
    MainWindow& w = *f.frame;
    f.frame->app().activePane = Pane::SiteTree;
    f.frame->runCommand(Cmd::Refresh);
    ASSERT_TRUE(waitUntil([&] { return names(f.list).contains("whole.iso"); }, 10000));
    for (int i = 0; i < f.list->topLevelItemCount(); ++i)
        f.list->topLevelItem(i)->setSelected(f.list->topLevelItem(i)->text(0) == "whole.iso");
    QTreeWidgetItem* incoming = f.localChild("incoming");
    ASSERT_TRUE(incoming);
    f.prompts.answers << true;
    drag(f.list, nameOf(f.list, f.list->selectedItems().first()), f.localTree,
         nameOf(f.localTree, incoming));
    const QString target = f.localDir.path() + "/incoming/whole.iso";
    ASSERT_TRUE(waitUntil([&] { return QFileInfo(target).size() >= 200000; }, 15000));
    dropLocalFolder(f, "later");
    ASSERT_EQ(states(w), (QList<State>{State::Running, State::Queued}));

    f.server.kill();
    // Cut off, with its task kept; the automatic resume finds no server.
    ASSERT_TRUE(waitUntil(
        [&] {
            return w.notConnected() && w.transfers().items().first().resumable() &&
                   !w.connection()->isSettingUp();
        },
        20000))
        << w.transfers().items().first().stateText().toStdString();
    spinFor(300);
    EXPECT_EQ(states(w), (QList<State>{State::Failed, State::Queued}));
    EXPECT_TRUE(
        w.transfers().items().first().stateText().startsWith(QString::fromUtf8("已中断：")));
    // Both are said: the connection that went, and the one that could not
    // be made to go on.
    const QString reason = w.transfers().items().first().reason;
    EXPECT_TRUE(reason.contains(QString::fromUtf8("与服务器的连接已经中断")) &&
                reason.contains("Connection refused"))
        << reason.toStdString();
    EXPECT_LT(QFileInfo(target).size(), big.size());

    // Connected again to the site: what waited runs by itself.
    ASSERT_TRUE(f.server.restart());
    ASSERT_TRUE(w.connectSiteNamed(QString::fromUtf8("演示站点")));
    ASSERT_TRUE(waitUntil([&] { return states(w).last() == State::Done; }, 20000))
        << f.prompts.shown.join('|').toStdString();
    EXPECT_EQ(readBytes(f.server.root() + "/pub/deep/later/l.txt"), "after the break");
    EXPECT_EQ(states(w).first(), State::Failed) << "a cut transfer waits for the user";

    ASSERT_TRUE(waitUntil([&] { return w.connectionReady(); }));
    f.results.clear();
    retryFromList(w, w.transfers().items().first().id);
    ASSERT_TRUE(f.waitDone()) << f.prompts.shown.join('|').toStdString();
    EXPECT_EQ(states(w), (QList<State>{State::Done, State::Done}));
    EXPECT_EQ(readBytes(target), big);
    EXPECT_TRUE(f.transcript().contains("REST ")) << "continued, not started again";
}

// Closing with transfers still listed asks one question that names them;
// No keeps the window and the transfers.
TEST(TransferList, QuittingWithQueuedTransfersAsksOnce) {
    TransferFrame f({"--throttle", "100000"});
    writeBytes(f.localDir.path() + "/outgoing/slow.bin", patterned(600000, 4));
    ASSERT_TRUE(f.setUp()) << f.prompts.shown.join('|').toStdString();
    MainWindow& w = *f.frame;
    dropLocalFolder(f, "outgoing");
    ASSERT_TRUE(waitUntil([&] { return w.connection()->isTransferringFile(); }, 10000));
    dropLocalFolder(f, "incoming");
    f.prompts.shown.clear();
    f.prompts.answers = {false};
    EXPECT_FALSE(w.close());
    ASSERT_EQ(f.prompts.shown.size(), 1) << f.prompts.shown.join('|').toStdString();
    EXPECT_TRUE(
        f.prompts.shown.first().contains(QString::fromUtf8("传送列表中还有2项传送没有完成")))
        << f.prompts.shown.first().toStdString();
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(states(w), (QList<State>{State::Running, State::Queued}));
}
