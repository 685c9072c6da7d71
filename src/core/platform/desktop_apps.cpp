#include "core/platform/desktop_apps.h"

#include <QDir>
#include <QFile>
#include <QMimeDatabase>
#include <QSet>
#include <QStandardPaths>

namespace DesktopApps {

namespace {

struct Entry {
    QString name;
    QString exec;
    QStringList mimeTypes;
    bool skip = false;
};

// The [Desktop Entry] group of a ".desktop" file.
Entry readEntry(const QString& path) {
    Entry e;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {QString(), QString(), {}, true};
    bool inGroup = false;
    QString localName;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inGroup = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (!inGroup || eq < 0)
            continue;
        const QString key = line.left(eq).trimmed();
        const QString value = line.mid(eq + 1).trimmed();
        if (key == QLatin1String("Name"))
            e.name = value;
        else if (key == QLatin1String("Name[zh_CN]"))
            localName = value;
        else if (key == QLatin1String("Exec"))
            e.exec = value;
        else if (key == QLatin1String("MimeType"))
            e.mimeTypes = value.split(QLatin1Char(';'), Qt::SkipEmptyParts);
        else if ((key == QLatin1String("Terminal") || key == QLatin1String("NoDisplay") ||
                  key == QLatin1String("Hidden")) &&
                 value == QLatin1String("true"))
            e.skip = true;
        else if (key == QLatin1String("Type") && value != QLatin1String("Application"))
            e.skip = true;
    }
    if (!localName.isEmpty())
        e.name = localName;
    return e;
}

// The executable of an Exec line: its first word, quotes removed, found on
// the PATH when it is not a full path.
QString programOf(const QString& exec) {
    QString first;
    if (exec.startsWith(QLatin1Char('"'))) {
        const qsizetype close = exec.indexOf(QLatin1Char('"'), 1);
        first = exec.mid(1, close < 0 ? -1 : close - 1);
    } else {
        first = exec.section(QLatin1Char(' '), 0, 0);
    }
    if (first.isEmpty() || first.contains(QLatin1Char('%')))
        return {};
    return first.startsWith(QLatin1Char('/')) ? first : QStandardPaths::findExecutable(first);
}

} // namespace

QList<App> forFile(const QString& filePath, const QStringList& entryFolders) {
    const QMimeDatabase db;
    const QMimeType type = db.mimeTypeForFile(filePath);
    QSet<QString> wanted{type.name()};
    for (const QString& parent : type.allAncestors())
        wanted.insert(parent);
    QList<App> apps;
    QSet<QString> seenEntries; // a user's entry hides the system one of that name
    for (const QString& folder : entryFolders) {
        const QDir dir(folder);
        for (const QString& file : dir.entryList({QStringLiteral("*.desktop")}, QDir::Files)) {
            if (seenEntries.contains(file))
                continue;
            seenEntries.insert(file);
            const Entry e = readEntry(dir.filePath(file));
            if (e.skip || e.name.isEmpty())
                continue;
            bool fits = false;
            for (const QString& m : e.mimeTypes)
                fits = fits || wanted.contains(m);
            const QString program = fits ? programOf(e.exec) : QString();
            const App app{e.name, program};
            if (!program.isEmpty() && QFile::exists(program) && !apps.contains(app))
                apps << app;
        }
    }
    return apps;
}

QList<App> forFile(const QString& filePath) {
    QStringList folders;
    for (const QString& base :
         QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
        folders << base + QStringLiteral("/applications");
    return forFile(filePath, folders);
}

} // namespace DesktopApps
