#pragma once

#include "core/engine/dir_listing.h"

#include <QDate>
#include <QDateTime>
#include <QFileInfo>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

// The decision of a directory update: one site folder's listing against
// the local folder at the same place, as steps to carry out and site
// folders still to compare. The steps run from the last to the first, so
// the order they are planned in is what makes the update correct: a folder
// to remove is planned before its contents, a folder to make after its.
namespace DirCompare {

enum StepKind { Upload = 1, MakeFolder = 2, DeleteFile = 3, RemoveFolder = 4 };

// Which local folders an update takes, links resolved, so that each real
// folder goes up once and under its own name: a link to a folder inside the
// chosen one is left out (the folder is reached where it is), a link that
// leads outside is followed, once per real folder.
struct LocalWalk {
    explicit LocalWalk(const QString& chosenFolder);
    // True the first time; false (and the folder joins `left`) for a folder
    // to leave out.
    bool take(const QFileInfo& folder, QStringList& left);
    // Whether a real (link-resolved) path lies in the chosen folder.
    bool holds(const QString& realPath) const;

    QString root; // the chosen folder's real path, ending with "/"
    QSet<QString> seen;
};

struct Plan {
    QStringList paths;
    QList<qint32> kinds;
    // Site folders that exist on both sides or only on the site: they are
    // listed and compared in turn.
    QStringList foldersToCompare;
    // Those of them the local folder lacks: everything in them goes.
    QStringList foldersGoneLocally;
    // The local folder (or one inside a new local tree) could not be read:
    // the plan is void, for nothing may be deleted on its account.
    bool localUnreadable = false;
    // Site entries (their paths) compared with a local entry whose name
    // differs only in case (its name).
    QList<QPair<QString, QString>> caseDifferences;
    // Local folders reached again through a link (their local paths): the
    // update takes each real folder once and leaves these out.
    QStringList repeatedFolders;

    void add(const QString& path, qint32 kind) {
        paths << path;
        kinds << kind;
    }
};

// Compares the site folder `siteFolder` (listed as `remote`) with
// `localFolder`. Names match without regard to case, the same name first;
// the paths planned carry each entry's name as the site lists it. `today` places listed
// dates without a year. With `localGone` the site folder has no local twin
// (it was planned for removal) and everything in it is deleted.
// `walk` is the update's record of local folders taken so far.
Plan compare(const QList<DirEntry>& remote, const QString& localFolder, const QString& siteFolder,
             const QDate& today, bool localGone = false, LocalWalk* walk = nullptr);

// The whole content of a local folder the site lacks, planned so that,
// read from the end, each folder is made before what is inside it. Links
// to folders are followed as LocalWalk says. False when a folder in it
// cannot be read.
bool planLocalTree(const QString& localFolder, const QString& siteFolder, Plan& plan,
                   LocalWalk* walk = nullptr);

// Whether a local file written at `localUtc` is newer than the date a
// listing gives for the site's copy. A date that cannot be read counts as
// not newer. Servers list times in coordinated universal time; the
// comparison goes to the minute, or to the day when the listing gives a
// year instead of a time.
bool isLocalNewer(const QDateTime& localUtc, const QString& remoteDateText, const QDate& today);

// The site folder's local twin: `localBase` plus the part of `siteFolder`
// below `remoteBase`, ending with "/". Each name is the local disk's own,
// which may differ in case from the site's.
QString localFolderFor(const QString& siteFolder, const QString& remoteBase,
                       const QString& localBase);
// The same for a file.
QString localPathFor(const QString& sitePath, const QString& remoteBase, const QString& localBase);

} // namespace DirCompare
