#include "core/engine/dir_compare.h"

#include "core/engine/listing_time.h"
#include "core/platform/local_folder.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QTimeZone>

namespace {

QString joined(const QString& folder, const QString& name) {
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

// A name and whether it is a folder, as one key.
QString keyOf(const QString& name, bool folder) {
    return (folder ? QLatin1Char('d') : QLatin1Char('f')) + name;
}

// Each site entry's local twin (index into `local`, -1 for none): the
// entry of the same kind and name, else the one whose name differs only in
// case and that no site entry names exactly. Linear in both lists.
QList<qsizetype> pairTwins(const QList<DirEntry>& remote, const QFileInfoList& local) {
    QHash<QString, qsizetype> exact;
    QHash<QString, QList<qsizetype>> folded;
    for (qsizetype i = 0; i < local.size(); ++i) {
        const bool folder = local.at(i).isDir();
        exact.insert(keyOf(local.at(i).fileName(), folder), i);
        folded[keyOf(local.at(i).fileName().toCaseFolded(), folder)] << i;
    }
    QList<qsizetype> twins(remote.size(), -1);
    QSet<qsizetype> taken;
    for (qsizetype r = 0; r < remote.size(); ++r) {
        const auto it = exact.constFind(keyOf(remote.at(r).name, remote.at(r).isFolder));
        if (it != exact.cend()) {
            twins[r] = *it;
            taken.insert(*it);
        }
    }
    for (qsizetype r = 0; r < remote.size(); ++r) {
        if (twins.at(r) >= 0)
            continue;
        for (qsizetype l :
             folded.value(keyOf(remote.at(r).name.toCaseFolded(), remote.at(r).isFolder))) {
            if (!taken.contains(l)) {
                twins[r] = l;
                taken.insert(l);
                break;
            }
        }
    }
    return twins;
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

DirCompare::LocalWalk::LocalWalk(const QString& chosenFolder)
    : root(QFileInfo(chosenFolder).canonicalFilePath() + QLatin1Char('/')) {
    seen.insert(QFileInfo(chosenFolder).canonicalFilePath());
}

bool DirCompare::LocalWalk::holds(const QString& realPath) const {
    return (realPath + QLatin1Char('/')).startsWith(root);
}

bool DirCompare::LocalWalk::take(const QFileInfo& folder, QStringList& left) {
    const QString real = folder.canonicalFilePath();
    const bool linkInside = folder.isSymLink() && holds(real);
    if (real.isEmpty() || linkInside || seen.contains(real)) {
        left << folder.filePath();
        return false;
    }
    seen.insert(real);
    return true;
}

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
    QString path = localPathFor(siteFolder, remoteBase, localBase);
    return path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
}

// Each name below the base as the local disk spells it: the same name, or
// else the one entry whose name differs only in case, as the comparison
// paired them.
QString DirCompare::localPathFor(const QString& sitePath, const QString& remoteBase,
                                 const QString& localBase) {
    const QString below = sitePath.mid(remoteBase == QLatin1String("/") ? 0 : remoteBase.size());
    QString path = localBase.endsWith(QLatin1Char('/')) ? localBase : localBase + QLatin1Char('/');
    const QStringList names = below.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (qsizetype i = 0; i < names.size(); ++i) {
        QString name = names.at(i);
        if (!QFileInfo::exists(path + name)) {
            const QStringList twins = QDir(path).entryList(QDir::AllEntries | QDir::NoDotAndDotDot |
                                                           QDir::Hidden | QDir::System);
            for (const QString& twin : twins)
                if (twin.compare(name, Qt::CaseInsensitive) == 0) {
                    name = twin;
                    break;
                }
        }
        path += name;
        if (i + 1 < names.size())
            path += QLatin1Char('/');
    }
    return path;
}

DirCompare::Plan DirCompare::compare(const QList<DirEntry>& remote, const QString& localFolder,
                                     const QString& siteFolder, const QDate& today, bool localGone,
                                     LocalWalk* walk) {
    Plan plan;
    LocalWalk ownWalk(localFolder);
    LocalWalk& taken = walk ? *walk : ownWalk;
    const auto takeFolder = [&](const QFileInfo& folder) {
        return taken.take(folder, plan.repeatedFolders);
    };
    const std::optional<QFileInfoList> local = localGone
                                                   ? std::optional<QFileInfoList>(QFileInfoList{})
                                                   : readLocalFolder(localFolder, QDir::Name);
    if (!local) {
        plan.localUnreadable = true;
        return plan;
    }
    const QList<qsizetype> twins = pairTwins(remote, *local);
    QSet<qsizetype> paired;
    for (qsizetype r = 0; r < remote.size(); ++r) {
        const DirEntry& e = remote.at(r);
        if (DirListing::isDotName(e.name))
            continue;
        const QString path = joined(siteFolder, e.name);
        const QFileInfo* twin = twins.at(r) >= 0 ? &local->at(twins.at(r)) : nullptr;
        if (twin) {
            paired.insert(twins.at(r));
            if (twin->fileName() != e.name)
                plan.caseDifferences << QPair<QString, QString>(path, twin->fileName());
        }
        if (e.isFolder) {
            if (!twin) {
                plan.add(path, RemoveFolder);
                plan.foldersGoneLocally << path;
            } else if (!takeFolder(*twin)) {
                continue; // the site folder stays as it is
            }
            plan.foldersToCompare << path;
        } else if (!twin) {
            plan.add(path, DeleteFile);
        } else if (QString::number(twin->size()) != e.sizeText ||
                   isLocalNewer(twin->lastModified().toUTC(), e.dateText, today)) {
            plan.add(path, Upload);
        }
    }
    for (qsizetype l = 0; l < local->size(); ++l) {
        const QFileInfo& entry = local->at(l);
        const QString path = joined(siteFolder, entry.fileName());
        if (paired.contains(l))
            continue;
        if (!entry.isDir()) {
            plan.add(path, Upload);
        } else if (takeFolder(entry)) {
            if (!planLocalTree(entry.filePath(), path, plan, &taken)) {
                plan.localUnreadable = true;
                return plan;
            }
            plan.add(path, MakeFolder);
        }
    }
    return plan;
}

bool DirCompare::planLocalTree(const QString& localFolder, const QString& siteFolder, Plan& plan,
                               LocalWalk* walk) {
    // Breadth first: each folder's entries, then the folders below it.
    struct Row {
        QString relative;
        bool folder;
    };
    QList<Row> rows;
    QStringList pending{QString()};
    LocalWalk ownWalk(localFolder);
    LocalWalk& taken = walk ? *walk : ownWalk;
    while (!pending.isEmpty()) {
        const QString relative = pending.takeFirst();
        const std::optional<QFileInfoList> entries =
            readLocalFolder(joined(localFolder, relative), QDir::Name);
        if (!entries)
            return false;
        for (const QFileInfo& entry : *entries) {
            const QString path = relative.isEmpty()
                                     ? entry.fileName()
                                     : relative + QLatin1Char('/') + entry.fileName();
            if (entry.isDir()) {
                if (!taken.take(entry, plan.repeatedFolders))
                    continue;
                pending << path;
            }
            rows << Row{path, entry.isDir()};
        }
    }
    for (auto it = rows.crbegin(); it != rows.crend(); ++it)
        plan.add(joined(siteFolder, it->relative), it->folder ? MakeFolder : Upload);
    return true;
}
