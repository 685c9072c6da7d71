#pragma once

// A window connected to pyftpdlib with files to move both ways, and the
// mouse moves that drag between its panes.
#include "connected_frame.h"

#include "gui/panes/local_file_list.h"
#include "gui/panes/local_folder_tree.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDirIterator>
#include <QMouseEvent>

inline const char* const kDone = "所有操作已成功完成！";

// Every file below `root` by its relative path, with the SHA-256 of its bytes.
inline QMap<QString, QByteArray> treeDigest(const QString& root) {
    QMap<QString, QByteArray> files;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.insert(QDir(root).relativeFilePath(path),
                     QCryptographicHash::hash(readBytes(path), QCryptographicHash::Sha256));
    }
    return files;
}

inline void moveWithButton(QWidget* viewport, const QPoint& point) {
    QMouseEvent move(QEvent::MouseMove, point, viewport->mapToGlobal(point), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &move);
}

// Press on `from` in one pane, move away far enough to start a drag, move
// over `to` in another and release there, as the mouse does.
inline void drag(QAbstractItemView* source, const QPoint& from, QAbstractItemView* target,
                 const QPoint& to) {
    QTest::mousePress(source->viewport(), Qt::LeftButton, {}, from);
    moveWithButton(source->viewport(), from + QPoint(0, 25));
    moveWithButton(target->viewport(), to + QPoint(0, 3));
    moveWithButton(target->viewport(), to);
    QTest::mouseRelease(target->viewport(), Qt::LeftButton, {}, to);
}

// A point on the item's name (past a tree's indentation).
inline QPoint nameOf(QTreeWidget* view, QTreeWidgetItem* item) {
    view->scrollToItem(item);
    const QRect rect = view->visualItemRect(item);
    return QPoint(rect.left() + 12, rect.center().y());
}

// Connected to /pub/deep on a server that also holds files with blanks,
// commas and Chinese in their names, an empty file and a 300 KB one; the
// local tree opens at a folder with incoming/ and outgoing/{a.txt, sub/}.
struct TransferFrame : ConnectedFrame {
    using ConnectedFrame::ConnectedFrame;
    LocalFolderTree* localTree = nullptr;
    LocalFileList* localList = nullptr;
    QString local;

    bool setUp() {
        const QString deep = server.root() + "/pub/deep";
        QDir(deep).mkpath(".");
        writeBytes(deep + QString::fromUtf8("/报表, 2024.txt"), QByteArray("quarterly\r\n", 11));
        writeBytes(deep + "/empty.dat", {});
        QByteArray big(300000, '\0');
        for (int i = 0; i < big.size(); ++i)
            big[i] = char((quint32(i) * 7919u) >> 3);
        writeBytes(deep + "/big 1.bin", big);
        local = localDir.path();
        QDir(local).mkpath("incoming");
        QDir(local).mkpath("outgoing/sub");
        writeBytes(local + "/outgoing/a.txt", "upload me");
        writeBytes(local + "/outgoing/sub/b.bin", QByteArray(70000, 'b'));
        writeBytes(local + "/outgoing/sub/none", {});
        if (!connect())
            return false;
        localTree = frame->app().localTree;
        localList = frame->app().localList;
        return true;
    }
    QTreeWidgetItem* localChild(const QString& name) const {
        return localTree->childNamed(localTree->shownItem(), name);
    }
    bool waitDone(int count = 1) {
        return waitUntil([&] { return resultCount(kDone) == count && frame->connectionReady(); },
                         20000);
    }
    void selectRemoteFiles() {
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            list->topLevelItem(i)->setSelected(!list->isFolderRow(list->topLevelItem(i)));
    }
    bool enabledIn(int pane, int command) {
        frame->app().activePane = pane;
        frame->updateCommandStates();
        return frame->action(command)->isEnabled();
    }
};
