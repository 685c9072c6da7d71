#pragma once

// A main window connected to pyftpdlib on 127.0.0.1, and small helpers to
// read the panes.
#include "file_bytes.h"
#include "pyftpd_server.h"
#include "window_fixture.h"

#include "core/engine/ftp_session.h"
#include "core/tasks/operation_driver.h"
#include "gui/panes/command_ids.h"
#include "gui/panes/message_pane.h"
#include "gui/panes/remote_file_list.h"
#include "gui/panes/site_tree.h"

#include <QTemporaryDir>

inline QStringList names(const QTreeWidget* list) {
    QStringList texts;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        texts << list->topLevelItem(i)->text(0);
    return texts;
}

inline QTreeWidgetItem* child(QTreeWidgetItem* parent, const QString& name) {
    for (int i = 0; parent && i < parent->childCount(); ++i)
        if (parent->child(i)->text(0) == name)
            return parent->child(i);
    return nullptr;
}

// The site "演示站点" on a server with /pub/deep/{inner/, Mdir/, A.bin, z.txt}
// and /pub/other.txt, connected with /pub/deep as its start folder.
struct ConnectedFrame : WindowFixture {
    explicit ConnectedFrame(const QStringList& serverArgs = {}) : server(serverArgs) {}

    PyFtpdServer server;
    Timing timing = fastTiming();
    SiteTree* tree = nullptr;
    RemoteFileList* list = nullptr;

    bool connect(const QString& startFolder = QStringLiteral("/pub/deep")) {
        const QString root = server.root();
        QDir(root).mkpath("pub/deep/inner");
        QDir(root).mkpath("pub/deep/Mdir");
        writeBytes(root + "/pub/deep/A.bin", QByteArray(2000, 'x'));
        writeBytes(root + "/pub/deep/z.txt", QByteArray(10, 'x'));
        writeBytes(root + "/pub/other.txt", QByteArray(5, 'x'));
        if (!server.start())
            return false;
        writeSettings();
        writeSites({siteAt(QString::fromUtf8("演示站点"), server.port(), startFolder),
                    siteAt(QString::fromUtf8("其他站点"), server.port())});
        open(timing);
        tree = frame->app().siteTree;
        list = frame->app().remoteList;
        QTreeWidgetItem* demo =
            tree->findItems(QString::fromUtf8("演示站点"), Qt::MatchExactly).value(0);
        tree->setCurrentItem(demo);
        frame->app().activePane = Pane::SiteTree;
        frame->updateCommandStates();
        if (!frame->action(Cmd::Connect)->isEnabled())
            return false;
        frame->runCommand(Cmd::Connect);
        return waitUntil([&] { return list->topLevelItemCount() > 0 && frame->connectionReady(); },
                         15000);
    }
    QTreeWidgetItem* site() const { return tree->topLevelItem(0); }
    QString transcript() const { return frame->app().messagePane->transcript(); }
    // Downloads /big.bin of `size` bytes into `local`.
    void startDownload(const QTemporaryDir& local, quint32 size) {
        writeBytes(server.root() + "/big.bin", QByteArray(size, 'x'));
        frame->operations()->startDownload(local.path() + "/", "/", {"/big.bin"}, {size});
    }
    bool enabled(int command) {
        frame->app().activePane = Pane::SiteTree;
        frame->updateCommandStates();
        return frame->action(command)->isEnabled();
    }
};
