// Where the user is: the path bars above both file lists (shown, typed,
// refused), the side labels, the mark on the focused pane, the
// connection's particulars in the status bar, and the layout kept from one
// start to the next.
#include "connected_frame.h"
#include "file_bytes.h"

#include "gui/panes/file_row.h"
#include "gui/panes/local_file_list.h"
#include "gui/panes/local_folder_tree.h"
#include "gui/panes/path_bar.h"
#include "gui/panes/transfer_list.h"
#include "gui/window/status_dialog_bar.h"

#include <QLineEdit>
#include <QSplitter>

#include <gtest/gtest.h>

namespace {

// Types `text` into the bar and presses Enter, as the user does (the text
// goes in as an input method would put it: the test keyboard has no
// Chinese).
void typeInto(PathBar* bar, const QString& text) {
    bar->edit()->setFocus();
    bar->edit()->selectAll();
    bar->edit()->insert(text);
    QTest::keyClick(bar->edit(), Qt::Key_Return);
}

} // namespace

TEST(PathBars, TheLocalBarShowsTheFolderGoesWhereTypedAndRefusesWhatIsNotThere) {
    WindowFixture f;
    const QString base = f.localDir.path();
    QDir(base).mkpath(QString::fromUtf8("甲 1/乙"));
    writeBytes(base + QString::fromUtf8("/甲 1/乙/x.txt"), "x");
    f.writeSettings();
    f.open();
    PathBar* bar = f.frame->localPathBar();
    EXPECT_EQ(bar->side(), QString::fromUtf8("本地"));
    ASSERT_TRUE(waitUntil([&] { return bar->edit()->text() == base + "/"; }))
        << bar->edit()->text().toStdString();

    typeInto(bar, base + QString::fromUtf8("/甲 1/乙"));
    ASSERT_TRUE(waitUntil([&] { return f.frame->app().localList->topLevelItemCount() == 1; }));
    EXPECT_EQ(f.frame->app().localList->topLevelItem(0)->text(0), "x.txt");
    EXPECT_TRUE(
        waitUntil([&] { return bar->edit()->text() == base + QString::fromUtf8("/甲 1/乙/"); }));

    // Relative to the folder shown, then one that is not there: said, and
    // the bar shows the folder the list shows again.
    typeInto(bar, "..");
    EXPECT_TRUE(waitUntil([&] {
        return f.frame->app().localList->folderPath() == base + QString::fromUtf8("/甲 1/");
    }));
    typeInto(bar, base + "/nowhere");
    EXPECT_TRUE(waitUntil([&] {
        return f.prompts.count(QString::fromUtf8("本地目录不存在：") + base + "/nowhere") == 1;
    })) << f.prompts.shown.join('|').toStdString();
    EXPECT_EQ(f.frame->app().localList->folderPath(), base + QString::fromUtf8("/甲 1/"));
    f.frame->app().localList->setFocus();
    EXPECT_TRUE(waitUntil([&] {
        return bar->edit()->text() == base + QString::fromUtf8("/甲 1/");
    })) << bar->edit()->text().toStdString();
}

TEST(PathBars, TheSiteBarNamesTheSiteShowsItsFolderAndGoesOnlyWhereTheServerCan) {
    ConnectedFrame f;
    PathBar* bar = nullptr;
    {
        f.writeSettings();
        f.open();
        bar = f.frame->remotePathBar();
        EXPECT_EQ(bar->side(), QString::fromUtf8("站点"));
        typeInto(bar, "/pub");
        EXPECT_TRUE(waitUntil([&] {
            return f.prompts.count(QString::fromUtf8("请先连接站点，再输入站点目录！")) == 1;
        }));
        f.frame.reset();
    }
    ASSERT_TRUE(f.connect()) << f.prompts.shown.join('|').toStdString();
    bar = f.frame->remotePathBar();
    ASSERT_TRUE(waitUntil([&] { return bar->edit()->text() == "/pub/deep"; }))
        << bar->edit()->text().toStdString();
    EXPECT_EQ(bar->side(), QString::fromUtf8("演示站点"));

    // The status bar: site, address, data mode, names' text.
    const QString summary = f.frame->statusDialogBar()->connectionText();
    EXPECT_TRUE(summary.startsWith(QString::fromUtf8("演示站点 | 127.0.0.1:") +
                                   QString::number(f.server.port())))
        << summary.toStdString();
    EXPECT_TRUE(summary.contains(QString::fromUtf8("模式"))) << summary.toStdString();

    // Up by a typed path, into a folder the tree has not seen yet.
    typeInto(bar, "/pub");
    ASSERT_TRUE(waitUntil([&] { return names(f.list).contains("other.txt"); }));
    typeInto(bar, "deep/inner");
    ASSERT_TRUE(waitUntil([&] {
        return f.frame->connectionReady() &&
               SiteTree::remotePath(f.tree->shownItem()) == "/pub/deep/inner";
    }));

    // A folder that is not there: the server's refusal is said, the tree
    // keeps no folder for it, and the list goes back.
    typeInto(bar, "/pub/missing/deeper");
    ASSERT_TRUE(waitUntil([&] { return f.prompts.countHeaded("不能进入该目录！") == 1; }, 10000))
        << f.prompts.shown.join('|').toStdString();
    ASSERT_TRUE(waitUntil([&] {
        return f.frame->connectionReady() &&
               SiteTree::remotePath(f.tree->shownItem()) == "/pub/deep/inner";
    }));
    EXPECT_FALSE(child(child(f.site(), "pub"), "missing"));
    const QString said = f.prompts.shown.last();
    EXPECT_TRUE(said.contains(QString::fromUtf8("\n服务器回答：550 "))) << said.toStdString();
    EXPECT_TRUE(waitUntil([&] { return bar->edit()->text() == "/pub/deep/inner"; }));
}

TEST(PathBars, ThePaneWithTheFocusIsMarked) {
    WindowFixture f;
    f.writeSettings();
    f.open();
    QWidget* list = f.frame->app().localList;
    QWidget* tree = f.frame->app().siteTree;
    list->setFocus();
    ASSERT_TRUE(waitUntil([&] { return list->hasFocus(); }));
    EXPECT_TRUE(list->property("paneFocus").toBool());
    EXPECT_FALSE(tree->property("paneFocus").toBool());
    tree->setFocus();
    ASSERT_TRUE(waitUntil([&] { return tree->hasFocus(); }));
    EXPECT_TRUE(tree->property("paneFocus").toBool());
    EXPECT_FALSE(list->property("paneFocus").toBool());
}

// What the user arranged comes back at the next start: the window's size,
// the splitters, the columns (widths, the sort), the list style and the
// local folder shown.
TEST(RememberedLayout, SurvivesARestart) {
    WindowFixture f;
    QDir(f.localDir.path()).mkpath(QString::fromUtf8("甲 乙"));
    writeBytes(f.localDir.path() + QString::fromUtf8("/甲 乙/x.txt"), "x");
    f.writeSettings();
    f.open();
    MainWindow& first = *f.frame;
    first.resize(1100, 700);
    first.mainSplitter()->setSizes({700, 400});
    LocalFileList* list = first.app().localList;
    list->setColumnWidth(0, 333);
    list->sortBy(FileRow::SizeColumn);
    list->sortBy(FileRow::SizeColumn); // descending
    first.app().activePane = Pane::RemoteList;
    first.runCommand(Cmd::ListView);
    first.app().localTree->goTo(f.localDir.path() + QString::fromUtf8("/甲 乙"));
    ASSERT_TRUE(waitUntil([&] { return list->topLevelItemCount() == 1; }));
    first.runCommand(Cmd::ToggleTransferList); // hidden from the view menu
    ASSERT_TRUE(first.transferList()->isHidden());
    const QList<int> splitSizes = first.mainSplitter()->sizes();
    ASSERT_TRUE(first.close());
    f.frame.reset();

    // Started without a folder named: the one left open.
    MainWindow::Deps deps{f.prompts, f.services, SystemClock::instance(), f.programDir(),
                          WindowFixture::fastTiming()};
    deps.folderReader = f.folderReader;
    MainWindow again(std::move(deps));
    again.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&again));
    EXPECT_TRUE(again.hasRememberedGeometry()) << "so the program does not resize it";
    EXPECT_EQ(again.size(), QSize(1100, 700));
    EXPECT_EQ(again.mainSplitter()->sizes(), splitSizes);
    LocalFileList* list2 = again.app().localList;
    EXPECT_EQ(list2->columnWidth(0), 333);
    EXPECT_EQ(list2->sortColumn(), int(FileRow::SizeColumn));
    EXPECT_EQ(list2->sortOrder(), Qt::DescendingOrder);
    EXPECT_TRUE(again.transferList()->isHidden());
    EXPECT_FALSE(again.action(Cmd::ToggleTransferList)->isChecked());
    EXPECT_TRUE(again.app().remoteList->isHeaderHidden()) << "the list style";
    EXPECT_FALSE(list2->isHeaderHidden());
    EXPECT_TRUE(waitUntil([&] {
        return list2->folderPath() == f.localDir.path() + QString::fromUtf8("/甲 乙/");
    })) << list2->folderPath().toStdString();
    again.close();
}
