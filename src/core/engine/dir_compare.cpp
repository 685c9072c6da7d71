#include "core/engine/dir_compare.h"

#include "core/engine/listing_time.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QTimeZone>

namespace {

QString joined(const QString& folder, const QString& name) {
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

// Every entry of a local folder, or nullopt when it cannot be read.
std::optional<QFileInfoList> localEntries(const QString& folder) {
    const QDir dir(folder);
    if (!dir.exists() || !dir.isReadable())
        return std::nullopt;
    return dir.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                             QDir::Name);
}

const QFileInfo* findLocal(const QFileInfoList& entries, const QString& name, bool folder) {
    for (const QFileInfo& entry : entries)
        if (entry.isDir() == folder && entry.fileName().compare(name, Qt::CaseInsensitive) == 0)
            return &entry;
    return nullptr;
}

bool hasRemote(const QList<DirEntry>& remote, const QString& name, bool folder) {
    for (const DirEntry& e : remote)
        if (e.isFolder == folder && e.name.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

// Minutes since 1970 of a UTC time, as ListingTime counts them.
qint64 minutesOf(const QDateTime& utc) {
    return utc.toUTC().toSecsSinceEpoch() / 60;
}

// "Tue Mar 15 10:30": a weekday ahead of the date is dropped.
QString withoutWeekday(const QString& text) {
    static const char* const kDays[] = {"sun", "mon", "tue", "wed", "thu", "fri", "sat"};
    const QString trimmed = text.trimmed();
    const QString head = trimmed.left(3).toLower();
    for (const char* day : kDays)
        if (head == QLatin1String(day)) {
            qsizetype cut = trimmed.indexOf(QLatin1Char(' '));
            if (cut < 0)
                cut = trimmed.indexOf(QLatin1Char(','));
            return cut < 0 ? QString() : trimmed.mid(cut + 1).trimmed();
        }
    return trimmed;
}

} // namespace

bool DirCompare::isLocalNewer(const QDateTime& localUtc, const QString& remoteDateText,
                              const QDate& today) {
    const QString remote = withoutWeekday(remoteDateText);
    const qint64 remoteKey = ListingTime::sortKey(remote, today);
    if (remoteKey < 0 || !localUtc.isValid())
        return false;
    const bool hasTime = remote.contains(QLatin1Char(':'));
    if (!hasTime) {
        // Only the day is known: the same day counts as newer, as there is
        // no time to tell.
        const qint64 localDay = minutesOf(localUtc) / (24 * 60);
        return localDay >= remoteKey / (24 * 60);
    }
    return minutesOf(localUtc) > remoteKey;
}

QString DirCompare::localFolderFor(const QString& siteFolder, const QString& remoteBase,
                                   const QString& localBase) {
    QString below = siteFolder.mid(remoteBase == QLatin1String("/") ? 0 : remoteBase.size());
    while (below.startsWith(QLatin1Char('/')))
        below.remove(0, 1);
    QString folder = localBase.endsWith(QLatin1Char('/')) ? localBase : localBase + QLatin1Char('/');
    if (!below.isEmpty())
        folder += below.endsWith(QLatin1Char('/')) ? below : below + QLatin1Char('/');
    return folder;
}

DirCompare::Plan DirCompare::compare(const QList<DirEntry>& remote, const QString& localFolder,
                                     const QString& siteFolder, const QDate& today,
                                     bool localGone) {
    Plan plan;
    const std::optional<QFileInfoList> local =
        localGone ? std::optional<QFileInfoList>(QFileInfoList{}) : localEntries(localFolder);
    if (!local) {
        plan.localUnreadable = true;
        return plan;
    }
    for (const DirEntry& e : remote) {
        if (DirListing::isDotName(e.name))
            continue;
        const QString path = joined(siteFolder, e.name);
        const QFileInfo* twin = findLocal(*local, e.name, e.isFolder);
        if (e.isFolder) {
            if (!twin) {
                plan.add(path, RemoveFolder);
                plan.foldersGoneLocally << path;
            }
            plan.foldersToCompare << path;
        } else if (!twin) {
            plan.add(path, DeleteFile);
        } else if (QString::number(twin->size()) != e.sizeText ||
                   isLocalNewer(twin->lastModified().toUTC(), e.dateText, today)) {
            plan.add(path, Upload);
        }
    }
    for (const QFileInfo& entry : *local) {
        const QString path = joined(siteFolder, entry.fileName());
        if (hasRemote(remote, entry.fileName(), entry.isDir()))
            continue;
        if (!entry.isDir()) {
            plan.add(path, Upload);
        } else {
            if (!planLocalTree(entry.filePath(), path, plan)) {
                plan.localUnreadable = true;
                return plan;
            }
            plan.add(path, MakeFolder);
        }
    }
    return plan;
}

bool DirCompare::planLocalTree(const QString& localFolder, const QString& siteFolder, Plan& plan) {
    // Breadth first: each folder's entries, then the folders below it.
    struct Row {
        QString relative;
        bool folder;
    };
    QList<Row> rows;
    QStringList pending{QString()};
    QSet<QString> seen{QFileInfo(localFolder).canonicalFilePath()};
    while (!pending.isEmpty()) {
        const QString relative = pending.takeFirst();
        const std::optional<QFileInfoList> entries = localEntries(joined(localFolder, relative));
        if (!entries)
            return false;
        for (const QFileInfo& entry : *entries) {
            const QString path =
                relative.isEmpty() ? entry.fileName() : relative + QLatin1Char('/') + entry.fileName();
            if (entry.isDir()) {
                // A link back up the tree would never end.
                if (seen.contains(entry.canonicalFilePath()))
                    continue;
                seen.insert(entry.canonicalFilePath());
                pending << path;
            }
            rows << Row{path, entry.isDir()};
        }
    }
    for (auto it = rows.crbegin(); it != rows.crend(); ++it)
        plan.add(joined(siteFolder, it->relative), it->folder ? MakeFolder : Upload);
    return true;
}
