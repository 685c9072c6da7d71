// The task file of a running download or upload, in the program folder.
#include "core/engine/connection_source.h"
#include "core/engine/ftp_connection.h"
#include "core/platform/clock.h"
#include "core/tasks/task_archive.h"

#include <QDateTime>

namespace {
constexpr int MaxTaskSerial = 1000;
} // namespace

void FtpConnection::createTaskFile() {
    if (op.taskFile)
        op.taskFile->close();
    op.taskFile.reset();
    // Only the user may read it: it holds the password. A task of the same
    // second (another operation, another program run) keeps its file: this
    // one takes the next free number.
    const QFile::Permissions ownerOnly = QFile::ReadOwner | QFile::WriteOwner;
    const QDateTime now = QDateTime::fromSecsSinceEpoch(clock_.calendarSeconds());
    for (int serial = 1; serial <= MaxTaskSerial; ++serial) {
        const QString name = TaskArchive::fileNameFor(now, serial);
        auto file = std::make_unique<QFile>(source.taskFolder + name);
        if (file->open(QIODevice::WriteOnly | QIODevice::NewOnly, ownerOnly)) {
            source.taskFileName = name;
            op.taskFile = std::move(file);
            taskFileWrittenAt_.reset(); // the first item writes it at once
            return;
        }
        if (!file->exists())
            break; // not a name taken but a folder that cannot be written
    }
    source.taskFileName.clear(); // the operation runs without a task file
}

// Rewriting the whole list before every item costs the square of a tree's
// size; the list is written at most once per interval instead, and whenever
// the operation ends unfinished (reset). What a crash between two writes
// costs: the items done since the last write are listed still, and a
// resume does them again: downloads continue from the local size, uploads
// store the file again whole or after a size check. Nothing is lost or
// written twice into one file.
void FtpConnection::keepTaskFile() {
    if (!op.taskFile)
        return;
    const quint32 now = clock_.tickCount();
    if (taskFileWrittenAt_ &&
        ticksSince(now, *taskFileWrittenAt_) < quint32(timing_.taskFileIntervalMs))
        return;
    writeTaskFile();
    taskFileWrittenAt_ = now;
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
        t.hasFolders = op.hasFolders;
        t.headFresh = op.isDownload && op.hasItems() &&
                      op.itemKinds.first() != OperationRecord::Folder &&
                      headOpenedPath_ != op.itemPaths.first();
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
