// The main window without a server: start-up, layout, the site commands and
// their enabling, the message pane.
#include "window_fixture.h"

#include "gui/panes/command_ids.h"
#include "gui/panes/message_pane.h"
#include "gui/panes/pane_menu.h"
#include "gui/panes/site_tree.h"
#include "gui/window/status_dialog_bar.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QSplitter>
#include <QTest>

#include <gtest/gtest.h>

namespace {

const char* const kGreetingStart = "欢迎您使用corvane2.5软件！\r\n这是您第一次运行此软件！";

bool enabled(MainWindow& frame, int command) {
    frame.updateCommandStates();
    return frame.action(command)->isEnabled();
}

QTreeWidgetItem* topItem(MainWindow& frame, const char* name) {
    SiteTree* tree = frame.app().siteTree;
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        if (tree->topLevelItem(i)->text(0) == QString::fromUtf8(name))
            return tree->topLevelItem(i);
    return nullptr;
}

} // namespace

TEST(MainWindowStartup, FirstRunGreetsOffersTheShortcutThenTheNetworkSettings) {
    WindowFixture f;
    f.prompts.answers = {true};
    f.open();
    ASSERT_TRUE(waitUntil([&] { return f.services.networkDialogs == 1; }));
    ASSERT_EQ(f.prompts.shown.size(), 1);
    EXPECT_TRUE(f.prompts.shown.first().startsWith(QString::fromUtf8(kGreetingStart)));
    EXPECT_TRUE(
        f.prompts.shown.first().endsWith(QString::fromUtf8("是否在桌面创建快捷方式图标？")));

    QFile shortcut(f.services.desktop + "/corvane.desktop");
    ASSERT_TRUE(shortcut.open(QIODevice::ReadOnly));
    const QByteArray entry = shortcut.readAll();
    EXPECT_TRUE(entry.startsWith("[Desktop Entry]\n"));
    // The program with its own program folder, and its picture.
    EXPECT_TRUE(entry.contains("Exec=\"" + QCoreApplication::applicationFilePath().toUtf8() +
                               "\" --home \"" + QDir::cleanPath(f.programDir()).toUtf8() + "\"\n"))
        << entry.toStdString();
    EXPECT_TRUE(entry.contains("\nIcon=" + f.programDir().toUtf8() + "corvane.png\n"))
        << entry.toStdString();
    EXPECT_TRUE(shortcut.permissions() & QFileDevice::ExeOwner);
    EXPECT_TRUE(QFile::exists(f.iniPath())) << "confirming the dialog writes the settings";
    EXPECT_TRUE(QDir(f.programDir() + "bak").exists());

    // The start-up tick runs once.
    spinFor(200);
    EXPECT_EQ(f.services.networkDialogs, 1);
    EXPECT_EQ(f.prompts.shown.size(), 1);

    // The next start finds the settings and says nothing.
    WindowFixture again;
    QFile::copy(f.iniPath(), again.iniPath());
    again.open();
    spinFor(200);
    EXPECT_TRUE(again.prompts.shown.isEmpty());
    EXPECT_EQ(again.services.networkDialogs, 0);
}

TEST(MainWindowStartup, NoShortcutOnNoAndCancelledSettingsGreetAgain) {
    WindowFixture f;
    f.services.confirmNetwork = false;
    f.open();
    ASSERT_TRUE(waitUntil([&] { return f.services.networkDialogs == 1; }));
    EXPECT_FALSE(QFile::exists(f.services.desktop + "/corvane.desktop"));
    EXPECT_FALSE(QFile::exists(f.iniPath()));
    f.frame.reset();
    f.open();
    ASSERT_TRUE(waitUntil([&] { return f.services.networkDialogs == 2; }));
    EXPECT_EQ(f.prompts.shown.size(), 2);
}

TEST(MainWindowLayout, ColumnsRowsTitleAndWelcome) {
    WindowFixture f;
    f.writeSettings();
    MainWindow& frame = f.open();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    EXPECT_EQ(frame.mainSplitter()->sizes().first(), MainWindow::LeftColumnWidth);
    EXPECT_EQ(frame.leftSplitter()->sizes().first(), MainWindow::UpperRowHeight);
    frame.resize(1600, 1000);
    QTest::qWait(50);
    EXPECT_EQ(frame.mainSplitter()->sizes().first(), MainWindow::LeftColumnWidth)
        << "the left column keeps its width";
    frame.mainSplitter()->setSizes({500, 1100});
    EXPECT_EQ(frame.mainSplitter()->sizes().first(), 500) << "the bar can be moved";

    EXPECT_EQ(frame.windowTitle(), "corvane");
    frame.setWindowTitle("other");
    frame.repaint();
    EXPECT_EQ(frame.windowTitle(), "corvane");
    EXPECT_EQ(frame.statusDialogBar()->statusLine(),
              QString::fromUtf8("欢迎使用corvane 2.5版软件。"));
    EXPECT_FALSE(frame.statusDialogBar()->inProgressMode());

    const QStringList menus = [&] {
        QStringList titles;
        for (QAction* a : frame.menuBar()->actions())
            titles << a->text();
        return titles;
    }();
    EXPECT_EQ(menus, (QStringList{QString::fromUtf8("文件(&F)"), QString::fromUtf8("查看(&V)"),
                                  QString::fromUtf8("编辑(&E)"), QString::fromUtf8("帮助(&H)")}));
    EXPECT_EQ(frame.action(Cmd::Connect)->toolTip(), QString::fromUtf8("连接FTP站点 (Ctrl+I)"));
}

TEST(MainWindowSites, SecondNewSiteIsRefusedAndRenamesFollowTheStore) {
    WindowFixture f;
    f.writeSettings();
    f.writeSites({siteAt(QString::fromUtf8("乙站"), 21)});
    MainWindow& frame = f.open();
    SiteTree* tree = frame.app().siteTree;

    ASSERT_TRUE(enabled(frame, Cmd::NewSite));
    frame.runCommand(Cmd::NewSite);
    EXPECT_EQ(tree->topLevelItemCount(), 2);
    ASSERT_EQ(f.services.sitesShown.size(), 1) << "a new site opens its properties at once";
    EXPECT_EQ(f.services.sitesShown.first().name, QString::fromUtf8("新增FTP站点"));
    frame.runCommand(Cmd::NewSite);
    EXPECT_EQ(tree->topLevelItemCount(), 2);
    EXPECT_EQ(f.prompts.count("请先把前面新增的FTP站点改名！"), 1);

    // Editing a label in place: another site's name is refused, a new one kept.
    QTreeWidgetItem* added = topItem(frame, "新增FTP站点");
    ASSERT_TRUE(added);
    added->setText(0, QString::fromUtf8("乙站"));
    EXPECT_EQ(added->text(0), QString::fromUtf8("新增FTP站点"));
    added->setText(0, QString::fromUtf8("  甲站 "));
    EXPECT_EQ(added->text(0), QString::fromUtf8("甲站"));
    const auto stored = SiteStore::load(f.programDir() + "ftpsite.dat");
    ASSERT_EQ(stored.size(), 2);
    EXPECT_EQ(stored.at(1).name, QString::fromUtf8("甲站"));
    EXPECT_EQ(tree->topLevelItem(0)->text(0), QString::fromUtf8("甲站")) << "sorted";
}

TEST(MainWindowSites, PropertiesOnDoubleClickAndIncompleteSiteRefusedToConnect) {
    WindowFixture f;
    f.writeSettings();
    SiteRecord incomplete = siteAt(QString::fromUtf8("空地址"), 21);
    incomplete.address.clear();
    f.writeSites({incomplete});
    MainWindow& frame = f.open();
    SiteTree* tree = frame.app().siteTree;
    QTreeWidgetItem* site = tree->topLevelItem(0);

    SiteRecord answer = incomplete;
    answer.address = "127.0.0.9";
    f.services.siteAnswer = answer;
    const QRect at = tree->visualItemRect(site);
    // Item views take a double click only after the press that began it.
    QTest::mousePress(tree->viewport(), Qt::LeftButton, {}, at.center());
    QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, at.center());
    ASSERT_EQ(f.services.sitesShown.size(), 1);
    EXPECT_EQ(f.services.sitesShown.first().name, QString::fromUtf8("空地址"));
    EXPECT_EQ(SiteStore::load(f.programDir() + "ftpsite.dat").first().address, "127.0.0.9");

    f.services.siteAnswer.reset();
    answer.user.clear();
    SiteStore::save(f.programDir() + "ftpsite.dat", {answer}, 1, f.prompts);
    tree->sites().setRecords({answer});
    tree->setCurrentItem(site);
    frame.runCommand(Cmd::Connect);
    EXPECT_EQ(f.prompts.count("请先设置好站点属性！"), 1);
    EXPECT_EQ(frame.connection(), nullptr);
}

TEST(MainWindowSites, EnablingBeforeConnectingFollowsTheSelectionAndPane) {
    WindowFixture f;
    f.writeSettings();
    f.writeSites({siteAt(QString::fromUtf8("甲站"), 21)});
    MainWindow& frame = f.open();
    SiteTree* tree = frame.app().siteTree;

    EXPECT_FALSE(enabled(frame, Cmd::Connect)) << "no site selected";
    EXPECT_FALSE(enabled(frame, Cmd::CloseConnection));
    EXPECT_TRUE(enabled(frame, Cmd::NewSite));
    tree->setFocus();
    tree->setCurrentItem(tree->topLevelItem(0));
    frame.app().activePane = Pane::SiteTree;
    EXPECT_TRUE(enabled(frame, Cmd::Connect));
    EXPECT_TRUE(enabled(frame, Cmd::SiteProperties));
    frame.app().activePane = Pane::LocalTree;
    EXPECT_FALSE(enabled(frame, Cmd::SiteProperties)) << "only from a site pane";
    EXPECT_TRUE(enabled(frame, Cmd::Help));
    EXPECT_FALSE(enabled(frame, Cmd::EditFile)) << "not built yet";

    // Context menu of the tree: empty space offers only "增加站点".
    QMenu* menu = tree->prepareContextMenu(QPoint(5, tree->viewport()->height() - 5));
    QStringList enabledItems;
    for (QAction* a : menu->actions())
        if (!a->isSeparator() && a->isEnabled())
            enabledItems << a->text();
    EXPECT_EQ(enabledItems, QStringList{QString::fromUtf8("增加站点")});
    menu = tree->prepareContextMenu(tree->visualItemRect(tree->topLevelItem(0)).center());
    QAction* connect = PaneMenu::find(menu, Cmd::PaneConnect);
    EXPECT_EQ(connect->text(), QString::fromUtf8("连接站点"));
    EXPECT_TRUE(connect->isEnabled());
    EXPECT_TRUE(PaneMenu::find(menu, Cmd::PaneDelete)->isEnabled());
    EXPECT_FALSE(PaneMenu::find(menu, Cmd::PaneNewFolder)->isEnabled());
}

TEST(MainWindowSites, KeyboardFocusAloneDoesNotChooseASiteToConnectTo) {
    WindowFixture f;
    f.writeSettings();
    f.writeSites({siteAt(QString::fromUtf8("甲站"), 21), siteAt(QString::fromUtf8("乙站"), 21)});
    MainWindow& frame = f.open();
    SiteTree* tree = frame.app().siteTree;
    tree->setFocus();
    frame.app().activePane = Pane::SiteTree;
    // Current, as the keyboard makes an item, but not selected.
    tree->clearSelection();
    tree->setCurrentItem(tree->topLevelItem(1), 0, QItemSelectionModel::NoUpdate);
    ASSERT_EQ(tree->currentItem(), tree->topLevelItem(1));
    ASSERT_TRUE(tree->selectedItems().isEmpty());
    EXPECT_FALSE(enabled(frame, Cmd::Connect));
    QTest::keyClick(tree, Qt::Key_I, Qt::ControlModifier);
    EXPECT_EQ(frame.connection(), nullptr) << "nothing was chosen, nothing connects";

    tree->setCurrentItem(tree->topLevelItem(1));
    EXPECT_TRUE(enabled(frame, Cmd::Connect));
}

TEST(MainWindowSites, DeletingASiteAsksFirst) {
    WindowFixture f;
    f.writeSettings();
    f.writeSites({siteAt(QString::fromUtf8("甲站"), 21), siteAt(QString::fromUtf8("乙站"), 21)});
    MainWindow& frame = f.open();
    SiteTree* tree = frame.app().siteTree;
    tree->runPaneCommand(Cmd::PaneDelete, tree->topLevelItem(0));
    EXPECT_EQ(tree->topLevelItemCount(), 2) << "not confirmed";
    f.prompts.answers = {true};
    tree->runPaneCommand(Cmd::PaneDelete, tree->topLevelItem(0));
    ASSERT_EQ(tree->topLevelItemCount(), 1);
    EXPECT_EQ(tree->topLevelItem(0)->text(0), QString::fromUtf8("乙站"));
    EXPECT_EQ(SiteStore::load(f.programDir() + "ftpsite.dat").size(), 1);
}

TEST(MainWindowDesktop, HelpAndHomePageGoThroughTheBrowserWithAFallbackMessage) {
    WindowFixture f;
    f.writeSettings();
    MainWindow& frame = f.open();
    frame.showHelpTopic(QString::fromUtf8("网络属性"));
    ASSERT_EQ(f.services.opened.size(), 1) << "the help page ships beside the program";
    EXPECT_TRUE(f.services.opened.first().isLocalFile());
    EXPECT_EQ(f.services.opened.first().fragment(), QString::fromUtf8("网络属性"));
    EXPECT_TRUE(QFile::exists(f.services.opened.first().toLocalFile()));

    f.services.openSucceeds = false;
    frame.runCommand(Cmd::HomePage);
    ASSERT_EQ(f.prompts.shown.size(), 1);
    EXPECT_TRUE(f.prompts.shown.first().startsWith(
        QString::fromUtf8("您的系统设置无法自动处理，请自己浏览页面 https://")));
}

TEST(MessagePane, ShowsTheTranscriptButTakesNoTyping) {
    PaneState app;
    MessagePane pane(app);
    pane.show();
    pane.showTranscript("C:\r\nUSER a\r\n", "C:\r\nUSER a\r\n");
    pane.showTranscript("C:\r\nUSER a\r\nS:\r\n331 ok\r\n", "S:\r\n331 ok\r\n");
    EXPECT_EQ(pane.toPlainText(), "C:\nUSER a\nS:\n331 ok\n");
    QFocusEvent focus(QEvent::FocusIn);
    QApplication::sendEvent(&pane, &focus);
    QTest::keyClicks(&pane, "xyz");
    QTest::keyClick(&pane, Qt::Key_Backspace);
    EXPECT_EQ(pane.toPlainText(), "C:\nUSER a\nS:\n331 ok\n");
    EXPECT_EQ(app.activePane, Pane::Messages);
    pane.selectAll();
    EXPECT_FALSE(pane.textCursor().selectedText().isEmpty()) << "it can still be selected";
    // A transcript cut at its limit starts over; the pane keeps what it
    // showed.
    pane.showTranscript("C:\r\nPWD\r\n", "C:\r\nPWD\r\n");
    EXPECT_EQ(pane.toPlainText(), "C:\nUSER a\nS:\n331 ok\nC:\nPWD\n");
    EXPECT_EQ(pane.transcript(), "C:\r\nPWD\r\n");
    // Not without bound: the oldest lines go, whole, and the newest stay.
    const QString block = QString("C:\r\nNOOP %1\r\n").repeated(1000);
    for (int i = 0; i < 100; ++i)
        pane.showTranscript(block.arg(i), QString());
    EXPECT_LE(pane.wholeText().size(), MessagePane::EarlierLimit + block.size());
    EXPECT_TRUE(pane.wholeText().startsWith("C:\r\n") || pane.wholeText().startsWith("NOOP "))
        << "cut at a line";
    EXPECT_TRUE(pane.wholeText().endsWith("NOOP 99\r\n"));
    EXPECT_EQ(pane.toPlainText(), QString(pane.wholeText()).replace("\r\n", "\n"));
}

TEST(MessagePane, CopyKeysOfTheFrameStillCopyTheTranscript) {
    WindowFixture f;
    f.writeSettings();
    MainWindow& frame = f.open();
    MessagePane* pane = frame.app().messagePane;
    pane->showTranscript("C:\r\nNOOP\r\n", "C:\r\nNOOP\r\n");
    frame.activateWindow();
    pane->setFocus();
    ASSERT_TRUE(waitUntil([&] { return frame.app().activePane == Pane::Messages; }));
    QApplication::clipboard()->clear();
    QTest::keyClick(pane, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(pane, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), "C:\nNOOP\n");
}
