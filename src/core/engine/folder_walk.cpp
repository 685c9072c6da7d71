#include "core/engine/folder_walk.h"

#include <QCryptographicHash>

namespace {

QString normalised(QString folder) {
    while (folder.size() > 1 && folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    return folder;
}

} // namespace

bool FolderWalk::enter(const QString& folder, const QByteArray& listing) {
    const QString path = normalised(folder);
    if (digests_.contains(path))
        return false;
    const QByteArray digest = QCryptographicHash::hash(listing, QCryptographicHash::Sha256);
    // An empty folder holds nothing to follow: empty listings say nothing.
    if (!listing.trimmed().isEmpty()) {
        for (QString above = path; above.size() > 1;) {
            above = normalised(above.left(above.lastIndexOf(QLatin1Char('/')) + 1));
            if (digests_.value(above) == digest)
                return false;
        }
    }
    digests_.insert(path, digest);
    return true;
}
