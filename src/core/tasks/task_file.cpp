// The task file of a running download or upload, in the program folder.
#include "core/engine/connection_source.h"
#include "core/engine/ftp_session.h"
#include "core/platform/clock.h"
#include "core/tasks/operation_driver.h"
#include "core/tasks/task_archive.h"

#include <QDateTime>

namespace {
constexpr int MaxTaskSerial = 1000;
} // namespace

void OperationDriver::createTaskFile() {
    if (op_.taskFile)
        op_.taskFile->close();
    op_.taskFile.reset();
    // Only the user may read it: it holds the password. A task of the same
    // second (another operation, another program run) keeps its file: this
    // one takes the next free number.
    const QFile::Permissions ownerOnly = QFile::ReadOwner | QFile::WriteOwner;
    const QDateTime now = QDateTime::fromSecsSinceEpoch(clock_.calendarSeconds());
    for (int serial = 1; serial <= MaxTaskSerial; ++serial) {
        const QString name = TaskArchive::fileNameFor(now, serial);
        auto file = std::make_unique<QFile>(source_.taskFolder + name);
        if (file->open(QIODevice::WriteOnly | QIODevice::NewOnly, ownerOnly)) {
            source_.taskFileName = name;
            op_.taskFile = std::move(file);
            taskFileWrittenAt_.reset(); // the first item writes it at once
            return;
        }
        if (!file->exists())
            break; // not a name taken but a folder that cannot be written
    }
    source_.taskFileName.clear(); // the operation runs without a task file
}

// Rewriting the whole list before every item costs the square of a tree's
// size; the list is written at most once per interval instead, and whenever
// the operation ends unfinished (reset). What a crash between two writes
// costs: the items done since the last write are listed still, and a
// resume does them again: downloads continue from the local size, uploads
// store the file again whole or after a size check. Nothing is lost or
// written twice into one file.
void OperationDriver::keepTaskFile() {
    if (!op_.taskFile)
        return;
    const quint32 now = clock_.tickCount();
    if (taskFileWrittenAt_ &&
        ticksSince(now, *taskFileWrittenAt_) < quint32(timing_.taskFileIntervalMs))
        return;
    writeTaskFile();
    taskFileWrittenAt_ = now;
}

void OperationDriver::writeTaskFile() {
    if (!op_.taskFile)
        return;
    TaskContents t;
    t.description = op_.taskDescription;
    t.site = source_.hostName();
    t.port = source_.port;
    t.user = source_.user();
    t.password = source_.password();
    t.update = dirUpdate_;
    if (dirUpdate_) {
        t.localBase = localBase_;
        t.remoteBase = remoteBase_;
        t.updatePaths = op_.updatePaths;
        t.updateKinds = op_.updateKinds;
    } else {
        t.editMode = op_.editMode;
        t.isDownload = op_.isDownload;
        t.targetFolder = op_.targetFolder;
        t.sourceFolder = op_.sourceFolder;
        t.itemPaths = op_.itemPaths;
        t.itemSizes = op_.itemSizes;
        t.itemKinds = op_.itemKinds;
        t.hasFolders = op_.hasFolders;
        t.headFresh = op_.isDownload && op_.hasItems() &&
                      op_.itemKinds.first() != OperationRecord::Folder &&
                      headOpenedPath_ != op_.itemPaths.first();
    }
    const QByteArray bytes = TaskArchive::encode(t);
    if (!op_.taskFile->seek(0) || op_.taskFile->write(bytes) != bytes.size())
        return;
    op_.taskFile->flush();
    op_.taskFile->resize(bytes.size());
}

void OperationDriver::deleteTaskFile() {
    if (!op_.taskFile)
        return;
    op_.taskFile->close();
    op_.taskFile->remove();
    op_.taskFile.reset();
}
