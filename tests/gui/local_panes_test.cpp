// The local folder tree and the local file list on a temporary folder: the
// lazy filling, the rows, renaming, deleting and new folders, with the
// messages the user sees.
#include "file_bytes.h"
#include "window_fixture.h"

#include "gui/panes/command_ids.h"
#include "gui/panes/file_row.h"
#include "gui/panes/local_file_list.h"
#include "gui/panes/local_folder_tree.h"
#include "gui/panes/pane_menu.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>

namespace {

QStringList rowNames(const QTreeWidget* list) {
    QStringList texts;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        texts << list->topLevelItem(i)->text(0);
    return texts;
}

QStringList childNames(const QTreeWidgetItem* item) {
    QStringList texts;
    for (int i = 0; item && i < item->childCount(); ++i)
        texts << item->child(i)->text(0);
    return texts;
}

// A window whose local tree opens at a temporary folder holding
//   alpha/inner/deepest/, beta/, "中文 目录"/, "data, 2024.bin" (1500 bytes),
//   empty.txt
struct LocalFrame : WindowFixture {
    LocalFolderTree* tree = nullptr;
    LocalFileList* list = nullptr;
    QString base;

    explicit LocalFrame(bool openNow = true) {
        base = localDir.path();
        QDir(base).mkpath("alpha/inner/deepest");
        QDir(base).mkpath("beta");
        QDir(base).mkpath(QString::fromUtf8("中文 目录"));
        writeBytes(base + "/data, 2024.bin", QByteArray(1500, 'd'));
        writeBytes(base + "/empty.txt", {});
        writeSettings();
        if (openNow)
            open();
    }
    void open() {
        WindowFixture::open();
        tree = frame->app().localTree;
        list = frame->app().localList;
    }
    QTreeWidgetItem* shown() const { return tree->shownItem(); }
    QTreeWidgetItem* child(const QString& name) const { return tree->childNamed(shown(), name); }
    bool enabled(int pane, int command) {
        frame->app().activePane = pane;
        frame->updateCommandStates();
        return frame->action(command)->isEnabled();
    }
};

} // namespace

TEST(LocalPanes, TheTreeOpensAtItsFolderReadOneLevelAheadAndTheListShowsIt) {
    LocalFrame f;
    ASSERT_TRUE(f.shown());
    EXPECT_EQ(LocalFolderTree::localPath(f.shown()), f.base);
    EXPECT_EQ(LocalFolderTree::folderPath(f.shown()), f.base + "/");
    EXPECT_EQ(f.tree->topLevelItem(0)->text(0), "/");

    // Folders first in name order, then files; sizes with units (the bytes
    // carried), times as year-month-day and minute.
    EXPECT_EQ(rowNames(f.list), (QStringList{"alpha", "beta", QString::fromUtf8("中文 目录"),
                                             "data, 2024.bin", "empty.txt"}));
    QTreeWidgetItem* data = f.list->topLevelItem(3);
    EXPECT_EQ(data->text(LocalFileList::SizeColumn), "1.5 KB");
    EXPECT_EQ(FileRow::bytesOf(data), 1500u);
    EXPECT_EQ(data->text(LocalFileList::TimeColumn),
              QFileInfo(f.base + "/data, 2024.bin").lastModified().toString("yyyy-MM-dd HH:mm"));
    EXPECT_EQ(f.list->topLevelItem(4)->text(LocalFileList::SizeColumn), "0 B");
    EXPECT_TRUE(f.list->isFolderRow(f.list->topLevelItem(0)));
    EXPECT_TRUE(f.list->topLevelItem(0)->text(LocalFileList::SizeColumn).isEmpty());

    // alpha's children were read when the folder was shown; inner's only
    // when alpha is opened.
    QTreeWidgetItem* alpha = f.child("alpha");
    ASSERT_TRUE(alpha);
    EXPECT_EQ(childNames(alpha), QStringList{"inner"});
    QTreeWidgetItem* inner = alpha->child(0);
    EXPECT_EQ(inner->childCount(), 0);
    alpha->setExpanded(true);
    EXPECT_EQ(childNames(inner), QStringList{"deepest"});

    // A double-click on a folder row opens it through the tree.
    const QPoint alphaRow(10, f.list->visualItemRect(f.list->topLevelItem(0)).center().y());
    QTest::mousePress(f.list->viewport(), Qt::LeftButton, {}, alphaRow);
    QTest::mouseDClick(f.list->viewport(), Qt::LeftButton, {}, alphaRow);
    EXPECT_EQ(f.shown(), alpha);
    EXPECT_EQ(rowNames(f.list), QStringList{"inner"});
    EXPECT_TRUE(f.prompts.shown.isEmpty()) << f.prompts.shown.join('|').toStdString();
}

// A folder that does not answer (a network mount whose server is gone):
// the tree never reads ahead into it, choosing it holds up neither the
// window nor the choice of another folder, and its listing, should it come
// at last, does not replace the folder shown meanwhile.
TEST(LocalPanes, AFolderThatDoesNotAnswerNeverHoldsUpTheWindow) {
    struct Gate {
        std::atomic<bool> open{false};
        std::mutex mutex;
        QStringList read;
    };
    auto gate = std::make_shared<Gate>(); // the reading threads may outlive the test
    struct OpenAtEnd {
        std::shared_ptr<Gate> gate;
        ~OpenAtEnd() { gate->open = true; }
    } openAtEnd{gate};
    LocalFrame f(false);
    const QString stuck = f.base + "/stuck share";
    QDir(f.base).mkpath("stuck share/inner");
    f.folderReader.graceMs = 50;
    f.folderReader.mountPoints = [stuck] { return QSet<QString>{stuck}; };
    f.folderReader.readFunction = [gate, stuck](const QString& folder, FolderReader::Kind kind) {
        {
            std::lock_guard<std::mutex> lock(gate->mutex);
            gate->read << folder;
        }
        while (folder == stuck && !gate->open)
            QThread::msleep(2);
        return FolderReader::readInPlace(folder, kind);
    };
    f.open();
    ASSERT_TRUE(waitUntil([&] { return rowNames(f.list).contains("stuck share"); }));
    QTreeWidgetItem* share = f.tree->childNamed(f.shown(), "stuck share");
    ASSERT_TRUE(share);
    EXPECT_EQ(share->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
    {
        std::lock_guard<std::mutex> lock(gate->mutex);
        EXPECT_FALSE(gate->read.contains(stuck)) << "nothing is read ahead into a mount";
        EXPECT_TRUE(gate->read.contains(f.base + "/alpha"));
    }

    QElapsedTimer held;
    held.start();
    f.tree->setCurrentItem(share);
    EXPECT_LT(held.elapsed(), 1000);
    EXPECT_TRUE(rowNames(f.list).isEmpty());
    f.tree->setCurrentItem(f.tree->childNamed(share->parent(), "alpha"));
    ASSERT_TRUE(waitUntil([&] { return rowNames(f.list) == QStringList{"inner"}; }));

    gate->open = true;
    spinFor(150);
    EXPECT_EQ(rowNames(f.list), QStringList{"inner"}) << "the late listing is dropped";
    share->setExpanded(true);
    EXPECT_TRUE(waitUntil([&] { return childNames(share) == QStringList{"inner"}; }));
    EXPECT_TRUE(f.prompts.shown.isEmpty()) << f.prompts.shown.join('|').toStdString();
}

TEST(LocalPanes, RenamingInPlaceRefusesTakenAndUnusableNames) {
    LocalFrame f;
    QTreeWidgetItem* beta = f.child("beta");
    ASSERT_TRUE(beta);

    beta->setText(0, "alpha"); // as the editor leaves it
    EXPECT_EQ(f.prompts.count("已有同名目录！"), 1);
    EXPECT_EQ(beta->text(0), "beta");
    EXPECT_TRUE(QFileInfo(f.base + "/beta").isDir());

    beta->setText(0, "a/b");
    EXPECT_EQ(f.prompts.count("改名失败！"), 1);
    EXPECT_EQ(beta->text(0), "beta");

    beta->setText(0, "  gamma  ");
    EXPECT_EQ(beta->text(0), "gamma");
    EXPECT_TRUE(QFileInfo(f.base + "/gamma").isDir());
    EXPECT_FALSE(QFileInfo::exists(f.base + "/beta"));
    EXPECT_EQ(LocalFolderTree::localPath(beta), f.base + "/gamma");

    // In the list: a taken name is refused; a folder row renamed takes its
    // tree item along.
    QTreeWidgetItem* data = f.list->topLevelItem(3);
    data->setText(0, "empty.txt");
    EXPECT_EQ(f.prompts.count("已有同名文件！"), 1);
    EXPECT_EQ(data->text(0), "data, 2024.bin");
    data->setText(0, QString::fromUtf8("数据.bin"));
    EXPECT_EQ(readBytes(f.base + QString::fromUtf8("/数据.bin")), QByteArray(1500, 'd'));

    QTreeWidgetItem* alphaRow = f.list->topLevelItem(0);
    alphaRow->setText(0, "omega");
    EXPECT_TRUE(QFileInfo(f.base + "/omega/inner").isDir());
    EXPECT_TRUE(f.child("omega"));
    EXPECT_FALSE(f.child("alpha"));
}

TEST(LocalPanes, DeletingRemovesOnlyEmptyFoldersAndSelectedFiles) {
    LocalFrame f;
    // A folder with subfolders cannot go; neither can the folder on show
    // while its list has rows.
    f.tree->setCurrentItem(f.child("alpha"));
    f.frame->app().activePane = Pane::LocalTree;
    EXPECT_FALSE(f.enabled(Pane::LocalTree, Cmd::Delete));
    f.frame->runCommand(Cmd::Delete);
    EXPECT_EQ(f.prompts.count("目录非空，不能删除！"), 1);
    EXPECT_TRUE(QFileInfo(f.base + "/alpha/inner").isDir());

    // An empty folder goes after a Yes, and its parent is shown.
    QTreeWidgetItem* base = f.shown()->parent();
    f.tree->setCurrentItem(base);
    f.tree->setCurrentItem(f.tree->childNamed(base, "beta"));
    ASSERT_EQ(f.list->topLevelItemCount(), 0);
    EXPECT_TRUE(f.enabled(Pane::LocalTree, Cmd::Delete));
    f.prompts.answers = {false};
    f.frame->runCommand(Cmd::Delete);
    EXPECT_TRUE(QFileInfo(f.base + "/beta").isDir()) << "No keeps it";
    f.prompts.answers = {true};
    f.frame->runCommand(Cmd::Delete);
    EXPECT_FALSE(QFileInfo::exists(f.base + "/beta"));
    EXPECT_TRUE(
        f.prompts.shown.contains(QString::fromUtf8("是否确定删除本地目录 ") + f.base + "/beta ？"));
    EXPECT_EQ(LocalFolderTree::localPath(f.shown()), f.base);

    // In the list, folder rows among the selection go when empty; the
    // first one that is not stops the command with its name.
    for (int i = 0; i < f.list->topLevelItemCount(); ++i)
        f.list->topLevelItem(i)->setSelected(true);
    EXPECT_TRUE(f.enabled(Pane::LocalList, Cmd::Delete));
    f.prompts.answers = {true};
    f.frame->runCommand(Cmd::Delete);
    EXPECT_TRUE(f.prompts.shown.contains(
        QString::fromUtf8("是否确定删除选择的本地文件和目录？（只删除空目录）")));
    EXPECT_FALSE(QFileInfo::exists(f.base + "/empty.txt"));
    EXPECT_FALSE(QFileInfo::exists(f.base + "/data, 2024.bin"));
    EXPECT_FALSE(QFileInfo::exists(f.base + QString::fromUtf8("/中文 目录")));
    EXPECT_TRUE(QFileInfo(f.base + "/alpha").isDir());
    EXPECT_EQ(f.prompts.shown.last(),
              QString::fromUtf8("目录非空，不能删除！") + f.base + "/alpha");
    EXPECT_EQ(rowNames(f.list), (QStringList{"alpha"}));
}

TEST(LocalPanes, AFileThatCannotBeDeletedStopsTheCommandWithItsName) {
    LocalFrame f;
    QFile::remove(f.base + "/empty.txt"); // gone behind the list's back
    f.list->topLevelItem(3)->setSelected(true);
    f.list->topLevelItem(4)->setSelected(true);
    f.frame->app().activePane = Pane::LocalList;
    f.prompts.answers = {true};
    f.frame->runCommand(Cmd::Delete);
    EXPECT_EQ(f.prompts.shown.last(),
              QString::fromUtf8("删除本地文件失败：") + f.base + "/empty.txt");
    EXPECT_TRUE(QFileInfo::exists(f.base + "/data, 2024.bin")) << "the command stopped";
}

TEST(LocalPanes, NewFolderRefusesATakenNameAndShowsTheNewOne) {
    LocalFrame f;
    f.frame->app().activePane = Pane::LocalTree;
    EXPECT_TRUE(f.enabled(Pane::LocalTree, Cmd::NewFolder));
    f.prompts.names = {"alpha"};
    f.frame->runCommand(Cmd::NewFolder);
    EXPECT_EQ(f.prompts.count("已有该目录！"), 1);

    f.prompts.names = {"新目录"};
    f.frame->runCommand(Cmd::NewFolder);
    EXPECT_TRUE(QFileInfo(f.base + QString::fromUtf8("/新目录")).isDir());
    EXPECT_TRUE(f.child(QString::fromUtf8("新目录")));
    EXPECT_TRUE(rowNames(f.list).contains(QString::fromUtf8("新目录")));

    f.prompts.names = {}; // cancelled
    f.frame->runCommand(Cmd::NewFolder);
    EXPECT_EQ(f.prompts.shown.size(), 4) << "three dialogs, one message";
}

TEST(LocalPanes, AFolderGoneFromDiskGivesAMessageAndAnEmptyList) {
    LocalFrame f;
    QTreeWidgetItem* beta = f.child("beta");
    QDir(f.base + "/beta").removeRecursively();
    f.tree->setCurrentItem(beta);
    EXPECT_EQ(f.prompts.shown.value(0), QString::fromUtf8("不能读取本地目录：") + f.base + "/beta");
    EXPECT_EQ(f.list->topLevelItemCount(), 0);
    // Refresh on the parent drops the folder from the tree.
    f.tree->setCurrentItem(beta->parent());
    f.frame->app().activePane = Pane::LocalTree;
    f.frame->runCommand(Cmd::Refresh);
    EXPECT_FALSE(f.child("beta"));
}

TEST(LocalPanes, ContextMenusFollowTheItemUnderTheClick) {
    LocalFrame f;
    const auto enabledIn = [](QMenu* menu, int command) {
        return PaneMenu::find(menu, command)->isEnabled();
    };
    // The root: new folder only.
    QTreeWidgetItem* root = f.tree->topLevelItem(0);
    f.tree->scrollToItem(root);
    QMenu* menu = f.tree->prepareContextMenu(f.tree->visualItemRect(root).center());
    EXPECT_TRUE(enabledIn(menu, Cmd::PaneNewFolder));
    EXPECT_FALSE(enabledIn(menu, Cmd::PaneRename));
    EXPECT_FALSE(enabledIn(menu, Cmd::PaneDelete));
    // A folder without subfolders in the tree can be deleted; alpha cannot.
    QTreeWidgetItem* alpha = f.child("alpha");
    QTreeWidgetItem* beta = f.child("beta");
    f.tree->scrollToItem(alpha);
    menu = f.tree->prepareContextMenu(f.tree->visualItemRect(alpha).center());
    EXPECT_TRUE(enabledIn(menu, Cmd::PaneRename));
    EXPECT_FALSE(enabledIn(menu, Cmd::PaneDelete));
    menu = f.tree->prepareContextMenu(f.tree->visualItemRect(beta).center());
    EXPECT_TRUE(enabledIn(menu, Cmd::PaneDelete));
    EXPECT_FALSE(enabledIn(menu, Cmd::PaneCopy)) << "not connected";

    // The list: delete on a file row and on a folder row; nothing off a row.
    const auto rowPoint = [&](int row) {
        return QPoint(10, f.list->visualItemRect(f.list->topLevelItem(row)).center().y());
    };
    menu = f.list->prepareContextMenu(rowPoint(3));
    EXPECT_TRUE(enabledIn(menu, Cmd::PaneRename));
    EXPECT_TRUE(enabledIn(menu, Cmd::PaneDelete));
    menu = f.list->prepareContextMenu(rowPoint(0));
    EXPECT_TRUE(enabledIn(menu, Cmd::PaneDelete));
    menu = f.list->prepareContextMenu(QPoint(10, f.list->viewport()->height() - 2));
    EXPECT_FALSE(enabledIn(menu, Cmd::PaneRename));
}

// Deleting from the list takes folder rows too: an empty folder goes (with
// its item in the tree), one with something in it is named and stays.
TEST(LocalPanes, DeletingFolderRowsFromTheList) {
    LocalFrame f;
    const auto select = [&](const QStringList& names) {
        f.list->clearSelection();
        for (const QString& name : names)
            for (int i = 0; i < f.list->topLevelItemCount(); ++i)
                if (f.list->topLevelItem(i)->text(0) == name)
                    f.list->topLevelItem(i)->setSelected(true);
    };
    select({"beta", "empty.txt"});
    f.prompts.answers = {true};
    f.list->deleteSelectedFiles();
    EXPECT_EQ(f.prompts.shown.last(),
              QString::fromUtf8("是否确定删除选择的本地文件和目录？（只删除空目录）"));
    EXPECT_FALSE(QFileInfo::exists(f.base + "/beta"));
    EXPECT_FALSE(QFileInfo::exists(f.base + "/empty.txt"));
    EXPECT_FALSE(f.child("beta")) << "the tree forgets it too";
    EXPECT_EQ(rowNames(f.list),
              (QStringList{"alpha", QString::fromUtf8("中文 目录"), "data, 2024.bin"}));

    select({"alpha"});
    f.prompts.answers = {true};
    f.list->deleteSelectedFiles();
    EXPECT_EQ(f.prompts.shown.last(),
              QString::fromUtf8("目录非空，不能删除！") + f.base + "/alpha");
    EXPECT_TRUE(QFileInfo(f.base + "/alpha/inner").isDir());
    EXPECT_TRUE(f.child("alpha"));
}

TEST(LocalPanes, ListStylesUpOneLevelAndSelectAll) {
    LocalFrame f;
    MainWindow& w = *f.frame;
    f.frame->app().activePane = Pane::LocalList;
    w.runCommand(Cmd::ListView);
    EXPECT_TRUE(f.list->isHeaderHidden());
    EXPECT_TRUE(f.list->isColumnHidden(LocalFileList::SizeColumn));
    w.runCommand(Cmd::DetailsView);
    EXPECT_FALSE(f.list->isHeaderHidden());
    EXPECT_FALSE(f.list->isColumnHidden(LocalFileList::TimeColumn));
    f.frame->app().activePane = Pane::LocalTree;
    w.runCommand(Cmd::ListView);
    EXPECT_FALSE(f.list->isHeaderHidden()) << "a tree pane has no list style";

    ASSERT_TRUE(f.enabled(Pane::LocalList, Cmd::SelectAll));
    w.runCommand(Cmd::SelectAll);
    EXPECT_EQ(f.list->selectedItems().size(), 5);

    QTreeWidgetItem* base = f.shown();
    EXPECT_TRUE(f.enabled(Pane::LocalTree, Cmd::UpOneLevel));
    w.runCommand(Cmd::UpOneLevel);
    EXPECT_EQ(f.shown(), base->parent());
    EXPECT_TRUE(rowNames(f.list).contains(QFileInfo(f.base).fileName()));
}

// A link to a folder is a folder in the tree; deleting it removes nothing
// behind it.
TEST(LocalPanes, DeletingALinkedFolderLeavesWhatItPointsTo) {
    QTemporaryDir elsewhere;
    writeBytes(elsewhere.path() + "/keep.txt", "keep");
    LocalFrame f;
    ASSERT_TRUE(QFile::link(elsewhere.path(), f.base + "/link"));
    f.frame->app().activePane = Pane::LocalTree;
    f.frame->runCommand(Cmd::Refresh);
    QTreeWidgetItem* link = f.child("link");
    ASSERT_TRUE(link);
    f.tree->setCurrentItem(link);
    EXPECT_EQ(rowNames(f.list), QStringList{"keep.txt"});
    f.frame->runCommand(Cmd::Delete);
    EXPECT_EQ(f.prompts.shown.last(), QString::fromUtf8("目录非空，不能删除！"));
    EXPECT_EQ(readBytes(elsewhere.path() + "/keep.txt"), "keep");
}
