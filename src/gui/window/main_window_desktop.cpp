// What the main window asks of the desktop: the shortcut, the help page and the
// browser.
#include "core/platform/prompts.h"
#include "gui/window/main_window.h"
#include "gui/window/shell_services.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPixmap>
#include <QUrl>

// The program's picture as a file a desktop can read: the icon theme's when
// the program is installed, else a copy in the program folder.
QString MainWindow::desktopIconPath() const {
    const QString installed =
        QDir(QCoreApplication::applicationDirPath())
            .filePath(QStringLiteral("../share/icons/hicolor/256x256/apps/corvane.png"));
    if (QFileInfo::exists(installed))
        return QDir::cleanPath(installed);
    const QString copy = programDir_ + QStringLiteral("corvane.png");
    if (!QFileInfo::exists(copy))
        QApplication::windowIcon().pixmap(256, 256).save(copy);
    return copy;
}

void MainWindow::createDesktopShortcut() {
    const QString folder = services_.desktopFolder();
    if (folder.isEmpty())
        return;
    QDir().mkpath(folder);
    QFile file(QDir(folder).filePath(QStringLiteral("corvane.desktop")));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return; // a shortcut that cannot be made is not worth a message
    const QString program = QCoreApplication::applicationFilePath();
    const QString entry = QStringLiteral("[Desktop Entry]\n"
                                         "Type=Application\n"
                                         "Name=corvane\n"
                                         "Comment=FTP\n"
                                         "Exec=\"%1\" --home \"%3\"\n"
                                         "Path=%2\n"
                                         "Icon=%4\n"
                                         "Terminal=false\n"
                                         "Categories=Network;FileTransfer;\n")
                              .arg(program, QFileInfo(program).absolutePath(),
                                   QDir::cleanPath(programDir_), desktopIconPath());
    file.write(entry.toUtf8());
    file.close();
    // Desktops start only entries their owner may run.
    file.setPermissions(file.permissions() | QFileDevice::ExeOwner | QFileDevice::ExeUser);
}

// The help page ships beside the program; every topic has an anchor named
// after its keyword. A missing page is passed over silently.
void MainWindow::showHelpTopic(const QString& keyword) {
    // Beside the program in a build, with the documentation once installed.
    const QDir programs(QCoreApplication::applicationDirPath());
    QString page = programs.filePath(QStringLiteral("corvane-help.html"));
    if (!QFileInfo::exists(page))
        page = programs.filePath(QStringLiteral("../share/doc/corvane/corvane-help.html"));
    if (!QFileInfo::exists(page))
        return;
    QUrl url = QUrl::fromLocalFile(page);
    if (!keyword.isEmpty())
        url.setFragment(keyword);
    services_.openUrl(url);
}

void MainWindow::openInBrowser(const QString& url) {
    if (!services_.openUrl(QUrl(url)))
        prompts_.report(QString::fromUtf8("您的系统设置无法自动处理，请自己浏览页面 ") + url);
}
