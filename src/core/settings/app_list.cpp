#include "core/settings/app_list.h"

#include "core/platform/gbk_text.h"
#include "core/platform/saved_file.h"

#include <QFile>

namespace AppList {

namespace {

QByteArray contents(const QString& programDir) {
    QFile file(programDir + QLatin1String(FileName));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

QStringList read(const QString& programDir) {
    const QByteArray bytes = contents(programDir);
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype end = bytes.indexOf("\r\n"); end >= 0; end = bytes.indexOf("\r\n", start)) {
        lines << Gbk::decode(bytes.mid(start, end - start)).left(ShownLength);
        start = end + 2;
    }
    return lines;
}

void add(const QString& programDir, const QString& path) {
    if (path.isEmpty() || read(programDir).contains(path))
        return;
    QByteArray bytes = contents(programDir);
    // A last line cut short is finished first, so that the new path stands
    // on a line of its own.
    if (!bytes.isEmpty() && !bytes.endsWith("\r\n"))
        bytes += "\r\n";
    bytes += Gbk::encode(path) + "\r\n";
    SavedFile::write(programDir + QLatin1String(FileName), bytes, SavedFile::Access::Default);
}

} // namespace AppList
