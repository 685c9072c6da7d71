#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The contents of a task file: what an interrupted operation needs to go on.
struct TaskContents {
    QString description;
    QString site; // the site's address as the user entered it
    qint32 port = 21;
    QString user;
    QString password;
    bool update = false;

    // A directory update.
    QString localBase;
    QString remoteBase;
    QStringList updatePaths;
    QList<qint32> updateKinds;

    // A download or upload.
    bool editMode = false;
    bool isDownload = false;
    QString targetFolder;
    QString sourceFolder;
    QStringList itemPaths;
    QList<quint64> itemSizes;
    QList<qint32> itemKinds;
    // Written after the fields above, which is all earlier versions read;
    // a file they wrote lacks it (false).
    bool hasFolders = false;
    // The head item's local file holds none of this task's bytes (the
    // download was cut before its first block): it is fetched whole. A file
    // of earlier versions lacks it (false: the bytes on disk are the task's).
    bool headFresh = false;

    bool operator==(const TaskContents&) const = default;
};

// Task files use a compact archive form, little-endian throughout: 32-bit
// integers; strings in code page 936 behind a length prefix of one byte
// (below 255), or 0xFF and 16 bits (below 0xFFFE), or 0xFF, 0xFFFF and 32
// bits; string lists behind a 16-bit count (or 0xFFFF and 32 bits).
//
// Code page 936 cannot hold every name (Korean, emoji, bytes that are no
// text), so after the fields earlier versions read comes an addition they
// skip: the mark "CVX1", headFresh, then every text field again exactly,
// as UTF-16 code units behind a 32-bit count (lists behind a 32-bit count).
// A reader that finds it takes the texts from it.
//
// A task with files of 4 GiB or more, whose sizes the 32-bit fields cannot
// hold, gives earlier versions only its other items (they skip the large
// ones, never read a cut size) and, when its head is left out, tells them
// to fetch their head whole. A second addition follows the first: the mark
// "CVX2", the whole item list behind a 32-bit count (each item's path
// exactly, its size as two 32-bit halves, low first, its kind), then
// headFresh. Tasks without such files are written as before, byte for
// byte.
namespace TaskArchive {

QByteArray encode(const TaskContents& task);
// nullopt when the bytes end early or hold an impossible count.
std::optional<TaskContents> decode(const QByteArray& bytes);
// Only the leading fields (description, site, port, user, password).
std::optional<TaskContents> decodeHeader(const QByteArray& bytes);

// "中断任务-Y-M-D-h-m-s.npm" for the given local time; from the second
// serial on "中断任务-Y-M-D-h-m-s-N.npm", for tasks of the same second.
QString fileNameFor(const QDateTime& localTime, int serial = 1);

void appendString(QByteArray& out, const QString& text);

} // namespace TaskArchive
