#pragma once

#include <QFileInfoList>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// What reading a local folder found.
struct FolderRead {
    bool readable = false;
    QFileInfoList entries; // their details already fetched
};

// Reads local folders away from the caller's thread, so that a folder that
// does not answer (a network mount whose server is gone) never holds up a
// window. A read that ends within a short grace is handed back at once, as
// if it had been read in place; a slower one arrives later, on the
// receiver's thread, and is dropped if the receiver is gone by then.
class FolderReader {
public:
    // Everything, or only the subfolders (their details are not fetched).
    enum class Kind { Everything, FoldersOnly };
    using ReadFunction = std::function<FolderRead(const QString& folder, Kind kind)>;
    using Later = std::function<void(const QList<FolderRead>& reads)>;

    // Reads `folders` one after another on a thread of their own. Returns
    // the reads when they end within the grace; otherwise nothing, and
    // `later` runs with them when they end.
    std::optional<QList<FolderRead>> read(const QStringList& folders, Kind kind, QObject* receiver,
                                          Later later) const;

    // The reading itself, on the calling thread.
    static FolderRead readInPlace(const QString& folder, Kind kind);
    // Where file systems are mounted (the root "/" aside), as the kernel
    // lists them, without a trailing "/"; reading the list never touches
    // the mounts.
    static QSet<QString> systemMountPoints();

    int graceMs = 300;
    // Tests replace these.
    ReadFunction readFunction = &FolderReader::readInPlace;
    std::function<QSet<QString>()> mountPoints = &FolderReader::systemMountPoints;
};
