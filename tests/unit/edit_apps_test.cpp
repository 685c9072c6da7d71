// The applications offered for online editing: those chosen before and
// those the desktop registers for the file's type.
#include "core/platform/desktop_apps.h"
#include "core/settings/app_list.h"
#include "file_bytes.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(AppList, LinesEndedByCrLfAndEachPathOnce) {
    QTemporaryDir home;
    const QString dir = home.path() + "/";
    EXPECT_TRUE(AppList::read(dir).isEmpty()) << "no file yet";
    AppList::add(dir, "/usr/bin/Gedit");
    AppList::add(dir, QString::fromUtf8("/opt/编辑器/ed it"));
    AppList::add(dir, "/usr/bin/Gedit");
    AppList::add(dir, "/usr/bin/gedit"); // another file on this system
    EXPECT_EQ(readBytes(dir + "openapp.txt"),
              "/usr/bin/Gedit\r\n/opt/\xb1\xe0\xbc\xad\xc6\xf7/ed it\r\n/usr/bin/gedit\r\n");
    EXPECT_EQ(
        AppList::read(dir),
        QStringList({"/usr/bin/Gedit", QString::fromUtf8("/opt/编辑器/ed it"), "/usr/bin/gedit"}));

    // A last line without its end is not shown, and the next path does not
    // run into it.
    writeBytes(dir + "openapp.txt", "/bin/a\r\n/bin/cut-sho");
    EXPECT_EQ(AppList::read(dir), QStringList({"/bin/a"}));
    AppList::add(dir, "/bin/b");
    EXPECT_EQ(AppList::read(dir), QStringList({"/bin/a", "/bin/cut-sho", "/bin/b"}));

    // Lines longer than 1023 characters are cut when shown.
    writeBytes(dir + "openapp.txt", "/" + QByteArray(2000, 'x') + "\r\n");
    EXPECT_EQ(AppList::read(dir).value(0).size(), 1023);
}

TEST(DesktopApps, EntriesForTheTypeOrAParentType) {
    QTemporaryDir user, system, files;
    const auto entry = [](const QString& path, const QByteArray& body) {
        writeBytes(path, "[Desktop Entry]\nType=Application\n" + body);
    };
    entry(system.path() + "/texteditor.desktop",
          "Name=Text "
          "Editor\nName[zh_CN]=\xe6\x96\x87\xe6\x9c\xac\xe7\xbc\x96\xe8\xbe\x91\xe5\x99\xa8\n"
          "Exec=/bin/cat %F\nMimeType=text/plain;\n");
    entry(system.path() + "/viewer.desktop",
          "Name=Viewer\nExec=\"/bin/ls\" %u\nMimeType=image/png;\n");
    entry(system.path() + "/vim.desktop",
          "Name=Vim\nExec=/bin/cat %F\nTerminal=true\nMimeType=text/plain;\n");
    entry(system.path() + "/gone.desktop",
          "Name=Gone\nExec=/no/such/editor %f\nMimeType=text/plain;\n");
    entry(system.path() + "/shadowed.desktop",
          "Name=System\nExec=/bin/cat\nMimeType=text/plain;\n");
    entry(user.path() + "/shadowed.desktop", "Name=Mine\nExec=/bin/cat\nMimeType=text/x-csrc;\n");
    writeBytes(system.path() + "/readme.txt", "not an entry");
    writeBytes(files.path() + "/main.c", "int main;");
    writeBytes(files.path() + "/page.txt", "text");

    const QStringList folders{user.path(), system.path()};
    // A C source is plain text too; the user's entry hides the system's.
    const QList<DesktopApps::App> forC = DesktopApps::forFile(files.path() + "/main.c", folders);
    EXPECT_EQ(forC, (QList<DesktopApps::App>{{"Mine", "/bin/cat"},
                                             {QString::fromUtf8("文本编辑器"), "/bin/cat"}}));
    const QList<DesktopApps::App> forText =
        DesktopApps::forFile(files.path() + "/page.txt", folders);
    EXPECT_EQ(forText, (QList<DesktopApps::App>{{QString::fromUtf8("文本编辑器"), "/bin/cat"}}));
}
