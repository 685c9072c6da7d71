// The rows of the file lists (sizes with units, one form of time, the data
// they carry) and their order: folders first in every column and either
// direction, sizes by their bytes, times by their time, a second click the
// other way round.
#include "gui/panes/command_ids.h"
#include "gui/panes/file_list_sort.h"
#include "gui/panes/file_row.h"
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
    // On 1 June, "Dec 9" without a year is last December.
    explicit RemoteList(QDate today = QDate(2026, 6, 1)) {
        host.todayDate = today;
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

TEST(FileListRows, SizesWithUnitsTimesInOneFormAndTheDataBehind) {
    PaneState app;
    IdlePaneHost host;
    host.todayDate = QDate(2026, 12, 9);
    RemoteFileList list{app, host};
    CachedListing cached;
    cached.append("pub", "", FileTypes::folderTypeName(), "December 08, 2026");
    cached.append("a.txt", "1536", "t", "Dec 9 10:44");
    cached.append("old.iso", "4831838208", "b", "Mar 4  2019");
    cached.append("dos.zip", "900", "b", "03-10-23  12:01PM");
    cached.append("odd", "x7", "b", "yesterday");
    list.fillFromCache(cached);
    ASSERT_EQ(list.topLevelItemCount(), 5);
    const auto row = [&](const char* name) { return list.rowNamed(name); };

    EXPECT_TRUE(FileRow::isFolder(row("pub")));
    EXPECT_FALSE(FileRow::isFolder(row("a.txt")));
    EXPECT_EQ(row("pub")->text(FileRow::TimeColumn), "2026-12-08") << "a day only";
    EXPECT_EQ(row("a.txt")->text(FileRow::SizeColumn), "1.5 KB");
    EXPECT_EQ(row("a.txt")->toolTip(FileRow::SizeColumn), "1,536 B");
    EXPECT_EQ(row("a.txt")->text(FileRow::TimeColumn), "2026-12-09 10:44") << "this year too";
    EXPECT_EQ(FileRow::bytesOf(row("old.iso")), 4831838208ull) << "past 32 bits";
    EXPECT_EQ(row("old.iso")->text(FileRow::SizeColumn), "4.5 GB");
    EXPECT_EQ(row("old.iso")->text(FileRow::TimeColumn), "2019-03-04");
    EXPECT_EQ(row("dos.zip")->text(FileRow::TimeColumn), "2023-03-10 12:01");
    EXPECT_EQ(row("dos.zip")->text(FileRow::SizeColumn), "900 B");
    // What no form fits is shown as it came, and carries no number.
    EXPECT_EQ(row("odd")->text(FileRow::SizeColumn), "x7");
    EXPECT_FALSE(FileRow::bytesOf(row("odd")));
    EXPECT_EQ(row("odd")->text(FileRow::TimeColumn), "yesterday");
    // The listing's own texts stay for comparing with a later listing.
    EXPECT_EQ(FileRow::listedSize(row("a.txt")), "1536");
    EXPECT_EQ(FileRow::listedTime(row("a.txt")), "Dec 9 10:44");
}

TEST(FileListSort, FoldersStayFirstAndASecondClickReversesTheOrder) {
    RemoteList r;
    EXPECT_EQ(column(r.list, 0),
              (QStringList{"alpha", "Zeta", "A.txt", "b.txt", "c.bin", "d.bin"}));

    QHeaderView* header = r.list.header();
    const auto clickColumn = [&](int c) {
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(c) + 5, header->height() / 2));
    };
    // Sizes by their bytes ("x7" is no number and counts as none).
    clickColumn(1);
    EXPECT_EQ(column(r.list, 0),
              (QStringList{"alpha", "Zeta", "c.bin", "d.bin", "b.txt", "A.txt"}));
    EXPECT_EQ(header->sortIndicatorSection(), 1);
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::AscendingOrder);
    clickColumn(1);
    EXPECT_EQ(column(r.list, 0), (QStringList{"alpha", "Zeta", "A.txt", "b.txt", "d.bin", "c.bin"}))
        << "the folders stay ahead, in the order they had";
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder);

    // By time, not by the text: "Dec 9" without a year is last December.
    clickColumn(3);
    EXPECT_EQ(column(r.list, 0),
              (QStringList{"alpha", "Zeta", "d.bin", "b.txt", "c.bin", "A.txt"}));
    clickColumn(3);
    EXPECT_EQ(column(r.list, 0),
              (QStringList{"Zeta", "alpha", "A.txt", "c.bin", "b.txt", "d.bin"}));

    // A new listing keeps the order chosen.
    r.list.fillFromCache(CachedListing{
        {"new.txt", "old.txt"}, {"1", "2"}, {"t", "t"}, {"Jan 1 2020", "Jan 2 2020"}});
    EXPECT_EQ(column(r.list, 0), (QStringList{"old.txt", "new.txt"}));
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

// Sizes past 32 bits, up to the largest a signed 64-bit count holds, show
// with their unit and sort by their bytes.
TEST(FileListSort, SizesPast32BitsShowAndSortByTheirBytes) {
    PaneState app;
    IdlePaneHost host;
    host.todayDate = QDate(2026, 12, 9);
    RemoteFileList list{app, host};
    CachedListing cached;
    cached.append("vast.img", "9223372036854775807", "b", "Dec 9 09:00");
    cached.append("four.iso", "4294967296", "b", "Dec 9 09:00");
    cached.append("three.bin", "3000000000", "b", "Dec 9 09:00");
    cached.append("tiny", "5", "b", "Dec 9 09:00");
    list.fillFromCache(cached);
    list.sortBy(FileRow::SizeColumn);
    EXPECT_EQ(column(list, 0), (QStringList{"tiny", "three.bin", "four.iso", "vast.img"}));
    EXPECT_EQ(column(list, 1), (QStringList{"5 B", "2.8 GB", "4 GB", "8 EB"}));
    EXPECT_EQ(FileRow::bytesOf(list.topLevelItem(3)), Q_UINT64_C(9223372036854775807));
}
