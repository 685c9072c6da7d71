// Renders the pictures of the README offscreen: the main window connected
// to a local pyftpdlib server with a folder listed and both local panes
// filled, the same window during a download dragged into the local tree,
// with the transfer list holding finished, failed, running and waiting
// transfers, the message of the failed one, the window while a file is
// being edited, the dialog that chooses the
// editing application, the file list options, the site properties dialog,
// the network settings dialog and the certificate question.
#include "../gui/window_fixture.h"
#include "pyftpd_server.h"
#include "test_certificate.h"

#include "core/engine/connection_source.h"
#include "core/settings/list_filters.h"
#include "gui/dialogs/app_choice_dialog.h"
#include "gui/dialogs/certificate_dialog.h"
#include "gui/dialogs/dialog_prompts.h"
#include "gui/dialogs/file_list_options_dialog.h"
#include "gui/dialogs/network_settings_dialog.h"
#include "gui/dialogs/site_properties_dialog.h"
#include "gui/panes/local_file_list.h"
#include "gui/panes/local_folder_tree.h"
#include "gui/panes/remote_file_list.h"
#include "gui/panes/site_tree.h"

#include <QApplication>
#include <QFile>
#include <QFontDatabase>
#include <QLocale>
#include <QMessageBox>

#include <cstdio>

namespace {

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

bool save(QWidget* widget, const QString& path) {
    const bool ok = widget->grab().save(path);
    std::fprintf(stderr, "%s %s\n", ok ? "wrote" : "could not write", path.toUtf8().constData());
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    QApplication::setFont(QFont(QStringLiteral("WenQuanYi Micro Hei"), 9));
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");

    // Slow enough that the download can be seen under way.
    PyFtpdServer server({QStringLiteral("--throttle"), QStringLiteral("600000")});
    const QString root = server.root();
    QDir(root).mkpath(QString::fromUtf8("样例/文档/旧版"));
    QDir(root).mkpath(QString::fromUtf8("样例/images"));
    writeFile(root + QString::fromUtf8("/样例/说明.txt"), "welcome\n");
    writeFile(root + QString::fromUtf8("/样例/index.html"), QByteArray(2345, 'h'));
    writeFile(root + QString::fromUtf8("/样例/报表.xlsx"), QByteArray(48213, 'x'));
    writeFile(root + QString::fromUtf8("/样例/images/large.bin"), QByteArray(3145728, 'b'));
    if (!server.start()) {
        std::fprintf(stderr, "the FTP server did not start\n");
        return 1;
    }

    WindowFixture f;
    const QString local = f.localDir.path();
    QDir(local).mkpath(QString::fromUtf8("下载"));
    QDir(local).mkpath(QString::fromUtf8("上传/图片"));
    writeFile(local + QString::fromUtf8("/上传/本地文件.txt"), "local\n");
    writeFile(local + QString::fromUtf8("/笔记.md"), QByteArray(1834, 'n'));
    writeFile(local + QString::fromUtf8("/预算 2026.csv"), QByteArray(20480, 'c'));
    f.writeSettings();
    SiteRecord demo =
        siteAt(QString::fromUtf8("演示站点"), server.port(), QString::fromUtf8("/样例"));
    demo.homepageUrl = QStringLiteral("http://127.0.0.1/");
    demo.homepageFtpPath = QStringLiteral("/");
    f.writeSites({demo, siteAt(QString::fromUtf8("备份站点"), 21)});
    MainWindow& frame = f.open(Timing{});
    SiteTree* tree = frame.app().siteTree;
    tree->setCurrentItem(tree->findItems(demo.name, Qt::MatchExactly).value(0));
    frame.runCommand(Cmd::Connect);
    if (!waitUntil(
            [&] {
                return frame.app().remoteList->topLevelItemCount() > 0 && frame.connectionReady();
            },
            15000)) {
        std::fprintf(stderr, "the demo site was not listed\n");
        return 1;
    }
    tree->expandAll();
    frame.app().remoteList->setFocus();
    spinFor(400); // the path bars and the status bar follow within a quarter second
    bool ok = save(&frame, out + QStringLiteral("/main-window.png"));

    // The transfer list fills as a user's would: two files fetched into
    // 下载, an upload the server refuses (its folder is gone), then a large
    // download under way with an upload waiting behind it.
    // Local items are looked up afresh each time: a transfer's end fills
    // the local tree again.
    LocalFolderTree* localTree = frame.app().localTree;
    const auto localFolder = [&](const char* name) {
        localTree->goTo(local);
        waitUntil(
            [&] { return LocalFolderTree::folderPath(localTree->shownItem()) == local + "/"; });
        return localTree->childNamed(localTree->shownItem(), QString::fromUtf8(name));
    };
    RemoteFileList* remote = frame.app().remoteList;
    for (const char* name : {"说明.txt", "报表.xlsx"})
        if (QTreeWidgetItem* row = remote->rowNamed(QString::fromUtf8(name)))
            row->setSelected(true);
    frame.downloadRows(localFolder("下载"));
    ok &= waitUntil(
        [&] { return frame.connectionReady() && frame.transfers().running() == nullptr; }, 15000);
    QTreeWidgetItem* documents = nullptr;
    for (QTreeWidgetItem* item :
         tree->findItems(QString::fromUtf8("文档"), Qt::MatchExactly | Qt::MatchRecursive))
        documents = item;
    QDir(root + QString::fromUtf8("/样例/文档")).removeRecursively();
    if (documents)
        frame.uploadFolder(documents, localFolder("上传"));
    ok &= waitUntil(
        [&] {
            return frame.connectionReady() && !f.prompts.shown.isEmpty() &&
                   frame.transfers().running() == nullptr;
        },
        15000);
    const QString failure = f.prompts.shown.value(f.prompts.shown.size() - 1);

    // A download of images/large.bin into 下载, as a drag there starts it.
    QTreeWidgetItem* images = nullptr;
    for (QTreeWidgetItem* item :
         tree->findItems(QStringLiteral("images"), Qt::MatchExactly | Qt::MatchRecursive))
        images = item;
    if (images) {
        tree->setCurrentItem(images);
        waitUntil(
            [&] {
                return frame.connectionReady() && frame.app().remoteList->topLevelItemCount() == 1;
            },
            15000);
        frame.app().remoteList->topLevelItem(0)->setSelected(true);
        QTreeWidgetItem* downloads = localFolder("下载");
        localTree->setCurrentItem(downloads);
        frame.downloadRows(downloads);
        frame.uploadFolder(images->parent(), localFolder("上传"));
        waitUntil([&] { return frame.source()->bytesDone > 1200000; }, 15000);
        spinFor(3100); // a tick of the status bar
        ok &= save(&frame, out + QStringLiteral("/transfer.png"));
    } else {
        ok = false;
    }

    // 说明.txt opened for editing: the status line asks the user to close
    // the application first.
    waitUntil([&] { return frame.connectionReady(); }, 20000);
    tree->setCurrentItem(images->parent());
    waitUntil([&] { return frame.connectionReady(); }, 15000);
    remote->clearSelection();
    if (QTreeWidgetItem* row = remote->rowNamed(QString::fromUtf8("说明.txt")))
        row->setSelected(true);
    const QString editor = f.home.filePath(QStringLiteral("editor.sh"));
    writeFile(editor, "#!/bin/sh\nsleep 8\n");
    QFile::setPermissions(editor, QFile::permissions(editor) | QFileDevice::ExeOwner);
    f.services.applicationAnswer = editor;
    frame.app().activePane = Pane::RemoteList;
    frame.runCommand(Cmd::EditFile);
    ok &= waitUntil([&] { return frame.editor().state() == OnlineEditor::State::Watching; }, 15000);
    spinFor(300);
    ok &= save(&frame, out + QStringLiteral("/editing.png"));

    // The refused upload's message, as the window shows it.
    DialogPrompts boxes(&frame);
    boxes.report(failure);
    spinFor(100);
    if (auto* box = frame.findChild<QMessageBox*>()) {
        ok &= save(box, out + QStringLiteral("/error.png"));
        box->close();
    } else {
        std::fprintf(stderr, "the message box did not open\n");
        ok = false;
    }

    AppChoiceDialog apps(
        {QStringLiteral("/usr/bin/gedit"), QStringLiteral("/usr/bin/mousepad")},
        {{QString::fromUtf8("文本编辑器"), QStringLiteral("/usr/bin/gnome-text-editor")}});
    apps.show();
    spinFor(100);
    ok &= save(&apps, out + QStringLiteral("/app-choice.png"));

    ListFilters filters;
    filters.accept(QStringLiteral("*.txt"), true, QStringLiteral("*.htm*"), false);
    FileListOptionsDialog options(filters);
    options.show();
    spinFor(100);
    ok &= save(&options, out + QStringLiteral("/file-list-options.png"));

    SitePropertiesDialog properties(demo, f.prompts);
    properties.show();
    spinFor(100);
    ok &= save(&properties, out + QStringLiteral("/site-properties.png"));

    NetworkSettings settings;
    settings.useProxy = true;
    settings.proxyHost = QStringLiteral("proxy.example.test");
    settings.proxyPort = QStringLiteral("2121");
    settings.proxyUser = QStringLiteral("gateway");
    settings.proxyPass = QStringLiteral("secret");
    NetworkSettingsDialog network(settings, f.home.filePath(QStringLiteral("unused.ini")),
                                  f.prompts);
    network.show();
    spinFor(100);
    ok &= save(&network, out + QStringLiteral("/network-settings.png"));

    TlsCertificate certificate;
    certificate.subject = QStringLiteral("CN=ftp.example.test,O=Example");
    certificate.issuer = certificate.subject;
    certificate.validFrom = QStringLiteral("2026-12-01 00:00:00 UTC");
    certificate.validUntil = QStringLiteral("2027-12-01 00:00:00 UTC");
    certificate.fingerprint = TestCertificate::make(QStringLiteral("ftp.example.test")).fingerprint;
    certificate.problem = QString::fromUtf8("证书是自签名的，不受系统信任");
    CertificateDialog question(QStringLiteral("ftp.example.test:21"), certificate);
    question.show();
    spinFor(100);
    ok &= save(&question, out + QStringLiteral("/certificate.png"));

    frame.connection()->closeConnection();
    return ok ? 0 : 1;
}
