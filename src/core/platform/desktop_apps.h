#pragma once

#include <QList>
#include <QString>

// The applications the desktop registers for a kind of file: the ".desktop"
// entries of the XDG application folders whose MimeType names the file's
// type or a type it derives from (a C source is also plain text).
namespace DesktopApps {

struct App {
    QString name;    // as the menu shows it, Chinese where the entry has it
    QString program; // the full path of its executable
    bool operator==(const App&) const = default;
};

// Entries that run in a terminal or are hidden are left out; so is one
// whose program cannot be found.
QList<App> forFile(const QString& filePath);
// The same over the given folders of ".desktop" files, for tests.
QList<App> forFile(const QString& filePath, const QStringList& entryFolders);

} // namespace DesktopApps
