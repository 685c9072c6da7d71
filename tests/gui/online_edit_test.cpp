// Online editing against pyftpdlib: small shell scripts stand in for the
// editing application.
#include "connected_frame.h"
#include "core/engine/connection_source.h"
#include "gui/window/online_editor.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

const char* const kDone = "所有操作已成功完成！";

struct EditFrame : ConnectedFrame {
    QTemporaryDir scripts;

    bool setUp() {
        writeBytes(server.root() + QString::fromUtf8("/pub/deep/报表 1.txt"), "first\n");
        writeBytes(server.root() + "/pub/deep/empty.txt", {});
        Timing t = fastTiming();
        t.editStartPauseMs = 50;
        t.editWatchMs = 40;
        timing = t;
        return connect();
    }
    // An "application": a shell script run with the copy as its argument.
    QString script(const char* name, const QByteArray& body) {
        const QString path = scripts.path() + "/" + name;
        writeBytes(path, "#!/bin/sh\n" + body);
        QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ExeOwner);
        return path;
    }
    void editRow(const QString& name) {
        list->clearSelection();
        list->rowNamed(name)->setSelected(true);
        frame->app().activePane = Pane::RemoteList;
        frame->updateCommandStates();
        ASSERT_TRUE(frame->action(Cmd::EditFile)->isEnabled());
        frame->runCommand(Cmd::EditFile);
    }
    QString site(const QString& name) const {
        return server.root() + QString::fromUtf8("/pub/deep/") + name;
    }
    int stores() const { return transcript().count(QStringLiteral("STOR ")); }
    OnlineEditor& editor() { return frame->editor(); }
};

} // namespace

// The application changes the file and ends: the copy goes back, byte-exact,
// and the connection is free again.
TEST(OnlineEdit, AChangedFileIsUploadedWhenTheApplicationEnds) {
    EditFrame f;
    ASSERT_TRUE(f.setUp());
    f.services.applicationAnswer = f.script("changer", "sleep 0.3\nprintf 'edited\\n' >> \"$1\"\n");
    bool chosenInsideAReply = false;
    f.services.whileChoosing = [&] {
        chosenInsideAReply = f.frame->connection()->handlerRunning();
    };
    const QString name = QString::fromUtf8("报表 1.txt");
    f.editRow(name);
    ASSERT_TRUE(
        waitUntil([&] { return f.editor().state() == OnlineEditor::State::Watching; }, 10000));
    ASSERT_EQ(f.services.applicationAsked.size(), 1);
    EXPECT_TRUE(f.services.applicationAsked.first().startsWith(f.programDir() + "bak/"));
    EXPECT_TRUE(f.services.applicationAsked.first().endsWith("/" + name));
    EXPECT_FALSE(chosenInsideAReply) << "the chooser never holds the connection's reading";
    EXPECT_FALSE(f.frame->connectionReady()) << "the connection is held while the editor runs";
    ASSERT_TRUE(waitUntil([&] { return f.resultCount(kDone) == 1; }, 15000))
        << f.prompts.shown.join('|').toStdString();
    EXPECT_EQ(readBytes(f.site(name)), "first\nedited\n");
    EXPECT_TRUE(
        f.transcript().contains(QString::fromUtf8("编辑过的文件已上传到站点：/pub/deep/") + name));
    EXPECT_TRUE(waitUntil([&] { return f.frame->connectionReady(); }));
}

// Closed without a change: nothing is sent.
TEST(OnlineEdit, AnUnchangedFileIsNotUploaded) {
    EditFrame f;
    ASSERT_TRUE(f.setUp());
    f.services.applicationAnswer = f.script("viewer", "sleep 0.2\n");
    f.editRow("z.txt");
    ASSERT_TRUE(
        waitUntil([&] { return f.editor().state() == OnlineEditor::State::WatchingCopy; }, 10000));
    EXPECT_TRUE(f.frame->connectionReady());
    spinFor(300);
    EXPECT_EQ(f.stores(), 0);
    EXPECT_EQ(f.resultCount(kDone), 0);
}

// The application hands the file on and ends at once; the save comes later
// and is still sent. An empty site file is fetched, as a file.
TEST(OnlineEdit, ASaveAfterTheApplicationEndedIsStillUploaded) {
    EditFrame f;
    ASSERT_TRUE(f.setUp());
    f.services.applicationAnswer =
        f.script("handoff", "(sleep 1; printf 'later' >> \"$1\") >/dev/null 2>&1 &\n");
    f.editRow("empty.txt");
    ASSERT_TRUE(
        waitUntil([&] { return f.editor().state() == OnlineEditor::State::WatchingCopy; }, 10000));
    EXPECT_EQ(f.stores(), 0);
    ASSERT_TRUE(waitUntil([&] { return f.resultCount(kDone) == 1; }, 15000));
    EXPECT_EQ(readBytes(f.site("empty.txt")), "later");
    // Closing the connection ends the watch; the copy, which the handed-off
    // editor may still save, is kept and the user told where.
    const QString copy = f.editor().copyPath();
    f.frame->runCommand(Cmd::CloseConnection);
    EXPECT_EQ(f.editor().state(), OnlineEditor::State::Idle);
    EXPECT_TRUE(QFile::exists(copy));
    EXPECT_EQ(f.prompts.shown.last(),
              QString::fromUtf8("正在编辑的文件的副本没有删除，连接关闭后保存的修改不会上传：") +
                  copy);
}

// Files of one name in two site folders have copies of their own: editing
// the second never opens (or sends back) the first.
TEST(OnlineEdit, FilesOfOneNameInTwoFoldersHaveTwoCopies) {
    EditFrame f;
    writeBytes(f.server.root() + "/pub/deep/inner/z.txt", "inner z\n");
    ASSERT_TRUE(f.setUp());
    f.services.applicationAnswer = f.script("viewer", "sleep 0.2\n");
    f.editRow("z.txt");
    ASSERT_TRUE(
        waitUntil([&] { return f.editor().state() == OnlineEditor::State::WatchingCopy; }, 10000));
    const QString outer = f.editor().copyPath();
    EXPECT_EQ(readBytes(outer), QByteArray(10, 'x'));

    QTreeWidgetItem* inner = child(f.tree->currentItem(), "inner");
    ASSERT_TRUE(inner);
    f.tree->setCurrentItem(inner);
    ASSERT_TRUE(waitUntil([&] { return f.list->rowNamed("z.txt") && f.frame->connectionReady(); }));
    f.services.applicationAnswer =
        f.script("changer", "sleep 0.2\nprintf 'inner edited' > \"$1\"\n");
    f.editRow("z.txt");
    ASSERT_TRUE(waitUntil([&] { return f.resultCount(kDone) == 1; }, 15000))
        << f.prompts.shown.join('|').toStdString();
    EXPECT_NE(f.editor().copyPath(), outer);
    EXPECT_EQ(readBytes(f.server.root() + "/pub/deep/inner/z.txt"), "inner edited");
    EXPECT_EQ(readBytes(f.site("z.txt")), QByteArray(10, 'x')) << "the other z.txt untouched";
}

// Someone changed the site's file while it was edited: the user is asked;
// No keeps the site's file, Yes replaces it.
TEST(OnlineEdit, ASiteFileChangedMeanwhileIsReplacedOnlyWhenTheUserSaysSo) {
    EditFrame f;
    ASSERT_TRUE(f.setUp());
    const QString changer = f.script("slow", "sleep 0.5\nprintf 'mine' > \"$1\"\n");
    f.services.applicationAnswer = changer;
    f.editRow("z.txt");
    ASSERT_TRUE(
        waitUntil([&] { return f.editor().state() == OnlineEditor::State::Watching; }, 10000));
    writeBytes(f.site("z.txt"), "theirs, longer than before");
    f.prompts.answers = {false};
    bool askedInsideAReply = true;
    f.prompts.whileShown = [&] { askedInsideAReply = f.frame->connection()->handlerRunning(); };
    ASSERT_TRUE(waitUntil(
        [&] {
            return f.transcript().contains(QString::fromUtf8("编辑过的文件没有上传")) &&
                   f.frame->connectionReady();
        },
        15000))
        << f.prompts.shown.join('|').toStdString();
    EXPECT_FALSE(askedInsideAReply) << "the question never holds the connection's reading";
    f.prompts.whileShown = nullptr;
    EXPECT_EQ(readBytes(f.site("z.txt")), "theirs, longer than before");
    EXPECT_EQ(f.stores(), 0);
    EXPECT_TRUE(QDir(f.programDir()).entryList({"*.npm"}).isEmpty()) << "nothing left to resume";

    // Edited again after the list shows the site's new file (the copy is
    // reused, and still comes from the file as it was): the user is asked
    // again, and this time says Yes.
    f.frame->runCommand(Cmd::Refresh);
    ASSERT_TRUE(waitUntil([&] { return f.frame->connectionReady(); }));
    f.services.applicationAnswer = f.script("again", "sleep 0.3\nprintf 'mine again' > \"$1\"\n");
    f.prompts.answers = {true};
    f.prompts.shown.clear();
    f.editRow("z.txt");
    ASSERT_TRUE(waitUntil([&] { return f.resultCount(kDone) == 1; }, 15000))
        << f.prompts.shown.join('|').toStdString();
    EXPECT_EQ(f.prompts.shown.filter(QString::fromUtf8("在编辑期间已被改变")).size(), 1)
        << f.prompts.shown.join('|').toStdString();
    EXPECT_EQ(readBytes(f.site("z.txt")), "mine again");
}

// A new file: an empty copy is edited and appears on the site once saved.
// A name the folder has already is refused.
TEST(OnlineEdit, ANewFileComesIntoBeingWhenItIsSaved) {
    EditFrame f;
    ASSERT_TRUE(f.setUp());
    f.frame->app().activePane = Pane::RemoteList;
    f.prompts.names = {"z.txt"};
    f.frame->runCommand(Cmd::NewFile);
    EXPECT_EQ(f.prompts.count("已有此文件名！"), 1);

    f.services.applicationAnswer = f.script("writer", "sleep 0.2\nprintf 'new page' > \"$1\"\n");
    f.prompts.names = {"new.htm"};
    f.frame->updateCommandStates();
    ASSERT_TRUE(f.frame->action(Cmd::NewFile)->isEnabled());
    f.frame->runCommand(Cmd::NewFile);
    ASSERT_TRUE(waitUntil([&] { return f.resultCount(kDone) == 1; }, 15000))
        << f.prompts.shown.join('|').toStdString();
    EXPECT_EQ(readBytes(f.site("new.htm")), "new page");
    ASSERT_TRUE(waitUntil([&] { return f.list->rowNamed("new.htm") != nullptr; }));
}

// A cancelled choice leaves the connection free; an application that
// cannot start is reported.
TEST(OnlineEdit, ACancelledChoiceOrAMissingApplicationLeavesTheConnectionFree) {
    EditFrame f;
    ASSERT_TRUE(f.setUp());
    f.editRow("z.txt");
    ASSERT_TRUE(waitUntil([&] { return f.services.applicationAsked.size() == 1; }, 10000));
    EXPECT_EQ(f.editor().state(), OnlineEditor::State::Idle);
    EXPECT_TRUE(waitUntil([&] { return f.frame->connectionReady(); }));

    f.services.applicationAnswer = f.scripts.path() + "/no-such-editor";
    f.editRow("z.txt");
    EXPECT_EQ(f.prompts.count("不能打开文件！"), 1);
    EXPECT_TRUE(f.frame->connectionReady());
}

// The web address of the selected file opens in the browser; the two
// messages when the site's settings do not allow it.
TEST(OnlineEdit, WebPreviewOpensTheFilesAddress) {
    EditFrame f;
    ASSERT_TRUE(f.setUp());
    f.frame->source()->setHomepageUrl("http://example.test/home/index.html");
    f.frame->source()->setHomepageFtpPath("/pub/index.html");
    f.list->clearSelection();
    f.list->rowNamed("z.txt")->setSelected(true);
    f.frame->app().activePane = Pane::RemoteList;
    f.frame->updateCommandStates();
    ASSERT_TRUE(f.frame->action(Cmd::WebPreview)->isEnabled());
    f.frame->runCommand(Cmd::WebPreview);
    ASSERT_EQ(f.services.opened.size(), 1);
    EXPECT_EQ(f.services.opened.first().toString(), "http://example.test/home/deep/z.txt");
    // The same from the list's own menu.
    f.list->prepareContextMenu(f.list->visualItemRect(f.list->rowNamed("z.txt")).center());
    f.list->runPaneCommand(Cmd::PaneWebPreview);
    ASSERT_EQ(f.services.opened.size(), 2);

    f.frame->source()->setHomepageFtpPath("/www/index.html");
    f.frame->runCommand(Cmd::WebPreview);
    EXPECT_EQ(f.prompts.count("站点页面路径属性设置有错，不能处理！"), 1);
    f.frame->source()->setHomepageUrl("");
    f.frame->runCommand(Cmd::WebPreview);
    EXPECT_EQ(f.prompts.count("没有设置站点的对应主页属性，不能预览网页！"), 1);
    EXPECT_EQ(f.services.opened.size(), 2);
}
