#include "core/platform/folder_reader.h"

#include "core/platform/local_folder.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFutureWatcher>
#include <QPromise>
#include <QSet>
#include <QThread>

#include <thread>

FolderRead FolderReader::readInPlace(const QString& folder, Kind kind) {
    FolderRead read;
    const std::optional<QFileInfoList> entries = readLocalFolder(folder);
    if (!entries)
        return read;
    read.readable = true;
    for (const QFileInfo& entry : *entries) {
        QFileInfo fetched(entry);
        fetched.setCaching(true);
        fetched.refresh(); // kind, size and time fetched here, not by the window
        if (kind == Kind::Everything || fetched.isDir())
            read.entries << fetched;
    }
    return read;
}

std::optional<QList<FolderRead>> FolderReader::read(const QStringList& folders, Kind kind,
                                                    QObject* receiver, Later later) const {
    QPromise<QList<FolderRead>> promise;
    QFuture<QList<FolderRead>> future = promise.future();
    // The thread is left to itself: a read that never ends must not hold up
    // the program's exit either.
    std::thread([promise = std::move(promise), folders, kind, read = readFunction]() mutable {
        promise.start();
        QList<FolderRead> reads;
        for (const QString& folder : folders)
            reads << read(folder, kind);
        promise.addResult(reads);
        promise.finish();
    }).detach();

    const QDeadlineTimer grace(graceMs);
    while (!future.isFinished() && !grace.hasExpired())
        QThread::usleep(500);
    if (future.isFinished())
        return future.result();

    auto* watcher = new QFutureWatcher<QList<FolderRead>>(receiver);
    QObject::connect(watcher, &QFutureWatcherBase::finished, receiver,
                     [watcher, later = std::move(later)] {
                         const QList<FolderRead> reads = watcher->result();
                         watcher->deleteLater();
                         later(reads);
                     });
    watcher->setFuture(future);
    return std::nullopt;
}

namespace {

// "/mnt/my\040disk" in the kernel's list stands for "/mnt/my disk".
QString unescapeMountPath(const QByteArray& field) {
    QByteArray path;
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field.at(i) == '\\' && i + 3 < field.size()) {
            bool ok = false;
            const int code = field.mid(i + 1, 3).toInt(&ok, 8);
            if (ok) {
                path += char(code);
                i += 3;
                continue;
            }
        }
        path += field.at(i);
    }
    return QFile::decodeName(path);
}

} // namespace

QSet<QString> FolderReader::systemMountPoints() {
    QSet<QString> points;
    QFile table(QStringLiteral("/proc/self/mountinfo"));
    if (!table.open(QIODevice::ReadOnly))
        return points;
    // Fields: id, parent id, device, root, mount point, ...
    for (const QByteArray& line : table.readAll().split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() > 4)
            points.insert(unescapeMountPath(fields.at(4)));
    }
    points.remove(QStringLiteral("/"));
    return points;
}
