// The keys of every file manager, pressed as a user presses them: Enter
// opens a folder row, Backspace and Alt+Up go up, F2 renames in place,
// Delete deletes after the question, F5 lists again, Escape gives up a
// drag, and Tab walks the panes in a fixed order.
#include "connected_frame.h"
#include "file_bytes.h"

#include "gui/dialogs/dialog_prompts.h"
#include "gui/panes/local_file_list.h"
#include "gui/panes/local_folder_tree.h"
#include "gui/panes/pane_state.h"
#include "gui/panes/path_bar.h"
#include "gui/panes/transfer_list.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

// Keys go to the pane with the focus, in the active window, so that the
// window's shortcuts see them as they would on a desktop.
void press(QWidget* pane, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    pane->window()->activateWindow();
    pane->setFocus();
    QTest::keyClick(pane, Qt::Key(key), modifiers);
}

} // namespace

TEST(PaneKeys, EnterBackspaceAltUpF2F5AndDeleteOnTheSite) {
    ConnectedFrame f;
    ASSERT_TRUE(f.connect()) << f.prompts.shown.join('|').toStdString();
    ASSERT_TRUE(QTest::qWaitForWindowActive(f.frame.get()));

    // Enter on a folder row opens it; on a file it starts nothing.
    f.list->setCurrentItem(f.list->rowNamed("z.txt"));
    press(f.list, Qt::Key_Return);
    EXPECT_EQ(SiteTree::remotePath(f.tree->currentItem()), "/pub/deep");
    EXPECT_TRUE(f.frame->connectionReady()) << "no transfer";
    f.list->setCurrentItem(f.list->rowNamed("inner"));
    press(f.list, Qt::Key_Return);
    ASSERT_TRUE(waitUntil([&] {
        return SiteTree::remotePath(f.tree->currentItem()) == "/pub/deep/inner" &&
               f.frame->connectionReady();
    }));

    // Backspace and Alt+Up go up one level each.
    press(f.list, Qt::Key_Backspace);
    ASSERT_TRUE(waitUntil([&] {
        return SiteTree::remotePath(f.tree->currentItem()) == "/pub/deep" &&
               f.frame->connectionReady();
    }));
    press(f.list, Qt::Key_Up, Qt::AltModifier);
    ASSERT_TRUE(waitUntil([&] {
        return SiteTree::remotePath(f.tree->currentItem()) == "/pub" && f.frame->connectionReady();
    }));
    ASSERT_TRUE(waitUntil([&] { return f.list->rowNamed("other.txt") != nullptr; }));

    // F5 lists again: a file put there meanwhile shows.
    writeBytes(f.server.root() + "/pub/new.txt", "n");
    press(f.list, Qt::Key_F5);
    ASSERT_TRUE(waitUntil([&] { return f.list->rowNamed("new.txt") != nullptr; }));
    ASSERT_TRUE(waitUntil([&] { return f.frame->connectionReady(); }));

    // F2 opens the name for editing in place; Escape leaves it as it was.
    f.list->clearSelection();
    f.list->setCurrentItem(f.list->rowNamed("deep"));
    press(f.list, Qt::Key_F2);
    QLineEdit* editor = nullptr;
    for (QLineEdit* e : f.list->viewport()->findChildren<QLineEdit*>())
        if (e->isVisible())
            editor = e;
    ASSERT_TRUE(editor) << "F2 opened no editor on a folder row";
    EXPECT_EQ(editor->text(), "deep");
    QTest::keyClick(editor, Qt::Key_Escape);

    // Delete asks, then deletes.
    f.list->clearSelection();
    f.list->setCurrentItem(f.list->rowNamed("new.txt"));
    f.prompts.answers = {true};
    press(f.list, Qt::Key_Delete);
    EXPECT_TRUE(f.prompts.shown.contains(QString::fromUtf8("是否确定删除选择的站点文件？")))
        << f.prompts.shown.join('|').toStdString();
    ASSERT_TRUE(waitUntil([&] { return !QFileInfo::exists(f.server.root() + "/pub/new.txt"); }));
    EXPECT_TRUE(QFileInfo::exists(f.server.root() + "/pub/other.txt"));
}

TEST(PaneKeys, EnterOpensALocalFolderRowAndBackspaceGoesBack) {
    WindowFixture f;
    QDir(f.localDir.path()).mkpath("sub/deeper");
    f.writeSettings();
    f.open();
    ASSERT_TRUE(QTest::qWaitForWindowActive(f.frame.get()));
    LocalFileList* list = f.frame->app().localList;
    ASSERT_TRUE(waitUntil([&] { return list->topLevelItemCount() == 1; }));
    list->setCurrentItem(list->topLevelItem(0));
    press(list, Qt::Key_Enter);
    ASSERT_TRUE(waitUntil([&] { return list->folderPath() == f.localDir.path() + "/sub/"; }));
    press(list, Qt::Key_Backspace);
    ASSERT_TRUE(waitUntil([&] { return list->folderPath() == f.localDir.path() + "/"; }));
}

TEST(PaneKeys, TabWalksThePanesAndEscapeGivesUpADrag) {
    WindowFixture f;
    writeBytes(f.localDir.path() + "/a.txt", "a");
    f.writeSettings();
    f.open();
    ASSERT_TRUE(QTest::qWaitForWindowActive(f.frame.get()));
    PaneState& app = f.frame->app();
    const QList<QWidget*> order{app.localTree,   f.frame->localPathBar()->edit(),  app.localList,
                                app.siteTree,    f.frame->remotePathBar()->edit(), app.remoteList,
                                app.messagePane, f.frame->transferList()->view()};
    order.first()->setFocus();
    for (qsizetype i = 1; i < order.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), order.at(i)) << "step " << i;
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    EXPECT_EQ(QApplication::focusWidget(), app.messagePane);

    // A drag from the local list, given up with Escape: nothing is dropped.
    LocalFileList* list = app.localList;
    ASSERT_TRUE(waitUntil([&] { return list->topLevelItemCount() == 1; }));
    const QPoint at = list->visualItemRect(list->topLevelItem(0)).center();
    QTest::mousePress(list->viewport(), Qt::LeftButton, {}, at);
    QMouseEvent move(QEvent::MouseMove, at + QPoint(0, 40),
                     list->viewport()->mapToGlobal(at + QPoint(0, 40)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &move);
    ASSERT_TRUE(app.dragState.dragging);
    press(list, Qt::Key_Escape);
    EXPECT_FALSE(app.dragState.dragging);
    QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, at + QPoint(0, 40));
    EXPECT_TRUE(f.prompts.shown.isEmpty()) << f.prompts.shown.join('|').toStdString();
}

TEST(PaneKeys, ToolbarButtonsNameTheirKeys) {
    WindowFixture f;
    f.writeSettings();
    f.open();
    EXPECT_EQ(f.frame->action(Cmd::Delete)->toolTip(),
              QString::fromUtf8("删除当前选择的目录或文件 (Ctrl+D, Del)"));
    EXPECT_EQ(f.frame->action(Cmd::Refresh)->toolTip(),
              QString::fromUtf8("刷新选择目录下的文件列表显示 (Ctrl+R, F5)"));
    EXPECT_EQ(f.frame->action(Cmd::HomePage)->toolTip(), QString::fromUtf8("浏览软件的主页"))
        << "a button without keys";
}

// A message and a question, the program's real boxes, come and go: the
// pane that had the focus has it again, and its keys still copy.
TEST(PaneKeys, TheFocusComesBackAfterABoxAndTheKeysStillCopy) {
    ConnectedFrame f;
    ASSERT_TRUE(f.connect()) << f.prompts.shown.join('|').toStdString();
    ASSERT_TRUE(QTest::qWaitForWindowActive(f.frame.get()));
    f.list->setFocus();
    f.list->topLevelItem(0)->setSelected(true);
    DialogPrompts boxes(f.frame.get());
    const auto answerBox = [] {
        QTimer::singleShot(100, [] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible())
                    box->buttons().first()->click();
        });
    };
    answerBox();
    boxes.askYesNo(QString::fromUtf8("是否继续？"));
    answerBox();
    boxes.report(QString::fromUtf8("不能连接服务器！"));
    ASSERT_TRUE(waitUntil([] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (qobject_cast<QMessageBox*>(w) && w->isVisible())
                return false;
        return true;
    }));
    EXPECT_TRUE(waitUntil([&] { return QApplication::focusWidget() == f.list; }))
        << (QApplication::focusWidget() ? QApplication::focusWidget()->metaObject()->className()
                                        : "nothing");
    EXPECT_EQ(f.frame->app().activePane, Pane::RemoteList);
    QTest::keyClick(f.list, Qt::Key_C, Qt::ControlModifier);
    EXPECT_FALSE(f.frame->app().copiedItems.isEmpty()) << "Ctrl+C copied the row";
}
