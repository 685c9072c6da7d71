#include "core/engine/operation_record.h"

#include "core/engine/wire_text.h"

// Site path of an upload item: the part of the local path below the chosen
// folder (or its parent, for a whole-folder upload), names as they are,
// under the target site folder.
QString OperationRecord::uploadSitePath(const QString& localPath, int kind) const {
    QString relative;
    if (kind == OperationRecord::ChosenFile) {
        relative = localPath.mid(sourceFolder.size() - 1);
    } else {
        QString base = sourceFolder;
        if (base.endsWith(QLatin1Char('/')))
            base.chop(1);
        if (!hasFolders)
            base = base.left(qMax<qsizetype>(base.lastIndexOf(QLatin1Char('/')), 0));
        const qsizetype at = localPath.indexOf(base);
        relative = at < 0 ? localPath : localPath.mid(at + base.size());
    }
    if (targetFolder != QLatin1String("/"))
        relative.prepend(targetFolder);
    return relative;
}

// Local path of the head item of a download.
// A site name holding bytes that are not text gets them written "%XX" on
// the local disk, so that its local name says what could not be read.
QString OperationRecord::localPathOf(const QString& hostName) const {
    const QString path = WireText::withRawBytesShown(itemPaths.value(0));
    const int kind = itemKinds.value(0);
    const QString& target = targetFolder;
    if (kind == OperationRecord::ChosenFile) {
        if (!target.endsWith(QLatin1Char('/')))
            return target; // a complete local file path
        return target + path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    }
    if (sourceFolder != QLatin1String("/")) {
        const QString prefix = hasFolders ? sourceFolder + QLatin1Char('/')
                                          : sourceFolder.left(sourceFolder.lastIndexOf('/') + 1);
        return target + path.mid(prefix.size());
    }
    // From the site root: a whole root folder is named after the site.
    const QString base = hasFolders ? target.chopped(1) : target + hostName;
    return path == QLatin1String("/") ? base : base + path;
}
