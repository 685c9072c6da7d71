// The task file of a running download or upload, in the program folder.
#include "core/engine/connection_source.h"
#include "core/engine/ftp_connection.h"
#include "core/platform/clock.h"
#include "core/tasks/task_archive.h"

#include <QDateTime>

void FtpConnection::createTaskFile() {
    if (op.taskFile)
        op.taskFile->close();
    op.taskFile.reset();
    const QString name =
        TaskArchive::fileNameFor(QDateTime::fromSecsSinceEpoch(clock_.calendarSeconds()));
    source.taskFileName = name;
    auto file = std::make_unique<QFile>(source.taskFolder + name);
    // Only the user may read it: it holds the password.
    const QFile::Permissions ownerOnly = QFile::ReadOwner | QFile::WriteOwner;
    if (!file->open(QIODevice::WriteOnly | QIODevice::Truncate, ownerOnly))
        return;                      // the operation runs without a task file
    file->setPermissions(ownerOnly); // also when an older file was replaced
    op.taskFile = std::move(file);
}

void FtpConnection::writeTaskFile() {
    if (!op.taskFile)
        return;
    TaskContents t;
    t.description = op.taskDescription;
    t.site = source.hostName();
    t.port = source.port;
    t.user = source.user();
    t.password = source.password();
    t.update = dirUpdate;
    if (dirUpdate) {
        t.localBase = localBase;
        t.remoteBase = remoteBase;
        t.updatePaths = op.updatePaths;
        t.updateKinds = op.updateKinds;
    } else {
        t.editMode = op.editMode;
        t.isDownload = op.isDownload;
        t.targetFolder = op.targetFolder;
        t.sourceFolder = op.sourceFolder;
        t.itemPaths = op.itemPaths;
        t.itemSizes = op.itemSizes;
        t.itemKinds = op.itemKinds;
    }
    const QByteArray bytes = TaskArchive::encode(t);
    if (!op.taskFile->seek(0) || op.taskFile->write(bytes) != bytes.size())
        return;
    op.taskFile->flush();
    op.taskFile->resize(bytes.size());
}

void FtpConnection::deleteTaskFile() {
    if (!op.taskFile)
        return;
    op.taskFile->close();
    op.taskFile->remove();
    op.taskFile.reset();
}
