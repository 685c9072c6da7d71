// The order of the file lists: folders first in every column, sizes by
// their numbers, the same order on a second click.
#include "gui/panes/command_ids.h"
#include "gui/panes/file_list_sort.h"
#include "gui/panes/file_types.h"
#include "gui/panes/listing_cache.h"
#include "gui/panes/pane_menu.h"
#include "gui/panes/pane_state.h"
#include "gui/panes/remote_file_list.h"
#include "idle_pane_host.h"

#include <QApplication>
#include <QHeaderView>
#include <QMenu>
#include <QMouseEvent>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QStringList column(const QTreeWidget& list, int c) {
    QStringList texts;
    for (int i = 0; i < list.topLevelItemCount(); ++i)
        texts << list.topLevelItem(i)->text(c);
    return texts;
}

struct RemoteList {
    PaneState app;
    IdlePaneHost host;
    RemoteFileList list{app, host};
    RemoteList() {
        const QString folder = FileTypes::folderTypeName();
        CachedListing cached;
        cached.append("b.txt", "900", "t", "Jan 2 10:00");
        cached.append("Zeta", "", folder, "Feb 1 2020");
        cached.append("A.txt", "1000", "t", "Mar 3 11:00");
        cached.append("alpha", "", folder, "Jan 1 2020");
        cached.append("c.bin", "x7", "b", "Jan 9 09:00");
        cached.append("d.bin", "80", "b", "Dec 9 09:00");
        list.fillFromCache(cached);
        list.resize(700, 300);
        list.show();
    }
};

} // namespace

TEST(FileListSort, KeysMarkFoldersAndSizesCompareByLeadingDigits) {
    using namespace FileListSort;
    const QString folder = QString::fromUtf8("文件夹");
    EXPECT_EQ(sortKey(0, "pub", folder, folder), "/dirdirdir/pub");
    EXPECT_EQ(sortKey(1, "", folder, folder), "0");
    EXPECT_EQ(sortKey(3, "Jan 1", QString::fromUtf8("纯文本文档"), folder), "Jan 1");

    EXPECT_LT(compareKeys(0, "/dirdirdir/z", "a"), 0);
    EXPECT_GT(compareKeys(0, "a", "/dirdirdir/z"), 0);
    EXPECT_EQ(compareKeys(0, "ABC", "abc"), 0) << "case does not count";
    EXPECT_LT(compareKeys(1, "9", "10"), 0) << "numbers, not text";
    EXPECT_EQ(compareKeys(1, "x7", "0"), 0) << "no leading digit reads as 0";
    EXPECT_LT(compareKeys(1, "12abc", "13"), 0);
}

TEST(FileListSort, FoldersStayFirstInEveryColumnAndASecondClickKeepsTheOrder) {
    RemoteList r;
    EXPECT_EQ(column(r.list, 0),
              (QStringList{"alpha", "Zeta", "A.txt", "b.txt", "c.bin", "d.bin"}));

    QHeaderView* header = r.list.header();
    const auto clickColumn = [&](int c) {
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(c) + 5, header->height() / 2));
    };
    const QStringList bySize{"alpha", "Zeta", "c.bin", "d.bin", "b.txt", "A.txt"};
    clickColumn(1);
    EXPECT_EQ(column(r.list, 0), bySize);
    clickColumn(1);
    EXPECT_EQ(column(r.list, 0), bySize);

    // By time, not by the text: on 1 June, "Dec 9" without a year is last
    // December.
    r.host.todayDate = QDate(2026, 6, 1);
    clickColumn(3);
    EXPECT_EQ(column(r.list, 0),
              (QStringList{"alpha", "Zeta", "d.bin", "b.txt", "c.bin", "A.txt"}));
}

TEST(RemoteFileList, MenuIsGreyOffANameAndDragsAreRecorded) {
    RemoteList r;
    QMenu* menu = r.list.prepareContextMenu(QPoint(5, r.list.viewport()->height() - 3));
    for (QAction* a : menu->actions()) {
        if (!a->isSeparator() && a->data().toInt() != 102 && a->data().toInt() != 108) {
            EXPECT_FALSE(a->isEnabled()) << a->text().toStdString();
        }
    }

    const QRect fileRow = r.list.visualItemRect(r.list.topLevelItem(2));
    QTest::mousePress(r.list.viewport(), Qt::LeftButton, {}, fileRow.center());
    QMouseEvent move(QEvent::MouseMove, fileRow.center() + QPoint(0, 30),
                     r.list.viewport()->mapToGlobal(fileRow.center() + QPoint(0, 30)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(r.list.viewport(), &move);
    EXPECT_TRUE(r.app.dragState.dragging);
    EXPECT_EQ(r.app.dragState.sourcePane, 4);
    QTest::mouseRelease(r.list.viewport(), Qt::LeftButton, {}, fileRow.center());
    EXPECT_FALSE(r.app.dragState.dragging);
}

TEST(RemoteFileList, DeleteNeedsTheConnectionAndPasteFollowsTheMainWindow) {
    RemoteList r;
    const QRect fileRow = r.list.visualItemRect(r.list.topLevelItem(2));
    const QPoint onName(10, fileRow.center().y());
    QMenu* menu = r.list.prepareContextMenu(onName);
    EXPECT_FALSE(PaneMenu::find(menu, Cmd::PaneDelete)->isEnabled()) << "not connected";
    EXPECT_FALSE(PaneMenu::find(menu, Cmd::PanePaste)->isEnabled()) << "nothing to paste";
    r.host.frameCommandsEnabled = true;
    menu = r.list.prepareContextMenu(onName);
    EXPECT_TRUE(PaneMenu::find(menu, Cmd::PanePaste)->isEnabled());
    EXPECT_TRUE(PaneMenu::find(menu, Cmd::PaneCopy)->isEnabled());
    EXPECT_FALSE(PaneMenu::find(menu, Cmd::PaneDelete)->isEnabled());
}
