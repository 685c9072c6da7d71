#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

// The site folders one operation has listed on its way down a tree, to tell
// a folder met again: the same path a second time, or a folder listed
// exactly as a folder above it. A server shows a link back up the tree
// ("loop -> .") as a plain folder; followed, it never ends, and deleting
// through it would delete the folder above.
class FolderWalk {
public:
    void clear() { digests_.clear(); }
    // Records `folder` with its listing; false when it was listed before or
    // repeats a folder above it, and must not be entered.
    bool enter(const QString& folder, const QByteArray& listing);

private:
    QHash<QString, QByteArray> digests_;
};
